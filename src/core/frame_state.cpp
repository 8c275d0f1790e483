// Frame state shared by the main loop, the frame limiter and the subsystems.
#include "core/frame_state.h"

#include "platform/sys.h"

uint64_t g_frame_count;
uint64_t g_pass_count;
std::atomic<uint8_t> g_pause_frames;
int32_t g_pass_request;
uint8_t g_redraw_countdown;
int32_t g_frame_style_countdown;
uint8_t g_skip_decision;
uint8_t g_skip_in_force;
uint8_t g_first_frame_done;
uint8_t g_main_visibility_set;
uint8_t g_popup_request;
int32_t g_popup_x, g_popup_y;

int32_t g_fps_target = 60;
int32_t g_frame_skip_enabled = 1;
uint32_t g_frame_acc;
uint32_t g_image_load_time;
uint32_t g_frame_time;

uint32_t (*g_frame_clock_now)() = sys_milliseconds;
void (*g_frame_clock_sleep)(uint32_t ms) = sys_sleep;
