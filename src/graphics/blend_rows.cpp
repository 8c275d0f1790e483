// Blend row functions and the table g_blend_fns.
//
// Every update d += (R - d) * w >> k uses an arithmetic shift of the signed
// product. R is the mode's result for the source and destination byte
// (mode 0: the source byte). The full-opacity entries of the common modes go
// to the pixel kernels, whose whole 8-byte groups may round differently.
#include <utility>

#include "graphics/blend.h"
#include "graphics/kernels.h"
#include "graphics/kernels_impl.h"

BlendFn g_blend_fns[KV_BLEND_FNS];

void build_blend_result_tables();   // blend_tables.cpp

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
static void blend_row_a_partial_scalar(uint8_t *dst, const uint8_t *src, int o, ptrdiff_t count)
{
    for (ptrdiff_t i = 0; i < count; i++) {
        int d = dst[i];
        dst[i] = (uint8_t)(d + (((blend_r<M>(src[i], d) - d) * o) >> 8));
    }
}

// Difference at partial opacity truncates toward 0 through the /256 table.
static void blend_row_a_partial_difference_scalar(uint8_t *dst, const uint8_t *src, int o,
                                                  ptrdiff_t count)
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
static void blend_row_b_scalar(uint8_t *dst, const uint8_t *src, int o, bool full, ptrdiff_t count)
{
    for (ptrdiff_t i = 0; i + 4 <= count; i += 4)
        blend_pixel_weighted<M>(dst + i, src + i, full ? src[i + 3] + 1 : (o * (src[i + 3] + 1)) >> 8, 8);
}

// --- kinds C and D: rule mask, applied only where the weight is above 1 ---------------

template <int M>
static inline void blend_pixel_c(uint8_t *dst, const uint8_t *src, const uint8_t *mask)
{
    int w = g_rule_weights[mask[0]];
    if (w > 1)
        blend_pixel_weighted<M>(dst, src, w, 8);
}


// --- vector weighting --------------------------------------------------------------------
// The table rows look the results up for a chunk of the row first and then
// weigh them in: d += (R - d) * w >> 8 per 16-bit lane, exact for weights
// 0..256 (the 17-bit product is taken from its two halves).

static inline __m128i kv_weigh16(__m128i d16, __m128i r16, __m128i w16)
{
    __m128i diff = _mm_sub_epi16(r16, d16);
    __m128i lo = _mm_mullo_epi16(diff, w16), hi = _mm_mulhi_epi16(diff, w16);
    return _mm_add_epi16(d16, _mm_or_si128(_mm_slli_epi16(hi, 8), _mm_srli_epi16(lo, 8)));
}

static inline __m128i kv_weigh_block(__m128i d, __m128i r, __m128i w_lo, __m128i w_hi)
{
    __m128i z = _mm_setzero_si128();
    __m128i lo = kv_weigh16(_mm_unpacklo_epi8(d, z), _mm_unpacklo_epi8(r, z), w_lo);
    __m128i hi = kv_weigh16(_mm_unpackhi_epi8(d, z), _mm_unpackhi_epi8(r, z), w_hi);
    return _mm_packus_epi16(lo, hi);
}

static const ptrdiff_t KV_CHUNK = 256;   // bytes looked up at a time

template <int M>
static inline void lookup_chunk(uint8_t *r, const uint8_t *dst, const uint8_t *src, ptrdiff_t n)
{
    for (ptrdiff_t k = 0; k < n; k++)
        r[k] = (uint8_t)blend_r<M>(src[k], dst[k]);
}
// B, G, R only: the alpha lanes carry weight 0 (r stays as it was).
template <int M>
static inline void lookup_chunk_colour(uint8_t *r, const uint8_t *dst, const uint8_t *src, ptrdiff_t n)
{
    for (ptrdiff_t k = 0; k < n; k += 4) {
        r[k] = (uint8_t)blend_r<M>(src[k], dst[k]);
        r[k + 1] = (uint8_t)blend_r<M>(src[k + 1], dst[k + 1]);
        r[k + 2] = (uint8_t)blend_r<M>(src[k + 2], dst[k + 2]);
    }
}

template <int M>
static void blend_row_a_partial(uint8_t *dst, const uint8_t *src, int o, ptrdiff_t count)
{
    if (o < 0 || o > 256) {
        blend_row_a_partial_scalar<M>(dst, src, o, count);
        return;
    }
    alignas(16) uint8_t r[KV_CHUNK];
    __m128i w = _mm_set1_epi16((short)o);
    ptrdiff_t i = 0;
    while (count - i >= 16) {
        ptrdiff_t n = count - i < KV_CHUNK ? (count - i) & ~(ptrdiff_t)15 : KV_CHUNK;
        lookup_chunk<M>(r, dst + i, src + i, n);
        for (ptrdiff_t k = 0; k < n; k += 16)
            kv_store16(dst + i + k, kv_weigh_block(kv_load16(dst + i + k), kv_load16(r + k), w, w));
        i += n;
    }
    blend_row_a_partial_scalar<M>(dst + i, src + i, o, count - i);
}

// The same sixteen bytes at a time: trunc((R - d) * o / 256) is the product of
// |R - d| shifted, with the sign put back.
static inline __m128i kv_weigh_trunc16(__m128i d16, __m128i r16, __m128i w16)
{
    __m128i diff = _mm_sub_epi16(r16, d16);
    __m128i neg = _mm_cmpgt_epi16(_mm_setzero_si128(), diff);
    __m128i mag = _mm_sub_epi16(_mm_xor_si128(diff, neg), neg);
    __m128i q = _mm_srli_epi16(_mm_mullo_epi16(mag, w16), 8);
    return _mm_add_epi16(d16, _mm_sub_epi16(_mm_xor_si128(q, neg), neg));
}

static void blend_row_a_partial_difference(uint8_t *dst, const uint8_t *src, int o, ptrdiff_t count)
{
    o = blend_opacity_clamp(o);
    alignas(16) uint8_t r[KV_CHUNK];
    const __m128i z = _mm_setzero_si128(), w = _mm_set1_epi16((short)o);
    ptrdiff_t i = 0;
    while (count - i >= 16) {
        ptrdiff_t n = count - i < KV_CHUNK ? (count - i) & ~(ptrdiff_t)15 : KV_CHUNK;
        lookup_chunk<8>(r, dst + i, src + i, n);
        for (ptrdiff_t k = 0; k < n; k += 16) {
            __m128i d = kv_load16(dst + i + k), rr = kv_load16(r + k);
            __m128i lo = kv_weigh_trunc16(_mm_unpacklo_epi8(d, z), _mm_unpacklo_epi8(rr, z), w);
            __m128i hi = kv_weigh_trunc16(_mm_unpackhi_epi8(d, z), _mm_unpackhi_epi8(rr, z), w);
            kv_store16(dst + i + k, _mm_packus_epi16(lo, hi));
        }
        i += n;
    }
    blend_row_a_partial_difference_scalar(dst + i, src + i, o, count - i);
}

// Kind B: weight a + 1 (full) or o * (a + 1) >> 8 (partial), none on alpha.
template <int M, bool FULL>
static void blend_row_b(uint8_t *dst, const uint8_t *src, int o, ptrdiff_t count)
{
    if (!FULL && (o < 0 || o > 255)) {
        blend_row_b_scalar<M>(dst, src, o, FULL, count);
        return;
    }
    alignas(16) uint8_t r[KV_CHUNK] = {};
    const __m128i z = _mm_setzero_si128(), one = _mm_set1_epi16(1), vo = _mm_set1_epi16((short)o);
    const __m128i colour = _mm_set_epi16(0, -1, -1, -1, 0, -1, -1, -1);
    ptrdiff_t i = 0;
    while (count - i >= 16) {
        ptrdiff_t n = count - i < KV_CHUNK ? (count - i) & ~(ptrdiff_t)15 : KV_CHUNK;
        lookup_chunk_colour<M>(r, dst + i, src + i, n);
        for (ptrdiff_t k = 0; k < n; k += 16) {
            __m128i s = kv_load16(src + i + k);
            __m128i w_lo = _mm_add_epi16(kv_alpha16(_mm_unpacklo_epi8(s, z)), one);
            __m128i w_hi = _mm_add_epi16(kv_alpha16(_mm_unpackhi_epi8(s, z)), one);
            if (!FULL) {
                w_lo = _mm_srli_epi16(_mm_mullo_epi16(w_lo, vo), 8);
                w_hi = _mm_srli_epi16(_mm_mullo_epi16(w_hi, vo), 8);
            }
            w_lo = _mm_and_si128(w_lo, colour);
            w_hi = _mm_and_si128(w_hi, colour);
            kv_store16(dst + i + k, kv_weigh_block(kv_load16(dst + i + k), kv_load16(r + k), w_lo, w_hi));
        }
        i += n;
    }
    blend_row_b_scalar<M>(dst + i, src + i, o, FULL, count - i);
}

template <int M>
static void blend_row_b_full(uint8_t *dst, const uint8_t *src, int o, ptrdiff_t count)
{
    blend_row_b<M, true>(dst, src, o, count);
}
template <int M>
static void blend_row_b_partial(uint8_t *dst, const uint8_t *src, int o, ptrdiff_t count)
{
    blend_row_b<M, false>(dst, src, o, count);
}

// Kind C: the weight of each pixel's mask byte where it is above 1.
template <int M>
static void blend_row_c(uint8_t *dst, const uint8_t *src, const uint8_t *mask, int, int,
                        ptrdiff_t count)
{
    alignas(16) uint8_t r[KV_CHUNK] = {};
    ptrdiff_t i = 0;
    while (count - i >= 16) {
        ptrdiff_t n = count - i < KV_CHUNK ? (count - i) & ~(ptrdiff_t)15 : KV_CHUNK;
        bool looked_up = false;
        for (ptrdiff_t k = 0; k < n; k += 16) {
            const uint8_t *m = mask + i + k;
            int w[4];
            int kind = kv_rule_weights4(m, w);
            if (kind == 0)
                continue;
            if (kind < 0) {
                for (int p = 0; p < 16; p += 4)
                    blend_pixel_c<M>(dst + i + k + p, src + i + k + p, m + p);
                continue;
            }
            if (!looked_up) {
                lookup_chunk_colour<M>(r, dst + i, src + i, n);
                looked_up = true;
            }
            kv_store16(dst + i + k, kv_weigh_block(kv_load16(dst + i + k), kv_load16(r + k),
                                                   kv_colour_weights(w[0], w[1]),
                                                   kv_colour_weights(w[2], w[3])));
        }
        i += n;
    }
    for (; i + 4 <= count; i += 4)
        blend_pixel_c<M>(dst + i, src + i, mask + i);
}

// Mode 0 weighs by W * alpha, the others by W * (alpha + 1).
template <int M>
static inline void blend_pixel_d(uint8_t *dst, const uint8_t *src, const uint8_t *mask)
{
    int w = g_rule_weights[mask[0]];
    if (w > 1)
        blend_pixel_weighted<M>(dst, src, w * (src[3] + (M == 0 ? 0 : 1)), 16);
}

template <int M>
static void blend_row_d(uint8_t *dst, const uint8_t *src, const uint8_t *mask, int, int,
                        ptrdiff_t count)
{
    for (ptrdiff_t i = 0; i + 4 <= count; i += 4)
        blend_pixel_d<M>(dst + i, src + i, mask + i);
}

// (s - d) * w >> 16 per 16-bit lane for 0 <= w <= 65535, rounding toward
// minus infinity: the high product of |s - d|, rounded up for negative values.
static inline __m128i kv_mul_shift16(__m128i diff, __m128i w)
{
    __m128i neg = _mm_cmpgt_epi16(_mm_setzero_si128(), diff);
    __m128i mag = _mm_sub_epi16(_mm_xor_si128(diff, neg), neg);
    __m128i hi = _mm_mulhi_epu16(mag, w), lo = _mm_mullo_epi16(mag, w);
    __m128i inexact = _mm_andnot_si128(_mm_cmpeq_epi16(lo, _mm_setzero_si128()), neg);
    hi = _mm_sub_epi16(hi, inexact);   // + 1 where negative and inexact
    return _mm_sub_epi16(_mm_xor_si128(hi, neg), neg);
}

// Kind D, mode 0 (rule transitions of layers with alpha): w = W * alpha fits
// 16 bits for weights up to 256; four pixels at a time.
static void blend_row_d_normal(uint8_t *dst, const uint8_t *src, const uint8_t *mask, int, int,
                               ptrdiff_t count)
{
    const __m128i z = _mm_setzero_si128();
    ptrdiff_t i = 0;
    for (; i + 16 <= count; i += 16) {
        const uint8_t *m = mask + i;
        int w[4];
        int kind = kv_rule_weights4(m, w);
        if (kind == 0)
            continue;
        if (kind < 0) {
            for (int p = 0; p < 16; p += 4)
                blend_pixel_d<0>(dst + i + p, src + i + p, m + p);
            continue;
        }
        __m128i s = kv_load16(src + i), d = kv_load16(dst + i);
        __m128i s_lo = _mm_unpacklo_epi8(s, z), s_hi = _mm_unpackhi_epi8(s, z);
        __m128i d_lo = _mm_unpacklo_epi8(d, z), d_hi = _mm_unpackhi_epi8(d, z);
        __m128i wl = _mm_mullo_epi16(kv_colour_weights(w[0], w[1]), kv_alpha16(s_lo));
        __m128i wh = _mm_mullo_epi16(kv_colour_weights(w[2], w[3]), kv_alpha16(s_hi));
        __m128i lo = _mm_add_epi16(d_lo, kv_mul_shift16(_mm_sub_epi16(s_lo, d_lo), wl));
        __m128i hi = _mm_add_epi16(d_hi, kv_mul_shift16(_mm_sub_epi16(s_hi, d_hi), wh));
        kv_store16(dst + i, _mm_packus_epi16(lo, hi));
    }
    for (; i + 4 <= count; i += 4)
        blend_pixel_d<0>(dst + i, src + i, mask + i);
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
    entry(BLEND_KIND_MASK_ALPHA, 0, 0).masked_row = blend_row_d_normal;
}
