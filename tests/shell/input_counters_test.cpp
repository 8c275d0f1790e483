// Key counters and input: the counter sequences, mouse keys inside and outside
// the window, focus loss, the wheel, joysticks, and the mouse position in game
// coordinates. Input comes from a scripted source, so these run in every build.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "core/input.h"
#include "core/quit.h"
#include "core/window.h"
#include "script/scheduler.h"
#include "shell/main_loop.h"
#include "shell/startup.h"

namespace {

struct Scripted {
    uint8_t keys[256];
    int32_t cx, cy;          // cursor, screen coordinates
    int32_t origin_x, origin_y;   // client origin of every window on the screen
    uint32_t joy_count;
    JoyReading joy[16];
    int joy_result[16];
    int iconic;
    int cleared;
};
Scripted g_in;

int s_keyboard(uint8_t out[256])
{
    std::memcpy(out, g_in.keys, 256);
    return 0;
}
void s_clear(void) { g_in.cleared++; }
int s_cursor(int32_t *x, int32_t *y)
{
    *x = g_in.cx;
    *y = g_in.cy;
    return 0;
}
int s_to_client(void *, int32_t *x, int32_t *y)
{
    *x -= g_in.origin_x;
    *y -= g_in.origin_y;
    return 0;
}
int s_iconic(void *) { return g_in.iconic; }
uint32_t s_joy_count(void) { return g_in.joy_count; }
int s_joy_poll(uint32_t i, JoyReading *out)
{
    if (g_in.joy_result[i] == 0)
        *out = g_in.joy[i];
    else
        out->x = out->y = 0, out->buttons = 0xFFFFFFFFu;   // garbage of a failed call
    return g_in.joy_result[i];
}
const InputSource k_scripted = {s_keyboard, s_clear, s_cursor, s_to_client, s_iconic, s_joy_count,
                                s_joy_poll};

int g_fake_window;

class InputCounters : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::memset(&g_in, 0, sizeof g_in);
        for (auto &j : g_in.joy)
            j.x = j.y = 32767;
        g_input_source = &k_scripted;
        create_window_objects();
        for (int i = 0; i < KV_WINDOW_COUNT; i++) {
            g_windows[i]->game_width = 640;
            g_windows[i]->game_height = 480;
            g_windows[i]->hwnd = nullptr;
            g_windows[i]->active = 0;
        }
        g_windows[0]->hwnd = &g_fake_window;
        g_windows[0]->active = 1;
        g_screen_size.shown_width = 640;
        g_screen_size.shown_height = 480;
        std::memset(g_key_hold, 0, sizeof g_key_hold);
        std::memset(g_key_state, 0, sizeof g_key_state);
        std::memset(g_key_presses, 0, sizeof g_key_presses);
        std::memset(g_input_bytes, 0, sizeof g_input_bytes);
        register_key_callbacks();
        g_mouse_input_enabled = 1;
        g_keyboard_input_enabled = 1;
        g_joystick_input_enabled = 0;
        g_joysticks_present = 0;
        g_cursor_autohide = 0;
        g_run_inactive = 1;
        g_wheel_delta = 0;
        g_mouse_moved = 0;
        g_in.cx = 100;
        g_in.cy = 100;
        frame();   // settle: a first update with nothing down
    }
    void TearDown() override { g_input_source = platform_input_source(); }
    // One frame: the main loop's poll, then the frame step's update.
    static void frame()
    {
        poll_window_input();
        update_input_state();
    }
};

}  // namespace

TEST_F(InputCounters, PressHoldReleaseSequence)
{
    const int A = 65;
    int64_t presses = (int64_t)g_key_presses[A];
    g_in.keys[A] = 0x80;
    for (int64_t want : {1, 2, 3}) {
        frame();
        EXPECT_EQ(g_key_hold[A], want);
    }
    EXPECT_EQ((int64_t)g_key_presses[A], presses + 1);
    g_in.keys[A] = 0;
    for (int64_t want : {-1, -2, -3}) {
        frame();
        EXPECT_EQ(g_key_hold[A], want);
    }
    g_in.keys[A] = 0x81;   // bit 7 is the down bit
    frame();
    EXPECT_EQ(g_key_hold[A], 1);
    EXPECT_EQ((int64_t)g_key_presses[A], presses + 2);
}

TEST_F(InputCounters, UnpressedKeysCountDownAndUnlistedKeysStayZero)
{
    int64_t before = g_key_hold[66];
    frame();
    frame();
    EXPECT_EQ(g_key_hold[66], before - 2);
    g_in.keys[10] = 0x80;   // not a listed key
    frame();
    EXPECT_EQ(g_key_hold[10], 0);
    EXPECT_EQ(g_key_hold[300], 0);
}

TEST_F(InputCounters, AnyKeyFollowsTheListedKeys)
{
    g_in.keys[226] = 0x80;
    frame();
    EXPECT_EQ(g_key_hold[KV_KEY_ANY], 1);
    g_in.keys[226] = 0;
    g_in.keys[10] = 0x80;   // unlisted keys do not count
    frame();
    EXPECT_EQ(g_key_hold[KV_KEY_ANY], -1);
}

TEST_F(InputCounters, PressOutsideTheWindowIsIgnoredButHeldButtonsStay)
{
    g_in.cx = 5000;   // far outside the window and its margin
    g_in.keys[1] = 0x80;
    frame();
    EXPECT_LE(g_key_hold[1], 0);
    EXPECT_TRUE(g_windows[0]->outside_margin);
    g_in.keys[1] = 0;
    frame();

    g_in.cx = 100;   // pressed inside, then dragged out
    g_in.keys[1] = 0x80;
    frame();
    EXPECT_EQ(g_key_hold[1], 1);
    g_in.cx = 5000;
    frame();
    EXPECT_EQ(g_key_hold[1], 2);
    g_in.keys[1] = 0;
    frame();
    EXPECT_EQ(g_key_hold[1], -1);
}

TEST_F(InputCounters, LosingTheActiveWindowReleasesEveryKey)
{
    g_in.keys[65] = 0x80;
    g_in.keys[2] = 0x80;
    frame();
    EXPECT_EQ(g_key_hold[65], 1);
    EXPECT_EQ(g_key_hold[2], 1);
    g_windows[0]->active = 0;
    int cleared = g_in.cleared;
    frame();
    EXPECT_EQ(g_active_window, -1);
    EXPECT_EQ(g_in.cleared, cleared + 1);
    EXPECT_EQ(g_key_hold[65], -1);
    EXPECT_EQ(g_key_hold[2], -1);
    frame();
    EXPECT_EQ(g_key_hold[65], -2);
    g_windows[1]->hwnd = &g_fake_window;
    g_windows[1]->active = 1;   // the first active window is the one used
    frame();
    EXPECT_EQ(g_active_window, 1);
    EXPECT_EQ(g_key_hold[65], 1);
}

TEST_F(InputCounters, WheelGivesAPressForOneFrame)
{
    g_wheel_delta = 120;
    frame();
    EXPECT_EQ(g_key_hold[KV_KEY_WHEEL_UP], 1);
    EXPECT_EQ(g_wheel_delta.load(), 0);
    frame();
    EXPECT_EQ(g_key_hold[KV_KEY_WHEEL_UP], -1);
    g_wheel_delta = -240;
    frame();
    EXPECT_EQ(g_key_hold[KV_KEY_WHEEL_DOWN], 1);
    EXPECT_LT(g_key_hold[KV_KEY_WHEEL_UP], 0);
    g_mouse_moved = 128;
    frame();
    EXPECT_EQ(g_key_hold[KV_KEY_MOUSE_MOVED], 1);
    frame();
    EXPECT_EQ(g_key_hold[KV_KEY_MOUSE_MOVED], -1);
}

TEST_F(InputCounters, SideButtonsDoNotReadAsTheWheel)
{
    g_in.keys[5] = 0x80;   // the keyboard state's side buttons
    g_in.keys[6] = 0x80;
    frame();
    EXPECT_LT(g_key_hold[KV_KEY_WHEEL_UP], 0);
    EXPECT_LT(g_key_hold[KV_KEY_WHEEL_DOWN], 0);
    g_in.cx = 5000;        // outside the margin as well
    frame();
    EXPECT_LT(g_key_hold[KV_KEY_WHEEL_UP], 0);
}

TEST_F(InputCounters, DisabledInputLeavesCountersAlone)
{
    g_keyboard_input_enabled = 0;
    g_mouse_input_enabled = 0;
    int64_t k = g_key_hold[65], m = g_key_hold[1];
    g_in.keys[65] = 0x80;
    g_in.keys[1] = 0x80;
    frame();
    EXPECT_EQ(g_key_hold[65], k);
    EXPECT_EQ(g_key_hold[1], m);
}

TEST_F(InputCounters, JoystickAxesButtonsAndFailedPolls)
{
    g_in.joy_count = 20;
    ASSERT_EQ(detect_joysticks(), 1);
    EXPECT_EQ(g_joystick_count, 16u);
    g_joysticks_present = 1;
    g_joystick_input_enabled = 1;
    g_in.joy[0] = {32767, 32767, 0};
    g_in.joy[1] = {32766, 32766, 1u << 31 | 1u};
    g_in.joy[2] = {32768, 65535, 0};
    g_in.joy_result[3] = 167;   // JOYERR_UNPLUGGED
    frame();
    const int b0 = KV_JOY_BASE, b1 = b0 + KV_JOY_STRIDE, b2 = b1 + KV_JOY_STRIDE, b3 = b2 + KV_JOY_STRIDE;
    for (int k = 0; k < 4; k++)
        EXPECT_LT(g_key_hold[b0 + k], 0) << k;   // 32767 is neutral
    EXPECT_EQ(g_key_hold[b1 + 0], 1);            // up
    EXPECT_EQ(g_key_hold[b1 + 2], 1);            // left
    EXPECT_LT(g_key_hold[b1 + 1], 0);
    EXPECT_EQ(g_key_hold[b1 + 4], 1);            // button 0
    EXPECT_EQ(g_key_hold[b1 + 4 + 31], 1);       // button 31
    EXPECT_EQ(g_key_hold[b2 + 1], 1);            // down
    EXPECT_EQ(g_key_hold[b2 + 3], 1);            // right
    for (int k = 0; k < KV_JOY_STRIDE; k++)
        EXPECT_LT(g_key_hold[b3 + k], 0) << k;   // failed poll: no phantom presses
    EXPECT_EQ(g_joystick_answered[1], 1);
    EXPECT_EQ(g_joystick_answered[3], 0);
    g_in.joy_count = 0;
    EXPECT_EQ(detect_joysticks(), 0);
    EXPECT_EQ(g_joystick_count, 0u);
    g_joysticks_present = 0;
}

TEST_F(InputCounters, MousePositionInGameCoordinates)
{
    g_screen_size.shown_width = 1280;
    g_screen_size.shown_height = 960;
    g_in.origin_x = 200;
    g_in.origin_y = 100;
    g_in.cx = 300;
    g_in.cy = 150;
    g_windows[1]->hwnd = &g_fake_window;
    frame();
    EXPECT_EQ(g_windows[0]->mouse_x, 50);
    EXPECT_EQ(g_windows[0]->mouse_y, 25);
    EXPECT_FALSE(g_windows[0]->outside);
    EXPECT_EQ(g_windows[1]->mouse_x, 100);   // sub-windows keep client coordinates
    EXPECT_EQ(g_windows[1]->mouse_y, 50);
    EXPECT_EQ(g_windows[2]->mouse_x, 0);     // no window: (0, 0) and outside
    EXPECT_TRUE(g_windows[2]->outside);
    EXPECT_TRUE(g_windows[2]->outside_margin);
    g_in.cx = 200 + 1280;
    frame();
    EXPECT_EQ(g_windows[0]->mouse_x, 640);
    EXPECT_TRUE(g_windows[0]->outside);
    EXPECT_TRUE(g_windows[0]->outside_margin);
}

// Placing the cursor at a game position (command 55) must read back as that
// position on every scale that shows each game pixel at least once.
TEST(MouseMapping, GameToClientReadsBackAsTheGamePosition)
{
    const int32_t scales[][2] = {{640, 640}, {640, 1280}, {320, 480}, {300, 1024}, {640, 960}, {7, 1000}};
    for (const auto &s : scales)
        for (int32_t off : {0, 13, 160})
            for (int64_t g = -40; g < s[0] + 40; g++) {
                int32_t c = game_to_client(g, off, s[1], s[0]);
                ASSERT_EQ(client_to_game(c, off, s[1], s[0]), g) << s[0] << "->" << s[1] << " off " << off;
            }
    EXPECT_EQ(game_to_client(INT64_MAX, 5, 0, 0), INT32_MAX);   // far values clamp, unscaled
    EXPECT_EQ(game_to_client(-3, 5, 0, 0), 2);
}

TEST_F(InputCounters, MinimisedWindowLosesItsActiveFlag)
{
    g_in.iconic = 1;
    frame();
    EXPECT_EQ(g_windows[0]->active, 0);
    g_in.iconic = 0;
}

TEST_F(InputCounters, ScriptWritesPassTheStateFilter)
{
    g_in.keys[65] = 0x80;
    frame();
    key_counter_set(65, -1);
    EXPECT_EQ(g_key_hold[65], 0);
    key_counter_set(65, 40);
    EXPECT_EQ(g_key_hold[65], 40);
    g_in.keys[65] = 0;
    frame();
    key_counter_set(65, 5);
    EXPECT_EQ(g_key_hold[65], 0);
    key_counter_set(65, -9);
    EXPECT_EQ(g_key_hold[65], -9);
    key_counter_set(5000, 1);   // out of range: ignored
}

TEST_F(InputCounters, CallbackTableAndCounterWrap)
{
    EXPECT_EQ(key_state_fn_table[0], key_up_tick);
    EXPECT_EQ(key_state_fn_table[1], key_press);
    EXPECT_EQ(key_state_fn_table[2], key_release);
    EXPECT_EQ(key_state_fn_table[3], key_hold_tick);
    g_key_hold[900] = INT64_MIN;
    key_up_tick(900);
    EXPECT_EQ(g_key_hold[900], INT64_MAX);
}

// With frames on the script thread the main thread polls while that thread
// updates: the tables the scripts read are written by the updating thread
// alone, the staging between them is locked.
TEST_F(InputCounters, PollAndUpdateOnTwoThreads)
{
    // The two threads really overlap: the updates start once the poller runs
    // and go on until it has polled a good many times (bounded either way).
    g_in.keys[65] = 0x80;
    g_in.cx = 123;
    g_in.cy = 45;
    poll_window_input();
    std::atomic<int> polls{0};
    std::atomic<bool> stop{false};
    std::thread poller([&] {
        while (!stop.load() && polls.load() < 200000) {
            poll_window_input();
            polls++;
        }
    });
    int updates = 0;
    while (polls.load() == 0 && updates < 1000000)
        updates++;   // wait for the poller without touching the tables
    updates = 0;
    while ((updates < 2000 || polls.load() < 2000) && updates < 200000) {
        update_input_state();
        updates++;
    }
    stop = true;
    poller.join();
    EXPECT_EQ(g_key_hold[65], updates);
    EXPECT_EQ(g_key_presses[65], 1u);
    EXPECT_EQ(g_windows[0]->mouse_x, 123);
    EXPECT_EQ(g_windows[0]->mouse_y, 45);
    EXPECT_GT(polls.load(), 0);
}
