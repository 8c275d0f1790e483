// The glyph painters on synthetic cells, pixel by pixel: gradient corners in
// every direction and rotation, coverage to alpha, blending over known
// pixels, monochrome replace and blend, the footprint rule, outline and shadow
// passes, the half turn, measurement and the glyph cache.
#include <gtest/gtest.h>

#include "core/error_report.h"
#include "core/quit.h"
#include "text_support.h"

using namespace texttest;

namespace {

class GlyphPaint_ : public ::testing::Test {
protected:
    void SetUp() override
    {
        reset_error_reports();
        g_quit_flag = 0;
        build_error() = 0;
        ink_fn() = nullptr;
        use_fonts({{"Fixed", "日本語", 1}});
    }
    void TearDown() override
    {
        ink_fn() = nullptr;
        release_font_slots();
        reset_error_reports();
        g_quit_flag = 0;
    }
    // A cell of the size's side, all background, inked by f.
    GlyphCell make_cell(int32_t size, const std::function<void(GlyphCell *)> &f)
    {
        int32_t side = (int32_t)g_glyph_cell_size[size];
        bits_.assign((size_t)side * side / 8, 0xFF);
        GlyphCell g{bits_.data(), side, (int32_t)bits_.size()};
        f(&g);
        return g;
    }
    std::vector<uint8_t> bits_;
};

void ink_all(GlyphCell *g)
{
    std::memset(g->bits, 0, (size_t)g->byte_count);
}

uint32_t mid(uint32_t a, uint32_t b)
{
    uint32_t out = 0;
    for (int sh = 0; sh < 24; sh += 8) {
        int x = (int)((a >> sh) & 255), y = (int)((b >> sh) & 255);
        out |= (uint32_t)(x + (y - x) / 2) << sh;
    }
    return out;
}

// Same alpha, channels at most 1 apart.
bool close(uint32_t a, uint32_t b)
{
    if ((a >> 24) != (b >> 24))
        return false;
    for (int sh = 0; sh < 24; sh += 8) {
        int d = (int)((a >> sh) & 255) - (int)((b >> sh) & 255);
        if (d < -1 || d > 1)
            return false;
    }
    return true;
}

}  // namespace

TEST_F(GlyphPaint_, CornersKeepTheirPlaceOnScreenInEveryRotation)
{
    const uint32_t A = 0x10E060, B = 0xF02080, M = mid(A, B);
    // On-screen TL, TR, BL, BR per direction: 0 flat, 1 down, 2 up, 3 right,
    // 4 left, 5..8 diagonals from TL, TR, BR, BL.
    const uint32_t expect[9][4] = {{A, A, A, A}, {A, A, B, B}, {B, B, A, A}, {A, B, A, B}, {B, A, B, A},
                                   {A, M, M, B}, {M, A, B, M}, {B, M, M, A}, {M, B, A, M}};
    GlyphCell g = make_cell(16, ink_all);
    for (uint8_t d = 0; d <= 8; d++) {
        std::vector<uint32_t> first;
        for (uint8_t rot = 0; rot < 4; rot++) {
            TestLayer l(20, 20);
            GlyphPaint p{A, B, d, rot, 16, 16, 2, 3, 0};
            ASSERT_EQ(paint_glyph_antialiased(&g, l.s, &p), 1);
            uint32_t corners[4] = {l.at(2, 3), l.at(17, 3), l.at(2, 18), l.at(17, 18)};
            for (int k = 0; k < 4; k++)
                EXPECT_EQ(corners[k], 0xFF000000u | expect[d][k]) << "dir " << int(d) << " rot "
                                                                  << int(rot) << " corner " << k;
            // A straight gradient looks the same whichever way the glyph is
            // turned, up to the rounding of the other end's interpolation.
            if (rot == 0) {
                first = l.image();
            } else if (d <= 4) {
                std::vector<uint32_t> now = l.image();
                for (size_t i = 0; i < now.size(); i++)
                    EXPECT_TRUE(close(now[i], first[i])) << "dir " << int(d) << " rot " << int(rot)
                                                         << " at " << i;
            }
        }
    }
}

TEST_F(GlyphPaint_, ColourTwoMinusOneIsFlat)
{
    GlyphCell g = make_cell(16, ink_all);
    TestLayer l(16, 16);
    GlyphPaint p{0x336699, -1, 1, 0, 16, 16, 0, 0, 0};
    paint_glyph_antialiased(&g, l.s, &p);
    for (uint32_t v : l.image())
        EXPECT_EQ(v, 0xFF336699u);
}

TEST_F(GlyphPaint_, CoverageOfEachBlockGivesItsAlpha)
{
    // Output column c covers cell columns 4c..4c+3 of rows 0..3; c % 17 of its
    // sixteen sub-pixels are inked.
    const int32_t size = 34;
    GlyphCell g = make_cell(size, [&](GlyphCell *cell) {
        for (int c = 0; c < size; c++)
            for (int k = 0; k < c % 17; k++)
                ink(cell, 4 * c + k % 4, k / 4);
    });
    TestLayer l(size, 1);
    GlyphPaint p{0x0000FF, -1, 0, 0, size, 1, 0, 0, 0};
    ASSERT_EQ(paint_glyph_antialiased(&g, l.s, &p), 1);
    for (int c = 0; c < size; c++) {
        int n = c % 17;
        uint32_t alpha = n >= 15 ? 255u : 18u * n;
        EXPECT_EQ(l.at(c, 0), alpha << 24 | 0x0000FF) << c;
    }
    EXPECT_EQ(l.s->has_alpha, 1);
}

TEST_F(GlyphPaint_, BlendOverKnownPixels)
{
    struct Case {
        uint32_t dest, colour;
        int inked;   // sub-pixels of the one block
        uint32_t expect;
    } cases[] = {
        {0x80102030, 0xFFFFFF, 16, 0xFFFFFFFF},
        {0x80102030, 0xFFFFFF, 0, 0x80112131},   // weight 1 even without ink
        {0x00000000, 0x123456, 0, 0x00123456},
        {0xFF000000, 0xFFFFFF, 8, 0xFF909090},
        {0x80102030, 0xFFFFFF, 7, 0xBFAEB3B8},
    };
    for (const Case &c : cases) {
        GlyphCell g = make_cell(1, [&](GlyphCell *cell) {
            for (int k = 0; k < c.inked; k++)
                ink(cell, k % 4, k / 4);
        });
        TestLayer l(1, 1, c.dest);
        GlyphPaint p{c.colour, -1, 0, 0, 1, 1, 0, 0, 1};
        ASSERT_EQ(paint_glyph_antialiased(&g, l.s, &p), 1);
        EXPECT_EQ(l.at(0, 0), c.expect) << std::hex << c.dest << " " << c.inked;
    }
}

TEST_F(GlyphPaint_, MonochromeReplaceAndBlend)
{
    // Checkerboard of 8 x 8 one-bit pixels (the cell is drawn at font height = size).
    GlyphCell g = make_cell(8, [](GlyphCell *cell) {
        for (int y = 0; y < 8; y++)
            for (int x = 0; x < 8; x++)
                if ((x + y) % 2 == 0)
                    ink(cell, x, y);
    });
    struct Case {
        uint8_t blend_over;
        uint32_t dest, ink, background;
    } cases[] = {
        {0, 0x12345678, 0xFFABCDEF, 0xFF000000},
        {1, 0x12345678, 0xFFABCDEF, 0x12345678},
        {1, 0x00000000, 0xFFABCDEF, 0x00000000},
    };
    for (const Case &c : cases) {
        TestLayer l(8, 8, c.dest);
        GlyphPaint p{0xABCDEF, -1, 1, 0, 8, 8, 0, 0, c.blend_over};
        ASSERT_EQ(paint_glyph_monochrome(&g, l.s, &p), 1);
        for (int y = 0; y < 8; y++)
            for (int x = 0; x < 8; x++)
                EXPECT_EQ(l.at(x, y), (x + y) % 2 == 0 ? c.ink : c.background) << x << "," << y;
    }
}

TEST_F(GlyphPaint_, OnlyAGlyphWhollyInsideIsPainted)
{
    GlyphCell g = make_cell(20, ink_all);
    struct Case {
        int32_t size, height, x, y;
        uint8_t rot;
        int painted;
    } cases[] = {
        {20, 20, 20, 10, 0, 1}, {20, 20, 21, 10, 0, 0}, {20, 10, 0, 20, 0, 1}, {20, 10, 0, 21, 2, 0},
        {20, 10, 30, 10, 1, 1}, {20, 10, 31, 10, 3, 0}, {20, 10, 30, 11, 1, 0}, {20, 20, -1, 0, 0, 0},
        {0, 20, 0, 0, 0, 0},    {257, 20, 0, 0, 0, 0},  {20, 0, 0, 0, 0, 0},    {20, -5, 0, 0, 0, 0},
        {1, 1, 39, 29, 0, 1},
    };
    for (const Case &c : cases) {
        for (int mono = 0; mono < 2; mono++) {
            TestLayer l(40, 30, 0x01020304);
            l.s->has_alpha = 0;
            GlyphPaint p{0xFFFFFF, -1, 1, c.rot, c.size, c.height, c.x, c.y, 0};
            int r = mono ? paint_glyph_monochrome(&g, l.s, &p) : paint_glyph_antialiased(&g, l.s, &p);
            EXPECT_EQ(r, c.painted) << c.size << " " << c.height << " " << c.x << "," << c.y;
            EXPECT_EQ(l.s->has_alpha, 1);
            if (!c.painted) {
                EXPECT_EQ(l.image(), std::vector<uint32_t>(40 * 30, 0x01020304));
            }
        }
    }
}

TEST_F(GlyphPaint_, HalfTurnIsTheUprightGlyphUpsideDown)
{
    // An L of ink: a left bar and a bottom bar, in a 16 x 24 footprint.
    GlyphCell g = make_cell(16, [](GlyphCell *cell) {
        for (int y = 0; y < 96; y++)
            for (int x = 0; x < 64; x++)
                if (x < 12 || (y >= 80 && y < 92))
                    ink(cell, x, y);
    });
    for (int mono = 0; mono < 2; mono++) {
        TestLayer up(30, 30), down(30, 30);
        GlyphPaint p0{0x4080C0, -1, 0, 0, 16, 24, 5, 3, 0}, p2 = p0;
        p2.rotation = 2;
        auto paint = mono ? paint_glyph_monochrome : paint_glyph_antialiased;
        paint(&g, up.s, &p0);
        paint(&g, down.s, &p2);
        for (int y = 0; y < 24; y++)
            for (int x = 0; x < 16; x++)
                EXPECT_EQ(down.at(5 + x, 3 + y), up.at(5 + 15 - x, 3 + 23 - y)) << x << "," << y;
    }
}

TEST_F(GlyphPaint_, OutlineIsNinePassesAndShadowThree)
{
    int32_t dx[9], dy[9];
    EXPECT_EQ(glyph_edge_offsets(0, dx, dy), 1);
    ASSERT_EQ(glyph_edge_offsets(3, dx, dy), 9);
    const int32_t ox[9] = {3, 3, 3, 0, 0, 0, -3, -3, -3}, oy[9] = {-3, 0, 3, -3, 0, 3, -3, 0, 3};
    for (int i = 0; i < 9; i++) {
        EXPECT_EQ(dx[i], ox[i]);
        EXPECT_EQ(dy[i], oy[i]);
    }
    EXPECT_EQ(glyph_edge_offsets(-2, dx, dy), 9);
    EXPECT_EQ(dx[0], -2);
    EXPECT_EQ(dy[0], 2);
    ASSERT_EQ(glyph_edge_offsets(12, dx, dy), 3);
    EXPECT_TRUE(dx[0] == 2 && dy[0] == 0 && dx[1] == 0 && dy[1] == 2 && dx[2] == 2 && dy[2] == 2);

    // Drawn with an edge equals the single passes drawn at those offsets in order.
    ink_fn() = [](GlyphCell *cell, const uint8_t *, int) {
        for (int y = 8; y < 60; y++)
            for (int x = 4 + y / 3; x < 40; x++)
                ink(cell, x, y);
    };
    const uint8_t ch[] = "A";
    for (int32_t edge : {3, 12, -2}) {
        for (uint8_t smooth : {1, 0}) {
            TestLayer whole(60, 60), parts(60, 60);
            draw_text_char(ch, 0x112233, 0xFFEEDD, 1, 0, 20, 20, 0, smooth, edge, 20, 20, 0, &whole.node);
            int n = glyph_edge_offsets(edge, dx, dy);
            for (int i = 0; i < n; i++)
                draw_text_char(ch, 0x112233, 0xFFEEDD, 1, 0, 20, 20, 0, smooth, 0, 20 + dx[i], 20 + dy[i],
                               0, &parts.node);
            EXPECT_EQ(whole.image(), parts.image()) << edge;
        }
    }
}

// A character that renders nothing (a NUL in the text) paints nothing,
// though the slot's cell still holds a smaller glyph drawn before it; and a
// cell too narrow for the size asked is never read past its rows.
TEST_F(GlyphPaint_, NothingRenderedPaintsNothing)
{
    ink_fn() = [](GlyphCell *cell, const uint8_t *, int) {
        for (int y = 0; y < cell->cell; y++)
            for (int x = 0; x < cell->cell; x++)
                ink(cell, x, y);
    };
    TestLayer l(128, 128);
    EXPECT_GT(draw_text_char((const uint8_t *)"A", 0x112233, -1, 0, 0, 4, 4, 0, 0, 0, 0, 0, 0, &l.node), 0);
    std::vector<uint32_t> before = l.image();
    const uint8_t nul[] = {0, 0};
    for (uint8_t smooth : {1, 0})
        EXPECT_EQ(draw_text_char(nul, 0x445566, -1, 0, 0, 60, 60, 0, smooth, 0, 10, 10, 0, &l.node), 0);
    EXPECT_EQ(l.image(), before);
    GlyphCell narrow = make_cell(4, ink_all);
    GlyphPaint p{0x445566, -1, 0, 0, 100, 60, 10, 10, 0};
    EXPECT_EQ(paint_glyph_antialiased(&narrow, l.s, &p), 0);
    EXPECT_EQ(paint_glyph_monochrome(&narrow, l.s, &p), 0);
    EXPECT_EQ(l.image(), before);
}

TEST_F(GlyphPaint_, Measurement)
{
    GlyphCell empty = make_cell(20, [](GlyphCell *) {});
    int32_t adv, h;
    struct Case {
        int proportional, two_byte;
        int ink_column;   // -1: no ink
        int32_t advance, height;
    } cases[] = {
        {1, 1, 63, 19, 20}, {1, 0, 100, 20, 20}, {1, 1, -1, 4, 4}, {0, 0, 63, 10, 20},
        {0, 1, -1, 20, 20}, {-1, 1, 63, 4, 4},
    };
    for (const Case &c : cases) {
        GlyphCell g = make_cell(20, [&](GlyphCell *cell) {
            if (c.ink_column >= 0)
                ink(cell, c.ink_column, 10);
        });
        measure_glyph(&g, c.proportional, c.two_byte, 20, 20, 4, &adv, &h);
        EXPECT_EQ(adv, c.advance) << c.proportional << " " << c.ink_column;
        EXPECT_EQ(h, c.height) << c.proportional << " " << c.ink_column;
    }
    (void)empty;
}

TEST_F(GlyphPaint_, CacheKeepsItsKeyOnlyAfterABuild)
{
    const uint8_t ch[] = "\x82\xa0";
    int32_t adv, h;
    build_count() = 0;
    build_error() = 102040;
    render_glyph_gdi(ch, 20, 20, 0, 1, &adv, &h);
    EXPECT_EQ(g_last_error_code, 102040u);
    EXPECT_EQ(adv, 0);
    EXPECT_EQ(glyph_current_cell()->bits, nullptr);
    build_error() = 0;
    render_glyph_gdi(ch, 20, 20, 0, 1, &adv, &h);   // the failed key is not taken as built
    EXPECT_EQ(build_count(), 2);
    ASSERT_NE(glyph_current_cell()->bits, nullptr);
    EXPECT_EQ(glyph_current_cell()->cell, 128);
    EXPECT_EQ(glyph_current_cell()->byte_count, 2048);
    EXPECT_EQ(adv, 20);   // fixed pitch, two-byte
    render_glyph_gdi((const uint8_t *)"a", 20, 20, 0, 1, &adv, &h);
    EXPECT_EQ(build_count(), 2);
    EXPECT_EQ(adv, 10);
    render_glyph_gdi(ch, 20, 20, 1, 1, &adv, &h);   // bold: a new key
    EXPECT_EQ(build_count(), 3);
    for (int32_t size : {0, 257, -3}) {
        render_glyph_gdi(ch, size, 20, 0, 1, &adv, &h);
        EXPECT_EQ(adv, 0) << size;
    }
    EXPECT_EQ(build_count(), 3);
}

TEST_F(GlyphPaint_, APaintedGlyphMarksItsLayerASkippedOneDoesNot)
{
    ink_fn() = [](GlyphCell *cell, const uint8_t *, int) { ink(cell, 10, 10); };
    TestLayer parent(200, 200), child(40, 30);
    child.node.parent = &parent.node;
    const uint8_t ch[] = "A";
    draw_text_char(ch, 0xFFFFFF, -1, 0, 0, 20, 20, 0, 1, 0, 21, 0, 0, &child.node);   // passes the right edge
    EXPECT_EQ(parent.s->dirty_flag, 0);
    EXPECT_EQ(parent.s->needs_redraw, 0);
    draw_text_char(ch, 0xFFFFFF, -1, 0, 0, 20, 20, 0, 0, 0, 20, 10, 0, &child.node);
    EXPECT_EQ(parent.s->dirty_flag, 1);
    EXPECT_EQ(parent.s->needs_redraw, 1);
}

TEST_F(GlyphPaint_, RepeatedCharactersAreCopiedNotRedrawn)
{
    int draws = 0;
    ink_fn() = [&](GlyphCell *cell, const uint8_t *c, int len) {
        draws++;
        ink(cell, c[0] % 64, len == 2 ? c[1] % 64 : 3);
    };
    const uint8_t *chars[] = {(const uint8_t *)"\x82\xa0", (const uint8_t *)"a", (const uint8_t *)"\x82\xa2"};
    std::vector<uint8_t> first[3];
    int32_t adv, h;
    for (int round = 0; round < 3; round++) {
        for (int k = 0; k < 3; k++) {
            render_glyph_gdi(chars[k], 20, 20, 0, 1, &adv, &h);
            const GlyphCell *g = glyph_current_cell();
            std::vector<uint8_t> bits(g->bits, g->bits + g->byte_count);
            if (round == 0)
                first[k] = bits;
            else
                EXPECT_EQ(bits, first[k]) << k;
            EXPECT_EQ(adv, k == 1 ? 10 : 20);
        }
    }
    EXPECT_EQ(draws, 3);
    render_glyph_gdi(chars[0], 20, 20, 1, 1, &adv, &h);   // another key draws again
    EXPECT_EQ(draws, 4);
}
