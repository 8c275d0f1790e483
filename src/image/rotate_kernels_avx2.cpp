// The rotation runs with AVX2: eight source offsets per step, made as in the
// SSE2 run, and one gather per row; the pair run walks two output rows with
// the same steps, so two gathers are in flight and both rows read
// neighbouring source lines. Used only when the pixel kernels were installed
// wide (the processor and the system support AVX2); everything stays in
// registers, so no 256-bit value is spilled to a stack the Windows compiler
// cannot align.
#include "image/rotate_kernels.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

__attribute__((target("avx2"))) void rotate_run_avx2(uint32_t *out, const uint32_t *in, int32_t w,
                                                     int32_t px, int32_t py, int32_t dx,
                                                     int32_t dy, int32_t n)
{
    int32_t i = 0;
    if (n >= 8) {
        const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
        __m256i vx = _mm256_add_epi32(_mm256_set1_epi32(px),
                                      _mm256_mullo_epi32(lane, _mm256_set1_epi32(dx)));
        __m256i vy = _mm256_add_epi32(_mm256_set1_epi32(py),
                                      _mm256_mullo_epi32(lane, _mm256_set1_epi32(dy)));
        const __m256i step_x = _mm256_set1_epi32(8 * dx), step_y = _mm256_set1_epi32(8 * dy);
        const __m256i high = _mm256_set1_epi32((int32_t)0xFFFF0000u);
        const __m256i mul = _mm256_set1_epi32((w << 16) | 1);
        for (; i + 8 <= n; i += 8) {
            __m256i xy = _mm256_or_si256(_mm256_srli_epi32(vx, 16), _mm256_and_si256(vy, high));
            __m256i idx = _mm256_madd_epi16(xy, mul);
            _mm256_storeu_si256((__m256i *)(out + i),
                                _mm256_i32gather_epi32((const int *)in, idx, 4));
            vx = _mm256_add_epi32(vx, step_x);
            vy = _mm256_add_epi32(vy, step_y);
        }
    }
    rotate_run_scalar(out + i, in, w, px + i * dx, py + i * dy, dx, dy, n - i);
}

__attribute__((target("avx2"))) void rotate_pair_avx2(uint32_t *out, uint32_t *out2,
                                                      const uint32_t *in, int32_t w, int32_t px,
                                                      int32_t py, int32_t dx, int32_t dy,
                                                      int32_t ex, int32_t ey, int32_t n)
{
    int32_t i = 0;
    if (n >= 8) {
        const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
        __m256i vx = _mm256_add_epi32(_mm256_set1_epi32(px),
                                      _mm256_mullo_epi32(lane, _mm256_set1_epi32(dx)));
        __m256i vy = _mm256_add_epi32(_mm256_set1_epi32(py),
                                      _mm256_mullo_epi32(lane, _mm256_set1_epi32(dy)));
        const __m256i step_x = _mm256_set1_epi32(8 * dx), step_y = _mm256_set1_epi32(8 * dy);
        const __m256i off_x = _mm256_set1_epi32(ex), off_y = _mm256_set1_epi32(ey);
        const __m256i high = _mm256_set1_epi32((int32_t)0xFFFF0000u);
        const __m256i mul = _mm256_set1_epi32((w << 16) | 1);
        for (; i + 8 <= n; i += 8) {
            __m256i xy = _mm256_or_si256(_mm256_srli_epi32(vx, 16), _mm256_and_si256(vy, high));
            __m256i xy2 = _mm256_or_si256(_mm256_srli_epi32(_mm256_add_epi32(vx, off_x), 16),
                                          _mm256_and_si256(_mm256_add_epi32(vy, off_y), high));
            __m256i g = _mm256_i32gather_epi32((const int *)in, _mm256_madd_epi16(xy, mul), 4);
            __m256i g2 = _mm256_i32gather_epi32((const int *)in, _mm256_madd_epi16(xy2, mul), 4);
            _mm256_storeu_si256((__m256i *)(out + i), g);
            _mm256_storeu_si256((__m256i *)(out2 + i), g2);
            vx = _mm256_add_epi32(vx, step_x);
            vy = _mm256_add_epi32(vy, step_y);
        }
    }
    rotate_run_scalar(out + i, in, w, px + i * dx, py + i * dy, dx, dy, n - i);
    rotate_run_scalar(out2 + i, in, w, px + ex + i * dx, py + ey + i * dy, dx, dy, n - i);
}
#endif
