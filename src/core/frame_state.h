// Frame state: the frame and pass counters, the frame limiter's state and
// the requests the window procedure leaves for the frame step. Read by every
// subsystem; the main loop (shell/main_loop.h) drives them.
#pragma once

#include <atomic>

#include "core/kv_base.h"

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
// Set when the script has shown or hidden window 0: the first frame's show
// then leaves the window as the script made it.
extern uint8_t g_main_visibility_set;

// The limiter's clock; tests put a fake clock here.
extern uint32_t (*g_frame_clock_now)();
extern void (*g_frame_clock_sleep)(uint32_t ms);

// Pop-up request: 0 none, 1 pop-up menu, 2 tray menu; screen position.
extern uint8_t g_popup_request;
extern int32_t g_popup_x, g_popup_y;

// Pauses the scripts when window 0 is no longer active and resumes them when
// it is again (unless they run while inactive). The input update calls it
// once per frame; the script scheduler defines it with its pause state.
void pause_check(void);
