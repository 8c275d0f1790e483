// Order facts of the frame step and the main loop on the stand-in platform.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/sys.h"
#ifndef _WIN32
#include "platform/null/shell_null.h"
#endif
#include "core/entry.h"
#include "core/quit.h"
#include "core/window.h"
#include "script/project.h"
#include "shell/main_loop.h"
#include "shell/screen_layout.h"
#include "shell/startup.h"

namespace {

uint32_t fake_now;
int sleep_calls;
uint32_t fake_clock() { return fake_now; }
void fake_sleep(uint32_t ms)
{
    sleep_calls++;
    fake_now += ms;
}

struct RunFrame : ::testing::Test {
    void SetUp() override
    {
        g_frame_clock_now = fake_clock;
        g_frame_clock_sleep = fake_sleep;
        fake_now = 5000;
        sleep_calls = 0;
        g_image_load_time = fake_now;
        g_frame_acc = 0;
        g_fps_target = 60;
        g_frame_skip_enabled = 1;
        g_redraw_countdown = 0;
        g_frame_style_countdown = 0;
        g_quit_flag = 0;
        g_pause_frames = 0;
        g_frame_count = 0;
        g_pass_count = 0;
        g_skip_in_force = 0;
        g_popup_request = 0;
        g_running = 1;
        create_window_objects();
        window_object_setup(g_windows[0], "t");
    }
    void TearDown() override
    {
        g_frame_clock_now = sys_milliseconds;
        g_frame_clock_sleep = sys_sleep;
        g_quit_flag = 0;
        g_pause_frames = 0;
    }
};

}  // namespace

TEST_F(RunFrame, PausedFrameOnlyCounts)
{
    g_pause_frames = 1;
    EXPECT_EQ(run_frame(), 0);
    EXPECT_EQ(run_frame(), 0);
    EXPECT_EQ(g_frame_count, 2u);
    EXPECT_EQ(g_pass_count, 0u);
    EXPECT_EQ(sleep_calls, 0);      // no limiter either
}

TEST_F(RunFrame, QuitFlagEndsBeforeAnyWork)
{
    g_quit_flag = 1;
    EXPECT_EQ(run_frame(), 1);
    EXPECT_EQ(g_frame_count, 1u);
    EXPECT_EQ(g_pass_count, 0u);
    // Pause is tested first: a paused frame does not end the run.
    g_pause_frames = 1;
    EXPECT_EQ(run_frame(), 0);
}

TEST_F(RunFrame, NormalFrameRunsOnePassAndThePacer)
{
    EXPECT_EQ(run_frame(), 0);
    EXPECT_EQ(g_frame_count, 1u);
    EXPECT_EQ(g_pass_count, 1u);
    EXPECT_EQ(sleep_calls, 1);
    EXPECT_EQ(fake_now, 5016u);
}

TEST_F(RunFrame, LateFrameSkipsTheNextDrawing)
{
    fake_now += 100;                 // far behind
    EXPECT_EQ(run_frame(), 0);
    EXPECT_EQ(g_skip_in_force, 1);   // taken over for the next frame
}

TEST_F(RunFrame, CountdownsStopAtZero)
{
    g_redraw_countdown = 2;
    g_frame_style_countdown = 1;
    EXPECT_EQ(run_frame(), 0);
    EXPECT_EQ(g_redraw_countdown, 1);
    EXPECT_EQ(g_frame_style_countdown, 0);
    EXPECT_EQ(run_frame(), 0);
    EXPECT_EQ(g_redraw_countdown, 0);
    EXPECT_EQ(g_frame_style_countdown, 0);
    // A negative countdown is left alone (no run down to an overflow).
    g_frame_style_countdown = -3;
    EXPECT_EQ(run_frame(), 0);
    EXPECT_EQ(g_frame_style_countdown, -3);
}

TEST_F(RunFrame, PopupRequestIsServedAndCleared)
{
    g_popup_request = 2;
    EXPECT_EQ(run_frame(), 0);
    EXPECT_EQ(g_popup_request, 0);
}

#ifndef _WIN32
// Window 0 appears on the first frame that gets past the scheduler, once,
// only when the project asked for it and the script has not shown or hidden
// it before.
TEST_F(RunFrame, FirstFrameShowsMainWindowOnce)
{
    g_first_frame_done = 0;
    g_windows[0]->show_flag = 1;
    int before = null_window_show_count();
    g_pause_frames = 1;
    EXPECT_EQ(run_frame(), 0);                 // a paused frame does not count
    EXPECT_EQ(null_window_show_count(), before);
    g_pause_frames = 0;
    EXPECT_EQ(run_frame(), 0);
    EXPECT_EQ(run_frame(), 0);
    EXPECT_EQ(null_window_show_count(), before + 1);
    g_first_frame_done = 0;
    g_windows[0]->show_flag = 0;
    EXPECT_EQ(run_frame(), 0);
    EXPECT_EQ(null_window_show_count(), before + 1);
    // A window the script has already hidden (or shown) is left as it is.
    g_first_frame_done = 0;
    g_windows[0]->show_flag = 1;
    g_main_visibility_set = 1;
    EXPECT_EQ(run_frame(), 0);
    EXPECT_EQ(null_window_show_count(), before + 1);
    g_main_visibility_set = 0;
}

// The stand-in platform: a close request destroys window 0 and ends the pump.
TEST_F(RunFrame, QuitOutsideFrameEndsMainLoop)
{
    ASSERT_EQ(window_create(g_windows[0], nullptr, 1, "c", "t"), 1);
    g_quit_flag = 1;                 // as a fatal report would
    run_main_loop();
    EXPECT_EQ(g_running, 0);
    EXPECT_TRUE(request_quit_pending());
    EXPECT_EQ(g_windows[0]->close_mode, KV_CLOSE_QUITTING);
}

TEST_F(RunFrame, MainLoopEndsWithoutWindow)
{
    g_windows[0]->hwnd = nullptr;
    g_quit_flag = 1;
    run_main_loop();                 // would sleep forever without the rule
    EXPECT_EQ(g_running, 0);
}
#endif

// While frames run on the script thread the window procedure (here: a thread
// that does not run frames) only records a new shown size; the frame step
// grows the back buffer before it presents.
TEST_F(RunFrame, BackBufferGrowsOnTheFrameThreadOnly)
{
    g_frame_thread_mode = 1;
    ASSERT_EQ(alloc_back_buffer(32, 24), 0u);
    size_t small = g_back_buffer_bytes;
    g_screen_size.shown_width = 320;
    g_screen_size.shown_height = 240;
    EXPECT_EQ(rebuild_back_buffer(320, 240), 0u);
    EXPECT_EQ(reserve_back_buffer(640, 480), 0u);
    EXPECT_EQ(g_back_buffer_bytes, small);
    run_frame();
    EXPECT_EQ(g_back_buffer_bytes, back_buffer_bytes(320, 240));
    g_frame_thread_mode = 0;
}
