// All 160 entries of g_blend_fns against a direct statement of the weighting
// rules and the result formulas (kernel-backed entries against the kernel's
// own statement), for both kernel sets; then the listed cases.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "graphics/blend.h"
#include "graphics/kernel_reference.h"
#include "graphics/kernel_test_support.h"

namespace {

int R(int mode, int s, int d) { return ref::blend_result(mode, s, d); }

// Reference of one entry; returns false if the entry should be empty.
bool reference_entry(bool ext, int kind, int mode, int full, uint8_t *d, const uint8_t *s,
                     const uint8_t *m, int o, int progress, int softness, ptrdiff_t n)
{
    if (mode == 19 || (kind == BLEND_KIND_MASK_ALPHA && full))
        return false;
    if (kind == BLEND_KIND_PLAIN && full) {
        switch (mode) {
        case 0: ref::copy(d, s, n); return true;
        case 1: ref::add_sat(d, s, n); return true;
        case 2: ref::sub_sat(d, s, n); return true;
        case 3: ref::multiply(d, s, n); return true;
        case 5: ref::screen(d, s, n); return true;
        case 6: ref::lighten(d, s, n); return true;
        case 7: ref::darken(d, s, n); return true;
        case 13: ref::linear_burn(d, s, n); return true;
        case 17: ref::linear_light(d, s, n); return true;
        }
        for (ptrdiff_t i = 0; i < n; i++)
            d[i] = (uint8_t)R(mode, s[i], d[i]);
        return true;
    }
    if (kind == BLEND_KIND_PLAIN) {
        switch (mode) {
        case 0: ref::lerp_const(ext, d, s, o, n); return true;
        case 1: ref::add_opacity(d, s, o, n); return true;
        case 5: ref::screen_opacity(d, s, o, n); return true;
        }
        for (ptrdiff_t i = 0; i < n; i++) {
            int r = R(mode, s[i], d[i]);
            d[i] = (uint8_t)(mode == 8 ? d[i] + (r - d[i]) * o / 256 : d[i] + (((r - d[i]) * o) >> 8));
        }
        return true;
    }
    if (kind == BLEND_KIND_ALPHA) {
        if (mode == 0) {
            full ? ref::alpha_over(ext, d, s, n) : ref::alpha_over_opacity(ext, d, s, o, n);
            return true;
        }
        if (mode == 1) {
            full ? ref::add_alpha(d, s, n) : ref::add_alpha_opacity(d, s, o, n);
            return true;
        }
        for (ptrdiff_t i = 0; i + 4 <= n; i += 4) {
            int w = full ? s[i + 3] + 1 : (o * (s[i + 3] + 1)) >> 8;
            for (int c = 0; c < 3; c++)
                d[i + c] = (uint8_t)(d[i + c] + (((R(mode, s[i + c], d[i + c]) - d[i + c]) * w) >> 8));
        }
        return true;
    }
    if (kind == BLEND_KIND_MASK && mode == 0 && full) {
        ref::mask_blend(ext, d, s, m, progress, softness, n);
        return true;
    }
    for (ptrdiff_t i = 0; i + 4 <= n; i += 4) {
        int W = g_rule_weights[m[i]];
        if (W <= 1)
            continue;
        for (int c = 0; c < 3; c++) {
            int r = R(mode, s[i + c], d[i + c]);
            if (kind == BLEND_KIND_MASK)
                d[i + c] = (uint8_t)(d[i + c] + (((r - d[i + c]) * W) >> 8));
            else
                d[i + c] = (uint8_t)(d[i + c] +
                                     (((r - d[i + c]) * (W * (s[i + 3] + (mode == 0 ? 0 : 1)))) >> 16));
        }
    }
    return true;
}

}  // namespace

TEST(BlendFns, EveryEntryMatchesItsStatement)
{
    ensure_blend_tables();
    for (const KernelSetConfig &cfg : kernel_set_configs()) {
        install_pixel_kernels(cfg.level, cfg.wide);
        bool ext = cfg.level >= KV_KERNEL_LEVEL_SSE;
        TestRng rng(cfg.level * 3 + cfg.wide + 11);
        for (int kind = 0; kind < KV_BLEND_KINDS; kind++)
            for (int mode = 0; mode < KV_BLEND_MODE_SLOTS; mode++)
                for (int full = 0; full < 2; full++) {
                    const BlendFn &f = g_blend_fns[kind * 40 + mode * 2 + full];
                    bool masked = kind >= BLEND_KIND_MASK;
                    for (int trial = 0; trial < 30; trial++) {
                        SCOPED_TRACE(cfg.name + " kind " + std::to_string(kind) + " mode " +
                                     std::to_string(mode) + " full " + std::to_string(full) +
                                     " trial " + std::to_string(trial));
                        ptrdiff_t n = 4 * rng.range(0, 300) + (trial % 5 == 4 ? rng.range(1, 3) : 0);
                        std::vector<uint8_t> d(n + 8), s(n + 8), m(n + 8);
                        rng.pixels(d.data(), n);
                        rng.pixels(s.data(), n);
                        rng.pixels(m.data(), n);
                        int o = full ? 256 : (trial < 4 ? trial * 85 : rng.range(0, 255));
                        int progress = rng.range(0, 256);
                        int softness = rng.range(0, 2) == 0 ? 256 : rng.range(0, 300);
                        fill_rule_weights(progress, softness, rng.range(0, 1) ? 256 : rng.range(0, 256));
                        if (trial % 6 == 5)   // weights beyond what the compositor makes
                            for (int k = 0; k < 256; k++)
                                g_rule_weights[k] = rng.range(-300, 1000);
                        std::vector<uint8_t> r = d;
                        bool filled = reference_entry(ext, kind, mode, full, r.data(), s.data(),
                                                      m.data(), o, progress, softness, n);
                        if (!filled) {
                            ASSERT_EQ(nullptr, f.row);
                            ASSERT_EQ(nullptr, f.masked_row);
                            break;
                        }
                        if (masked) {
                            ASSERT_EQ(nullptr, f.row);
                            ASSERT_NE(nullptr, f.masked_row);
                            f.masked_row(d.data(), s.data(), m.data(), progress, softness, n);
                        } else {
                            ASSERT_EQ(nullptr, f.masked_row);
                            ASSERT_NE(nullptr, f.row);
                            f.row(d.data(), s.data(), o, n);
                        }
                        ASSERT_EQ(r, d) << "n=" << n << " o=" << o;
                    }
                }
    }
}

TEST(BlendFns, KindCUsesOneFunctionForBothEntriesExceptNormal)
{
    ensure_blend_tables();
    for (int mode = 1; mode < KV_BLEND_MODES; mode++)
        EXPECT_EQ(blend_fn(BLEND_KIND_MASK, mode, 0).masked_row, blend_fn(BLEND_KIND_MASK, mode, 1).masked_row);
    EXPECT_NE(blend_fn(BLEND_KIND_MASK, 0, 0).masked_row, blend_fn(BLEND_KIND_MASK, 0, 1).masked_row);
}

TEST(BlendTables, ProductTablesAreSignedAndTruncateTowardZero)
{
    ensure_blend_tables();
    for (int a = 0; a <= 256; a++)
        for (int d = -255; d <= 256; d++) {
            ASSERT_EQ(a * d / 256, g_product_div256[a][d + 255]);
            ASSERT_EQ(a * d / 255, g_product_div255[a][d + 255]);
        }
    EXPECT_EQ(-255, g_product_div256[256][0]);
    EXPECT_EQ(-255, g_product_div255[255][0]);
    EXPECT_EQ(257, g_product_div255[256][511]);
    EXPECT_EQ(0, g_product_div256[1][255 - 100]);   // -100 / 256 truncates to 0
}

TEST(BlendTables, ReciprocalTable)
{
    ensure_blend_tables();
    for (int a = 0; a < 256; a++)
        EXPECT_EQ(0, g_reciprocal_table[0][a]);
    EXPECT_EQ(65280, g_reciprocal_table[1][255]);
    EXPECT_EQ(256, g_reciprocal_table[255][255]);
    EXPECT_EQ(100 * 256 / 37, g_reciprocal_table[37][100]);
}

TEST(BlendTables, ResultTablesMatchFormulas)
{
    ensure_blend_tables();
    for (int mode = 1; mode < KV_BLEND_MODES; mode++)
        for (int s = 0; s < 256; s++)
            for (int d = 0; d < 256; d++)
                ASSERT_EQ(R(mode, s, d), g_blend_results[mode][s][d]) << mode << " " << s << " " << d;
    for (int i = 0; i < 511; i++) {
        EXPECT_EQ(i > 255 ? 255 : i, g_blend_add_table[i]);
        EXPECT_EQ(i < 255 ? 0 : i - 255, g_blend_sub_table[i]);
    }
}

// --- listed cases -------------------------------------------------------------------------

static uint8_t blend_one(int kind, int mode, int full, int s, int d, int o = 256)
{
    uint8_t dst[4] = {(uint8_t)d, (uint8_t)d, (uint8_t)d, 255};
    uint8_t src[4] = {(uint8_t)s, (uint8_t)s, (uint8_t)s, 255};
    blend_fn(kind, mode, full).row(dst, src, o, 4);
    return dst[0];
}

TEST(BlendCases, SubtractIsSourceMinusDestination)
{
    ensure_blend_tables();
    EXPECT_EQ(150, blend_one(BLEND_KIND_PLAIN, 2, 1, 200, 50));
    EXPECT_EQ(0, blend_one(BLEND_KIND_PLAIN, 2, 1, 50, 200));
}

TEST(BlendCases, DivideOverZero)
{
    ensure_blend_tables();
    for (int s = 1; s < 256; s++)
        EXPECT_EQ(255, g_blend_results[4][s][0]);
    EXPECT_EQ(0, g_blend_results[4][0][0]);
    EXPECT_EQ(255, blend_one(BLEND_KIND_PLAIN, 4, 1, 1, 0));
}

TEST(BlendCases, OverlayAndHardLightReach253)
{
    ensure_blend_tables();
    EXPECT_EQ(253, g_blend_results[10][0][255]);
    EXPECT_EQ(253, g_blend_results[14][255][0]);
    EXPECT_EQ(253, blend_one(BLEND_KIND_PLAIN, 10, 1, 0, 255));
}

TEST(BlendCases, DifferenceAtPartialOpacityTruncatesTowardZero)
{
    ensure_blend_tables();
    // (100 - 200) * 1 >> 8 would be -1; truncation gives 0.
    EXPECT_EQ(200, blend_one(BLEND_KIND_PLAIN, 8, 0, 100, 200, 1));
    EXPECT_EQ(199, blend_one(BLEND_KIND_PLAIN, 7, 0, 100, 200, 1));   // darken shifts
}

TEST(BlendCases, MaskWeightOneOrLessLeavesPixel)
{
    ensure_blend_tables();
    for (int w : {-5, 0, 1}) {
        for (int i = 0; i < 256; i++)
            g_rule_weights[i] = w;
        for (int mode = 0; mode < KV_BLEND_MODES; mode++)
            for (int kind : {BLEND_KIND_MASK, BLEND_KIND_MASK_ALPHA}) {
                uint8_t d[8] = {10, 20, 30, 40, 50, 60, 70, 80};
                uint8_t s[8] = {200, 210, 220, 230, 240, 250, 5, 255};
                uint8_t m[8] = {9, 9, 9, 9, 200, 200, 200, 200};
                uint8_t keep[8];
                std::memcpy(keep, d, 8);
                blend_fn(kind, mode, 0).masked_row(d, s, m, 128, 256, 8);
                EXPECT_EQ(0, std::memcmp(keep, d, 8)) << mode << " " << kind << " " << w;
            }
    }
}

TEST(BlendCases, KindAPartialChangesAlphaKindBDoesNot)
{
    ensure_blend_tables();
    for (int mode = 0; mode < KV_BLEND_MODES; mode++) {
        uint8_t d[4] = {10, 20, 30, 0}, s[4] = {250, 240, 230, 200};
        blend_fn(BLEND_KIND_PLAIN, mode, 0).row(d, s, 128, 4);
        EXPECT_EQ((R(mode, 200, 0) * 128) >> 8, d[3]) << mode;
        if (mode == 0) {
            EXPECT_EQ(100, d[3]);
        }
        uint8_t d2[4] = {10, 20, 30, 0}, s2[4] = {250, 240, 230, 200};
        blend_fn(BLEND_KIND_ALPHA, mode, 1).row(d2, s2, 256, 4);
        blend_fn(BLEND_KIND_ALPHA, mode, 0).row(d2, s2, 128, 4);
        EXPECT_EQ(0, d2[3]) << mode;
    }
}

TEST(BlendCases, KindDNormalStopsAt254)
{
    ensure_blend_tables();
    for (int i = 0; i < 256; i++)
        g_rule_weights[i] = 256;
    for (int n : {4, 16, 20}) {   // single pixels and whole blocks
        uint8_t d[20] = {}, s[20], m[20];
        std::memset(s, 255, sizeof s);
        std::memset(m, 255, sizeof m);
        blend_fn(BLEND_KIND_MASK_ALPHA, 0, 0).masked_row(d, s, m, 256, 0, n);
        for (int i = 0; i < n; i++)
            EXPECT_EQ(i % 4 == 3 ? 0 : 254, d[i]) << n << " " << i;
    }
}

TEST(BlendCases, ModeAndOpacityClamp)
{
    EXPECT_EQ(0, blend_mode_clamp(-3));
    EXPECT_EQ(0, blend_mode_clamp(19));
    EXPECT_EQ(0, blend_mode_clamp(127));
    EXPECT_EQ(256, blend_opacity_clamp(300));
    EXPECT_EQ(0, blend_opacity_clamp(-1));
}
