// Every slot of both kernel sets against its scalar statement, on random rows
// of random length and every alignment, with the row ends at an inaccessible
// page (reads and writes past the count fault) and canaries around them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include "core/settings.h"
#include "graphics/guarded_buffer.h"
#include "graphics/kernel_reference.h"
#include "graphics/kernel_test_support.h"

namespace {

// A slot under test: two sources at most, two parameters.
struct SlotCase {
    const char *name;
    int sources;
    std::function<void(uint8_t *, const uint8_t *, const uint8_t *, int, int, ptrdiff_t)> kernel;
    std::function<void(bool, uint8_t *, const uint8_t *, const uint8_t *, int, int, ptrdiff_t)> ref;
    int p1_lo, p1_hi, p2_lo, p2_hi;
};

const PixelKernels &K() { return g_pixel_kernels; }

std::vector<SlotCase> slot_cases()
{
    using U = uint8_t *;
    using C = const uint8_t *;
    return {
        {"0 zero", 0, [](U d, C, C, int, int, ptrdiff_t n) { K().kern_zero(d, n); },
         [](bool, U d, C, C, int, int, ptrdiff_t n) { ref::zero(d, n); }, 0, 0, 0, 0},
        {"1 fill8", 0, [](U d, C, C, int v, int, ptrdiff_t n) { K().kern_fill8(d, n, (uint8_t)v); },
         [](bool, U d, C, C, int v, int, ptrdiff_t n) { ref::fill8(d, n, (uint8_t)v); }, 0, 255, 0, 0},
        {"2 fill32", 0,
         [](U d, C, C, int v, int, ptrdiff_t n) { K().kern_fill32(d, n, (uint32_t)v * 2654435761u); },
         [](bool, U d, C, C, int v, int, ptrdiff_t n) { ref::fill32(d, n, (uint32_t)v * 2654435761u); },
         0, 100000, 0, 0},
        {"3 copy", 1, [](U d, C s, C, int, int, ptrdiff_t n) { K().kern_copy(d, s, n); },
         [](bool, U d, C s, C, int, int, ptrdiff_t n) { ref::copy(d, s, n); }, 0, 0, 0, 0},
        {"4 lerp_const", 1, [](U d, C s, C, int o, int, ptrdiff_t n) { K().kern_lerp_const(d, s, o, n); },
         [](bool e, U d, C s, C, int o, int, ptrdiff_t n) { ref::lerp_const(e, d, s, o, n); }, -20, 280, 0, 0},
        {"5 alpha_over", 1, [](U d, C s, C, int, int, ptrdiff_t n) { K().kern_alpha_over(d, s, n); },
         [](bool e, U d, C s, C, int, int, ptrdiff_t n) { ref::alpha_over(e, d, s, n); }, 0, 0, 0, 0},
        {"6 alpha_over_opacity", 1,
         [](U d, C s, C, int o, int, ptrdiff_t n) { K().kern_alpha_over_opacity(d, s, o, n); },
         [](bool e, U d, C s, C, int o, int, ptrdiff_t n) { ref::alpha_over_opacity(e, d, s, o, n); },
         -20, 280, 0, 0},
        {"7 mask_blend", 2,
         [](U d, C s, C m, int p, int sf, ptrdiff_t n) { K().kern_mask_blend(d, s, m, p, sf, n); },
         [](bool e, U d, C s, C m, int p, int sf, ptrdiff_t n) { ref::mask_blend(e, d, s, m, p, sf, n); },
         0, 256, 0, 300},
        {"8 crossfade", 2, [](U d, C a, C b, int w, int, ptrdiff_t n) { K().kern_crossfade(d, a, b, w, n); },
         [](bool e, U d, C a, C b, int w, int, ptrdiff_t n) { ref::crossfade(e, d, a, b, w, n); }, 0, 256, 0, 0},
        {"9 add_sat", 1, [](U d, C s, C, int, int, ptrdiff_t n) { K().kern_add_sat(d, s, n); },
         [](bool, U d, C s, C, int, int, ptrdiff_t n) { ref::add_sat(d, s, n); }, 0, 0, 0, 0},
        {"10 add_opacity", 1, [](U d, C s, C, int o, int, ptrdiff_t n) { K().kern_add_opacity(d, s, o, n); },
         [](bool, U d, C s, C, int o, int, ptrdiff_t n) { ref::add_opacity(d, s, o, n); }, 0, 256, 0, 0},
        {"11 add_alpha", 1, [](U d, C s, C, int, int, ptrdiff_t n) { K().kern_add_alpha(d, s, n); },
         [](bool, U d, C s, C, int, int, ptrdiff_t n) { ref::add_alpha(d, s, n); }, 0, 0, 0, 0},
        {"12 add_alpha_opacity", 1,
         [](U d, C s, C, int o, int, ptrdiff_t n) { K().kern_add_alpha_opacity(d, s, o, n); },
         [](bool, U d, C s, C, int o, int, ptrdiff_t n) { ref::add_alpha_opacity(d, s, o, n); }, 0, 256, 0, 0},
        {"13 sub_sat", 1, [](U d, C s, C, int, int, ptrdiff_t n) { K().kern_sub_sat(d, s, n); },
         [](bool, U d, C s, C, int, int, ptrdiff_t n) { ref::sub_sat(d, s, n); }, 0, 0, 0, 0},
        {"14 multiply", 1, [](U d, C s, C, int, int, ptrdiff_t n) { K().kern_multiply(d, s, n); },
         [](bool, U d, C s, C, int, int, ptrdiff_t n) { ref::multiply(d, s, n); }, 0, 0, 0, 0},
        {"15 screen", 1, [](U d, C s, C, int, int, ptrdiff_t n) { K().kern_screen(d, s, n); },
         [](bool, U d, C s, C, int, int, ptrdiff_t n) { ref::screen(d, s, n); }, 0, 0, 0, 0},
        {"16 screen_opacity", 1,
         [](U d, C s, C, int o, int, ptrdiff_t n) { K().kern_screen_opacity(d, s, o, n); },
         [](bool, U d, C s, C, int o, int, ptrdiff_t n) { ref::screen_opacity(d, s, o, n); }, 0, 256, 0, 0},
        {"17 lighten", 1, [](U d, C s, C, int, int, ptrdiff_t n) { K().kern_lighten(d, s, n); },
         [](bool, U d, C s, C, int, int, ptrdiff_t n) { ref::lighten(d, s, n); }, 0, 0, 0, 0},
        {"18 darken", 1, [](U d, C s, C, int, int, ptrdiff_t n) { K().kern_darken(d, s, n); },
         [](bool, U d, C s, C, int, int, ptrdiff_t n) { ref::darken(d, s, n); }, 0, 0, 0, 0},
        {"19 linear_burn", 1, [](U d, C s, C, int, int, ptrdiff_t n) { K().kern_linear_burn(d, s, n); },
         [](bool, U d, C s, C, int, int, ptrdiff_t n) { ref::linear_burn(d, s, n); }, 0, 0, 0, 0},
        {"20 linear_light", 1, [](U d, C s, C, int, int, ptrdiff_t n) { K().kern_linear_light(d, s, n); },
         [](bool, U d, C s, C, int, int, ptrdiff_t n) { ref::linear_light(d, s, n); }, 0, 0, 0, 0},
        {"22 dst_alpha", 1, [](U d, C s, C, int, int, ptrdiff_t n) { K().kern_alpha_over_dst_alpha(d, s, n); },
         [](bool, U d, C s, C, int, int, ptrdiff_t n) { ref::dst_alpha(d, s, n); }, 0, 0, 0, 0},
        {"23 dst_alpha_opacity", 1,
         [](U d, C s, C, int o, int, ptrdiff_t n) { K().kern_alpha_over_dst_alpha_opacity(d, s, o, n); },
         [](bool, U d, C s, C, int o, int, ptrdiff_t n) { ref::dst_alpha_opacity(d, s, o, n); }, 0, 256, 0, 0},
        {"24 dst_alpha_scaled", 1,
         [](U d, C s, C, int k, int, ptrdiff_t n) { K().kern_alpha_over_dst_alpha_scaled(d, s, k, n); },
         [](bool, U d, C s, C, int k, int, ptrdiff_t n) { ref::dst_alpha_scaled(d, s, k, n); }, -64, 1024, 0, 0},
        {"25 dst_alpha_div", 1,
         [](U d, C s, C, int k, int o, ptrdiff_t n) { K().kern_alpha_over_dst_alpha_div(d, s, k, o, n); },
         [](bool, U d, C s, C, int k, int o, ptrdiff_t n) { ref::dst_alpha_div(d, s, k, o, n); },
         -64, 1024, 0, 256},
    };
}

// Parameters worth more than their share of random draws.
int pick_param(TestRng &rng, int lo, int hi)
{
    static const int special[] = {0, 1, 2, 127, 128, 129, 254, 255, 256};
    if (rng.range(0, 2) == 0) {
        int v = special[rng.range(0, 8)];
        if (v >= lo && v <= hi)
            return v;
    }
    return rng.range(lo, hi);
}

}  // namespace

TEST(KernelSlots, EverySlotMatchesItsStatement)
{
    ensure_blend_tables();
    const int kMax = 1000, kPad = 64;
    GuardedBuffer gd(kMax + 256), gs(kMax + 256), gt(kMax + 256);
    ASSERT_TRUE(gd.ok() && gs.ok() && gt.ok());
    std::vector<uint8_t> ref_store(kMax + 4 * kPad), before(kMax + 4 * kPad);
    for (const KernelSetConfig &cfg : kernel_set_configs()) {
        install_pixel_kernels(cfg.level, cfg.wide);
        bool ext = cfg.level >= KV_KERNEL_LEVEL_SSE;
        int seed = 1;
        for (const SlotCase &sc : slot_cases()) {
            TestRng rng(seed++ * 7919 + cfg.level * 31 + cfg.wide);
            for (int trial = 0; trial < 400; trial++) {
                SCOPED_TRACE(cfg.name + " slot " + sc.name + " trial " + std::to_string(trial));
                int n = trial < 40 ? trial : rng.range(0, kMax);
                bool guard = trial % 2 == 0;
                uint8_t *d, *s, *t;
                size_t od = 0;
                if (guard) {   // row ends touch the inaccessible page
                    d = gd.at_end(n);
                    s = gs.at_end(n);
                    t = gt.at_end(n);
                } else {       // any alignment, canaries on both sides
                    od = kPad + rng.range(0, 31);
                    d = gd.at(od);
                    s = gs.at(kPad + rng.range(0, 31));
                    t = gt.at(kPad + rng.range(0, 31));
                    rng.pixels(gd.at(0), od + n + kPad);
                }
                rng.pixels(d, n);
                rng.pixels(s, n);
                rng.pixels(t, n);
                if (sc.sources == 2 && std::string(sc.name) == "7 mask_blend") {
                    fill_rule_weights(rng.range(0, 256), rng.range(0, 3) == 0 ? 256 : rng.range(0, 300),
                                      rng.range(0, 256));
                    if (trial % 8 == 1)   // weights no compositor makes: still the formula
                        for (int k = 0; k < 256; k++)
                            g_rule_weights[k] = rng.range(-300, 1000);
                }
                int p1 = pick_param(rng, sc.p1_lo, sc.p1_hi);
                int p2 = rng.range(0, 3) == 0 && sc.p2_hi >= 256 ? 256 : pick_param(rng, sc.p2_lo, sc.p2_hi);
                std::vector<uint8_t> s_copy(s, s + n), t_copy(t, t + n);
                // The reference works on a copy with the same address modulo 64.
                uint8_t *r = ref_store.data() + ((64 - ((uintptr_t)ref_store.data() & 63)) & 63) +
                             ((uintptr_t)d & 63);
                std::memcpy(r, d, n);
                if (!guard)
                    std::memcpy(before.data(), gd.at(0), od + n + kPad);
                sc.kernel(d, s, t, p1, p2, n);
                sc.ref(ext, r, s, t, p1, p2, n);
                ASSERT_EQ(0, std::memcmp(r, d, n)) << "n=" << n << " p1=" << p1 << " p2=" << p2;
                ASSERT_TRUE(std::equal(s_copy.begin(), s_copy.end(), s));
                ASSERT_TRUE(std::equal(t_copy.begin(), t_copy.end(), t));
                if (!guard) {
                    ASSERT_EQ(0, std::memcmp(before.data(), gd.at(0), od)) << "canary before";
                    ASSERT_EQ(0, std::memcmp(before.data() + od + n, d + n, kPad)) << "canary after";
                }
            }
        }
    }
}

// Every pair of source and destination alignments within 32 bytes.
TEST(KernelSlots, EveryAlignmentPair)
{
    ensure_blend_tables();
    const int kPad = 64;
    std::vector<uint8_t> dbuf(512), sbuf(512), tbuf(512), rbuf(512), keep(512);
    for (const KernelSetConfig &cfg : kernel_set_configs()) {
        install_pixel_kernels(cfg.level, cfg.wide);
        bool ext = cfg.level >= KV_KERNEL_LEVEL_SSE;
        TestRng rng(cfg.level + 100 * cfg.wide);
        fill_rule_weights(120, 40, 256);
        for (const SlotCase &sc : slot_cases())
            for (int od = 0; od < 32; od++)
                for (int os = 0; os < 32; os++) {
                    SCOPED_TRACE(cfg.name + " slot " + sc.name + " od " + std::to_string(od) +
                                 " os " + std::to_string(os));
                    int n = rng.range(0, 120);
                    uint8_t *base = dbuf.data() + ((64 - ((uintptr_t)dbuf.data() & 63)) & 63);
                    uint8_t *d = base + kPad + od;
                    uint8_t *s = sbuf.data() + kPad + os, *t = tbuf.data() + kPad + (31 - os);
                    rng.pixels(base, kPad * 2 + 32 + n);
                    rng.pixels(s, n);
                    rng.pixels(t, n);
                    std::memcpy(keep.data(), base, kPad * 2 + 32 + n);
                    uint8_t *r = rbuf.data() + ((64 - ((uintptr_t)rbuf.data() & 63)) & 63) + kPad + od;
                    std::memcpy(r, d, n);
                    int p1 = rng.range(sc.p1_lo, sc.p1_hi), p2 = rng.range(sc.p2_lo, sc.p2_hi);
                    sc.kernel(d, s, t, p1, p2, n);
                    sc.ref(ext, r, s, t, p1, p2, n);
                    ASSERT_TRUE(std::equal(r, r + n, d)) << "n=" << n;
                    ASSERT_EQ(0, std::memcmp(keep.data(), base, kPad + od));
                    ASSERT_EQ(0, std::memcmp(keep.data() + kPad + od + n, d + n, kPad));
                }
    }
}

TEST(KernelSlots, HalfBoxMatchesItsStatement)
{
    GuardedBuffer gd(4096 + 256), gs(3 * 4096 + 256);
    ASSERT_TRUE(gd.ok() && gs.ok());
    for (const KernelSetConfig &cfg : kernel_set_configs()) {
        install_pixel_kernels(cfg.level, cfg.wide);
        bool ext = cfg.level >= KV_KERNEL_LEVEL_SSE;
        TestRng rng(cfg.level * 10 + cfg.wide);
        for (int trial = 0; trial < 300; trial++) {
            SCOPED_TRACE(cfg.name + " trial " + std::to_string(trial));
            int count = trial < 20 ? trial : rng.range(0, 500);      // destination pixels
            int pitch = 2 * count + rng.range(0, 9);                   // source pixels per row
            size_t src_bytes = ((size_t)pitch + 2 * count) * 4;        // row 0 and row 1
            uint8_t *d = gd.at_end(count * 4), *s = gs.at_end(src_bytes);
            rng.pixels(d, count * 4);
            rng.pixels(s, src_bytes);
            std::vector<uint8_t> r(d, d + count * 4);
            g_pixel_kernels.kern_half_box(d, s, pitch, count);
            ref::half_box(ext, r.data(), s, pitch, count);
            ASSERT_TRUE(std::equal(r.begin(), r.end(), d)) << count;
        }
    }
}

// --- the listed cases of the slots -------------------------------------------------------

TEST(KernelSlots, CountZeroChangesNothing)
{
    ensure_blend_tables();
    for (const KernelSetConfig &cfg : kernel_set_configs()) {
        install_pixel_kernels(cfg.level, cfg.wide);
        for (const SlotCase &sc : slot_cases()) {
            uint8_t d[16], s[16], t[16];
            std::memset(d, 0x5A, 16);
            std::memset(s, 0xC3, 16);
            std::memset(t, 0x11, 16);
            sc.kernel(d, s, t, 128, 128, 0);
            for (uint8_t b : d)
                ASSERT_EQ(0x5A, b) << cfg.name << " " << sc.name;
        }
        uint8_t d[8] = {1, 2, 3, 4, 5, 6, 7, 8}, s[16] = {};
        g_pixel_kernels.kern_half_box(d, s, 2, 0);
        EXPECT_EQ(1, d[0]);
    }
}

TEST(KernelSlots, Fill32CountTwelveStoresThreeValues)
{
    uint8_t d[16];
    std::memset(d, 0xEE, sizeof d);
    install_pixel_kernels(KV_KERNEL_LEVEL_SSE2, 0);
    g_pixel_kernels.kern_fill32(d, 12, 0x44332211u);
    for (int i = 0; i < 12; i++)
        EXPECT_EQ(0x11 * (i % 4 + 1), d[i]);
    for (int i = 12; i < 16; i++)
        EXPECT_EQ(0xEE, d[i]);
}

TEST(KernelSlots, LerpAtHalfRoundsBySet)
{
    uint8_t s[12], d[12];
    std::memset(s, 1, sizeof s);
    std::memset(d, 0, sizeof d);
    install_pixel_kernels(KV_KERNEL_LEVEL_BASIC, 0);
    g_pixel_kernels.kern_lerp_const(d, s, 128, 12);
    for (int i = 0; i < 8; i++)
        EXPECT_EQ(0, d[i]);
    std::memset(d, 0, sizeof d);
    install_pixel_kernels(KV_KERNEL_LEVEL_SSE2, 0);
    g_pixel_kernels.kern_lerp_const(d, s, 128, 12);
    for (int i = 0; i < 8; i++)
        EXPECT_EQ(1, d[i]);
    for (int i = 8; i < 12; i++)
        EXPECT_EQ(0, d[i]);   // tail bytes: (1 * 128) >> 8 in both sets
}

TEST(KernelSlots, BasicAlphaOverOpaqueGroupTakesSourceAlphaTailKeepsIt)
{
    install_pixel_kernels(KV_KERNEL_LEVEL_BASIC, 0);
    alignas(16) uint8_t d[12] = {9, 9, 9, 7, 9, 9, 9, 7, 9, 9, 9, 7};
    alignas(16) uint8_t s[12] = {1, 2, 3, 255, 4, 5, 6, 255, 10, 20, 30, 255};
    g_pixel_kernels.kern_alpha_over(d, s, 12);
    EXPECT_EQ(0, std::memcmp(d, s, 8));
    EXPECT_EQ(10, d[8]);
    EXPECT_EQ(20, d[9]);
    EXPECT_EQ(30, d[10]);
    EXPECT_EQ(7, d[11]);
}

TEST(KernelSlots, ExtendedAlphaOverBlendsSinglePixelsUntilAligned)
{
    install_pixel_kernels(KV_KERNEL_LEVEL_SSE2, 0);
    alignas(16) uint8_t buf[20];
    uint8_t *d = buf + 4;   // one pixel before the 8-byte boundary
    for (int i = 0; i < 16; i++)
        d[i] = 9;
    alignas(16) uint8_t s[16];
    for (int i = 0; i < 16; i++)
        s[i] = (i % 4 == 3) ? 255 : 50;
    g_pixel_kernels.kern_alpha_over(d, s, 16);
    EXPECT_EQ(9, d[3]);    // single pixel: destination alpha kept
    EXPECT_EQ(255, d[7]);  // group: alpha blended too
    EXPECT_EQ(255, d[11]);
    EXPECT_EQ(9, d[15]);   // tail pixel
}

TEST(KernelSlots, DstAlphaCases)
{
    ensure_blend_tables();
    uint8_t d[8] = {1, 2, 3, 0, 1, 2, 3, 0};
    uint8_t s[8] = {100, 110, 120, 77, 100, 110, 120, 0};
    g_pixel_kernels.kern_alpha_over_dst_alpha(d, s, 8);
    EXPECT_EQ(100, d[0]);
    EXPECT_EQ(110, d[1]);
    EXPECT_EQ(120, d[2]);
    EXPECT_EQ(77, d[3]);
    EXPECT_EQ(1, d[4]);   // both alphas 0: unchanged
    EXPECT_EQ(0, d[7]);
}

// The mended overflows: slot 23 and 25 stay within a byte; slot 24 with a
// large factor indexes the tables within range.
TEST(KernelSlots, DstAlphaVariantsSaturate)
{
    ensure_blend_tables();
    uint8_t d[4] = {0, 255, 128, 0}, s[4] = {255, 0, 255, 255};
    g_pixel_kernels.kern_alpha_over_dst_alpha_opacity(d, s, 100, 4);
    EXPECT_EQ(255, d[0]);
    EXPECT_EQ(0, d[1]);
    uint8_t d2[4] = {10, 20, 30, 255}, s2[4] = {200, 200, 200, 128};
    g_pixel_kernels.kern_alpha_over_dst_alpha_scaled(d2, s2, 100000, 4);
    EXPECT_EQ(255, d2[3]);
    uint8_t d3[4] = {100, 200, 0, 0}, s3[4] = {0, 0, 255, 255};
    g_pixel_kernels.kern_alpha_over_dst_alpha_div(d3, s3, 256, 1, 4);
    EXPECT_EQ(0, d3[0]);   // 100 - 255 without the saturation
    EXPECT_EQ(0, d3[1]);
}

// --- the choice of the set -----------------------------------------------------------------

TEST(KernelChoice, LevelByFeaturesAndSettings)
{
    for (int sse = 0; sse < 2; sse++)
        for (int sse2 = 0; sse2 < 2; sse2++)
            for (int allow_sse = 0; allow_sse < 2; allow_sse++)
                for (int allow_sse2 = 0; allow_sse2 < 2; allow_sse2++) {
                    CpuFeatures f = {};
                    f.mmx = 1;
                    f.sse = (uint8_t)sse;
                    f.sse2 = (uint8_t)sse2;
                    int want = 1;
                    if (sse && allow_sse)
                        want = 2;
                    if (sse2 && allow_sse2)
                        want = 3;
                    EXPECT_EQ(want, kernel_level_for(f, allow_sse, allow_sse2))
                        << sse << sse2 << allow_sse << allow_sse2;
                }
}

TEST(KernelChoice, InstalledSetFollowsLevel)
{
    install_pixel_kernels(KV_KERNEL_LEVEL_BASIC, 0);
    KernRowOpFn basic = g_pixel_kernels.kern_lerp_const;
    install_pixel_kernels(KV_KERNEL_LEVEL_SSE, 0);
    KernRowOpFn ext2 = g_pixel_kernels.kern_lerp_const;
    install_pixel_kernels(KV_KERNEL_LEVEL_SSE2, 0);
    EXPECT_NE(basic, ext2);
    EXPECT_EQ(ext2, g_pixel_kernels.kern_lerp_const);
    EXPECT_EQ(KV_KERNEL_LEVEL_SSE2, g_kernel_level);
}

TEST(KernelChoice, FeaturesDetectedOnThisMachine)
{
    detect_cpu_features();
    EXPECT_EQ(1, cpuid_available());
    EXPECT_EQ(1, g_cpu_features.mmx);
    EXPECT_EQ(1, g_cpu_features.sse);
    EXPECT_EQ(1, g_cpu_features.sse2);
}

TEST(KernelChoice, SettingsWordsZeroForceTheBasicSet)
{
    uint8_t keep_sse = g_cfg_sse_enabled, keep_sse2 = g_cfg_sse2_enabled;
    g_cfg_sse_enabled = 0;
    g_cfg_sse2_enabled = 0;
    init_pixel_kernels();
    EXPECT_EQ(KV_KERNEL_LEVEL_BASIC, g_kernel_level);
    g_cfg_sse_enabled = 1;
    init_pixel_kernels();
    EXPECT_EQ(KV_KERNEL_LEVEL_SSE, g_kernel_level);
    g_cfg_sse2_enabled = 1;
    init_pixel_kernels();
    EXPECT_EQ(KV_KERNEL_LEVEL_SSE2, g_kernel_level);
    g_cfg_sse_enabled = keep_sse;
    g_cfg_sse2_enabled = keep_sse2;
}
