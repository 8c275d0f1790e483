// Slot 7: rule-mask blend of both sets.
//
// Basic set (and the extended set at softness 256): per pixel the weight
// W = g_rule_weights[mask blue byte]; where W > 1, B, G, R: d -= (d - s) * W >> 8.
// Extended set otherwise: whole 8-byte groups compute a weight for every byte
// from the mask byte at the same position,
//   W = clamp(m * (soft >> 1) + progress * ((soft >> 1) + 1) - 128 * soft, 0, 255) + 1
// with the sum wrapped to 16 bits, and then all four bytes become
// min(255, max(0, d + (s * W >> 8) - (d * W >> 8))); the tail bytes use
// g_rule_weights of their own mask byte.
#include "graphics/kernels_impl.h"

// (d - s) * w >> 8 for 16-bit lanes with |d - s| <= 255 and 0 <= w <= 256:
// the 32-bit product from its two halves, shifted back into 16 bits.
static inline __m128i kv_mul_shift8(__m128i diff, __m128i w)
{
    __m128i lo = _mm_mullo_epi16(diff, w), hi = _mm_mulhi_epi16(diff, w);
    return _mm_or_si128(_mm_slli_epi16(hi, 8), _mm_srli_epi16(lo, 8));
}

// Two pixels (16-bit lanes) with their weights w0, w1 (0 leaves a pixel).
static inline __m128i kv_mask_lookup_half(__m128i d16, __m128i s16, int w0, int w1)
{
    return _mm_sub_epi16(d16, kv_mul_shift8(_mm_sub_epi16(d16, s16), kv_colour_weights(w0, w1)));
}

void kern_mask_blend_basic(uint8_t *dest, const uint8_t *src, const uint8_t *mask, int progress,
                           int softness, ptrdiff_t count)
{
    (void)progress;
    (void)softness;
    ptrdiff_t i = 0;
    __m128i z = _mm_setzero_si128();
    for (; i + 16 <= count; i += 16) {
        int w[4];
        int kind = kv_rule_weights4(mask + i, w);
        if (kind == 0)
            continue;   // none of the four pixels is touched
        if (kind < 0) {
            for (int k = 0; k < 16; k += 4)   // weights above 256: one pixel at a time
                kern_mask_pixel(dest + i + k, src + i + k, mask + i + k);
            continue;
        }
        __m128i d = kv_load16(dest + i), s = kv_load16(src + i);
        __m128i lo = kv_mask_lookup_half(_mm_unpacklo_epi8(d, z), _mm_unpacklo_epi8(s, z), w[0], w[1]);
        __m128i hi = kv_mask_lookup_half(_mm_unpackhi_epi8(d, z), _mm_unpackhi_epi8(s, z), w[2], w[3]);
        // The results are bytes already; the alpha lanes were left as they were.
        kv_store16(dest + i, _mm_packus_epi16(lo, hi));
    }
    for (; i + 4 <= count; i += 4)
        kern_mask_pixel(dest + i, src + i, mask + i);
}

static inline __m128i kv_mask_half(__m128i d16, __m128i s16, __m128i m16, __m128i half,
                                   __m128i base)
{
    __m128i w = _mm_add_epi16(_mm_mullo_epi16(m16, half), base);
    w = _mm_min_epi16(_mm_max_epi16(w, _mm_setzero_si128()), _mm_set1_epi16(255));
    w = _mm_add_epi16(w, _mm_set1_epi16(1));
    __m128i ps = _mm_srli_epi16(_mm_mullo_epi16(s16, w), 8);
    __m128i pd = _mm_srli_epi16(_mm_mullo_epi16(d16, w), 8);
    return _mm_sub_epi16(_mm_add_epi16(d16, ps), pd);
}

static inline __m128i kv_mask_vec(__m128i d, __m128i s, __m128i m, __m128i half, __m128i base)
{
    __m128i z = _mm_setzero_si128();
    __m128i lo = kv_mask_half(_mm_unpacklo_epi8(d, z), _mm_unpacklo_epi8(s, z),
                              _mm_unpacklo_epi8(m, z), half, base);
    __m128i hi = kv_mask_half(_mm_unpackhi_epi8(d, z), _mm_unpackhi_epi8(s, z),
                              _mm_unpackhi_epi8(m, z), half, base);
    return _mm_packus_epi16(lo, hi);
}

void kern_mask_blend_ext(uint8_t *dest, const uint8_t *src, const uint8_t *mask, int progress,
                         int softness, ptrdiff_t count)
{
    if (softness == 256) {
        kern_mask_blend_basic(dest, src, mask, progress, softness, count);
        return;
    }
    int h = softness >> 1;
    __m128i half = _mm_set1_epi16((short)h);
    __m128i base = _mm_set1_epi16((short)(progress * (h + 1) - 128 * softness));
    ptrdiff_t groups = count > 0 ? count & ~(ptrdiff_t)7 : 0, i = 0;
    for (; i + 16 <= groups; i += 16)
        kv_store16(dest + i, kv_mask_vec(kv_load16(dest + i), kv_load16(src + i),
                                         kv_load16(mask + i), half, base));
    if (i < groups) {
        kv_store8(dest + i, kv_mask_vec(kv_load8(dest + i), kv_load8(src + i), kv_load8(mask + i),
                                        half, base));
        i += 8;
    }
    for (; i < count; i++)
        dest[i] = kern_mask_byte(dest[i], src[i], mask[i]);
}
