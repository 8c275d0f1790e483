// 256-bit rows of the colour effects, used only when the processor and the
// system support AVX2 (g_cpu_features.avx2); they give exactly what the
// 128-bit rows give. Like the pixel kernels, they keep no 256-bit value on
// the stack, which the Windows compiler cannot align.
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
