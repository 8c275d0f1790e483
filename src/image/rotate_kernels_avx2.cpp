// The rotation runs with AVX2: eight source offsets per step, made as in the
// SSE2 run, and one gather per row; the band run walks four output rows
// with the same steps, so four gathers are in flight and the rows read
// neighbouring source lines. Used only when the pixel kernels were installed
// wide (the processor and the system support AVX2); everything stays in
// registers, so no 256-bit value is spilled to a stack the Windows compiler
// cannot align.
#include "image/rotate_kernels.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

// Source offsets sy * w + sx of eight positions.
__attribute__((target("avx2"), always_inline)) inline __m256i offsets(__m256i vx, __m256i vy,
                                                                      __m256i mul)
{
    const __m256i high = _mm256_set1_epi32((int32_t)0xFFFF0000u);
    return _mm256_madd_epi16(_mm256_or_si256(_mm256_srli_epi32(vx, 16), _mm256_and_si256(vy, high)),
                             mul);
}

// p, p + d, ..., p + 7d: the positions of eight neighbouring lanes.
__attribute__((target("avx2"), always_inline)) inline __m256i lane_positions(int32_t p, int32_t d)
{
    const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    return _mm256_add_epi32(_mm256_set1_epi32(p), _mm256_mullo_epi32(lane, _mm256_set1_epi32(d)));
}

__attribute__((target("avx2"))) void rotate_run_avx2(uint32_t *out, const uint32_t *in, int32_t w,
                                                     int32_t px, int32_t py, int32_t dx,
                                                     int32_t dy, int32_t n)
{
    int32_t i = 0;
    if (n >= 8) {
        __m256i vx = lane_positions(px, dx), vy = lane_positions(py, dy);
        const __m256i step_x = _mm256_set1_epi32(8 * dx), step_y = _mm256_set1_epi32(8 * dy);
        const __m256i mul = _mm256_set1_epi32((w << 16) | 1);
        for (; i + 8 <= n; i += 8) {
            _mm256_storeu_si256((__m256i *)(out + i),
                                _mm256_i32gather_epi32((const int *)in, offsets(vx, vy, mul), 4));
            vx = _mm256_add_epi32(vx, step_x);
            vy = _mm256_add_epi32(vy, step_y);
        }
    }
    rotate_run_scalar(out + i, in, w, px + i * dx, py + i * dy, dx, dy, n - i);
}

__attribute__((target("avx2"))) void rotate_band_avx2(uint32_t *out, const uint32_t *in, int32_t w,
                                                      int32_t px, int32_t py, int32_t dx,
                                                      int32_t dy, int32_t ex, int32_t ey, int32_t n)
{
    int32_t i = 0;
    if (n >= 8) {
        __m256i vx = lane_positions(px, dx), vy = lane_positions(py, dy);
        const __m256i step_x = _mm256_set1_epi32(8 * dx), step_y = _mm256_set1_epi32(8 * dy);
        const __m256i off_x = _mm256_set1_epi32(ex), off_y = _mm256_set1_epi32(ey);
        const __m256i mul = _mm256_set1_epi32((w << 16) | 1);
        const int *base = (const int *)in;
        for (; i + 8 <= n; i += 8) {
            __m256i x1 = _mm256_add_epi32(vx, off_x), y1 = _mm256_add_epi32(vy, off_y);
            __m256i x2 = _mm256_add_epi32(x1, off_x), y2 = _mm256_add_epi32(y1, off_y);
            __m256i x3 = _mm256_add_epi32(x2, off_x), y3 = _mm256_add_epi32(y2, off_y);
            __m256i g0 = _mm256_i32gather_epi32(base, offsets(vx, vy, mul), 4);
            __m256i g1 = _mm256_i32gather_epi32(base, offsets(x1, y1, mul), 4);
            __m256i g2 = _mm256_i32gather_epi32(base, offsets(x2, y2, mul), 4);
            __m256i g3 = _mm256_i32gather_epi32(base, offsets(x3, y3, mul), 4);
            _mm256_storeu_si256((__m256i *)(out + i), g0);
            _mm256_storeu_si256((__m256i *)(out + w + i), g1);
            _mm256_storeu_si256((__m256i *)(out + 2 * w + i), g2);
            _mm256_storeu_si256((__m256i *)(out + 3 * w + i), g3);
            vx = _mm256_add_epi32(vx, step_x);
            vy = _mm256_add_epi32(vy, step_y);
        }
    }
    for (int32_t k = 0; k < 4; k++)
        rotate_run_scalar(out + k * w + i, in, w, px + k * ex + i * dx, py + k * ey + i * dy, dx,
                          dy, n - i);
}
#endif
