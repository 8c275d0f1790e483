// Window size arithmetic: aspect, sizing edges, track sizes, the resize fit,
// the layout in an area and the back buffer that only grows.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "shell/screen_layout.h"
#include "core/engine_state.h"
#include "core/error_report.h"
#include "core/quit.h"
#include "core/settings.h"
#include "core/window.h"
#include "shell/startup.h"
#include "shell/window_sizing.h"

TEST(WindowSizing, AspectGuardsNonPositiveSides)
{
    struct { int32_t w, h; double a; } cases[] = {
        {640, 480, 640.0 / 480}, {480, 640, 0.75}, {640, 0, 1.0},
        {0, 480, 1.0}, {-5, 480, 1.0}, {640, -1, 1.0}, {8192, 1, 8192.0},
    };
    for (auto &c : cases)
        EXPECT_DOUBLE_EQ(game_aspect(c.w, c.h), c.a) << c.w << "x" << c.h;
}

// Every edge and corner, many proposed sizes: the client keeps the aspect
// within rounding, and only the fields the edge allows move.
TEST(WindowSizing, DraggedEdgesKeepTheAspect)
{
    const int32_t fw = 16, fh = 39;
    const int32_t games[][2] = {{640, 480}, {480, 640}, {800, 450}, {8192, 1}, {320, 0}};
    for (auto &g : games) {
        double a = game_aspect(g[0], g[1]);
        for (int edge = KV_EDGE_LEFT; edge <= KV_EDGE_BOTTOMRIGHT; edge++)
            for (int32_t cw = 50; cw < 2000; cw += 97)
                for (int32_t ch = 40; ch < 1500; ch += 83) {
                    SizeRect r0 = {100, 200, 100 + cw + fw, 200 + ch + fh}, r = r0;
                    sizing_keep_aspect(&r, edge, a, fw, fh);
                    double w = r.right - r.left - fw, h = r.bottom - r.top - fh;
                    bool fits = std::fabs(w / a - h) <= 0.5 + 1e-9 ||
                                std::fabs(h * a - w) <= 0.5 + 1e-9;
                    bool clamped = r.bottom == INT32_MAX || r.right == INT32_MAX;
                    ASSERT_TRUE(fits || clamped) << edge << " " << cw << "x" << ch << " a=" << a;
                    bool top = edge == KV_EDGE_TOPLEFT || edge == KV_EDGE_TOPRIGHT;
                    bool left = edge == KV_EDGE_TOPLEFT || edge == KV_EDGE_BOTTOMLEFT;
                    bool side = edge == KV_EDGE_LEFT || edge == KV_EDGE_RIGHT;
                    bool vert = edge == KV_EDGE_TOP || edge == KV_EDGE_BOTTOM;
                    ASSERT_TRUE(r.top == r0.top || top);
                    ASSERT_TRUE(r.left == r0.left || (left && !side && !vert));
                    ASSERT_TRUE(r.right == r0.right || vert || (!side && !left));
                    ASSERT_TRUE(r.bottom == r0.bottom || side || (!vert && !top));
                }
    }
}

TEST(WindowSizing, CornerGrowsTheSideTheAspectNeeds)
{
    // 4:3, client 400 x 400 proposed: the width must grow (dw = 133).
    SizeRect r = {0, 0, 400, 400};
    sizing_keep_aspect(&r, KV_EDGE_TOPLEFT, 4.0 / 3, 0, 0);
    EXPECT_EQ(r.left, -133);
    EXPECT_EQ(r.top, 0);
    // Client 800 x 400: dw < 1, the height follows at the top (dh = 200).
    r = {0, 0, 800, 400};
    sizing_keep_aspect(&r, KV_EDGE_TOPRIGHT, 4.0 / 3, 0, 0);
    EXPECT_EQ(r.top, -200);
    EXPECT_EQ(r.right, 800);
}

TEST(WindowSizing, TrackSizes)
{
    struct {
        int32_t gw, gh, dw, dh, fw, fh;
        bool ok;
        TrackSizes t;
    } cases[] = {
        {640, 480, 1920, 1080, 16, 39, true, {176, 159, 1456, 1119}},
        {640, 480, 1024, 768, 0, 0, true, {160, 120, 1024, 768}},
        // Taller than wide: the window may still reach the desktop height.
        {480, 640, 1920, 1080, 16, 39, true, {106, 159, 826, 1119}},
        {640, 0, 1000, 800, 0, 0, true, {0, 0, 800, 800}},
        {0, 0, 1000, 800, 0, 0, true, {0, 0, 800, 800}},
        {640, 480, 1920, 1080, -1, 39, false, {}},
        {640, 480, 1920, 1080, 16, -1, false, {}},
    };
    for (auto &c : cases) {
        TrackSizes t = {-7, -7, -7, -7};
        ASSERT_EQ(track_sizes(c.gw, c.gh, c.dw, c.dh, c.fw, c.fh, &t), c.ok) << c.gw << "x" << c.gh;
        if (!c.ok) {
            EXPECT_EQ(t.max_w, -7);
            continue;
        }
        EXPECT_EQ(t.min_w, c.t.min_w) << c.gw << "x" << c.gh;
        EXPECT_EQ(t.min_h, c.t.min_h) << c.gw << "x" << c.gh;
        EXPECT_EQ(t.max_w, c.t.max_w) << c.gw << "x" << c.gh;
        EXPECT_EQ(t.max_h, c.t.max_h) << c.gw << "x" << c.gh;
    }
}

TEST(WindowSizing, ResizeFitStaysOnTheDesktop)
{
    struct { int32_t gw, gh, cw, ch, dw, dh, w, h; } cases[] = {
        {640, 480, 800, 500, 1920, 1080, 800, 600},     // wider: height from width
        {640, 480, 700, 700, 1920, 1080, 933, 700},     // taller: width from height
        {640, 480, 640, 480, 1920, 1080, 640, 480},
        {640, 480, 3000, 3000, 1920, 1080, 1440, 1080}, // cut, then kept on the desktop
        {640, 480, 1900, 1000, 1920, 1080, 1440, 1080},
        {480, 640, 1000, 1000, 1920, 1080, 810, 1080},
        {640, 0, 500, 300, 1920, 1080, 500, 500},       // no height: aspect 1
        {640, 480, 0, 0, 1920, 1080, 1, 1},
    };
    for (auto &c : cases) {
        int32_t w, h;
        size_fit_client(c.gw, c.gh, c.cw, c.ch, c.dw, c.dh, &w, &h);
        EXPECT_EQ(w, c.w) << c.cw << "x" << c.ch;
        EXPECT_EQ(h, c.h) << c.cw << "x" << c.ch;
        EXPECT_LE(w, c.dw);
        EXPECT_LE(h, c.dh);
    }
}

TEST(ScreenLayout, Kinds)
{
    struct {
        int32_t gw, gh, tw, th;
        int scaler;
        bool fit;
        Layout l;
    } cases[] = {
        {640, 480, 1920, 1080, 1, false, {2, 1440, 1080}},
        {640, 480, 1280, 1024, 1, false, {1, 1280, 960}},
        {640, 480, 1920, 1080, 0, false, {0, 640, 480}},
        {640, 480, 1920, 1080, 0, true, {2, 1440, 1080}},
        {640, 480, 1920, 1080, 3, false, {3, 1920, 1080}},
        {640, 480, 4000, 3000, 1, false, {2, 960, 540}},    // beyond the desktop: half
        {640, 480, 4000, 3000, 2, false, {2, 4000, 3000}},  // 2 has no desktop limit
        {640, 480, 1, 1000, 1, false, {1, 1, 1}},           // a sliver still shows a pixel
        {640, 480, 0, 0, 0, true, {2, 1, 1}},
    };
    for (auto &c : cases) {
        Layout l = layout_in_area(c.gw, c.gh, c.tw, c.th, c.scaler, c.fit, 1920, 1080);
        EXPECT_EQ(l.kind, c.l.kind) << c.tw << "x" << c.th << " scaler " << c.scaler;
        EXPECT_EQ(l.shown_w, c.l.shown_w) << c.tw << "x" << c.th << " scaler " << c.scaler;
        EXPECT_EQ(l.shown_h, c.l.shown_h) << c.tw << "x" << c.th << " scaler " << c.scaler;
    }
}

// Dragging back and forth between sizes the buffer holds never reallocates.
TEST(ScreenLayout, BackBufferOnlyGrows)
{
    std::free(g_back_buffer);
    g_back_buffer = nullptr;
    g_back_buffer_bytes = 0;
    ASSERT_EQ(reserve_back_buffer(1456, 1119), 0u);
    uint8_t *p = g_back_buffer;
    size_t cap = g_back_buffer_bytes;
    ASSERT_EQ(rebuild_back_buffer(640, 480), 0u);
    ASSERT_EQ(reserve_back_buffer(1456, 1119), 0u);
    ASSERT_EQ(rebuild_back_buffer(1200, 900), 0u);
    EXPECT_EQ(g_back_buffer, p);
    EXPECT_EQ(g_back_buffer_bytes, cap);
    ASSERT_EQ(rebuild_back_buffer(2000, 1200), 0u);
    EXPECT_EQ(g_back_buffer_bytes, back_buffer_bytes(2000, 1200));
    std::free(g_back_buffer);
    g_back_buffer = nullptr;
    g_back_buffer_bytes = 0;
}

// A minimised maximised window has an empty client area: the game keeps its
// layout and buffer, and nothing is reported.
TEST(ScreenLayout, EmptyAreaKeepsTheLayout)
{
    g_window_maximized = 1;
    g_desktop_mode.width = 1920;
    g_desktop_mode.height = 1080;
    ASSERT_EQ(resize_back_buffer(640, 480, 1920, 1000), 0u);
    uint8_t *buffer = g_back_buffer;
    for (int32_t side : {0, -1}) {
        EXPECT_EQ(resize_back_buffer(640, 480, side, side), 0u);
        EXPECT_EQ(resize_back_buffer(640, 480, 1920, side), 0u);
    }
    EXPECT_EQ(g_screen_size.shown_width, 1333);
    EXPECT_EQ(g_screen_size.shown_height, 1000);
    EXPECT_EQ(g_layout_kind, 2);
    EXPECT_EQ(g_back_buffer, buffer);
    EXPECT_EQ(g_last_error_code, 0u);
    EXPECT_FALSE(g_quit_flag);
    g_window_maximized = 0;
    std::free(g_back_buffer);
    g_back_buffer = nullptr;
    g_back_buffer_bytes = 0;
}
