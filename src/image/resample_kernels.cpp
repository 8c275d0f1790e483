// The bicubic and the sharpened-bilinear scalers of the resampling
// operation. Nearest and bilinear are the presenter's own scalers.
#include <cstring>

#include "display/scale.h"
#include "graphics/kernels.h"
#include "graphics/render_workers.h"
#include "image/resample.h"

static inline int32_t clamp_i32(int64_t v, int32_t lo, int32_t hi)
{
    return (int32_t)(v < lo ? lo : (v > hi ? hi : v));
}

// Per output column (or row): the four source indices, clamped into the
// rectangle, and their weights. A weight product is divided by 256
// (rounding toward zero) rather than shifted.
struct CubicTaps {
    int32_t idx[4];
    int32_t w[4];
};

static void cubic_taps(CubicTaps *out, int32_t n, int32_t lo, int32_t hi)
{
    int64_t span = (int64_t)hi - lo + 1;
    for (int32_t i = 0; i < n; i++) {
        int64_t pos = (((int64_t)i * 65536 / n) * span) >> 8;
        int64_t s = (pos >> 8) + lo;
        int f = (int)(pos & 255);
        for (int k = 0; k < 4; k++) {
            out[i].idx[k] = clamp_i32(s - 1 + k, lo, hi);
            out[i].w[k] = g_bicubic_weights[g_bicubic_index[k][f]];
        }
    }
}

void scale_image_bicubic(uint8_t *dst, int32_t dw, int32_t dh, const uint8_t *src, int32_t sw,
                         int32_t sh, int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    if (!dst || !src || dw < 1 || dh < 1 || dw > KV_SCALE_TABLE_SIZE / 2 ||
        dh > KV_SCALE_TABLE_SIZE / 2)
        return;
    x1 = clamp_i32(x1, 0, sw - 1);
    x2 = clamp_i32(x2, x1, sw - 1);
    y1 = clamp_i32(y1, 0, sh - 1);
    y2 = clamp_i32(y2, y1, sh - 1);
    init_bicubic_tables();
    static CubicTaps cols[KV_SCALE_TABLE_SIZE / 2], rows[KV_SCALE_TABLE_SIZE / 2];
    cubic_taps(cols, dw, x1, x2);
    cubic_taps(rows, dh, y1, y2);
    for (int32_t oy = 0; oy < dh; oy++) {
        const CubicTaps &ry = rows[oy];
        const uint8_t *line[4];
        for (int k = 0; k < 4; k++)
            line[k] = src + (int64_t)ry.idx[k] * sw * 4;
        uint8_t *d = dst + (int64_t)oy * dw * 4;
        for (int32_t ox = 0; ox < dw; ox++) {
            const CubicTaps &cx = cols[ox];
            int32_t sum[4] = {0, 0, 0, 0}, wsum = 0;
            for (int ky = 0; ky < 4; ky++)
                for (int kx = 0; kx < 4; kx++) {
                    int32_t w = ry.w[ky] * cx.w[kx] / 256;
                    const uint8_t *p = line[ky] + (int64_t)cx.idx[kx] * 4;
                    sum[0] += w * p[0];
                    sum[1] += w * p[1];
                    sum[2] += w * p[2];
                    sum[3] += w * p[3];
                    wsum += w;
                }
            if (wsum == 0)
                wsum = 1;
            for (int c = 0; c < 4; c++)
                d[ox * 4 + c] = (uint8_t)clamp_i32(sum[c] / wsum, 0, 255);
        }
    }
}

// 24.8 position of output i over a span (1/100 pixel) with start fraction f.
static int64_t sharp_pos(int64_t i, int64_t span, int64_t f, int64_t out100)
{
    int64_t den = out100 - 100;
    if (den == 0)
        den = 100;
    if (out100 < span)
        return span * (256 * i + f) / den;
    return span * 256 * i / den + f;
}

// Job 41 computes its rows itself; the row positions here only find the
// valid rows. The curve is applied to the first dw entries of the doubled
// column table (the choice left open: the rest keep their plain fraction).
// Column positions are absolute and stop at the rectangle's last column, so
// that the right-hand tap of the last column carries weight 0.
void scale_bilinear_sharp_threaded(uint8_t *dst, const uint8_t *src, int32_t sw, int32_t sh,
                                   int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t w100,
                                   int32_t h100)
{
    int32_t dw = w100 / 100, dh = h100 / 100;
    if (!dst || !src || dw < 1 || dh < 1 || 2 * dw > KV_SCALE_TABLE_SIZE ||
        dh > KV_SCALE_TABLE_SIZE)
        return;
    static int64_t pos[KV_SCALE_TABLE_SIZE];
    int64_t fy = (int64_t)(y1 % 100) * 256 / 100, fx = (int64_t)(x1 % 100) * 256 / 100;
    for (int32_t i = 0; i < dh; i++)
        pos[i] = (sharp_pos(i, (int64_t)y2 - y1, fy, h100) >> 8) + y1 / 100;
    int32_t row_first, row_end, col_first, col_end;
    scale_valid_range(pos, dh, sh, &row_first, &row_end);
    for (int32_t i = 0; i < dw; i++)
        pos[i] = (sharp_pos(i, (int64_t)x2 - x1, fx, w100) >> 8) + x1 / 100;
    scale_valid_range(pos, dw, sw, &col_first, &col_end);
    int64_t last = (int64_t)(x2 / 100) << 8;
    for (int32_t i = 0; i < 2 * dw; i++) {
        int64_t p = sharp_pos(i, (int64_t)x2 - x1, fx, 2 * (int64_t)w100);
        if (g_sharpen_scaling && i < dw)
            p = (p & ~(int64_t)255) | g_sharpen_curve[0][p & 255];
        p += (int64_t)(x1 / 100) << 8;
        g_scale_cols[i] = (uint32_t)(p < 0 ? 0 : (p > last ? last : p));
    }
    for (int32_t r = 0; r < dh; r++)
        if (r < row_first || r >= row_end)
            g_pixel_kernels.kern_zero(dst + (int64_t)r * dw * 4, (ptrdiff_t)dw * 4);
    if (row_first >= row_end)
        return;
    RenderJob job;
    std::memset(&job, 0, sizeof job);
    job.code = JOB_SCALE_BILINEAR_AVG;
    job.col_begin = col_first;
    job.col_end = col_end;
    job.src_x = x1;
    job.src_y = y1;
    job.src_bottom = y2;
    job.src_pitch = sw;
    job.dst_width = w100;
    job.dst_height = h100;
    job.dst_pitch = dw;
    job.dst_pixels = dst;
    job.src_pixels = src;
    job.col_table = g_scale_cols;
    run_render_job_split(job, row_first, row_end);
}
