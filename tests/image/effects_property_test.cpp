// Effects against straightforward formulas on random images, and the
// structure of the effects that use rand() or libm.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "effects_test_support.h"
#include "image/effects.h"

namespace {

// Averages over the window cut at the rectangle's edges, sample by sample.
uint8_t window_avg(const std::vector<uint8_t> &v, int n, int i, int r)
{
    int lo = std::max(0, i - r), hi = std::min(n - 1, i + r), sum = 0;
    for (int k = lo; k <= hi; k++)
        sum += v[k];
    return (uint8_t)(sum / (hi - lo + 1));
}

// The blurs of codes 2-5 as written: horizontal averages, then vertical
// averages of those (codes 2, 5), one channel at a time.
std::vector<uint32_t> naive_blur(const FxLayer &a, int code, int x1, int y1, int x2, int y2, int r,
                                 bool alpha)
{
    int w = x2 - x1 + 1, h = y2 - y1 + 1;
    std::vector<uint32_t> out(w * h);
    for (int c = 0; c < 4; c++) {
        std::vector<std::vector<uint8_t>> g(h, std::vector<uint8_t>(w));
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++)
                g[y][x] = (uint8_t)(a.at(x1 + x, y1 + y) >> (8 * c));
        if (c < 3 || alpha) {
            if (code != 4)
                for (int y = 0; y < h; y++) {
                    std::vector<uint8_t> row = g[y];
                    for (int x = 0; x < w; x++)
                        g[y][x] = window_avg(row, w, x, r);
                }
            if (code != 3)
                for (int x = 0; x < w; x++) {
                    std::vector<uint8_t> col(h);
                    for (int y = 0; y < h; y++)
                        col[y] = g[y][x];
                    for (int y = 0; y < h; y++)
                        g[y][x] = window_avg(col, h, y, r);
                }
        }
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++)
                out[y * w + x] |= (uint32_t)g[y][x] << (8 * c);
    }
    return out;
}

TEST(EffectsProperty, BlursEqualTheStraightFormula)
{
    FxRng rng(11);
    for (int iter = 0; iter < 120; iter++) {
        fx_setup();
        int w = rng.range(1, 40), h = rng.range(1, 40);
        int x1 = rng.range(0, w - 1), x2 = rng.range(x1, w - 1);
        int y1 = rng.range(0, h - 1), y2 = rng.range(y1, h - 1);
        int code = rng.range(2, 5), r = rng.range(0, 45);
        bool alpha = rng.range(0, 1);
        FxLayer a(w, h, {}, iter);
        a.s->has_alpha = alpha;
        std::vector<uint32_t> want = naive_blur(a, code, x1, y1, x2, y2, std::max(r, 1), alpha);
        ASSERT_EQ(apply_effect_state((uint8_t)code, a.s, nullptr, x1, y1, x2, y2, r, 0, 0, 0, "a"), 0);
        ASSERT_EQ(a.all(), want) << "code " << code << " r " << r << " " << w << "x" << h;
    }
}

// Every 2 x 2 block of a one-pass scatter holds the same colours as
// before, and alpha stays where it was.
TEST(EffectsProperty, ScatterPermutesWithinBlocks)
{
    fx_setup();
    FxLayer a(6, 4, {}, 3);
    std::vector<uint32_t> before = a.all();
    ASSERT_EQ(apply_effect_state(8, a.s, nullptr, 0, 0, 5, 3, 2, 0, 0, 0, "a"), 0);
    std::vector<uint32_t> after = a.all();
    for (int by = 0; by < 4; by += 2)
        for (int bx = 0; bx < 6; bx += 2) {
            std::vector<uint32_t> old, now;
            for (int k = 0; k < 4; k++) {
                int i = (by + k / 2) * 6 + bx + k % 2;
                old.push_back(before[i] & 0xFFFFFF);
                now.push_back(after[i] & 0xFFFFFF);
                EXPECT_EQ(after[i] >> 24, before[i] >> 24);
            }
            std::sort(old.begin(), old.end());
            std::sort(now.begin(), now.end());
            EXPECT_EQ(old, now);
        }
    // Many passes keep the image's colours (a permutation of the whole).
    FxLayer b(9, 7, {}, 4);
    before = b.all();
    ASSERT_EQ(apply_effect_state(8, b.s, nullptr, 0, 0, 8, 6, 256, 0, 0, 0, "b"), 0);
    after = b.all();
    for (size_t i = 0; i < before.size(); i++)
        EXPECT_EQ(after[i] >> 24, before[i] >> 24);
    for (auto &v : before)
        v &= 0xFFFFFF;
    for (auto &v : after)
        v &= 0xFFFFFF;
    std::sort(before.begin(), before.end());
    std::sort(after.begin(), after.end());
    EXPECT_EQ(before, after);
}

// Type 1 shifts each row by about a * sin((y + phase) degrees), clamped at the edges.
TEST(EffectsProperty, WaveShiftsRows)
{
    fx_setup();
    const int w = 40, h = 30, amp = 6, phase = 17;
    std::vector<uint32_t> px(w * h);
    for (int i = 0; i < w * h; i++)
        px[i] = 0xFF000000u | (uint32_t)((i / w) << 8) | (uint32_t)(i % w);   // G = row, B = column
    FxLayer a(w, h, px);
    ASSERT_EQ(apply_effect_state(19, a.s, nullptr, 0, 0, w - 1, h - 1, amp, phase, 0, 0, "a"), 0);
    for (int y = 0; y < h; y++) {
        double want = amp * std::sin((y + phase) * 3.14159265358979323846 / 180);
        for (int x = 0; x < w; x++) {
            uint32_t v = a.at(x, y);
            ASSERT_EQ((int)((v >> 8) & 0xFF), y);
            int col = (int)(v & 0xFF);
            double expect = std::min(std::max(x + want, 0.0), (double)w - 1);
            EXPECT_LE(std::fabs(col - expect), 1.0) << x << "," << y;
        }
    }
    // Type 2 moves pixels along columns only, inside the rectangle's rows.
    FxLayer b(w, h, px);
    ASSERT_EQ(apply_effect_state(20, b.s, nullptr, 0, 0, w - 1, h - 1, 1000, 0, 0, 0, "b"), 0);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            EXPECT_EQ((int)(b.at(x, y) & 0xFF), x);
}

// The whirl reads only pixels of the picture; half a turn at the centre
// sends the centre pixel's neighbours around it.
TEST(EffectsProperty, WhirlTurnsAroundTheCentre)
{
    fx_setup();
    const int w = 21, h = 21;
    std::vector<uint32_t> px(w * h);
    for (int i = 0; i < w * h; i++)
        px[i] = 0xFF000000u | (uint32_t)((i / w) << 8) | (uint32_t)(i % w);
    FxLayer a(w, h, px);
    ASSERT_EQ(apply_effect_state(37, a.s, nullptr, 0, 0, w - 1, h - 1, 1800, 0, 0, 0, "a"), 0);
    EXPECT_EQ(a.at(10, 10), px[10 * w + 10]);
    // Next to the centre the angle is near 180 degrees: (11, 10) reads about (9, 10).
    uint32_t v = a.at(11, 10);
    EXPECT_NEAR((int)(v & 0xFF), 9, 1);
    EXPECT_NEAR((int)((v >> 8) & 0xFF), 10, 1);
    // The angle step is a floating division: half a degree (p = 5) still
    // turns, so (cx + 10, cy) reads (cx + 9, cy) with cos = 255 / 256.
    FxLayer b(w, h, px);
    ASSERT_EQ(apply_effect_state(37, b.s, nullptr, 0, 0, w - 1, h - 1, 5, 0, 0, 0, "b"), 0);
    EXPECT_EQ(b.at(20, 10) & 0xFFFF, (10u << 8) | 19u);
    EXPECT_EQ(b.at(10, 10), px[10 * w + 10]);
    // A second size rebuilds the kept distance map; a 1 x 1 image stays.
    FxLayer one(1, 1, {0x12345678});
    ASSERT_EQ(apply_effect_state(37, one.s, nullptr, 0, 0, 0, 0, 900, 0, 0, 0, "o"), 0);
    EXPECT_EQ(one.at(0, 0), 0x12345678u);
}

}  // namespace
