// The vector colour effects equal plain per-pixel formulas written out here,
// over random sizes, rectangles, parameters and pixels, with and without
// the 256-bit routines.
#include <gtest/gtest.h>

#include <algorithm>

#include "effects_test_support.h"
#include "image/effects.h"

namespace {

uint8_t clamp_byte(int64_t v)
{
    return (uint8_t)(v < 0 ? 0 : (v > 255 ? 255 : v));
}

void tone_px(uint8_t *d, const uint8_t *s, int32_t p)
{
    for (int c = 0; c < 4; c++) {
        int v = c < 3 ? (int)(((uint32_t)p >> (8 * c)) & 0xFF) : 128;
        int up = std::max(v - 128, 0), down = std::max(128 - v, 0);
        d[c] = (uint8_t)(s[c] + (((255 - s[c]) * up) >> 7) - ((s[c] * down) >> 7));
    }
}

void sepia_px(uint8_t *d, const uint8_t *s, int32_t)
{
    int64_t l = (306 * s[2] + 601 * s[1] + 117 * s[0]) * 1024;
    d[2] = clamp_byte((l + 18748416) >> 20);
    d[1] = clamp_byte((l - 287585) >> 20);
    d[0] = clamp_byte((l - 46347025) >> 20);
    d[3] = s[3];
}

// Away from the grey, k lowered so that no channel leaves 0..255; towards
// it below 128.
void saturation_px(uint8_t *d, const uint8_t *s, int32_t p32)
{
    int64_t p = std::max(p32, 0), g = (s[0] + s[1] + s[2]) / 3;
    d[3] = s[3];
    if (p < 128) {
        for (int c = 0; c < 3; c++)
            d[c] = clamp_byte(s[c] + (((g - s[c]) * (128 - p)) >> 7));
        return;
    }
    int64_t k = p - 128;
    for (int c = 0; c < 3; c++) {
        int64_t diff = s[c] - g, want = s[c] + ((diff * (p - 128)) >> 7);
        if (want > 255)
            k = std::min(k, ((255 - s[c]) * 128) / diff);
        else if (want < 0)
            k = std::min(k, (-128 * (int64_t)s[c]) / diff);
    }
    for (int c = 0; c < 3; c++)
        d[c] = clamp_byte(s[c] + (((s[c] - g) * k) >> 7));
}

struct ColourCase {
    uint8_t code;
    void (*px)(uint8_t *d, const uint8_t *s, int32_t p);
};
const ColourCase kColourCases[] = {{10, tone_px}, {27, saturation_px}, {36, sepia_px}};

int32_t random_p(FxRng &rng, uint8_t code)
{
    if (code == 10)
        return (int32_t)(rng.next() & 0xFFFFFF);
    switch (rng.range(0, 3)) {
    case 0: return rng.range(-5, 127);
    case 1: return rng.range(129, 256);
    case 2: return rng.range(0, 400);
    default: return 128;
    }
}

// 0: 128-bit rows; 1: 256-bit ones too; 2: 512-bit ones too.
int widest_level(const CpuFeatures &found)
{
    return found.avx512bw ? 2 : (found.avx2 ? 1 : 0);
}
void set_wide_level(const CpuFeatures &found, int level)
{
    g_cpu_features = found;
    g_cpu_features.avx2 = (uint8_t)(level >= 1);
    g_cpu_features.avx512bw = (uint8_t)(level >= 2);
}

TEST(EffectColour, VectorRowsEqualPlainFormulas)
{
    fx_setup();
    detect_cpu_features();
    const CpuFeatures found = g_cpu_features;
    FxRng rng(99);
    for (int wide = 0; wide <= widest_level(found); wide++) {
        set_wide_level(found, wide);
        for (const ColourCase &cc : kColourCases)
            for (int n = 0; n < 150; n++) {
                int w = rng.range(1, 70), h = rng.range(1, 4);
                std::vector<uint8_t> src((size_t)w * h * 4);
                for (uint8_t &b : src)
                    b = (uint8_t)rng.next();
                if (rng.range(0, 3) == 0)   // grey and near-grey pixels too
                    for (size_t i = 0; i < src.size(); i += 4)
                        src[i + 1] = src[i + 2] = (uint8_t)(src[i] + rng.range(-2, 2));
                EffectJob j = {};
                j.src = src.data();
                j.sw = w;
                j.sh = h;
                j.x1 = rng.range(0, w - 1);
                j.x2 = rng.range(j.x1, w - 1);
                j.y1 = rng.range(0, h - 1);
                j.y2 = rng.range(j.y1, h - 1);
                j.dw = j.x2 - j.x1 + 1;
                j.dh = j.y2 - j.y1 + 1;
                j.p = random_p(rng, cc.code);
                std::vector<uint8_t> dst((size_t)j.dw * j.dh * 4);
                j.dst = dst.data();
                ASSERT_EQ(0, g_effect_kernels[cc.code](&j));
                for (int y = 0; y < j.dh; y++)
                    for (int x = 0; x < j.dw; x++) {
                        uint8_t want[4];
                        cc.px(want, &src[((size_t)(y + j.y1) * w + x + j.x1) * 4], j.p);
                        ASSERT_EQ(0, std::memcmp(want, &dst[((size_t)y * j.dw + x) * 4], 4))
                            << "code " << (int)cc.code << " p " << j.p << " at " << x << "," << y
                            << " width " << j.dw << " wide " << wide;
                    }
            }
    }
    g_cpu_features = found;
}

// Above 128 the factor is lowered per pixel by a division: every colour at
// a middle and at the largest factor, the 128-bit rows against the plain
// formula and the wider rows against the 128-bit ones.
TEST(EffectColour, SaturationAbove128EveryColour)
{
    fx_setup();
    detect_cpu_features();
    const CpuFeatures found = g_cpu_features;
    const int side = 4096;
    std::vector<uint8_t> src((size_t)side * side * 4), narrow(src.size()), wide(src.size());
    for (uint32_t i = 0; i < (uint32_t)side * side; i++) {
        uint32_t px = i | (i * 0x9Du) << 24;   // B, G, R from i; any alpha
        std::memcpy(&src[(size_t)i * 4], &px, 4);
    }
    for (int32_t p : {200, 256}) {
        EffectJob j = {};
        j.src = src.data();
        j.sw = j.dw = j.sh = j.dh = side;
        j.x2 = j.y2 = side - 1;
        j.p = p;
        j.dst = narrow.data();
        set_wide_level(found, 0);
        ASSERT_EQ(0, filter_saturation(&j));
        for (size_t i = 0; i < src.size(); i += 4) {
            uint8_t want[4];
            saturation_px(want, &src[i], p);
            ASSERT_EQ(0, std::memcmp(want, &narrow[i], 4)) << "p " << p << " pixel " << i / 4;
        }
        j.dst = wide.data();
        for (int level = 1; level <= widest_level(found); level++) {
            set_wide_level(found, level);
            ASSERT_EQ(0, filter_saturation(&j));
            ASSERT_EQ(narrow, wide) << "p " << p << " level " << level;
        }
    }
    g_cpu_features = found;
}

}  // namespace
