// The frame loop on the real timer: 60 frames per second within 10 %.
#ifdef _WIN32
#include <gtest/gtest.h>

#include <cstdio>

#include "platform/sys.h"
#include "shell/main_loop.h"
#include "shell/quit.h"
#include "shell/startup.h"

TEST(FrameRate, SixtyFramesPerSecondOverThreeSeconds)
{
    g_frame_clock_now = sys_milliseconds;
    g_frame_clock_sleep = sys_sleep;
    g_quit_flag = 0;
    g_pause_frames = 0;
    g_fps_target = 60;
    g_frame_acc = 0;
    set_timer_resolution();
    uint32_t start = sys_milliseconds();
    g_image_load_time = start;
    int frames = 0;
    while (sys_milliseconds() - start < 3000) {
        ASSERT_EQ(run_frame(), 0);
        frames++;
    }
    end_timer_period();
    double fps = frames * 1000.0 / (sys_milliseconds() - start);
    EXPECT_GE(fps, 54.0);
    EXPECT_LE(fps, 66.0);
    std::printf("frame rate %.1f over %d frames\n", fps, frames);
}
#endif
