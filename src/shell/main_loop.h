// Main loop, frame step and frame limiter.
#pragma once

#include <atomic>

#include "core/kv_base.h"

struct TreeNode;

extern uint64_t g_frame_count;
extern uint64_t g_pass_count;
// While set a frame step does nothing. Set by the window procedure on the
// main thread, read by the thread that runs frames.
extern std::atomic<uint8_t> g_pause_frames;
extern int32_t g_pass_request;          // one more scheduler pass this frame
extern uint8_t g_redraw_countdown;
extern int32_t g_frame_style_countdown;

// Frame limiter state.
extern int32_t g_fps_target;            // frames per second, at least 1
extern int32_t g_frame_skip_enabled;
extern uint32_t g_frame_acc;            // 16.16 milliseconds, fraction carried
extern uint32_t g_image_load_time;      // reference time of the limiter
extern uint32_t g_frame_time;           // time of the current frame
extern uint8_t g_skip_decision;         // of this frame
extern uint8_t g_skip_in_force;         // taken from the previous frame
extern uint8_t g_first_frame_done;

// The limiter's clock; tests put a fake clock here.
extern uint32_t (*g_frame_clock_now)();
extern void (*g_frame_clock_sleep)(uint32_t ms);

// Pop-up request: 0 none, 1 pop-up menu, 2 tray menu; screen position.
extern uint8_t g_popup_request;
extern int32_t g_popup_x, g_popup_y;

int run_frame();
int frame_limiter();
void reset_dirty_rects(TreeNode *node);
// The idle-time loop of the main thread: drains messages, runs frames, until
// g_running is cleared.
void run_main_loop();
void drain_messages();
// The body of the script thread: frames until one asks to end.
void run_frames_until_quit();
