// Private to the kernel files: the one-pixel and one-byte formulas that the
// vector routines use for their tails, and the routines of each set.
#pragma once

#include <emmintrin.h>

#include "graphics/blend.h"
#include "graphics/kernels.h"

static inline int kern_clamp_opacity(int o)
{
    return o < 0 ? 0 : (o > 256 ? 256 : o);
}
static inline uint8_t kern_sat_byte(int v)
{
    return (uint8_t)(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// d += (s - d) * o >> 8 (arithmetic shift): the tail of slots 4 and 8.
static inline uint8_t kern_lerp_byte(int d, int s, int o)
{
    return (uint8_t)(d + (((s - d) * o) >> 8));
}
// One pixel of slot 5: B, G, R move by (a + 1) / 256; alpha stays.
static inline void kern_over_pixel(uint8_t *d, const uint8_t *s)
{
    int w = s[3] + 1;
    d[0] = (uint8_t)(d[0] + (((s[0] - d[0]) * w) >> 8));
    d[1] = (uint8_t)(d[1] + (((s[1] - d[1]) * w) >> 8));
    d[2] = (uint8_t)(d[2] + (((s[2] - d[2]) * w) >> 8));
}
// One pixel of slot 6 with a' = a * o >> 8; alpha stays.
static inline void kern_over_opacity_pixel(uint8_t *d, const uint8_t *s, int o)
{
    int a = (s[3] * o) >> 8;
    for (int c = 0; c < 3; c++)
        d[c] = (uint8_t)(((d[c] * (256 - a)) >> 8) + ((s[c] * (a + 1)) >> 8));
}
// One pixel of slot 7 through g_rule_weights (the look-up path).
static inline void kern_mask_pixel(uint8_t *d, const uint8_t *s, const uint8_t *m)
{
    int w = g_rule_weights[m[0]];
    if (w > 1) {
        d[0] = (uint8_t)(d[0] - (((d[0] - s[0]) * w) >> 8));
        d[1] = (uint8_t)(d[1] - (((d[1] - s[1]) * w) >> 8));
        d[2] = (uint8_t)(d[2] - (((d[2] - s[2]) * w) >> 8));
    }
}
// One byte of the extended slot 7's tail: the weight of its own mask byte.
static inline uint8_t kern_mask_byte(int d, int s, int m)
{
    int w = g_rule_weights[m];
    return w > 1 ? (uint8_t)(d - (((d - s) * w) >> 8)) : (uint8_t)d;
}
// One pixel of slots 11 and 12 with weight w.
static inline void kern_add_pixel(uint8_t *d, const uint8_t *s, int w)
{
    for (int c = 0; c < 3; c++) {
        int sum = d[c] + s[c];
        if (sum > 255)
            sum = 255;
        d[c] = (uint8_t)(d[c] + (((sum - d[c]) * w) >> 8));
    }
}

// Rule-mask weights of the four pixels of a 16-byte block, 0 where the
// weight is 1 or less (such a pixel is left alone). Result: 0 no pixel
// changes; 1 every weight fits the 16-bit lanes (at most 256); -1 some
// weight is larger and the block goes one pixel at a time.
static inline int kv_rule_weights4(const uint8_t *mask, int w[4])
{
    int any = 0, big = 0;
    for (int p = 0; p < 4; p++) {
        int v = g_rule_weights[mask[4 * p]];
        w[p] = v > 1 ? v : 0;
        any |= w[p];
        big |= w[p] > 256;
    }
    return any == 0 ? 0 : (big ? -1 : 1);
}
// Weights w0 (first pixel) and w1 (second) in the B, G, R lanes of two
// unpacked pixels; the alpha lanes get 0.
static inline __m128i kv_colour_weights(int w0, int w1)
{
    return _mm_set_epi16(0, (short)w1, (short)w1, (short)w1, 0, (short)w0, (short)w0, (short)w0);
}

// --- set members (kernels_common.cpp, kernels_basic.cpp, kernels_ext.cpp) ---------
void kern_zero_sse2(uint8_t *dest, ptrdiff_t count);
void kern_fill8_sse2(uint8_t *dest, ptrdiff_t count, uint8_t value);
void kern_fill32_sse2(uint8_t *dest, ptrdiff_t count, uint32_t value);
void kern_copy_sse2(uint8_t *dest, const uint8_t *src, ptrdiff_t count);
void kern_add_sat_sse2(uint8_t *dest, const uint8_t *src, ptrdiff_t count);
void kern_add_opacity_sse2(uint8_t *dest, const uint8_t *src, int o, ptrdiff_t count);
void kern_add_alpha_sse2(uint8_t *dest, const uint8_t *src, ptrdiff_t count);
void kern_add_alpha_opacity_sse2(uint8_t *dest, const uint8_t *src, int o, ptrdiff_t count);
void kern_sub_sat_sse2(uint8_t *dest, const uint8_t *src, ptrdiff_t count);
void kern_multiply_sse2(uint8_t *dest, const uint8_t *src, ptrdiff_t count);
void kern_screen_sse2(uint8_t *dest, const uint8_t *src, ptrdiff_t count);
void kern_screen_opacity_sse2(uint8_t *dest, const uint8_t *src, int o, ptrdiff_t count);
void kern_lighten_sse2(uint8_t *dest, const uint8_t *src, ptrdiff_t count);
void kern_darken_sse2(uint8_t *dest, const uint8_t *src, ptrdiff_t count);
void kern_linear_burn_sse2(uint8_t *dest, const uint8_t *src, ptrdiff_t count);
void kern_linear_light_sse2(uint8_t *dest, const uint8_t *src, ptrdiff_t count);
void kern_alpha_over_dst_alpha_c(uint8_t *dest, const uint8_t *src, ptrdiff_t count);
void kern_alpha_over_dst_alpha_opacity_c(uint8_t *dest, const uint8_t *src, int o, ptrdiff_t count);
void kern_alpha_over_dst_alpha_scaled_c(uint8_t *dest, const uint8_t *src, int k, ptrdiff_t count);
void kern_alpha_over_dst_alpha_div_c(uint8_t *dest, const uint8_t *src, int k, int o,
                                     ptrdiff_t count);

void kern_lerp_const_basic(uint8_t *dest, const uint8_t *src, int o, ptrdiff_t count);
void kern_alpha_over_basic(uint8_t *dest, const uint8_t *src, ptrdiff_t count);
void kern_alpha_over_opacity_basic(uint8_t *dest, const uint8_t *src, int o, ptrdiff_t count);
void kern_mask_blend_basic(uint8_t *dest, const uint8_t *src, const uint8_t *mask, int progress,
                           int softness, ptrdiff_t count);
void kern_crossfade_basic(uint8_t *dest, const uint8_t *a, const uint8_t *b, int w, ptrdiff_t count);
void kern_half_box_basic(uint8_t *dest, const uint8_t *src, ptrdiff_t pitch, ptrdiff_t count);

void kern_lerp_const_ext(uint8_t *dest, const uint8_t *src, int o, ptrdiff_t count);
void kern_alpha_over_ext(uint8_t *dest, const uint8_t *src, ptrdiff_t count);
void kern_alpha_over_opacity_ext(uint8_t *dest, const uint8_t *src, int o, ptrdiff_t count);
void kern_mask_blend_ext(uint8_t *dest, const uint8_t *src, const uint8_t *mask, int progress,
                         int softness, ptrdiff_t count);
void kern_crossfade_ext(uint8_t *dest, const uint8_t *a, const uint8_t *b, int w, ptrdiff_t count);
void kern_half_box_ext(uint8_t *dest, const uint8_t *src, ptrdiff_t pitch, ptrdiff_t count);

// 256-bit variants (kernels_avx2.cpp); installed only when the processor has AVX2.
void kern_zero_avx2(uint8_t *dest, ptrdiff_t count);
void kern_copy_avx2(uint8_t *dest, const uint8_t *src, ptrdiff_t count);
void kern_alpha_over_basic_avx2(uint8_t *dest, const uint8_t *src, ptrdiff_t count);
void kern_alpha_over_ext_avx2(uint8_t *dest, const uint8_t *src, ptrdiff_t count);
void kern_alpha_over_opacity_basic_avx2(uint8_t *dest, const uint8_t *src, int o, ptrdiff_t count);
void kern_alpha_over_opacity_ext_avx2(uint8_t *dest, const uint8_t *src, int o, ptrdiff_t count);

// SSE2 helpers.
static inline __m128i kv_load16(const uint8_t *p) { return _mm_loadu_si128((const __m128i *)p); }
static inline __m128i kv_load8(const uint8_t *p) { return _mm_loadl_epi64((const __m128i *)p); }
static inline void kv_store16(uint8_t *p, __m128i v) { _mm_storeu_si128((__m128i *)p, v); }
static inline void kv_store8(uint8_t *p, __m128i v) { _mm_storel_epi64((__m128i *)p, v); }
// Alpha word of each pixel broadcast over its four 16-bit lanes.
static inline __m128i kv_alpha16(__m128i px16)
{
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(px16, 0xFF), 0xFF);
}
