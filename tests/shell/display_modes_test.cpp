// Display modes and full screen over the stand-in display platform: the
// best-fit mode, the monitor of a window and its fall-backs, and a switch
// to full screen and back.
#include <gtest/gtest.h>

#ifndef _WIN32

#include <cstdlib>

#include "core/engine_state.h"
#include "core/settings.h"
#include "core/window.h"
#include "platform/null/display_null.h"
#include "shell/display_modes.h"
#include "shell/screen_layout.h"

static void set_modes(std::initializer_list<SysDisplayMode> modes)
{
    g_null_display.mode_count = 0;
    for (const SysDisplayMode &m : modes)
        g_null_display.modes[g_null_display.mode_count++] = m;
}

TEST(DisplayModes, BestFit)
{
    struct {
        std::initializer_list<SysDisplayMode> modes;
        int32_t gw, gh, w, h;
    } cases[] = {
        // The smallest 16:9 mode of the depth that holds the game.
        {{{1920, 1080, 32}, {1280, 720, 32}, {1360, 768, 32}, {1024, 768, 32}}, 640, 480, 1280, 720},
        {{{1920, 1080, 32}, {1280, 720, 16}, {1600, 900, 32}}, 640, 480, 1600, 900},
        {{{1920, 1080, 32}, {1280, 720, 32}}, 1300, 700, 1920, 1080},
        {{{800, 600, 32}, {1024, 768, 32}}, 640, 480, 1920, 1080},  // none: the desktop
        {{}, 640, 480, 1920, 1080},
        {{{1280, 0, 32}, {1280, 720, 32}}, 640, 480, 1280, 720},   // a zero height is skipped
    };
    for (auto &c : cases) {
        set_modes(c.modes);
        int32_t w, h;
        best_fit_mode("", 1920, 1080, c.gw, c.gh, 32, &w, &h);
        EXPECT_EQ(w, c.w) << c.gw << "x" << c.gh;
        EXPECT_EQ(h, c.h) << c.gw << "x" << c.gh;
    }
    int32_t w, h;
    best_fit_mode("", 1920, 0, 640, 480, 32, &w, &h);  // no division by zero
    EXPECT_EQ(w, 1920);
    null_display_reset();
}

TEST(DisplayModes, MonitorOfWindow)
{
    static int hwnd;
    struct {
        const char *window_device;
        SysMonitor second;
        int zero_first;
        int32_t index;
        bool named;
    } cases[] = {
        {"\\\\.\\DISPLAY2", {1920, 0, 1280, 1024}, 0, 1, true},
        {"\\\\.\\DISPLAY9", {1920, 0, 1280, 1024}, 0, 0, true},   // unmatched: 0
        {nullptr, {1920, 0, 1280, 1024}, 0, 0, false},
        {"\\\\.\\DISPLAY1", {1920, 0, 1280, 1024}, 1, 1, true},   // empty entry: next
        {"\\\\.\\DISPLAY2", {1920, 0, 0, 0}, 0, 0, true},
    };
    for (auto &c : cases) {
        null_display_reset();
        g_null_display.devices[1] = "\\\\.\\DISPLAY2";
        g_null_display.monitors[1] = c.second;
        g_null_display.monitor_count = 2;
        if (c.zero_first)
            g_null_display.monitors[0] = {0, 0, 0, 0};
        g_null_display.window_device = c.window_device;
        enumerate_monitors();
        char dev[KV_DEVICE_NAME_SIZE];
        bool named;
        EXPECT_EQ(find_window_monitor(&hwnd, dev, &named), c.index) << c.window_device;
        EXPECT_EQ(named, c.named);
    }
    // Every entry empty: the primary screen's size.
    null_display_reset();
    g_null_display.monitors[0] = {0, 0, 0, 0};
    enumerate_monitors();
    int32_t w, h;
    monitor_size(0, &w, &h);
    EXPECT_EQ(w, 1920);
    EXPECT_EQ(h, 1080);
    null_display_reset();
}

// The move check looks the monitors up again only on another monitor or
// after a display change; each step: the window's monitor, whether the
// displays changed first, the index and whether the table was read again.
TEST(DisplayModes, MoveCheckRescansOnlyOnChange)
{
    static int hwnd;
    null_display_reset();
    g_null_display.devices[1] = "\\\\.\\DISPLAY2";
    g_null_display.devices[2] = "\\\\.\\DISPLAY3";
    g_null_display.monitors[1] = {1920, 0, 1280, 1024};
    g_null_display.monitor_count = 2;
    displays_changed();
    struct { int device; bool changed; int32_t index; bool rescan; } steps[] = {
        {0, false, 0, true}, {0, false, 0, false}, {1, false, 1, true}, {1, false, 1, false},
        {0, false, 0, true}, {0, true, 0, true},
        {2, true, 2, true},   // a monitor added at run time, announced by the change
        {2, false, 2, false},
    };
    for (auto &s : steps) {
        if (s.device == 2) {
            g_null_display.monitors[2] = {3200, 0, 800, 600};
            g_null_display.monitor_count = 3;
        }
        if (s.changed)
            displays_changed();
        g_null_display.window_device = g_null_display.devices[s.device];
        int before = g_null_display.enumerations;
        EXPECT_EQ(moved_window_monitor(&hwnd), s.index) << s.device;
        EXPECT_EQ(g_null_display.enumerations > before, s.rescan) << s.device;
    }
    int32_t w, h;
    monitor_size(2, &w, &h);
    EXPECT_EQ(w, 800);
    displays_changed();
    null_display_reset();
}

class FullScreen : public ::testing::Test {
protected:
    WindowObject win = {};
    WindowObject *saved = nullptr;
    void SetUp() override
    {
        static int hwnd;
        null_display_reset();
        set_modes({{1920, 1080, 32}, {1280, 720, 32}, {640, 480, 32}});
        saved = g_windows[0];
        g_windows[0] = &win;
        win.hwnd = &hwnd;
        win.game_width = 640;
        win.game_height = 480;
        g_screen_size.width = g_screen_size.shown_width = 640;
        g_screen_size.height = g_screen_size.shown_height = 480;
        g_desktop_mode = {1920, 1080, 32, 60};
        g_fullscreen_bpp = 32;
        g_best_fit_mode = 1;
        g_own_scaler = 1;
        g_fullscreen = 0;
        g_window_maximized = 0;
    }
    void TearDown() override
    {
        g_windows[0] = saved;
        g_fullscreen = 0;
        null_display_reset();
        std::free(g_back_buffer);
        g_back_buffer = nullptr;
        g_back_buffer_bytes = 0;
    }
};

TEST_F(FullScreen, BestFitAndBack)
{
    EXPECT_EQ(window_set_fullscreen(0), 0);
    ASSERT_EQ(window_set_fullscreen(1), 1);
    EXPECT_EQ(g_fullscreen, 1);
    EXPECT_EQ(g_null_display.changed_mode, 1);  // 1280 x 720
    EXPECT_EQ(g_screen_size.width, 1280);
    EXPECT_EQ(g_screen_size.height, 720);
    EXPECT_EQ(g_layout_kind, 2);
    EXPECT_EQ(g_screen_size.shown_width, 960);
    EXPECT_EQ(g_screen_size.shown_height, 720);
    EXPECT_TRUE(g_null_display.popup);
    EXPECT_EQ(g_null_display.saves, 1);
    EXPECT_EQ(window_set_fullscreen(1), 0);

    ASSERT_EQ(window_set_fullscreen(0), 1);
    EXPECT_EQ(g_fullscreen, 0);
    EXPECT_EQ(g_null_display.changed_mode, -1);
    EXPECT_FALSE(g_null_display.popup);
    EXPECT_EQ(g_null_display.restores_of_others, 1);
    EXPECT_EQ(g_screen_size.shown_width, 640);
    EXPECT_EQ(g_screen_size.height, 480);
}

TEST_F(FullScreen, UnscaledKeepsTheDesktopMode)
{
    g_best_fit_mode = 0;
    g_own_scaler = 0;
    ASSERT_EQ(window_set_fullscreen(1), 1);
    EXPECT_EQ(g_null_display.changed_mode, 0);
    EXPECT_EQ(g_layout_kind, 0);
    EXPECT_EQ(g_screen_size.shown_width, 640);
    EXPECT_EQ(g_null_display.cursor_x, 960);
}

TEST_F(FullScreen, RefusedChangeStaysWindowed)
{
    g_null_display.refuse_change = 1;
    window_set_fullscreen(1);
    EXPECT_EQ(g_fullscreen, 0);
    EXPECT_FALSE(g_null_display.popup);
    EXPECT_EQ(g_null_display.restores, 1);
}

#endif  // the stand-in display platform is native only
