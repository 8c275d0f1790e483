// Shutdown against the script thread: a shutdown that comes right after the
// thread was made still waits for it, and the wait always ends.
#include <gtest/gtest.h>

#include "core/quit.h"
#include "core/window.h"
#include "script/project.h"
#include "shell/main_loop.h"
#include "shell/startup.h"

namespace {

struct ShutdownThreads : ::testing::Test {
    void SetUp() override
    {
        g_quit_flag = 0;
        g_pause_frames = 0;
        g_frame_thread_mode = 1;
        // No window to post the close request to: the thread's own quit
        // request must not depend on one.
        create_window_objects();
        g_windows[0]->hwnd = nullptr;
    }
    void TearDown() override
    {
        g_frame_thread_mode = 0;
        g_quit_flag = 0;
        g_pause_frames = 0;
        g_script_thread_done = 255;
        g_sound_thread_done = 255;
    }
};

TEST_F(ShutdownThreads, ShutdownRightAfterStartWaitsForScriptThread)
{
    ASSERT_EQ(start_script_thread(), 0);
    {
        // Set by the creator before the thread runs.
        std::lock_guard<std::recursive_mutex> lock(g_engine_lock);
        EXPECT_NE(g_script_thread_done, 255);
    }
    app_shutdown();                    // sets the quit flag, then waits
    EXPECT_EQ(g_script_thread_done, 1);
    EXPECT_EQ(g_quit_flag.load(), 1);
}

TEST_F(ShutdownThreads, PausedFramesOnScriptThreadStillEnd)
{
    // A pause that is never lifted (a box left open) must not keep the
    // thread, or the shutdown waiting for it, alive.
    g_pause_frames = 1;
    ASSERT_EQ(start_script_thread(), 0);
    app_shutdown();
    EXPECT_EQ(g_script_thread_done, 1);
}

TEST_F(ShutdownThreads, NoThreadNoWait)
{
    g_frame_thread_mode = 0;
    ASSERT_EQ(start_script_thread(), 0);
    EXPECT_EQ(g_script_thread_done, 255);
    app_shutdown();                    // returns: nothing was started
    EXPECT_EQ(g_script_thread_done, 255);
}

}  // namespace
