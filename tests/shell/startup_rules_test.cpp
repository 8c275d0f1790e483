// Rules of start-up: worker count, refresh rate, shown size, back buffer.
#include <gtest/gtest.h>

#include <cstdlib>

#include "core/quit.h"
#include "shell/startup.h"

TEST(StartupRules, WorkerCount)
{
    EXPECT_EQ(worker_count_rule(0, 1), 1);
    EXPECT_EQ(worker_count_rule(1, 1), 1);
    EXPECT_EQ(worker_count_rule(2, 1), 2);
    EXPECT_EQ(worker_count_rule(16, 1), 2);
    EXPECT_EQ(worker_count_rule(2, 0), 1);
    EXPECT_EQ(worker_count_rule(-3, 0), 1);
}

TEST(StartupRules, RefreshBelow60IsDefault)
{
    EXPECT_EQ(refresh_rule(0), -1);
    EXPECT_EQ(refresh_rule(1), -1);
    EXPECT_EQ(refresh_rule(59), -1);
    EXPECT_EQ(refresh_rule(60), 60);
    EXPECT_EQ(refresh_rule(144), 144);
}

TEST(StartupRules, ShownSizeHalvesDesktopWhenTooLarge)
{
    int32_t w, h;
    shown_size_rule(800, 600, 1280, 1024, &w, &h);
    EXPECT_EQ(w, 800);
    EXPECT_EQ(h, 600);
    shown_size_rule(1280, 1024, 1280, 1024, &w, &h);   // equal fits
    EXPECT_EQ(w, 1280);
    EXPECT_EQ(h, 1024);
    // Too wide only, too tall only: half the desktop both ways.
    shown_size_rule(1281, 100, 1280, 1024, &w, &h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 512);
    shown_size_rule(100, 1025, 1280, 1024, &w, &h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 512);
}

TEST(StartupRules, ShownSizeLimits)
{
    EXPECT_TRUE(shown_size_valid(8192, 1));
    EXPECT_TRUE(shown_size_valid(1, 8192));
    EXPECT_FALSE(shown_size_valid(8193, 1));
    EXPECT_FALSE(shown_size_valid(1, 8193));
    EXPECT_FALSE(shown_size_valid(0, 480));
    EXPECT_FALSE(shown_size_valid(640, -1));
}

TEST(StartupRules, BackBufferSizeWithoutOverflow)
{
    EXPECT_EQ(back_buffer_bytes(640, 480), 4u * 640 + 4u * 640 * 480 + 4);
    // 4*W*H of 8192 x 8192 does not fit 32 bits; the size is computed wide.
    EXPECT_EQ(back_buffer_bytes(8192, 8192), (size_t)4 * 8192 + (size_t)4 * 8192 * 8192 + 4);
    EXPECT_EQ(back_buffer_bytes(8193, 1), 0u);
    EXPECT_EQ(back_buffer_bytes(1, 8193), 0u);
    EXPECT_EQ(back_buffer_bytes(0, 0), 0u);
    ASSERT_EQ(alloc_back_buffer(8192, 1), 0u);
    EXPECT_EQ(g_back_buffer_bytes, 4u * 8192 + 4u * 8192 + 4);
    ASSERT_EQ(alloc_back_buffer(640, 480), 0u);
    EXPECT_EQ(g_back_buffer_bytes, 4u * 640 + 4u * 640 * 480 + 4);
}

#ifndef _WIN32
// The refusal shows its boxes; natively they only go to the stand-ins.
TEST(StartupRules, OversizeIsReportedAndKeepsOldBuffer)
{
    ASSERT_EQ(alloc_back_buffer(640, 480), 0u);
    uint8_t before = g_quit_flag;
    EXPECT_EQ(alloc_back_buffer(8193, 480), 100010u);
    EXPECT_EQ(alloc_back_buffer(640, 8193), 100010u);
    EXPECT_EQ(g_quit_flag, 1);          // reported as fatal
    g_quit_flag = before;               // tests share the process
    EXPECT_EQ(g_back_buffer_bytes, 4u * 640 + 4u * 640 * 480 + 4);
}
#endif

TEST(StartupRules, CommandLineCopy)
{
    char p[] = "kavren.exe", a[] = "/KVCFG", b[] = "x";
    char *argv[] = {p, a, b};
    copy_command_line(3, argv);
    EXPECT_EQ(g_argv_count, 2);
    EXPECT_STREQ(g_argv_copy[1], "/KVCFG");
    EXPECT_STREQ(g_argv_copy[2], "x");
    for (int i = 3; i < 9; i++)
        EXPECT_STREQ(g_argv_copy[i], "");
    char *many[12];
    for (char *&s : many)
        s = b;
    copy_command_line(12, many);
    EXPECT_EQ(g_argv_count, 8);
    EXPECT_STREQ(g_argv_copy[8], "x");
    free_command_line();
}
