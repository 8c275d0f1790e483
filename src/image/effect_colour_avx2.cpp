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

// Saturation above 128 on sixteen pixels, each channel and each per-pixel
// value in a 16-bit word: per 128-bit half, the pixels 0-3 and 8-11 of the
// group (4-7 and 12-15 in the upper half). k = p - 128 is lowered per pixel
// to the lesser of (255 - hi) * 128 / (hi - grey) for the largest channel hi
// when it would pass 255, and lo * 128 / (grey - lo) for the smallest lo
// (that fraction is not below k when lo stays at or above 0, so it needs no
// test). The lesser fraction is found by cross products below 2^16 and
// divided once, in single precision, which is exact: a quotient below 256
// errs by less than 2^-16 and a fraction that is not whole lies at least
// 1 / 170 from the next whole number (hi - grey, grey - lo <= 170). A
// largest channel that stays inside gets 255 / (hi - grey), at least 1.5.
KV_AVX2 static inline void saturate16_more(uint8_t *dst, const uint8_t *src, __m256i k, __m256 kf)
{
    const __m256i words = _mm256_setr_epi8(0, 1, 4, 5, 8, 9, 12, 13, 2, 3, 6, 7, 10, 11, 14, 15,
                                           0, 1, 4, 5, 8, 9, 12, 13, 2, 3, 6, 7, 10, 11, 14, 15);
    const __m256i z = _mm256_setzero_si256(), c255 = _mm256_set1_epi16(255);
    __m256i s0 = _mm256_shuffle_epi8(_mm256_loadu_si256((const __m256i *)src), words);
    __m256i s1 = _mm256_shuffle_epi8(_mm256_loadu_si256((const __m256i *)(src + 32)), words);
    __m256i bg = _mm256_unpacklo_epi64(s0, s1), ra = _mm256_unpackhi_epi64(s0, s1);
    __m256i b = _mm256_and_si256(bg, c255), g = _mm256_srli_epi16(bg, 8), r = _mm256_and_si256(ra, c255);
    __m256i sum = _mm256_add_epi16(_mm256_add_epi16(b, g), r);
    __m256i grey = _mm256_mulhi_epu16(sum, _mm256_set1_epi16(21846));   // sum / 3 for sum <= 765
    __m256i hi = _mm256_max_epi16(_mm256_max_epi16(b, g), r), lo = _mm256_min_epi16(_mm256_min_epi16(b, g), r);
    __m256i dh = _mm256_sub_epi16(hi, grey), dl = _mm256_sub_epi16(grey, lo);
    // hi + ((hi - grey) * k >> 7) > 255
    __m256i ah = _mm256_xor_si256(hi, c255);
    __m256i out_hi = _mm256_cmpgt_epi16(_mm256_srli_epi16(_mm256_mullo_epi16(dh, k), 7), ah);
    ah = _mm256_blendv_epi8(c255, ah, out_hi);
    // ah / dh >= lo / dl as ah * dl >= lo * dh, unsigned
    __m256i x = _mm256_mullo_epi16(ah, dl), y = _mm256_mullo_epi16(lo, dh);
    __m256i lo_less = _mm256_cmpeq_epi16(_mm256_max_epu16(x, y), x);
    __m256i n = _mm256_slli_epi16(_mm256_blendv_epi8(ah, lo, lo_less), 7);
    __m256i d = _mm256_blendv_epi8(dh, dl, lo_less);
    // A grey pixel divides by 0: infinity or NaN, and min_ps then gives k.
    __m256 q0 = _mm256_div_ps(_mm256_cvtepi32_ps(_mm256_unpacklo_epi16(n, z)),
                              _mm256_cvtepi32_ps(_mm256_unpacklo_epi16(d, z)));
    __m256 q1 = _mm256_div_ps(_mm256_cvtepi32_ps(_mm256_unpackhi_epi16(n, z)),
                              _mm256_cvtepi32_ps(_mm256_unpackhi_epi16(d, z)));
    __m256i kk = _mm256_packus_epi32(_mm256_cvttps_epi32(_mm256_min_ps(q0, kf)),
                                     _mm256_cvttps_epi32(_mm256_min_ps(q1, kf)));
    // c + ((c - grey) * k >> 7) == (c * (128 + k) - grey * k) >> 7; with the
    // lowered k every channel stays inside 0..255, so that lies in 0..32767
    // and the 16-bit products may wrap.
    __m256i m = _mm256_add_epi16(kk, _mm256_set1_epi16(128)), t = _mm256_mullo_epi16(grey, kk);
    b = _mm256_srli_epi16(_mm256_sub_epi16(_mm256_mullo_epi16(b, m), t), 7);
    g = _mm256_srli_epi16(_mm256_sub_epi16(_mm256_mullo_epi16(g, m), t), 7);
    r = _mm256_srli_epi16(_mm256_sub_epi16(_mm256_mullo_epi16(r, m), t), 7);
    bg = _mm256_or_si256(b, _mm256_slli_epi16(g, 8));
    ra = _mm256_blendv_epi8(r, ra, _mm256_set1_epi16((short)0xFF00));   // alpha kept
    _mm256_storeu_si256((__m256i *)dst, _mm256_unpacklo_epi16(bg, ra));
    _mm256_storeu_si256((__m256i *)(dst + 32), _mm256_unpackhi_epi16(bg, ra));
}

KV_AVX2 int32_t saturation_more_row_avx2(uint8_t *d, const uint8_t *s, int32_t n, int k)
{
    __m256i vk = _mm256_set1_epi16((short)k);
    __m256 kf = _mm256_set1_ps((float)k);
    int32_t i = 0;
    for (; i + 16 <= n; i += 16)
        saturate16_more(d + i * 4, s + i * 4, vk, kf);
    return i;
}
