// Lanczos-2 resampling: a horizontal pass into a scratch image, then a
// vertical pass into the result, both through the axis table.
#include <cmath>
#include <cstdlib>

#include "graphics/layer.h"
#include "image/effects.h"
#include "image/resample.h"

static inline uint8_t clamp_byte(int64_t v)
{
    return (uint8_t)(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// One output line from `count` source pixels `step` bytes apart. The sum is
// divided by the weights of the taps that fall inside, so that a flat
// picture stays flat (255 stays 255); where the weights sum to nothing (a
// one-pixel source, whose taps fall on the kernel's zeros) the nearest
// source pixel is taken.
static void lanczos_line(const ResampleTable *t, uint8_t *out, int64_t out_step,
                         const uint8_t *in, int64_t in_step, int32_t count)
{
    for (int32_t i = 0; i < t->n_out; i++) {
        int64_t left, right;
        resample_taps(t, i, &left, &right);
        int64_t sum[4] = {0, 0, 0, 0}, wsum = 0;
        for (int64_t k = 0; k <= right - left && k < t->taps + 3; k++) {
            int64_t j = left + k;
            if (j < 0 || j >= count)
                continue;
            int64_t w = t->weights[k * (t->n_out + 1) + i];
            const uint8_t *p = in + j * in_step;
            for (int c = 0; c < 4; c++)
                sum[c] += w * p[c];
            wsum += w;
        }
        uint8_t *o = out + (int64_t)i * out_step;
        if (wsum <= 0) {
            int64_t j = std::llrint(i * t->inv_scale);
            const uint8_t *p = in + (j < 0 ? 0 : (j >= count ? count - 1 : j)) * in_step;
            for (int c = 0; c < 4; c++)
                o[c] = p[c];
            continue;
        }
        for (int c = 0; c < 4; c++)
            o[c] = clamp_byte(sum[c] / wsum);
    }
}

int scale_lanczos2(uint8_t *dst, int32_t dw, int32_t dh, const uint8_t *src, int32_t sw,
                   int32_t sh)
{
    if (!dst || !src || dw < 1 || dh < 1 || sw < 1 || sh < 1)
        return -1;
    uint8_t *tmp = alloc_effect_pixels(dw, sh, "");
    if (!tmp)
        return -1;
    ResampleTable *t = &g_resample_table;
    int r = build_resample_table(t, sw, dw);
    if (r == 0)
        for (int32_t y = 0; y < sh; y++)
            lanczos_line(t, tmp + (int64_t)y * dw * 4, 4, src + (int64_t)y * sw * 4, 4, sw);
    if (r == 0)
        r = build_resample_table(t, sh, dh);
    if (r == 0)
        for (int32_t x = 0; x < dw; x++)
            lanczos_line(t, dst + (int64_t)x * 4, (int64_t)dw * 4, tmp + (int64_t)x * 4,
                         (int64_t)dw * 4, sh);
    std::free(tmp);
    return r;
}
