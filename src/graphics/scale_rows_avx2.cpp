// Bilinear row passes with AVX2: four columns of horizontal sums and eight
// columns of the vertical mix per step, with the formulas of scale_rows.cpp.
// No 256-bit value leaves registers (see kernels_avx2.cpp for why).
#include "graphics/scale_rows_wide.h"

#include "graphics/scale_rows.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#define KV_AVX2 __attribute__((target("avx2")))
#define KV_AVX2_INLINE __attribute__((target("avx2"), always_inline)) inline

KV_AVX2_INLINE __m128i load_pair(const uint8_t *row, uint32_t off)
{
    return _mm_loadl_epi64((const __m128i *)(row + off));
}

// Four columns per step: per 128-bit half, the left pixels of two columns
// and then their right pixels (gathers are slow on some processors, so the
// pairs are loaded one by one).
KV_AVX2 int32_t bilinear_sums_avx2(uint16_t *sums, const uint8_t *row, const uint32_t *offs,
                                   const uint16_t *wts, int32_t first, int32_t end)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i k256 = _mm256_set1_epi16(256);
    int32_t c = first;
    for (; c + 4 <= end; c += 4) {
        __m128i ab = _mm_unpacklo_epi32(load_pair(row, offs[c]), load_pair(row, offs[c + 1]));
        __m128i cd = _mm_unpacklo_epi32(load_pair(row, offs[c + 2]), load_pair(row, offs[c + 3]));
        __m256i px = _mm256_inserti128_si256(_mm256_castsi128_si256(ab), cd, 1);
        __m256i p0 = _mm256_unpacklo_epi8(px, zero);
        __m256i p1 = _mm256_unpackhi_epi8(px, zero);
        __m256i w = _mm256_loadu_si256((const __m256i *)(wts + 4 * c));
        __m256i h = _mm256_add_epi16(_mm256_mullo_epi16(p0, _mm256_sub_epi16(k256, w)),
                                     _mm256_mullo_epi16(p1, w));
        _mm256_storeu_si256((__m256i *)(sums + 4 * c), h);
    }
    return c;
}

KV_AVX2_INLINE __m256i mix_wide(__m256i a, __m256i b, __m256i it, __m256i t)
{
    return _mm256_adds_epu16(_mm256_mulhi_epu16(a, it), _mm256_mulhi_epu16(b, t));
}

KV_AVX2_INLINE __m256i mix_plain(__m256i a, __m256i b, __m256i it, __m256i t)
{
    __m256i top = _mm256_mullo_epi16(_mm256_srli_epi16(a, 8), it);
    __m256i bottom = _mm256_mullo_epi16(_mm256_srli_epi16(b, 8), t);
    return _mm256_srli_epi16(_mm256_add_epi16(top, bottom), 8);
}

template <bool Plain>
KV_AVX2_INLINE int32_t mix_columns(uint8_t *dst, const uint16_t *a, const uint16_t *b, int t,
                                   int32_t c, int32_t end)
{
    const __m256i vt = _mm256_set1_epi16((short)t);
    const __m256i vit = _mm256_set1_epi16((short)(256 - t));
    for (; c + 8 <= end; c += 8) {
        const __m256i *pa = (const __m256i *)(a + 4 * c), *pb = (const __m256i *)(b + 4 * c);
        __m256i a0 = _mm256_loadu_si256(pa), a1 = _mm256_loadu_si256(pa + 1);
        __m256i b0 = _mm256_loadu_si256(pb), b1 = _mm256_loadu_si256(pb + 1);
        __m256i lo = Plain ? mix_plain(a0, b0, vit, vt) : mix_wide(a0, b0, vit, vt);
        __m256i hi = Plain ? mix_plain(a1, b1, vit, vt) : mix_wide(a1, b1, vit, vt);
        // The pack works per half: put the four 8-byte groups back in column order.
        __m256i px = _mm256_permute4x64_epi64(_mm256_packus_epi16(lo, hi), 0xD8);
        _mm256_storeu_si256((__m256i *)(dst + 4 * c), px);
    }
    return c;
}

KV_AVX2 int32_t bilinear_mix_avx2(uint8_t *dst, const uint16_t *a, const uint16_t *b, int t,
                                  int32_t first, int32_t end, int rounding)
{
    if (rounding == KV_BILINEAR_PLAIN)
        return mix_columns<true>(dst, a, b, t, first, end);
    return mix_columns<false>(dst, a, b, t, first, end);
}

#else
int32_t bilinear_sums_avx2(uint16_t *, const uint8_t *, const uint32_t *, const uint16_t *,
                           int32_t first, int32_t)
{
    return first;
}
int32_t bilinear_mix_avx2(uint8_t *, const uint16_t *, const uint16_t *, int, int32_t first,
                          int32_t, int)
{
    return first;
}
#endif
