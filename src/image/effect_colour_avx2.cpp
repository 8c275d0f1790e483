// 256-bit rows of the colour effects, used only when the processor and the
// system support AVX2 (g_cpu_features.avx2); they give exactly what the
// 128-bit rows give. Like the pixel kernels, they pass no 256-bit value to a
// function that is not inlined: the Windows compiler cannot align the stack
// to 32 bytes (the few spills of the saturation rows are unaligned moves).
#include <immintrin.h>

#include "image/effect_rows.h"

#define KV_AVX2 __attribute__((target("avx2")))

// Sepia of eight pixels: Y = 306 R + 601 G + 117 B from the even bytes (B, R)
// and the odd ones (G, A) of each pixel, then R = min(255, (Y + 18309) >> 10),
// G = max(0, (Y - 281) >> 10), B = max(0, (Y - 45261) >> 10), alpha kept.
KV_AVX2 static inline __m256i sepia8(__m256i v)
{
    const __m256i low = _mm256_set1_epi32(0x00FF00FF);
    __m256i y = _mm256_add_epi32(
        _mm256_madd_epi16(_mm256_and_si256(v, low), _mm256_set1_epi32(306 << 16 | 117)),
        _mm256_madd_epi16(_mm256_and_si256(_mm256_srli_epi32(v, 8), low), _mm256_set1_epi32(601)));
    __m256i r = _mm256_min_epi32(_mm256_srai_epi32(_mm256_add_epi32(y, _mm256_set1_epi32(18309)), 10),
                                 _mm256_set1_epi32(255));
    __m256i g = _mm256_max_epi32(_mm256_srai_epi32(_mm256_sub_epi32(y, _mm256_set1_epi32(281)), 10),
                                 _mm256_setzero_si256());
    __m256i b = _mm256_max_epi32(_mm256_srai_epi32(_mm256_sub_epi32(y, _mm256_set1_epi32(45261)), 10),
                                 _mm256_setzero_si256());
    __m256i a = _mm256_and_si256(v, _mm256_set1_epi32((int)0xFF000000));
    return _mm256_or_si256(_mm256_or_si256(b, _mm256_slli_epi32(g, 8)),
                           _mm256_or_si256(_mm256_slli_epi32(r, 16), a));
}

KV_AVX2 int32_t sepia_row_avx2(uint8_t *d, const uint8_t *s, int32_t n)
{
    int32_t i = 0;
    for (; i + 16 <= n; i += 16) {
        __m256i v0 = _mm256_loadu_si256((const __m256i *)(s + i * 4));
        __m256i v1 = _mm256_loadu_si256((const __m256i *)(s + i * 4 + 32));
        _mm256_storeu_si256((__m256i *)(d + i * 4), sepia8(v0));
        _mm256_storeu_si256((__m256i *)(d + i * 4 + 32), sepia8(v1));
    }
    for (; i + 8 <= n; i += 8)
        _mm256_storeu_si256((__m256i *)(d + i * 4),
                            sepia8(_mm256_loadu_si256((const __m256i *)(s + i * 4))));
    return i;
}

// Saturation below 128 on eight pixels in place, as the 128-bit rows do it:
// the even bytes (B, R) and the odd ones (G, A) as 16-bit words, each
// channel moved to the grey by c + ((grey - c) * k >> 7), alpha by k = 0.
KV_AVX2 static inline __m256i saturate8_less(__m256i v, __m256i k, __m256i k_odd)
{
    __m256i even = _mm256_and_si256(v, _mm256_set1_epi32(0x00FF00FF));
    __m256i odd = _mm256_srli_epi16(v, 8);
    __m256i sum = _mm256_add_epi32(_mm256_madd_epi16(even, _mm256_set1_epi16(1)),
                                   _mm256_and_si256(odd, _mm256_set1_epi32(0xFFFF)));
    __m256i grey = _mm256_mulhi_epu16(sum, _mm256_set1_epi16(21846));   // sum / 3 for sum <= 765
    grey = _mm256_or_si256(grey, _mm256_slli_epi32(grey, 16));
    even = _mm256_add_epi16(even, _mm256_srai_epi16(_mm256_mullo_epi16(_mm256_sub_epi16(grey, even), k), 7));
    odd = _mm256_add_epi16(odd, _mm256_srai_epi16(_mm256_mullo_epi16(_mm256_sub_epi16(grey, odd), k_odd), 7));
    return _mm256_or_si256(even, _mm256_slli_epi16(odd, 8));
}

KV_AVX2 int32_t saturation_less_row_avx2(uint8_t *d, const uint8_t *s, int32_t n, int k)
{
    __m256i vk = _mm256_set1_epi16((short)k), vk_odd = _mm256_set1_epi32(k);
    int32_t i = 0;
    for (; i + 8 <= n; i += 8)
        _mm256_storeu_si256((__m256i *)(d + i * 4),
                            saturate8_less(_mm256_loadu_si256((const __m256i *)(s + i * 4)), vk, vk_odd));
    return i;
}

// Saturation above 128 on eight pixels, as saturate4_more does it on four:
// k = p - 128 lowered per pixel to the lesser of (255 - hi) * 128 / (hi - grey)
// and lo * 128 / (grey - lo) for the largest channel hi above 255 and the
// smallest lo below 0, in single precision (exact, see there).
KV_AVX2 static inline __m256i saturate8_more(__m256i v, __m256i k)
{
    const __m256i word0 = _mm256_set1_epi32(0xFFFF), z = _mm256_setzero_si256();
    __m256i even = _mm256_and_si256(v, _mm256_set1_epi32(0x00FF00FF));
    __m256i odd = _mm256_srli_epi16(v, 8);
    __m256i g = _mm256_and_si256(odd, word0);
    __m256i b = _mm256_and_si256(even, word0), r = _mm256_srli_epi32(even, 16);
    __m256i sum = _mm256_add_epi32(_mm256_add_epi32(b, r), g);
    __m256i grey = _mm256_mulhi_epu16(sum, _mm256_set1_epi16(21846));   // sum / 3 for sum <= 765
    __m256i hi = _mm256_max_epi32(_mm256_max_epi32(b, r), g);
    __m256i lo = _mm256_min_epi32(_mm256_min_epi32(b, r), g);
    __m256i k32 = _mm256_and_si256(k, word0);
    // (c - grey) * k as 32-bit products: word 1 of k32 is 0.
    __m256i want_hi = _mm256_add_epi32(hi, _mm256_srai_epi32(_mm256_madd_epi16(_mm256_sub_epi32(hi, grey), k32), 7));
    __m256i want_lo = _mm256_add_epi32(lo, _mm256_srai_epi32(_mm256_madd_epi16(_mm256_sub_epi32(lo, grey), k32), 7));
    __m256i out_hi = _mm256_cmpgt_epi32(want_hi, _mm256_set1_epi32(255));
    __m256i out_lo = _mm256_cmpgt_epi32(z, want_lo);
    __m256i kk = k32;
    if (!_mm256_testz_si256(_mm256_or_si256(out_hi, out_lo), _mm256_or_si256(out_hi, out_lo))) {
        const __m256 big = _mm256_set1_ps(1e9f), one = _mm256_set1_ps(1.0f);
        __m256 oh = _mm256_castsi256_ps(out_hi), ol = _mm256_castsi256_ps(out_lo);
        __m256 n0 = _mm256_blendv_ps(big, _mm256_cvtepi32_ps(_mm256_slli_epi32(_mm256_sub_epi32(_mm256_set1_epi32(255), hi), 7)), oh);
        __m256 d0 = _mm256_blendv_ps(one, _mm256_cvtepi32_ps(_mm256_sub_epi32(hi, grey)), oh);
        __m256 n1 = _mm256_blendv_ps(big, _mm256_cvtepi32_ps(_mm256_slli_epi32(lo, 7)), ol);
        __m256 d1 = _mm256_blendv_ps(one, _mm256_cvtepi32_ps(_mm256_sub_epi32(grey, lo)), ol);
        __m256 less = _mm256_cmp_ps(_mm256_mul_ps(n1, d0), _mm256_mul_ps(n0, d1), _CMP_LT_OQ);
        __m256 q = _mm256_div_ps(_mm256_blendv_ps(n0, n1, less), _mm256_blendv_ps(d0, d1, less));
        kk = _mm256_cvttps_epi32(_mm256_min_ps(q, _mm256_cvtepi32_ps(k32)));
    }
    // c + ((c - grey) * k >> 7), clamped; alpha (odd word 1) with k = 0.
    __m256i nk = _mm256_sub_epi16(z, _mm256_or_si256(kk, _mm256_slli_epi32(kk, 16)));
    __m256i nk_odd = _mm256_sub_epi16(z, kk);
    grey = _mm256_or_si256(grey, _mm256_slli_epi32(grey, 16));
    const __m256i top = _mm256_set1_epi16(255);
    even = _mm256_add_epi16(even, _mm256_srai_epi16(_mm256_mullo_epi16(_mm256_sub_epi16(grey, even), nk), 7));
    odd = _mm256_add_epi16(odd, _mm256_srai_epi16(_mm256_mullo_epi16(_mm256_sub_epi16(grey, odd), nk_odd), 7));
    even = _mm256_min_epi16(_mm256_max_epi16(even, z), top);
    odd = _mm256_min_epi16(_mm256_max_epi16(odd, z), top);
    return _mm256_or_si256(even, _mm256_slli_epi16(odd, 8));
}

KV_AVX2 int32_t saturation_more_row_avx2(uint8_t *d, const uint8_t *s, int32_t n, int k)
{
    __m256i vk = _mm256_set1_epi16((short)k);
    int32_t i = 0;
    for (; i + 8 <= n; i += 8)
        _mm256_storeu_si256((__m256i *)(d + i * 4),
                            saturate8_more(_mm256_loadu_si256((const __m256i *)(s + i * 4)), vk));
    return i;
}
