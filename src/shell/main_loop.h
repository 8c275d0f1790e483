// Main loop, frame step and frame limiter.
#pragma once

#include "core/frame_state.h"

struct TreeNode;

int run_frame();
int frame_limiter();
void reset_dirty_rects(TreeNode *node);
// The idle-time loop of the main thread: drains messages, runs frames, until
// g_running is cleared.
void run_main_loop();
void drain_messages();
// The body of the script thread: frames until one asks to end.
void run_frames_until_quit();
// Whether the calling thread runs the frames (false on the main thread while
// frames run on the script thread: there the back buffer must not move).
bool runs_frames_here();
