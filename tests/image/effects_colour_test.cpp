// The colour effects, whose rows run four or eight pixels at a time, against
// the per-pixel formulas on random images of odd widths and many values.
#include <gtest/gtest.h>

#include <algorithm>

#include "effects_test_support.h"
#include "image/effects.h"

namespace {

int clampb(int64_t v)
{
    return (int)std::min<int64_t>(255, std::max<int64_t>(0, v));
}

// Expected B, G, R of one pixel (alpha is always kept).
void reference(int code, int64_t p, const uint8_t *s, uint8_t *d)
{
    switch (code) {
    case 1:
        for (int c = 0; c < 3; c++)
            d[c] = (uint8_t)clampb(s[c] + p - 128);
        break;
    case 10:
        for (int c = 0; c < 3; c++) {
            int v = (int)((p >> (8 * c)) & 0xFF), up = std::max(v - 128, 0), down = std::max(128 - v, 0);
            d[c] = (uint8_t)(s[c] + (((255 - s[c]) * up) >> 7) - ((s[c] * down) >> 7));
        }
        break;
    case 17: {
        uint8_t v = s[0] + s[1] + s[2] >= 3 * p ? 255 : 0;
        d[0] = d[1] = d[2] = v;
        break;
    }
    case 25:
        for (int c = 0; c < 3; c++)
            d[c] = (uint8_t)(255 - s[c]);
        break;
    case 27: {
        int64_t g = (s[0] + s[1] + s[2]) / 3, pp = std::max<int64_t>(p, 0);
        if (pp < 128) {
            for (int c = 0; c < 3; c++)
                d[c] = (uint8_t)(s[c] + (((g - s[c]) * (128 - pp)) >> 7));
            break;
        }
        int64_t k = pp - 128;
        for (int c = 0; c < 3; c++) {
            int64_t diff = s[c] - g, want = s[c] + ((diff * (pp - 128)) >> 7);
            if (want > 255)
                k = std::min(k, (255 - s[c]) * 128 / diff);
            if (want < 0)
                k = std::min(k, -128 * s[c] / diff);
        }
        for (int c = 0; c < 3; c++)
            d[c] = (uint8_t)(s[c] + (((s[c] - g) * k) >> 7));
        break;
    }
    case 36: {
        int64_t l = (306 * s[2] + 601 * s[1] + 117 * s[0]) * 1024;
        d[2] = (uint8_t)std::min<int64_t>(255, (l + 18748416) >> 20);
        d[1] = (uint8_t)std::max<int64_t>(0, (l - 287585) >> 20);
        d[0] = (uint8_t)std::max<int64_t>(0, (l - 46347025) >> 20);
        break;
    }
    }
}

TEST(EffectsColour, RowsEqualThePixelFormulas)
{
    const struct {
        int code;
        std::vector<int64_t> values;
    } cases[] = {
        {1, {0, 1, 127, 128, 129, 255, 256, -5000, 5000}},
        {10, {0, 0x808080, 0xFF8080, 0x00FF7F, 0x123456, 0xFFFFFF}},
        {17, {-3, 0, 1, 100, 128, 255, 256, 1000}},
        {25, {0}},
        {27, {-9, 0, 1, 60, 127, 128, 129, 200, 255, 256, 257, 4000}},
        {36, {0}},
    };
    FxRng rng(21);
    for (const auto &c : cases)
        for (int64_t p : c.values) {
            fx_setup();
            int w = rng.range(1, 37), h = rng.range(1, 5);
            FxLayer a(w, h, {}, rng.next());
            // Some grey and some extreme pixels too.
            a.set(0, 0, 0xFF808080);
            if (w > 1)
                a.set(1, 0, 0x00FF0001);
            std::vector<uint32_t> in = a.all();
            ASSERT_EQ(apply_effect_state((uint8_t)c.code, a.s, nullptr, 0, 0, w - 1, h - 1, (int32_t)p, 0,
                                         0, 0, "a"), 0);
            std::vector<uint32_t> out = a.all();
            for (size_t i = 0; i < in.size(); i++) {
                uint8_t s[4], d[4];
                memcpy(s, &in[i], 4);
                reference(c.code, p, s, d);
                d[3] = s[3];
                uint32_t want;
                memcpy(&want, d, 4);
                ASSERT_EQ(out[i], want) << "code " << c.code << " p " << p << " pixel " << i;
            }
        }
}

}  // namespace

namespace {

// Saturation lowers its factor per pixel with divisions done eight pixels
// at a time: every seventh colour of the cube, at the values that lower most.
TEST(EffectsColour, SaturationOverTheColourCube)
{
    const int w = 4096, h = (1 << 24) / 7 / w;
    std::vector<uint32_t> px((size_t)w * h);
    for (size_t i = 0; i < px.size(); i++)
        px[i] = 0xFF000000u | (uint32_t)(i * 7);
    for (int p : {129, 200, 256}) {
        fx_setup();
        FxLayer a(w, h, px);
        ASSERT_EQ(apply_effect_state(27, a.s, nullptr, 0, 0, w - 1, h - 1, p, 0, 0, 0, "a"), 0);
        const uint8_t *out = a.s->pixels;
        for (size_t i = 0; i < px.size(); i++) {
            uint8_t s[4], d[4];
            memcpy(s, &px[i], 4);
            reference(27, p, s, d);
            ASSERT_EQ(memcmp(out + i * 4, d, 3), 0) << "p " << p << " colour " << std::hex << px[i];
        }
    }
}

}  // namespace
