// Presentation decisions through a recording blitter: which pixels go where,
// at what size, with which stretch mode, for every combination of window
// state and settings; the black paint of a hidden window, the GPU fall-back,
// repaint requests and the cases that must draw nothing.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/engine_state.h"
#include "core/quit.h"
#include "core/settings.h"
#include "core/tree.h"
#include "core/window.h"
#include "display/present.h"
#include "display/scale.h"
#include "graphics/kernels.h"
#include "graphics/layer.h"
#include "platform/sys_present.h"
#include "script/project.h"

namespace {

std::vector<SysBlit> g_blits;
void record_blit(void *, const SysBlit *b) { g_blits.push_back(*b); }

enum Acc { WHOLE, PART, EMPTY };
enum Src { NONE, ROOT, BACK };

// One window state and its single expected blit; the bitmap is always the
// source size, top-down.
struct Row {
    const char *name;
    int32_t number;
    uint8_t fullscreen, maximized, own, smooth;
    int32_t shown_w, shown_h;
    Acc acc;
    Src src;
    int32_t dst_x, dst_y, dst_w, dst_h, src_w, src_h;
    uint8_t coc;
    int32_t box_x, box_y;   // letterbox offset afterwards (-1: untouched)
};

// Root 64 x 48 at (5, 7); client 101 x 80 while full screen or maximised.
const Row k_rows[] = {
    {"windowed whole frame 1:1", 0, 0, 0, 1, 1, 64, 48, WHOLE, ROOT, 5, 7, 64, 48, 64, 48, 0, 0, 0},
    {"windowed partial bilinear", 0, 0, 0, 1, 1, 64, 48, PART, BACK, 0, 0, 64, 48, 64, 48, 1, 0, 0},
    {"windowed partial nearest", 0, 0, 0, 1, 0, 64, 48, PART, BACK, 0, 0, 64, 48, 64, 48, 1, 0, 0},
    {"windowed resized", 0, 0, 0, 1, 1, 96, 72, WHOLE, BACK, 0, 0, 96, 72, 96, 72, 1, 0, 0},
    // The dirty part has the shown size but is not the whole frame: scaled.
    {"windowed part equals shown", 0, 0, 0, 1, 1, 32, 24, PART, BACK, 0, 0, 32, 24, 32, 24, 1, 0, 0},
    {"full screen bilinear", 0, 1, 0, 1, 1, 80, 60, PART, BACK, 10, 10, 80, 60, 80, 60, 1, 10, 10},
    {"full screen nearest", 0, 1, 0, 1, 0, 80, 60, WHOLE, BACK, 10, 10, 80, 60, 80, 60, 1, 10, 10},
    {"full screen gdi stretch", 0, 1, 0, 0, 1, 75, 57, WHOLE, ROOT, 13, 11, 75, 57, 64, 48, 1, 13, 11},
    {"maximised always bilinear", 0, 0, 1, 0, 0, 90, 67, WHOLE, BACK, 5, 6, 90, 67, 90, 67, 1, 5, 6},
    {"sub-window 1:1 at its root", 2, 1, 0, 1, 1, 80, 60, PART, ROOT, 5, 7, 64, 48, 64, 48, 0, -1, -1},
    {"empty rectangle", 0, 0, 0, 1, 1, 64, 48, EMPTY, NONE, 0, 0, 0, 0, 0, 0, 0, -1, -1},
};

class Present : public ::testing::Test {
public:
    WindowObject win = {};
    TreeNode node = {};
    LayerState root = {};
    std::vector<uint8_t> pixels, back;
    int fake_hwnd = 0;

    void SetUp() override
    {
        detect_cpu_features();
        install_pixel_kernels(3, 0);
        init_scale_tables();
        g_present_blit = record_blit;
        g_blits.clear();
        g_quit_flag = 0;
        g_gpu_mode = 0;
        g_frame_thread_mode = 0;
        win = {};
        node = {};
        root = {};
        win.hwnd = &fake_hwnd;
        win.show_flag = 1;
        win.game_width = 64;
        win.game_height = 48;
        win.root_layer = &node;
        node.payload = &root;
        root.x = 5;
        root.y = 7;
        root.width = 64;
        root.height = 48;
        root.visible = 1;
        root.needs_redraw = 1;
        pixels.assign(layer_buffer_bytes(64, 48), 0);
        for (size_t i = 0; i < 64 * 48 * 4; i++)
            pixels[i] = (uint8_t)(i * 7 + i / 256);
        root.pixels = pixels.data();
        set_acc(WHOLE);
        screen(64, 48, 64, 48);
    }
    void TearDown() override
    {
        g_present_blit = sys_present_blit;
        g_back_buffer = nullptr;
        g_back_buffer_bytes = 0;
        g_fullscreen = g_window_maximized = 0;
        g_own_scaler = g_smooth_scaling = 1;
        g_gpu_mode = g_render_mode = 0;
        g_frame_thread_mode = 0;
        win.number = 0;
        while (window_repaint_pending(0))
            window_present(&win);
    }
    void set_acc(Acc a)
    {
        root.acc = a == WHOLE ? LayerRect{0, 0, 63, 47}
                 : a == PART  ? LayerRect{8, 4, 39, 27}
                              : LayerRect{KV_RECT_EMPTY_LOW, KV_RECT_EMPTY_LOW,
                                          KV_RECT_EMPTY_HIGH, KV_RECT_EMPTY_HIGH};
    }
    void screen(int32_t cw, int32_t ch, int32_t sw, int32_t sh)
    {
        g_screen_size.width = cw;
        g_screen_size.height = ch;
        g_screen_size.shown_width = sw;
        g_screen_size.shown_height = sh;
        back.assign(layer_buffer_bytes(sw, sh), 0);
        g_back_buffer = back.data();
        g_back_buffer_bytes = back.size();
    }
};

TEST_F(Present, DecisionTable)
{
    for (const Row &r : k_rows) {
        SCOPED_TRACE(r.name);
        win.number = r.number;
        g_fullscreen = r.fullscreen;
        g_window_maximized = r.maximized;
        g_own_scaler = r.own;
        g_smooth_scaling = r.smooth;
        bool fitted = r.fullscreen || r.maximized;
        screen(fitted ? 101 : r.shown_w, fitted ? 80 : r.shown_h, r.shown_w, r.shown_h);
        set_acc(r.acc);
        g_screen_size.letterbox_x = g_screen_size.letterbox_y = -1;
        g_blits.clear();
        EXPECT_EQ(0, window_present(&win));
        EXPECT_EQ(r.box_x, g_screen_size.letterbox_x);
        EXPECT_EQ(r.box_y, g_screen_size.letterbox_y);
        ASSERT_EQ(r.src == NONE ? 0u : 1u, g_blits.size());
        if (r.src == NONE)
            continue;
        const SysBlit &b = g_blits[0];
        EXPECT_EQ(r.src == ROOT ? (const void *)pixels.data() : (const void *)back.data(), b.pixels);
        int32_t got[] = {b.dst_x, b.dst_y, b.dst_w, b.dst_h, b.src_w, b.src_h, b.dib_width,
                         -b.dib_height, b.color_on_color};
        int32_t want[] = {r.dst_x, r.dst_y, r.dst_w, r.dst_h, r.src_w, r.src_h, r.src_w, r.src_h,
                          r.coc};
        EXPECT_EQ(std::vector<int32_t>(want, want + 9), std::vector<int32_t>(got, got + 9));
    }
}

TEST_F(Present, ScaleOneReproducesTheFrame)
{
    for (uint8_t smooth : {0, 1}) {
        g_smooth_scaling = smooth;
        set_acc(PART);
        window_present(&win);
        EXPECT_EQ(0, std::memcmp(pixels.data(), back.data(), 64 * 48 * 4)) << (int)smooth;
    }
}

TEST_F(Present, HiddenWindowIsPaintedBlackOnce)
{
    win.show_flag = 0;
    window_present(&win);
    EXPECT_TRUE(g_blits.empty());   // never showed a frame
    win.show_flag = 1;
    window_present(&win);
    win.show_flag = 0;
    window_present(&win);
    window_present(&win);
    ASSERT_EQ(2u, g_blits.size());
    const SysBlit &b = g_blits[1];
    EXPECT_EQ(68, b.dst_w);   // 64 & ~3, plus 4
    EXPECT_EQ(48, b.dst_h);
    EXPECT_EQ(1, b.src_w);
    EXPECT_EQ(1, b.dib_width);
    EXPECT_EQ(1, b.dib_height);
    EXPECT_EQ(0u, *(const uint32_t *)b.pixels);
    EXPECT_EQ(0, win.frame_shown);
}

// The native Direct3D stand-in fails every frame (Windows builds test the
// fall-back on a device: gpu_present_win_test.cpp).
#ifndef _WIN32
TEST_F(Present, GpuFailureFallsBackAndRedrawsNextFrame)
{
    g_gpu_mode = 1;
    g_render_mode = 2;
    g_smooth_scaling = 0;
    set_acc(EMPTY);
    window_present(&win);   // nothing changed: not even handed to the GPU
    EXPECT_EQ(1, g_gpu_mode);
    set_acc(PART);
    window_present(&win);   // the Direct3D presenter is a stand-in that fails
    EXPECT_TRUE(g_blits.empty());
    EXPECT_EQ(0, g_gpu_mode);
    EXPECT_EQ(0, g_render_mode);
    EXPECT_EQ(1, g_smooth_scaling);
    EXPECT_TRUE(window_repaint_pending(0));
    root.needs_redraw = 0;
    set_acc(EMPTY);
    window_present(&win);   // the request redraws the whole frame 1:1
    ASSERT_EQ(1u, g_blits.size());
    EXPECT_EQ(pixels.data(), g_blits[0].pixels);
}
#endif

TEST_F(Present, NothingIsDrawnWithoutWhatItNeeds)
{
    struct { const char *what; void (*spoil)(Present *); } cases[] = {
        {"quit", [](Present *) { g_quit_flag = 1; }},
        {"no window", [](Present *p) { p->win.hwnd = nullptr; }},
        {"no root", [](Present *p) { p->win.root_layer = nullptr; }},
        {"no pixels", [](Present *p) { p->root.pixels = nullptr; }},
        {"no back buffer", [](Present *p) { p->set_acc(PART); g_back_buffer = nullptr; }},
        {"back buffer too small", [](Present *p) { p->set_acc(PART); g_back_buffer_bytes = 64 * 48 * 4; }},
        {"no shown size", [](Present *) { g_screen_size.shown_width = 0; }},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        c.spoil(this);
        window_present(&win);
        EXPECT_TRUE(g_blits.empty());
    }
}

TEST_F(Present, PaintOffTheFrameThreadOnlyRequests)
{
    root.needs_redraw = 0;
    set_acc(EMPTY);
    window_paint(&win);     // no frame composed yet: nothing to redraw
    EXPECT_FALSE(window_repaint_pending(0));
    win.frame_shown = 1;
    g_frame_thread_mode = 1;
    window_paint(&win);
    EXPECT_TRUE(g_blits.empty());
    EXPECT_TRUE(window_repaint_pending(0));
    window_present(&win);   // the frame thread serves it, whole and 1:1
    ASSERT_EQ(1u, g_blits.size());
    EXPECT_EQ(pixels.data(), g_blits[0].pixels);
    EXPECT_FALSE(window_repaint_pending(0));
    g_frame_thread_mode = 0;
    window_paint(&win);     // on the frame thread it draws at once
    EXPECT_EQ(2u, g_blits.size());
}

}  // namespace
