// Window region rectangles from a layer and the drag-layer test.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "core/tree.h"
#include "graphics/layer.h"
#include "shell/window_shape.h"

namespace {

struct TestLayer {
    LayerState s = {};
    std::vector<uint8_t> buf;
    TestLayer(int32_t w, int32_t h) : buf(layer_buffer_bytes(w, h), 0)
    {
        s.width = w;
        s.height = h;
        s.pixels = buf.data();
    }
    void set(int32_t x, int32_t y, uint32_t argb)
    {
        std::memcpy(&buf[((size_t)y * s.width + x) * 4], &argb, 4);
    }
};

} // namespace

// Random layers: every non-black pixel lies in exactly one rectangle, every
// black one (whatever its alpha) in none; rectangles are one row high.
TEST(WindowShape, RegionCoversExactlyTheColouredPixels)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 60; round++) {
        int32_t w = 1 + rng() % 40, h = 1 + rng() % 30;
        TestLayer l(w, h);
        for (int32_t y = 0; y < h; y++)
            for (int32_t x = 0; x < w; x++)
                if (rng() % 3)
                    l.set(x, y, rng() % 2 ? 0x00000000u | (rng() % 2 ? 0xFF000000u : 0) : rng());
        std::vector<SizeRect> rects(w * h + 1);
        int n = region_from_layer(&l.s, rects.data(), (int)rects.size());
        ASSERT_GE(n, 0);
        std::vector<int> cover(w * h, 0);
        for (int i = 0; i < n; i++) {
            const SizeRect &r = rects[i];
            ASSERT_EQ(r.bottom, r.top + 1);
            ASSERT_TRUE(r.left >= 0 && r.left < r.right && r.right <= w && r.top >= 0 && r.top < h);
            for (int32_t x = r.left; x < r.right; x++)
                cover[r.top * w + x]++;
        }
        for (int32_t y = 0; y < h; y++)
            for (int32_t x = 0; x < w; x++) {
                uint32_t p;
                std::memcpy(&p, &l.buf[((size_t)y * w + x) * 4], 4);
                ASSERT_EQ(cover[y * w + x], (p & 0xFFFFFF) ? 1 : 0) << x << "," << y;
            }
        if (n > 0) {   // the bottom row comes first
            EXPECT_GE(rects[0].top, rects[n - 1].top);
        }
    }
}

// Alternating pixels make w/2 runs per row: the cap is met exactly or
// refused, and nothing is written past it.
TEST(WindowShape, RegionCap)
{
    struct { int32_t w, h; int expect; } cases[] = {
        {2000 * 2, 1, 2000}, {2001 * 2, 1, -1}, {200, 20, 2000}, {200, 21, -1}, {8, 1, 4},
    };
    for (auto &c : cases) {
        TestLayer l(c.w, c.h);
        for (int32_t y = 0; y < c.h; y++)
            for (int32_t x = 0; x < c.w; x += 2)
                l.set(x, y, 0xFF102030u);
        std::vector<SizeRect> rects(KV_REGION_MAX_RECTS + 1, SizeRect{-9, -9, -9, -9});
        EXPECT_EQ(region_from_layer(&l.s, rects.data(), KV_REGION_MAX_RECTS), c.expect);
        EXPECT_EQ(rects[KV_REGION_MAX_RECTS].left, -9);
    }
    LayerState empty = {};
    SizeRect r;
    EXPECT_EQ(region_from_layer(&empty, &r, 1), -1);
}

TEST(WindowShape, DragLayerHit)
{
    // root -> "ui" at (100, 50) -> "bar" at (10, 5), 20 x 4 pixels; the
    // bar's pixel (3, 1) is black and (19, 3) only has alpha.
    TestLayer ui(1, 1), bar(20, 4);
    ui.s.x = 100;
    ui.s.y = 50;
    bar.s.x = 10;
    bar.s.y = 5;
    for (int32_t y = 0; y < 4; y++)
        for (int32_t x = 0; x < 20; x++)
            bar.set(x, y, 0xFF0000FFu);
    bar.set(3, 1, 0xFF000000u);
    bar.set(19, 3, 0x7F000000u);
    LayerState root_state = {};
    root_state.x = 1000;   // the root has no name: its position does not count
    char ui_name[] = "ui", bar_name[] = "bar";
    TreeNode root = {}, ui_node = {}, bar_node = {};
    root.payload = &root_state;
    ui_node.parent = &root;
    ui_node.name = ui_name;
    ui_node.payload = &ui.s;
    bar_node.parent = &ui_node;
    bar_node.name = bar_name;
    bar_node.payload = &bar.s;
    struct { int32_t x, y; bool hit; } cases[] = {
        {110, 55, true}, {129, 58, false}, {128, 58, true}, {130, 55, false},
        {109, 55, false}, {110, 54, false}, {110, 59, false}, {113, 56, false},
        {-1, 55, false}, {10, 5, false},
    };
    for (auto &c : cases)
        EXPECT_EQ(drag_layer_hit(&bar_node, c.x, c.y), c.hit) << c.x << "," << c.y;
    EXPECT_FALSE(drag_layer_hit(nullptr, 0, 0));
}
