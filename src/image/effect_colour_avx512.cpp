// 512-bit rows of the saturation above 128, used only when the processor and
// the system support AVX-512BW (g_cpu_features.avx512bw); they give exactly
// what the 256-bit rows give, on 32 pixels per step instead of 16 (see
// saturate16_more in effect_colour_avx2.cpp for the method), dividing by a
// table of reciprocals instead of in single precision. No 512-bit value is
// passed to a function that is not inlined.
#include <immintrin.h>

#include "image/effect_rows.h"

// GCC 12's 512-bit conversions start from a deliberately undefined register
// and warn about it.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

#define KV_AVX512 __attribute__((target("avx512f,avx512bw")))

// ceil(2^15 / d) for d = 1..191 (d <= 170 is used). For a <= 255 and q =
// floor(128 a / d), (a * 256 * R) >> 16 = floor(a * R / 256) is q or q + 1:
// R exceeds 2^15 / d by less than 1, so a * R / 256 exceeds 128 a / d by
// less than a / 256 < 1. q + 1 shows as (q + 1) * d > 128 a.
struct RecipTable {
    uint16_t v[192];
    constexpr RecipTable() : v()
    {
        for (int d = 1; d < 192; d++)
            v[d] = (uint16_t)((32768 + d - 1) / d);
    }
};
static constexpr RecipTable g_recip;

// 32 entries of the table from entry 32 * n.
KV_AVX512 static inline __m512i recip_part(int n)
{
    return _mm512_loadu_si512(g_recip.v + 32 * n);
}

// R for each word of d (0..191): three lookups of 64 entries, kept by range.
KV_AVX512 static inline __m512i recip_of(__m512i d)
{
    __m512i v = _mm512_permutex2var_epi16(recip_part(0), d, recip_part(1));
    v = _mm512_mask_mov_epi16(v, _mm512_cmpge_epu16_mask(d, _mm512_set1_epi16(64)),
                              _mm512_permutex2var_epi16(recip_part(2), d, recip_part(3)));
    return _mm512_mask_mov_epi16(v, _mm512_cmpge_epu16_mask(d, _mm512_set1_epi16(128)),
                                 _mm512_permutex2var_epi16(recip_part(4), d, recip_part(5)));
}

KV_AVX512 static inline void saturate32_more(uint8_t *dst, const uint8_t *src, __m512i k)
{
    const __m512i words =
        _mm512_broadcast_i32x4(_mm_setr_epi8(0, 1, 4, 5, 8, 9, 12, 13, 2, 3, 6, 7, 10, 11, 14, 15));
    const __m512i c255 = _mm512_set1_epi16(255);
    __m512i s0 = _mm512_shuffle_epi8(_mm512_loadu_si512(src), words);
    __m512i s1 = _mm512_shuffle_epi8(_mm512_loadu_si512(src + 64), words);
    __m512i bg = _mm512_unpacklo_epi64(s0, s1), ra = _mm512_unpackhi_epi64(s0, s1);
    __m512i b = _mm512_and_si512(bg, c255), g = _mm512_srli_epi16(bg, 8), r = _mm512_and_si512(ra, c255);
    __m512i sum = _mm512_add_epi16(_mm512_add_epi16(b, g), r);
    __m512i grey = _mm512_mulhi_epu16(sum, _mm512_set1_epi16(21846));   // sum / 3 for sum <= 765
    __m512i hi = _mm512_max_epi16(_mm512_max_epi16(b, g), r), lo = _mm512_min_epi16(_mm512_min_epi16(b, g), r);
    __m512i dh = _mm512_sub_epi16(hi, grey), dl = _mm512_sub_epi16(grey, lo);
    __m512i ah = _mm512_xor_si512(hi, c255);
    __mmask32 out_hi = _mm512_cmpgt_epi16_mask(_mm512_srli_epi16(_mm512_mullo_epi16(dh, k), 7), ah);
    ah = _mm512_mask_blend_epi16(out_hi, c255, ah);
    __m512i x = _mm512_mullo_epi16(ah, dl), y = _mm512_mullo_epi16(lo, dh);
    // Strictly less, so that a tie of two zero products (lo = grey = 0) takes
    // the largest channel; only a grey pixel, which no factor moves, is left
    // with d = 0.
    __mmask32 lo_less = _mm512_cmpgt_epu16_mask(x, y);
    __m512i a = _mm512_mask_blend_epi16(lo_less, ah, lo);
    __m512i d = _mm512_mask_blend_epi16(lo_less, dh, dl);
    __m512i q = _mm512_mulhi_epu16(_mm512_slli_epi16(a, 8), recip_of(d));
    // q * d wraps only for q above 385, where q or q - 1 both exceed k.
    __mmask32 over = _mm512_cmpgt_epu16_mask(_mm512_mullo_epi16(q, d), _mm512_slli_epi16(a, 7));
    __m512i kk = _mm512_min_epu16(_mm512_mask_sub_epi16(q, over, q, _mm512_set1_epi16(1)), k);
    __m512i m = _mm512_add_epi16(kk, _mm512_set1_epi16(128)), t = _mm512_mullo_epi16(grey, kk);
    b = _mm512_srli_epi16(_mm512_sub_epi16(_mm512_mullo_epi16(b, m), t), 7);
    g = _mm512_srli_epi16(_mm512_sub_epi16(_mm512_mullo_epi16(g, m), t), 7);
    r = _mm512_srli_epi16(_mm512_sub_epi16(_mm512_mullo_epi16(r, m), t), 7);
    bg = _mm512_or_si512(b, _mm512_slli_epi16(g, 8));
    ra = _mm512_mask_blend_epi8(0xAAAAAAAAAAAAAAAAull, r, ra);   // alpha kept
    _mm512_storeu_si512(dst, _mm512_unpacklo_epi16(bg, ra));
    _mm512_storeu_si512(dst + 64, _mm512_unpackhi_epi16(bg, ra));
}

KV_AVX512 int32_t saturation_more_row_avx512(uint8_t *d, const uint8_t *s, int32_t n, int k)
{
    __m512i vk = _mm512_set1_epi16((short)k);
    int32_t i = 0;
    for (; i + 32 <= n; i += 32)
        saturate32_more(d + i * 4, s + i * 4, vk);
    return i;
}
