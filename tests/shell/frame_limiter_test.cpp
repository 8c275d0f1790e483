// The frame limiter on a fake clock.
#include <gtest/gtest.h>

#include <vector>

#include "platform/sys.h"
#include "shell/main_loop.h"

namespace {

uint32_t fake_now;
std::vector<uint32_t> sleeps;

uint32_t fake_clock() { return fake_now; }
void fake_sleep(uint32_t ms)
{
    sleeps.push_back(ms);
    fake_now += ms;
}

struct FrameLimiter : ::testing::Test {
    void SetUp() override
    {
        g_frame_clock_now = fake_clock;
        g_frame_clock_sleep = fake_sleep;
        fake_now = 1000;
        sleeps.clear();
        g_fps_target = 60;
        g_frame_skip_enabled = 1;
        g_frame_acc = 0;
        g_image_load_time = fake_now;
    }
    void TearDown() override
    {
        g_frame_clock_now = sys_milliseconds;
        g_frame_clock_sleep = sys_sleep;
        g_fps_target = 60;
        g_frame_skip_enabled = 1;
    }
};

}  // namespace

TEST_F(FrameLimiter, SixtyFramesAlternate16And17)
{
    // Frames that take no time: each sleeps its whole period.
    for (int i = 0; i < 12; i++)
        EXPECT_EQ(frame_limiter(), 0);
    std::vector<uint32_t> want = {16, 17, 16, 17, 17, 16, 17, 17, 16, 17, 17, 16};
    EXPECT_EQ(sleeps, want);
    EXPECT_EQ(g_image_load_time, 1000u + 199);
    EXPECT_EQ(g_frame_time, fake_now);
}

TEST_F(FrameLimiter, WorkDoneShortensTheSleep)
{
    fake_now += 10;                       // 10 ms of frame work
    EXPECT_EQ(frame_limiter(), 0);
    ASSERT_EQ(sleeps.size(), 1u);
    EXPECT_EQ(sleeps[0], 6u);
    EXPECT_EQ(g_frame_time, 1016u);
}

TEST_F(FrameLimiter, ThreePeriodsLateSkipsNextDrawing)
{
    fake_now += 16 + 47;                  // late by 47: less than 3 periods
    EXPECT_EQ(frame_limiter(), 0);
    EXPECT_TRUE(sleeps.empty());
    EXPECT_EQ(g_image_load_time, fake_now + 47);   // plus, not minus

    SetUp();
    fake_now += 16 + 48;                  // late by 3 x 16
    EXPECT_EQ(frame_limiter(), 1);
    EXPECT_EQ(g_frame_time, fake_now + 48);
}

TEST_F(FrameLimiter, NoSkipWhenDisabled)
{
    g_frame_skip_enabled = 0;
    fake_now += 16 + 100;
    EXPECT_EQ(frame_limiter(), 0);
}

TEST_F(FrameLimiter, StallOf250msRestartsThePace)
{
    fake_now += 16 + 250;
    EXPECT_EQ(frame_limiter(), 0);
    EXPECT_EQ(g_image_load_time, fake_now);
    EXPECT_EQ(g_frame_time, fake_now);
    fake_now += 16 + 249;                 // late, but under 250 ms: counted
    EXPECT_EQ(frame_limiter(), 1);
}

TEST_F(FrameLimiter, ZeroOrNegativeRateIsOneFramePerSecond)
{
    g_fps_target = 0;
    EXPECT_EQ(frame_limiter(), 0);
    g_fps_target = -5;
    EXPECT_EQ(frame_limiter(), 0);
    std::vector<uint32_t> want = {1000, 1000};
    EXPECT_EQ(sleeps, want);
}

TEST_F(FrameLimiter, ClockWrapAround)
{
    fake_now = 0xFFFFFFF8u;
    g_image_load_time = fake_now;
    EXPECT_EQ(frame_limiter(), 0);
    ASSERT_EQ(sleeps.size(), 1u);
    EXPECT_EQ(sleeps[0], 16u);
    EXPECT_EQ(g_image_load_time, 8u);
}

TEST_F(FrameLimiter, FrameOfZeroMillisecondsNeverSkipsWhenOnTime)
{
    // 2000 frames per second: every other frame is 0 ms long. On time, no
    // frame may skip its drawing; a real delay still does.
    g_fps_target = 2000;
    for (int i = 0; i < 8; i++)
        EXPECT_EQ(frame_limiter(), 0) << i;
    fake_now += 10;
    EXPECT_EQ(frame_limiter(), 1);
}
