// Blend row functions and the table g_blend_fns.
//
// Every update d += (R - d) * w >> k uses an arithmetic shift of the signed
// product. R is the mode's result for the source and destination byte
// (mode 0: the source byte). The full-opacity entries of the common modes go
// to the pixel kernels, whose whole 8-byte groups may round differently.
#include <utility>

#include "graphics/blend.h"
#include "graphics/kernels.h"

BlendFn g_blend_fns[KV_BLEND_FNS];

void build_blend_result_tables();

template <int M>
static inline int blend_r(int s, int d)
{
    if (M == 0)
        return s;
    if (M == 1)
        return g_blend_add_table[s + d];
    if (M == 2)
        return g_blend_sub_table[s - d + 255];
    return g_blend_results[M][s][d];
}

// --- kind A: all four bytes ---------------------------------------------------------

template <int M>
static void blend_row_a_full(uint8_t *dst, const uint8_t *src, int, ptrdiff_t count)
{
    for (ptrdiff_t i = 0; i < count; i++)
        dst[i] = (uint8_t)blend_r<M>(src[i], dst[i]);
}

template <int M>
static void blend_row_a_partial(uint8_t *dst, const uint8_t *src, int o, ptrdiff_t count)
{
    for (ptrdiff_t i = 0; i < count; i++) {
        int d = dst[i];
        dst[i] = (uint8_t)(d + (((blend_r<M>(src[i], d) - d) * o) >> 8));
    }
}

// Difference at partial opacity truncates toward 0 through the /256 table.
static void blend_row_a_partial_difference(uint8_t *dst, const uint8_t *src, int o, ptrdiff_t count)
{
    const int16_t *p = g_product_div256[blend_opacity_clamp(o)] + 255;
    for (ptrdiff_t i = 0; i < count; i++) {
        int d = dst[i];
        dst[i] = (uint8_t)(d + p[blend_r<8>(src[i], d) - d]);
    }
}

// --- kind B: B, G, R weighted by the source alpha -------------------------------------

template <int M>
static inline void blend_pixel_weighted(uint8_t *d, const uint8_t *s, int w, int shift)
{
    d[0] = (uint8_t)(d[0] + (((blend_r<M>(s[0], d[0]) - d[0]) * w) >> shift));
    d[1] = (uint8_t)(d[1] + (((blend_r<M>(s[1], d[1]) - d[1]) * w) >> shift));
    d[2] = (uint8_t)(d[2] + (((blend_r<M>(s[2], d[2]) - d[2]) * w) >> shift));
}

template <int M>
static void blend_row_b_full(uint8_t *dst, const uint8_t *src, int, ptrdiff_t count)
{
    for (ptrdiff_t i = 0; i + 4 <= count; i += 4)
        blend_pixel_weighted<M>(dst + i, src + i, src[i + 3] + 1, 8);
}

template <int M>
static void blend_row_b_partial(uint8_t *dst, const uint8_t *src, int o, ptrdiff_t count)
{
    for (ptrdiff_t i = 0; i + 4 <= count; i += 4)
        blend_pixel_weighted<M>(dst + i, src + i, (o * (src[i + 3] + 1)) >> 8, 8);
}

// --- kinds C and D: rule mask, applied only where the weight is above 1 ---------------

template <int M>
static void blend_row_c(uint8_t *dst, const uint8_t *src, const uint8_t *mask, int, int,
                        ptrdiff_t count)
{
    for (ptrdiff_t i = 0; i + 4 <= count; i += 4) {
        int w = g_rule_weights[mask[i]];
        if (w > 1)
            blend_pixel_weighted<M>(dst + i, src + i, w, 8);
    }
}

// Mode 0 weighs by W * alpha, the others by W * (alpha + 1).
template <int M>
static void blend_row_d(uint8_t *dst, const uint8_t *src, const uint8_t *mask, int, int,
                        ptrdiff_t count)
{
    for (ptrdiff_t i = 0; i + 4 <= count; i += 4) {
        int w = g_rule_weights[mask[i]];
        if (w > 1)
            blend_pixel_weighted<M>(dst + i, src + i, w * (src[i + 3] + (M == 0 ? 0 : 1)), 16);
    }
}

// --- entries that go to the pixel kernels ---------------------------------------------

#define KV_KERNEL_ROW(name, slot)                                                   \
    static void name(uint8_t *dst, const uint8_t *src, int, ptrdiff_t count)        \
    {                                                                               \
        g_pixel_kernels.slot(dst, src, count);                                      \
    }
#define KV_KERNEL_ROW_OP(name, slot)                                                \
    static void name(uint8_t *dst, const uint8_t *src, int o, ptrdiff_t count)      \
    {                                                                               \
        g_pixel_kernels.slot(dst, src, o, count);                                   \
    }
KV_KERNEL_ROW(blend_row_copy, kern_copy)
KV_KERNEL_ROW(blend_row_add, kern_add_sat)
KV_KERNEL_ROW(blend_row_sub, kern_sub_sat)
KV_KERNEL_ROW(blend_row_multiply, kern_multiply)
KV_KERNEL_ROW(blend_row_screen, kern_screen)
KV_KERNEL_ROW(blend_row_lighten, kern_lighten)
KV_KERNEL_ROW(blend_row_darken, kern_darken)
KV_KERNEL_ROW(blend_row_linear_burn, kern_linear_burn)
KV_KERNEL_ROW(blend_row_linear_light, kern_linear_light)
KV_KERNEL_ROW(blend_row_alpha_over, kern_alpha_over)
KV_KERNEL_ROW(blend_row_add_alpha, kern_add_alpha)
KV_KERNEL_ROW_OP(blend_row_lerp, kern_lerp_const)
KV_KERNEL_ROW_OP(blend_row_add_opacity, kern_add_opacity)
KV_KERNEL_ROW_OP(blend_row_screen_opacity, kern_screen_opacity)
KV_KERNEL_ROW_OP(blend_row_alpha_over_opacity, kern_alpha_over_opacity)
KV_KERNEL_ROW_OP(blend_row_add_alpha_opacity, kern_add_alpha_opacity)

static void blend_row_mask_kernel(uint8_t *dst, const uint8_t *src, const uint8_t *mask,
                                  int progress, int softness, ptrdiff_t count)
{
    g_pixel_kernels.kern_mask_blend(dst, src, mask, progress, softness, count);
}

// --- the table ----------------------------------------------------------------------

static BlendFn &entry(int kind, int mode, int full)
{
    return g_blend_fns[kind * KV_BLEND_MODE_SLOTS * 2 + mode * 2 + full];
}

template <int M>
static void fill_mode()
{
    entry(BLEND_KIND_PLAIN, M, 1).row = blend_row_a_full<M>;
    entry(BLEND_KIND_PLAIN, M, 0).row = blend_row_a_partial<M>;
    entry(BLEND_KIND_ALPHA, M, 1).row = blend_row_b_full<M>;
    entry(BLEND_KIND_ALPHA, M, 0).row = blend_row_b_partial<M>;
    entry(BLEND_KIND_MASK, M, 1).masked_row = blend_row_c<M>;
    entry(BLEND_KIND_MASK, M, 0).masked_row = blend_row_c<M>;
    entry(BLEND_KIND_MASK_ALPHA, M, 0).masked_row = blend_row_d<M>;
}

template <int... M>
static void fill_modes(std::integer_sequence<int, M...>)
{
    (fill_mode<M>(), ...);
}

void init_blend_fn_table()
{
    build_blend_result_tables();
    for (BlendFn &f : g_blend_fns)
        f = BlendFn{nullptr, nullptr};
    fill_modes(std::make_integer_sequence<int, KV_BLEND_MODES>());

    const int A = BLEND_KIND_PLAIN, B = BLEND_KIND_ALPHA, C = BLEND_KIND_MASK;
    entry(A, 0, 1).row = blend_row_copy;
    entry(A, 1, 1).row = blend_row_add;
    entry(A, 2, 1).row = blend_row_sub;
    entry(A, 3, 1).row = blend_row_multiply;
    entry(A, 5, 1).row = blend_row_screen;
    entry(A, 6, 1).row = blend_row_lighten;
    entry(A, 7, 1).row = blend_row_darken;
    entry(A, 13, 1).row = blend_row_linear_burn;
    entry(A, 17, 1).row = blend_row_linear_light;
    entry(A, 0, 0).row = blend_row_lerp;
    entry(A, 1, 0).row = blend_row_add_opacity;
    entry(A, 5, 0).row = blend_row_screen_opacity;
    entry(A, 8, 0).row = blend_row_a_partial_difference;
    entry(B, 0, 1).row = blend_row_alpha_over;
    entry(B, 1, 1).row = blend_row_add_alpha;
    entry(B, 0, 0).row = blend_row_alpha_over_opacity;
    entry(B, 1, 0).row = blend_row_add_alpha_opacity;
    entry(C, 0, 1).masked_row = blend_row_mask_kernel;
}
