// Slot 21: 2 x 2 box average of two source rows into one destination row.
// The basic set sums the four bytes and shifts right by 2; the extended set
// takes the rounded-up average of the two rows, then of the two columns.
// The count is in destination pixels; 2 * count source pixels are read from
// each of the two rows (the second one pitch pixels below the first).
#include "graphics/kernels_impl.h"

#include <xmmintrin.h>

static inline __m128i kv_box_sum2(__m128i a, __m128i b)
{
    // a, b: four source pixels of each row -> two destination pixels (16-bit lanes)
    __m128i z = _mm_setzero_si128();
    __m128i lo = _mm_add_epi16(_mm_unpacklo_epi8(a, z), _mm_unpacklo_epi8(b, z));
    __m128i hi = _mm_add_epi16(_mm_unpackhi_epi8(a, z), _mm_unpackhi_epi8(b, z));
    lo = _mm_add_epi16(lo, _mm_srli_si128(lo, 8));
    hi = _mm_add_epi16(hi, _mm_srli_si128(hi, 8));
    return _mm_srli_epi16(_mm_unpacklo_epi64(lo, hi), 2);
}

void kern_half_box_basic(uint8_t *dest, const uint8_t *src, ptrdiff_t pitch, ptrdiff_t count)
{
    const uint8_t *r0 = src, *r1 = src + pitch * 4;
    ptrdiff_t c = 0;
    for (; c + 4 <= count; c += 4) {
        __m128i p = kv_box_sum2(kv_load16(r0 + c * 8), kv_load16(r1 + c * 8));
        __m128i q = kv_box_sum2(kv_load16(r0 + c * 8 + 16), kv_load16(r1 + c * 8 + 16));
        kv_store16(dest + c * 4, _mm_packus_epi16(p, q));
    }
    for (; c < count; c++)
        for (int k = 0; k < 4; k++) {
            int v = (r0[c * 8 + k] + r0[c * 8 + 4 + k] + r1[c * 8 + k] + r1[c * 8 + 4 + k]) >> 2;
            dest[c * 4 + k] = (uint8_t)(v > 255 ? 255 : v);
        }
}

void kern_half_box_ext(uint8_t *dest, const uint8_t *src, ptrdiff_t pitch, ptrdiff_t count)
{
    const uint8_t *r0 = src, *r1 = src + pitch * 4;
    ptrdiff_t c = 0;
    for (; c + 4 <= count; c += 4) {
        __m128 v0 = _mm_castsi128_ps(_mm_avg_epu8(kv_load16(r0 + c * 8), kv_load16(r1 + c * 8)));
        __m128 v1 = _mm_castsi128_ps(
            _mm_avg_epu8(kv_load16(r0 + c * 8 + 16), kv_load16(r1 + c * 8 + 16)));
        __m128i even = _mm_castps_si128(_mm_shuffle_ps(v0, v1, _MM_SHUFFLE(2, 0, 2, 0)));
        __m128i odd = _mm_castps_si128(_mm_shuffle_ps(v0, v1, _MM_SHUFFLE(3, 1, 3, 1)));
        kv_store16(dest + c * 4, _mm_avg_epu8(even, odd));
    }
    for (; c < count; c++)
        for (int k = 0; k < 4; k++) {
            int left = (r0[c * 8 + k] + r1[c * 8 + k] + 1) >> 1;
            int right = (r0[c * 8 + 4 + k] + r1[c * 8 + 4 + k] + 1) >> 1;
            dest[c * 4 + k] = (uint8_t)((left + right + 1) >> 1);
        }
}
