// Frame limiter: paces frame steps to g_fps_target with a 16.16 accumulator
// and decides whether the next frame's drawing is skipped.
#include "shell/main_loop.h"

#include "platform/sys.h"

int frame_limiter()
{
    // A rate below 1 never reaches the division.
    int32_t fps = g_fps_target < 1 ? 1 : g_fps_target;
    uint32_t period = 65536000u / (uint32_t)fps;
    g_frame_acc = (g_frame_acc & 0xFFFF) + period;
    uint32_t wait = g_frame_acc >> 16;
    uint32_t now = g_frame_clock_now();
    uint32_t elapsed = now - g_image_load_time;
    if (elapsed < wait) {
        g_frame_time = now;
        g_frame_clock_sleep(wait - elapsed);
        g_image_load_time += wait;
        g_frame_time = g_frame_clock_now();
        return 0;
    }
    uint32_t over = elapsed - wait;
    if (over >= 250)
        over = 0;   // a long stall restarts the pace instead of skipping
    // Above 1000 frames per second a frame may get 0 ms; a frame that is not
    // late at all never skips.
    int decision = over != 0 && over >= 3 * wait && g_frame_skip_enabled != 0;
    g_image_load_time = now + over;
    g_frame_time = now + over;
    return decision;
}
