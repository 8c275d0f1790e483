// The integer effects on small hand-checked images, one table.
#include <gtest/gtest.h>

#include "effects_test_support.h"
#include "image/effects.h"

namespace {

// 0xAARRGGBB: P0 = B 48, G 32, R 16, alpha 0x80; P1 = B 50, G 100, R 200, opaque.
const uint32_t P0 = 0x80102030, P1 = 0xFFC86432, P2 = 0x00FFFFFF, P3 = 0x40000000;

struct GoldenCase {
    const char *what;
    uint8_t code;
    int w, h;
    std::vector<uint32_t> in;
    int x1, y1, x2, y2;
    int32_t p;
    uint8_t fill_mode, has_alpha;
    int rw, rh;                     // result size
    std::vector<uint32_t> out;
    int has_alpha_after;
};

const std::vector<GoldenCase> kCases = {
    {"brightness neutral", 1, 2, 1, {P0, P1}, 0, 0, 1, 0, 128, 0, 0, 2, 1, {P0, P1}, 0},
    {"brightness -128", 1, 2, 1, {P0, P1}, 0, 0, 1, 0, 0, 0, 0, 2, 1, {0x80000000, 0xFF480000}, 0},
    {"brightness +128", 1, 2, 1, {P0, P1}, 0, 0, 1, 0, 256, 0, 0, 2, 1, {0x8090A0B0, 0xFFFFE4B2}, 0},
    {"negative", 25, 2, 1, {P0, P1}, 0, 0, 1, 0, 0, 0, 0, 2, 1, {0x80EFDFCF, 0xFF379BCD}, 0},
    {"threshold 0 is white", 17, 2, 1, {P0, P1}, 0, 0, 1, 0, 0, 0, 0, 2, 1, {0x80FFFFFF, 0xFFFFFFFF}, 0},
    {"threshold 256 is black", 17, 2, 1, {P0, P1}, 0, 0, 1, 0, 256, 0, 0, 2, 1, {0x80000000, 0xFF000000}, 0},
    {"threshold 100 in a rect", 17, 3, 1, {P1, P0, P1}, 1, 0, 2, 0, 100, 0, 0, 3, 1, {P1, 0x80000000, 0xFFFFFFFF}, 0},
    {"tone neutral", 10, 2, 1, {P0, P1}, 0, 0, 1, 0, 0x808080, 0, 0, 2, 1, {P0, P1}, 0},
    {"tone black", 10, 2, 1, {P0, P1}, 0, 0, 1, 0, 0, 0, 0, 2, 1, {0x80000000, 0xFF000000}, 0},
    {"tone red up", 10, 2, 1, {P0, P1}, 0, 0, 1, 0, 0xFF8080, 0, 0, 2, 1, {0x80FD2030, 0xFFFE6432}, 0},
    {"saturation 0 is grey", 27, 2, 1, {P0, P1}, 0, 0, 1, 0, 0, 0, 0, 2, 1, {0x80202020, 0xFF747474}, 0},
    {"saturation 128 neutral", 27, 2, 1, {P0, P1}, 0, 0, 1, 0, 128, 0, 0, 2, 1, {P0, P1}, 0},
    // P1 would pass 255 in R and fall below 0 in B: k drops from 128 to 83.
    {"saturation 256", 27, 2, 1, {P0, P1}, 0, 0, 1, 0, 256, 0, 0, 2, 1, {0x80002040, 0xFFFE5907}, 0},
    {"sepia", 36, 1, 1, {P1}, 0, 0, 0, 0, 0, 0, 0, 1, 1, {0xFF8E7B4F}, 0},
    {"mirror whole", 9, 3, 1, {P0, P1, P2}, 0, 0, 2, 0, 0, 0, 0, 3, 1, {P2, P1, P0}, 0},
    {"mirror cut from the mirrored picture", 9, 3, 1, {P0, P1, P2}, 1, 0, 2, 0, 0, 0, 0, 2, 1, {P1, P0}, 0},
    {"flip", 35, 1, 3, {P0, P1, P2}, 0, 0, 0, 2, 0, 0, 0, 1, 3, {P2, P1, P0}, 0},
    {"copy shrinks to the rect", 7, 3, 2, {P0, P1, P2, P3, P0, P1}, 1, 1, 2, 1, 0, 0, 1, 2, 1, {P0, P1}, 1},
    {"fill 1 opaque colour", 22, 2, 1, {P0, P1}, 1, 0, 1, 0, 0x12345678, 1, 1, 2, 1, {P0, 0xFF345678}, 1},
    {"fill 2 alpha only", 22, 2, 1, {P0, P1}, 0, 0, 1, 0, 0x40, 2, 0, 2, 1, {0x40102030, 0x40C86432}, 1},
    {"fill 2 opaque whole", 22, 2, 1, {P0, P1}, 0, 0, 1, 0, 0xFF, 2, 1, 2, 1, {0xFF102030, P1}, 0},
    {"fill 3 opaque whole", 22, 2, 1, {P0, P1}, 0, 0, 1, 0, (int32_t)0xFF010203, 3, 1, 2, 1, {0xFF010203, 0xFF010203}, 0},
    {"fill 3 opaque part", 22, 2, 1, {P0, P1}, 0, 0, 0, 0, (int32_t)0xFF010203, 3, 0, 2, 1, {0xFF010203, P1}, 1},
    // cx = (2 + 1) / 2 = 1: a band [0, 1), then the block [1, 3).
    {"mosaic band and block", 18, 3, 1, {0xFF0A141E, 0x10000000, 0x20646464}, 0, 0, 2, 0, 2, 0, 0, 3, 1, {0xFF0A141E, 0x10323232, 0x20323232}, 0},
    // cx = 2: blocks [0, 2) and [2, 4).
    {"mosaic two blocks", 18, 4, 1, {0xFF000000, 0xFF040404, 0x00080808, 0x000C0C0C}, 0, 0, 3, 0, 2, 0, 0, 4, 1, {0xFF020202, 0xFF020202, 0x000A0A0A, 0x000A0A0A}, 0},
    // cx = 1 splits a 2 x 2 image into single pixels.
    {"mosaic anchored on the centre", 18, 2, 2, {P0, P1, P2, P3}, 0, 0, 1, 1, 4, 0, 0, 2, 2, {P0, P1, P2, P3}, 0},
    // Horizontal blur r = 1 without alpha: own alpha, averages of 2, 3, 2 pixels.
    {"blur h", 3, 3, 1, {0x01000000, 0x02030303, 0x03070707}, 0, 0, 2, 0, 1, 0, 0, 3, 1, {0x01010101, 0x02030303, 0x03050505}, 0},
    {"blur h with alpha", 3, 3, 1, {0x01000000, 0x02030303, 0x03070707}, 0, 0, 2, 0, 1, 0, 1, 3, 1, {0x01010101, 0x02030303, 0x02050505}, 1},
    {"blur radius beyond the rect", 4, 1, 3, {0x00000000, 0x00030303, 0x00090909}, 0, 0, 0, 2, 200, 0, 0, 1, 3, {0x00040404, 0x00040404, 0x00040404}, 0},
    {"box blur 2x2", 2, 2, 2, {0x00000000, 0x00040404, 0x00080808, 0x000C0C0C}, 0, 0, 1, 1, 5, 0, 0, 2, 2, {0x00060606, 0x00060606, 0x00060606, 0x00060606}, 0},
    {"scatter p=1 copies", 8, 2, 2, {P0, P1, P2, P3}, 0, 0, 1, 1, 1, 0, 0, 2, 2, {P0, P1, P2, P3}, 0},
    {"whirl 0 is the picture", 37, 3, 2, {P0, P1, P2, P3, P0, P1}, 0, 0, 2, 1, 0, 0, 0, 3, 2, {P0, P1, P2, P3, P0, P1}, 0},
    // A smaller rectangle is read from the image's top-left corner (rows
    // y2 - y1 - i; columns x - x1; the whirl with the image's own pitch).
    {"flip of a part", 35, 1, 3, {P0, P1, P2}, 0, 1, 0, 2, 0, 0, 0, 1, 2, {P1, P0}, 0},
    {"whirl of a part", 37, 3, 2, {P0, P1, P2, P3, P0, P1}, 1, 0, 2, 1, 0, 0, 0, 2, 2, {P0, P1, P3, P0}, 0},
    {"wave of a part", 19, 3, 2, {P0, P1, P2, P3, P0, P1}, 1, 0, 2, 1, 0, 0, 0, 2, 2, {P0, P1, P3, P0}, 0},
    {"wave 0 is the picture", 21, 3, 2, {P0, P1, P2, P3, P0, P1}, 0, 0, 2, 1, 0, 0, 0, 3, 2, {P0, P1, P2, P3, P0, P1}, 0},
};

TEST(EffectsGolden, Table)
{
    for (const GoldenCase &c : kCases) {
        fx_setup();
        FxLayer a(c.w, c.h, c.in);
        a.s->has_alpha = c.has_alpha;
        ASSERT_EQ(apply_effect_state(c.code, a.s, nullptr, c.x1, c.y1, c.x2, c.y2, c.p, 0, 0,
                                     c.fill_mode, "a"), 0) << c.what;
        ASSERT_EQ(a.s->width, c.rw) << c.what;
        ASSERT_EQ(a.s->height, c.rh) << c.what;
        std::vector<uint32_t> got = a.all();
        for (size_t i = 0; i < got.size(); i++)
            EXPECT_EQ(got[i], c.out[i]) << c.what << " pixel " << i << std::hex << " got " << got[i];
        EXPECT_EQ(a.s->has_alpha, c.has_alpha_after) << c.what;
        EXPECT_EQ(g_last_error_code, 0u) << c.what;
    }
}

// To layer B: A keeps its image and flag; B gets the result and A's flag,
// or the flag the fill gave it.
TEST(EffectsGolden, ResultIntoB)
{
    fx_setup();
    FxLayer a(3, 1, {P0, P1, P2}), b(0, 0);
    a.s->has_alpha = 1;
    ASSERT_EQ(apply_effect_state(25, a.s, b.s, 1, 0, 2, 0, 0, 0, 1, 0, "a"), 0);
    EXPECT_EQ(a.all(), (std::vector<uint32_t>{P0, P1, P2}));
    EXPECT_EQ(b.s->width, 2);
    EXPECT_EQ(b.all(), (std::vector<uint32_t>{0xFF379BCD, 0x00000000}));
    EXPECT_EQ(b.s->has_alpha, 1);

    // Threshold and fill of a part into B: image-sized, A's pixels around it.
    for (int mode : {0, 1, 2, 3}) {
        uint8_t code = mode ? 22 : 17;
        ASSERT_EQ(apply_effect_state(code, a.s, b.s, 1, 0, 1, 0, 0x7F000000, 0, 1, (uint8_t)mode, "a"), 0);
        EXPECT_EQ(b.at(0, 0), P0);
        EXPECT_EQ(b.at(2, 0), P2);
        uint32_t mid[] = {0xFF000000, 0xFF000000, 0x00C86432, 0x7F000000};
        EXPECT_EQ(b.at(1, 0), mid[mode]) << mode;
    }
    // Fill over the whole image into B: image-sized, B's flag cleared, A's kept.
    ASSERT_EQ(apply_effect_state(22, a.s, b.s, 0, 0, 2, 0, (int32_t)0xFF000001, 0, 1, 3, "a"), 0);
    EXPECT_EQ(b.all(), (std::vector<uint32_t>(3, 0xFF000001)));
    EXPECT_EQ(b.s->has_alpha, 0);
    EXPECT_EQ(a.s->has_alpha, 1);
    EXPECT_EQ(a.all(), (std::vector<uint32_t>{P0, P1, P2}));
}

// Copy with properties: B takes A's place and names as its own text, and
// loses its GIF frames (the sanitizer build checks the frees).
TEST(EffectsGolden, CopyWithProperties)
{
    fx_setup();
    FxLayer a(2, 1, {P0, P1}), b(1, 1, {P2});
    a.s->x = -5;
    a.s->y = 7;
    a.s->opacity = 100;
    a.s->blend_mode = 3;
    a.s->has_alpha = 1;
    strcpy(a.s->rule_mask_name, "mask");
    strcpy(a.s->second_name, "second");
    b.s->gif_frames = (uint8_t **)calloc(KV_GIF_FRAME_SLOTS, sizeof(uint8_t *));
    b.s->gif_frames[3] = (uint8_t *)malloc(16);
    ASSERT_EQ(apply_effect_state(6, a.s, b.s, 0, 0, 1, 0, 0, 0, 1, 0, "a"), 0);
    EXPECT_EQ(b.all(), (std::vector<uint32_t>{P0, P1}));
    EXPECT_EQ(b.s->x, -5);
    EXPECT_EQ(b.s->y, 7);
    EXPECT_EQ(b.s->opacity, 100);
    EXPECT_EQ(b.s->blend_mode, 3);
    EXPECT_EQ(b.s->has_alpha, 1);
    EXPECT_STREQ(b.s->rule_mask_name, "mask");
    EXPECT_STREQ(b.s->second_name, "second");
    EXPECT_NE(b.s->rule_mask_name, a.s->rule_mask_name);
    EXPECT_EQ(b.s->gif_frames, nullptr);
}

TEST(EffectsGolden, NothingToDo)
{
    fx_setup();
    FxLayer none(0, 0), b(1, 1, {P0});
    EXPECT_EQ(apply_effect_state(1, none.s, b.s, 0, 0, 0, 0, 0, 0, 1, 0, "a"), 0);
    EXPECT_EQ(b.all(), (std::vector<uint32_t>{P0}));
    FxLayer a(2, 2, {P0, P1, P2, P3});
    // An inverted rectangle and an unknown code change nothing.
    EXPECT_EQ(apply_effect_state(25, a.s, nullptr, 1, 0, 0, 1, 0, 0, 0, 0, "a"), 0);
    EXPECT_EQ(apply_effect_state(11, a.s, nullptr, 0, 0, 1, 1, 0, 0, 0, 0, "a"), 0);
    EXPECT_EQ(a.all(), (std::vector<uint32_t>{P0, P1, P2, P3}));
    EXPECT_EQ(a.s->width, 2);
}

}  // namespace
