// The desktop side of the scripts: the cursor-mode state machine, the mouse
// switch, custom cursors replacing each other safely, the drag layer going
// with its layer, the timers' pause switches and the window size rules.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/engine_state.h"
#include "core/error_report.h"
#include "core/input.h"
#include "core/layer_release_hooks.h"
#include "core/tree.h"
#include "core/window.h"
#include "graphics/layer.h"
#include "platform/null/cursor_null.h"
#include "script/scheduler.h"
#include "shell/cursor.h"
#include "shell/window_commands.h"

namespace {

TEST(Desktop, CursorModes)
{
    WindowObject w0 = {};
    WindowObject *saved = g_windows[0];
    g_windows[0] = &w0;
    struct Case {
        uint8_t shown, pending; int64_t mode;
        uint8_t want_request, want_shown, want_pending, want_autohide;
    };
    const Case cases[] = {
        {1, 1, 0, 2, 0, 0, 0}, {0, 1, 0, 0, 0, 0, 0},
        {0, 0, 1, 1, 1, 0, 1}, {0, 1, 1, 0, 0, 1, 1}, {1, 0, 1, 0, 1, 0, 1},
        {0, 1, 2, 1, 1, 0, 0}, {1, 1, 2, 0, 1, 0, 0},
        {1, 1, 7, 0, 1, 1, 9},
    };
    for (const Case &c : cases) {
        g_cursor_shown = c.shown;
        w0.autohide_pending = c.pending;
        g_cursor_request = 0;
        g_cursor_autohide = 9;
        cursor_set_mode(c.mode);
        EXPECT_EQ(g_cursor_request, c.want_request) << (int)c.shown << (int)c.pending << c.mode;
        EXPECT_EQ(g_cursor_shown, c.want_shown) << (int)c.shown << (int)c.pending << c.mode;
        EXPECT_EQ(w0.autohide_pending, c.want_pending) << (int)c.shown << (int)c.pending << c.mode;
        EXPECT_EQ(g_cursor_autohide, c.want_autohide) << (int)c.shown << (int)c.pending << c.mode;
    }
    // Mouse input: off hides the cursor, on shows it, no change does nothing.
    const uint8_t seq[][4] = {{1, 0, 2, 0}, {0, 0, 0, 0}, {0, 1, 1, 1}, {1, 1, 0, 1}};
    for (const auto &s : seq) {
        g_mouse_input_enabled = s[0];
        g_cursor_request = 0;
        g_cursor_shown = s[3];
        cursor_set_mouse_input(s[1]);
        EXPECT_EQ(g_cursor_request, s[2]);
        EXPECT_EQ(g_cursor_shown, s[3]);
        EXPECT_EQ(g_mouse_input_enabled, s[1]);
    }
    g_mouse_input_enabled = 1;
    g_cursor_request = 0;
    g_cursor_shown = 1;
    g_cursor_autohide = 1;
    g_windows[0] = saved;
}

std::vector<std::string> g_boxes;
int record_box(const char *, const char *text)
{
    g_boxes.push_back(text);
    return 0;
}

struct Layer {
    TreeNode node = {};
    LayerState state = {};
    std::vector<uint8_t> pixels;
    Layer(int32_t w, int32_t h) : pixels((size_t)w * 4 * h + w * 4 + 4)
    {
        state.width = w;
        state.height = h;
        state.pixels = pixels.data();
        node.payload = &state;
    }
};

TEST(Desktop, CustomCursorReplacesTheOldOneOnlyWhenBuilt)
{
    auto saved_hook = g_message_box_hook;
    g_message_box_hook = record_box;
    g_null_cursor = NullCursorLog{};
    Layer a(32, 24), b(5, 7);
    ASSERT_EQ(cursor_install_from_layer(nullptr, &a.node, 1, 2), 0);
    void *first = g_custom_cursor;
    EXPECT_EQ(g_null_cursor.installed, first);
    ASSERT_EQ(cursor_install_from_layer(nullptr, &b.node, 0, 0), 0);   // any size
    EXPECT_NE(g_custom_cursor, first);
    EXPECT_EQ(g_null_cursor.installed, g_custom_cursor);
    EXPECT_EQ(g_null_cursor.live, 1);
    g_null_cursor.fail_builds = 1;
    void *kept = g_custom_cursor;
    EXPECT_EQ(cursor_install_from_layer(nullptr, &a.node, 0, 0), -1);
    EXPECT_EQ(g_custom_cursor, kept);
    EXPECT_EQ(g_null_cursor.installed, kept);
    EXPECT_EQ(g_null_cursor.live, 1);
    // The tray icon must be 16 x 16.
    g_boxes.clear();
    EXPECT_FALSE(cursor_from_layer(nullptr, &a.node, 16, 16, 0, 0, 1));
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].rfind("ICON ERR.\r\n", 0), 0u);
    EXPECT_NE(g_boxes[0].find("16x16"), std::string::npos);
    g_message_box_hook = saved_hook;
}

TEST(Desktop, TrayIconAddedOnceModifiedThenRemoved)
{
    auto saved_hook = g_message_box_hook;
    g_message_box_hook = record_box;
    g_null_cursor = NullCursorLog{};
    Layer icon(16, 16), wrong(8, 8);
    tray_icon_show(&icon.node, "tip");
    tray_icon_show(&wrong.node, "tip");   // the default icon, after a message
    tray_icon_show(nullptr, "tip");
    EXPECT_EQ(g_null_cursor.tray_adds, 1);
    EXPECT_EQ(g_null_cursor.tray_shown, 1);
    EXPECT_EQ(g_null_cursor.live, 0);      // the layer icon went with the update
    tray_icon_show(&icon.node, "tip");
    EXPECT_EQ(g_null_cursor.live, 1);
    tray_icon_remove();
    tray_icon_remove();
    EXPECT_EQ(g_null_cursor.tray_shown, 0);
    EXPECT_EQ(g_null_cursor.live, 0);
    tray_icon_show(nullptr, "tip");
    EXPECT_EQ(g_null_cursor.tray_adds, 2);
    tray_icon_remove();
    g_message_box_hook = saved_hook;
}

TEST(Desktop, DeletedLayerIsNoLongerTheDragLayer)
{
    desktop_hooks_init();
    Layer a(4, 4), b(4, 4);
    g_drag_layer = {1, &a.node, &a.state};
    layer_release_hooks_run(&b.node);
    EXPECT_EQ(g_drag_layer.node, &a.node);
    layer_release_hooks_run(&a.node);
    EXPECT_FALSE(g_drag_layer.set);
    EXPECT_FALSE(g_drag_layer.node);
    EXPECT_FALSE(g_drag_layer.state);
}

uint32_t g_fake_now;
uint32_t fake_clock() { return g_fake_now; }

TEST(Desktop, StoppedTimerReadsTheStoppedTimeLess)
{
    auto saved = g_script_clock;
    g_script_clock = fake_clock;
    g_fake_now = 0xFFFFFF00u;   // across the wrap of the clock
    for (int k = 0; k < 4; k++) {
        g_timer_bases[k] = g_fake_now - 1000;
        g_timer_running[k] = 1;
        g_timer_stop_times[k] = 0;
    }
    timer_set_running(2, 0, g_fake_now);
    timer_set_running(2, 0, g_fake_now + 100);   // unchanged: nothing
    g_fake_now += 500;
    EXPECT_EQ(script_timer_elapsed(2), 1000u);
    timer_set_running(2, 1, g_fake_now);
    timer_set_running(2, 1, g_fake_now);
    g_fake_now += 250;
    for (int k = 0; k < 4; k++)
        EXPECT_EQ(script_timer_elapsed(k), k == 2 ? 1250u : 1750u) << k;
    EXPECT_EQ(g_timer_stop_times[2], 0u);
    g_script_clock = saved;
}

TEST(Desktop, ClientSizeFollowsTheGameAspect)
{
    struct Case { int id; int64_t v; int32_t gw, gh, dw, dh, cw, ch; };
    const Case cases[] = {
        {9, 800, 640, 480, 1920, 1080, 800, 600},   {10, 600, 640, 480, 1920, 1080, 800, 600},
        {9, 4000, 640, 480, 1920, 1080, 1920, 1440}, {10, 4000, 640, 480, 1920, 1080, 1440, 1080},
        {9, 0, 640, 480, 1920, 1080, 1, 1},          {9, -5, 8192, 1, 1920, 1080, 1, 1},
        {10, 1080, 1, 8192, 1920, 1080, 1, 1080},    {9, INT64_MAX, 8192, 8192, 8192, 8192, 8192, 8192},
    };
    for (const Case &c : cases) {
        int32_t cw = 0, ch = 0;
        window_client_for(c.id, c.v, c.gw, c.gh, c.dw, c.dh, &cw, &ch);
        EXPECT_EQ(cw, c.cw) << c.id << " " << c.v;
        EXPECT_EQ(ch, c.ch) << c.id << " " << c.v;
    }
}

}  // namespace
#endif
