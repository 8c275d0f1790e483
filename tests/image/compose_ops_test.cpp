// Compose, cross-fade, difference, trim and canvas operations on small
// layers: clipping at every edge, the documented special values, and
// layers that share one record.
#include <gtest/gtest.h>

#include "effects_test_support.h"
#include "image/compose_ops.h"

namespace {

const uint32_t K = 0x00808080;   // the colour key

TEST(ComposeOps, ClipIsTheIntersection)
{
    struct Case {
        int sw, sh, dw, dh;
        int64_t x, y;
        BlitClip want;
    } cases[] = {
        {100, 100, 50, 50, -10, -10, {10, 10, 0, 0, 50, 50}},
        {4, 4, 10, 10, 8, 7, {0, 0, 8, 7, 2, 3}},
        {4, 4, 10, 10, 2, 3, {0, 0, 2, 3, 4, 4}},
        {4, 4, 10, 10, -4, 0, {4, 0, 0, 0, 0, 4}},
        {4, 4, 10, 10, 10, 0, {0, 0, 10, 0, 0, 4}},
        {4, 4, 10, 10, INT64_MIN, INT64_MAX, {4, 0, 0, 10, 0, 0}},
    };
    for (const Case &c : cases) {
        FxLayer s(c.sw, c.sh), d(c.dw, c.dh);
        compute_blit_clip(d.s, s.s, blit_clip_case(d.s, s.s, c.x, c.y), c.x, c.y);
        const BlitClip &g = g_blit_clip;
        if (c.want.width > 0 && c.want.height > 0) {
            EXPECT_EQ(g.src_x0, c.want.src_x0);
            EXPECT_EQ(g.src_y0, c.want.src_y0);
            EXPECT_EQ(g.dst_x0, c.want.dst_x0);
            EXPECT_EQ(g.dst_y0, c.want.dst_y0);
        }
        EXPECT_EQ(g.width > 0 ? g.width : 0, c.want.width) << c.x << "," << c.y;
        EXPECT_EQ(g.height > 0 ? g.height : 0, c.want.height) << c.x << "," << c.y;
    }
}

TEST(ComposeOps, BlitOpaqueAndZeroOpacity)
{
    fx_setup();
    FxLayer a(2, 2, {0xFF010203, 0x00000000, 0xFF040506, 0xFF070809}), b(3, 2, std::vector<uint32_t>(6, 0x80102030));
    // Opacity 0: nothing, not even the flag.
    a.s->opacity = 0;
    EXPECT_EQ(blit_object_state(a.s, b.s, 1, 0), 0);
    EXPECT_EQ(b.s->has_alpha, 0);
    EXPECT_EQ(b.all(), std::vector<uint32_t>(6, 0x80102030));
    // Opaque pixels replace B's, a clear one leaves B's; (-1, 0) cuts A's first column.
    a.s->opacity = 256;
    EXPECT_EQ(blit_object_state(a.s, b.s, 1, 0), 0);
    EXPECT_EQ(b.s->has_alpha, 1);
    EXPECT_EQ(b.all(), (std::vector<uint32_t>{0x80102030, 0xFF010203, 0x80102030, 0x80102030, 0xFF040506, 0xFF070809}));
    EXPECT_EQ(blit_object_state(a.s, b.s, -1, 0), 0);
    EXPECT_EQ(b.at(0, 0), 0x80102030u);
    EXPECT_EQ(b.at(0, 1), 0xFF070809u);
    EXPECT_EQ(b.at(1, 1), 0xFF040506u);
}

// A layer put onto itself reads its pixels as they were before.
TEST(ComposeOps, SameRecordReadsTheOldPixels)
{
    fx_setup();
    FxLayer a(4, 1, {0xFF000001, 0xFF000002, 0xFF000003, 0xFF000004});
    EXPECT_EQ(blit_object_state(a.s, a.s, 1, 0), 0);
    EXPECT_EQ(a.all(), (std::vector<uint32_t>{0xFF000001, 0xFF000001, 0xFF000002, 0xFF000003}));
    EXPECT_EQ(keep_equal_pixels_state(a.s, a.s, 0, 0), 0);
    EXPECT_EQ(a.all(), (std::vector<uint32_t>{0xFF000001, 0xFF000001, 0xFF000002, 0xFF000003}));
}

TEST(ComposeOps, CrossfadeLevelsAndSmallerB)
{
    fx_setup();
    FxLayer a(3, 2, std::vector<uint32_t>(6, 0x00000000)), b(2, 1, std::vector<uint32_t>(2, 0xFFFFFFFF));
    FxLayer c(3, 2, std::vector<uint32_t>(6, 0x11111111));
    // w = 63 + 1: 255 * 64 >> 8 = 63; only B's 2 x 1 area is composed.
    EXPECT_EQ(crossfade_objects_state(a.s, b.s, c.s, 0, 0, 63), 0);
    EXPECT_EQ(c.all(), (std::vector<uint32_t>{0x3F3F3F3F, 0x3F3F3F3F, 0x11111111, 0x11111111, 0x11111111, 0x11111111}));
    EXPECT_EQ(c.s->has_alpha, 1);
    // Value 1 beyond 255 is 255 (w = 256: all B); below 0 is 0 (w = 1).
    EXPECT_EQ(crossfade_objects_state(a.s, b.s, c.s, 1, 1, 1000), 0);
    EXPECT_EQ(c.at(1, 1), 0xFFFFFFFFu);
    EXPECT_EQ(c.at(2, 1), 0xFFFFFFFFu);
    EXPECT_EQ(crossfade_objects_state(a.s, b.s, c.s, 0, 0, -7), 0);
    EXPECT_EQ(c.at(0, 0), 0u);
}

TEST(ComposeOps, AlphaTable)
{
    build_alpha_table(156, 256);   // hard edge: entries from 100 on
    EXPECT_EQ(g_alpha_table[99], 0);
    EXPECT_EQ(g_alpha_table[100], 256);
    build_alpha_table(300, 256);   // beyond 256: every entry 256, nothing written outside
    EXPECT_EQ(g_alpha_table[0], 256);
    build_alpha_table(-4, 256);
    EXPECT_EQ(g_alpha_table[255], 0);
    build_alpha_table(100, 0);     // no softness: L + 1 everywhere
    EXPECT_EQ(g_alpha_table[0], 101);
    EXPECT_EQ(g_alpha_table[255], 101);
    build_alpha_table(100, 2);     // i + 100 - 256 + 100 + 1
    EXPECT_EQ(g_alpha_table[0], -55);
    EXPECT_EQ(g_alpha_table[200], 145);
    EXPECT_EQ(g_alpha_table[255], 200);
    build_alpha_table(255, INT32_MIN);   // huge products stay in range
    EXPECT_LE(g_alpha_table[0], 256);
}

// The rule mask C is read at the same offset as A and B.
TEST(ComposeOps, TableCrossfade)
{
    fx_setup();
    FxLayer a(3, 1, std::vector<uint32_t>(3, 0xAAAAAAAA)), b(3, 1, std::vector<uint32_t>(3, 0xBBBBBBBB));
    FxLayer c(3, 1, {0x00000063, 0x00000064, 0x000000FF});
    FxLayer d(4, 1, std::vector<uint32_t>(4, 0));
    EXPECT_EQ(crossfade_objects_table_state(a.s, b.s, c.s, d.s, 1, 0, 0, 0), 0);
    EXPECT_EQ(d.all(), (std::vector<uint32_t>{0, 0xAAAAAAAA, 0xAAAAAAAA, 0xAAAAAAAA}));
    EXPECT_EQ(crossfade_objects_table_state(a.s, b.s, c.s, d.s, 1, 0, 300, 0), 0);
    EXPECT_EQ(d.all(), (std::vector<uint32_t>{0, 0xBBBBBBBB, 0xBBBBBBBB, 0xBBBBBBBB}));
    // L = 156, hard edge: mask blue below 100 selects B.
    EXPECT_EQ(crossfade_objects_table_state(a.s, b.s, c.s, d.s, 1, 0, 100, 256), 0);
    EXPECT_EQ(d.all(), (std::vector<uint32_t>{0, 0xBBBBBBBB, 0xAAAAAAAA, 0xAAAAAAAA}));
    EXPECT_EQ(d.s->has_alpha, 1);
    // Soft: weight 145 at mask 200 with softness 2: b - ((b - a) * 145 >> 8).
    c.set(0, 0, 200);
    EXPECT_EQ(crossfade_objects_table_state(a.s, b.s, c.s, d.s, 0, 0, 156, 2), 0);
    uint32_t v = 0xBB - (((0xBB - 0xAA) * 145) >> 8);
    EXPECT_EQ(d.at(0, 0), v * 0x01010101u);
    // A smaller mask cuts the area.
    FxLayer small(1, 1, {0xFF});
    d.set(1, 0, 0);
    EXPECT_EQ(crossfade_objects_table_state(a.s, b.s, small.s, d.s, 0, 0, 100, 256), 0);
    EXPECT_EQ(d.at(1, 0), 0u);
}

TEST(ComposeOps, DifferenceMasks)
{
    fx_setup();
    FxLayer a(2, 1, {0x11111111, 0x22222222});
    FxLayer b(2, 1, {0x11111111, 0x33333333});
    EXPECT_EQ(keep_differing_pixels_state(a.s, b.s, 0, 0), 0);
    EXPECT_EQ(b.all(), (std::vector<uint32_t>{0, 0x22222222}));
    FxLayer c(2, 1, {0x11111111, 0x33333333});
    EXPECT_EQ(keep_equal_pixels_state(a.s, c.s, 0, 0), 0);
    EXPECT_EQ(c.all(), (std::vector<uint32_t>{0x11111111, 0}));
    EXPECT_EQ(c.s->has_alpha, 1);
}

TEST(CanvasOps, Trim)
{
    fx_setup();
    std::vector<uint32_t> px = {0, 0, 0, 0, 0x01000001, 0, 0, 0, 0x02000002, 0, 0, 0};
    {
        FxLayer a(4, 3, px);
        EXPECT_EQ(trim_transparent_edges_state(a.s, nullptr, 0, 0, "a"), 0);
        EXPECT_EQ(a.all(), px);
    }
    {
        FxLayer a(4, 3, px);
        a.s->has_alpha = 1;
        EXPECT_EQ(trim_transparent_edges_state(a.s, nullptr, 0, 15, "a"), 0);
        EXPECT_EQ(a.s->width, 1);
        EXPECT_EQ(a.all(), (std::vector<uint32_t>{0x01000001, 0x02000002}));
        EXPECT_EQ(a.s->has_alpha, 1);
    }
    {
        // Only left (2) and top (8): right and bottom stay at the image's edge.
        FxLayer a(4, 3, px), b(4, 2);
        uint8_t *own = b.s->pixels;
        EXPECT_EQ(trim_transparent_edges_state(a.s, b.s, 1, 10, "a"), 0);
        EXPECT_EQ(b.s->width, 4);
        EXPECT_EQ(b.s->height, 2);
        EXPECT_EQ(b.s->pixels, own);   // B's buffer of the right size is written
        EXPECT_EQ(b.at(0, 0), 0x01000001u);
        EXPECT_EQ(a.s->width, 4);
    }
    {
        // Fully transparent: unchanged; into its own record: a fresh buffer.
        FxLayer a(2, 2, std::vector<uint32_t>(4, 0x00FFFFFF));
        EXPECT_EQ(trim_transparent_edges_state(a.s, nullptr, 0, 15, "a"), 0);
        EXPECT_EQ(a.s->width, 2);
        FxLayer c(4, 3, px);
        EXPECT_EQ(trim_transparent_edges_state(c.s, c.s, 1, 15, "c"), 0);
        EXPECT_EQ(c.all(), (std::vector<uint32_t>{0x01000001, 0x02000002}));
    }
}

TEST(CanvasOps, Resize)
{
    fx_setup();
    FxLayer a(2, 1, {0xFF000001, 0xFF000002});
    EXPECT_EQ(resize_layer_canvas_state(a.s, nullptr, 0, 1, 0, 0, 1, "a"), 0);
    EXPECT_EQ(a.s->width, 3);
    EXPECT_EQ(a.s->height, 2);
    EXPECT_EQ(a.all(), (std::vector<uint32_t>{K, 0xFF000001, 0xFF000002, K, K, K}));
    EXPECT_EQ(a.s->has_alpha, 1);
    // Cropping keeps A's flag; into B leaves A as it is.
    FxLayer b(0, 0);
    a.s->has_alpha = 0;
    EXPECT_EQ(resize_layer_canvas_state(a.s, b.s, 1, -1, -1, 0, -1, "a"), 0);
    EXPECT_EQ(b.all(), (std::vector<uint32_t>{0xFF000001}));
    EXPECT_EQ(b.s->has_alpha, 0);
    EXPECT_EQ(a.s->width, 3);
    // Margins (10, 0, 0, 0): a band of the colour key on the left.
    FxLayer c(1, 1, {0xFF123456});
    EXPECT_EQ(resize_layer_canvas_state(c.s, nullptr, 0, 10, 0, 0, 0, "c"), 0);
    EXPECT_EQ(c.s->width, 11);
    EXPECT_EQ(c.at(9, 0), K);
    EXPECT_EQ(c.at(10, 0), 0xFF123456u);
}

#if !defined(_WIN32)   // these show a message box
TEST(CanvasOps, ResizeRefusesEmptyAndHugeSizes)
{
    fx_setup();
    FxLayer a(2, 2, {1, 2, 3, 4});
    EXPECT_EQ(resize_layer_canvas_state(a.s, nullptr, 0, -1, -1, 0, 0, "a"), -1);
    EXPECT_EQ(g_last_error_code, 0u);
    EXPECT_EQ(resize_layer_canvas_state(a.s, nullptr, 0, 0, 0, INT64_MIN, 0, "a"), -1);
    EXPECT_EQ(resize_layer_canvas_state(a.s, nullptr, 0, INT64_MAX, INT64_MAX, 0, 0, "a"), -1);
    EXPECT_EQ(g_last_error_code, 100010u);
    fx_setup();
    EXPECT_EQ(resize_layer_canvas_state(a.s, nullptr, 0, 0, 0, 0, 8191, "a"), -1);
    EXPECT_NE(g_last_error_code, 0u);
    EXPECT_EQ(a.all(), (std::vector<uint32_t>{1, 2, 3, 4}));
    EXPECT_EQ(a.s->width, 2);
}
#endif

}  // namespace
