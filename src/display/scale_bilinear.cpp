// Bilinear scalers: 24.8 positions into the column and row tables, then the
// rows, on the calling thread (scale_bilinear) or on the render workers
// (scale_bilinear_sse, job 21). Both keep the source index of every column
// and row in 64 bits, so no position can wrap into the source.
#include "display/scale.h"
#include "graphics/kernels.h"
#include "graphics/render_workers.h"

static int64_t g_col_src[KV_SCALE_TABLE_SIZE];   // source column per output column
static int64_t g_row_src[KV_SCALE_TABLE_SIZE];   // source row per output row
static uint8_t g_row_frac[KV_SCALE_TABLE_SIZE];  // row fraction per output row

struct BilinearPlan {
    int32_t out_w, out_h;
    int32_t col_first, col_end, row_first, row_end;
};

static int64_t divisor_of(int32_t d100)
{
    return d100 == 100 ? 100 : (int64_t)d100 - 100;
}

// Tables and valid ranges; false when the output size is refused.
static bool plan_bilinear(BilinearPlan *p, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                          int32_t srcW, int32_t srcH, int32_t dstW100, int32_t dstH100)
{
    p->out_w = dstW100 / 100;
    p->out_h = dstH100 / 100;
    if (p->out_w <= 0 || p->out_h <= 0 || p->out_w > KV_SCALE_TABLE_SIZE ||
        p->out_h > KV_SCALE_TABLE_SIZE)
        return false;
    int64_t span_x = (int64_t)x1 - x0, f0 = (int64_t)(x0 % 100) * 256 / 100;
    int64_t den = divisor_of(dstW100);
    for (int32_t i = 0; i < p->out_w; i++) {
        int64_t c = scale_bilinear_pos(i, span_x, f0, dstW100, den);
        int f = (int)(c & 255);
        if (g_sharpen_scaling)
            f = g_sharpen_curve[0][f];
        g_col_src[i] = (c >> 8) + x0 / 100;
        g_scale_cols[i] = (uint32_t)(g_col_src[i] * 4);
        for (int k = 0; k < 4; k++)
            g_scale_col_weights[4 * i + k] = (uint16_t)f;
    }
    int64_t span_y = (int64_t)y1 - y0;
    f0 = (int64_t)(y0 % 100) * 256 / 100;
    den = divisor_of(dstH100);
    for (int32_t j = 0; j < p->out_h; j++) {
        int64_t r = scale_bilinear_pos(j, span_y, f0, dstH100, den);
        g_scale_rows[j] = (uint32_t)r;
        g_row_src[j] = (r >> 8) + y0 / 100;
        g_row_frac[j] = (uint8_t)(r & 255);
    }
    scale_valid_range(g_col_src, p->out_w, srcW, &p->col_first, &p->col_end);
    scale_valid_range(g_row_src, p->out_h, srcH, &p->row_first, &p->row_end);
    return true;
}

static void zero_rows(uint8_t *dst, int32_t out_w, int32_t from, int32_t to)
{
    int64_t pitch = (int64_t)out_w * 4;
    for (int32_t r = from; r < to; r++)
        g_pixel_kernels.kern_zero(dst + r * pitch, (ptrdiff_t)pitch);
}

int scale_bilinear(uint8_t *dst, const uint8_t *src, int32_t x0, int32_t y0, int32_t x1,
                   int32_t y1, int32_t srcW, int32_t srcH, int32_t dstW100, int32_t dstH100)
{
    BilinearPlan p;
    if (!dst || !src || !plan_bilinear(&p, x0, y0, x1, y1, srcW, srcH, dstW100, dstH100))
        return -1;
    zero_rows(dst, p.out_w, 0, p.row_first);
    zero_rows(dst, p.out_w, p.row_end, p.out_h);
    BilinearRowCtx ctx;
    ctx.src = src;
    ctx.src_pitch = srcW;
    ctx.col_offsets = g_scale_cols;
    ctx.col_weights = g_scale_col_weights;
    ctx.first = p.col_first;
    ctx.end = p.col_end;
    ctx.rounding = KV_BILINEAR_PLAIN;
    bilinear_ctx_init(&ctx, 0);
    int64_t pitch = (int64_t)p.out_w * 4;
    for (int32_t r = p.row_first; r < p.row_end; r++) {
        uint8_t *d = dst + r * pitch;
        g_pixel_kernels.kern_zero(d, (ptrdiff_t)p.col_first * 4);
        g_pixel_kernels.kern_zero(d + (ptrdiff_t)p.col_end * 4,
                                  (ptrdiff_t)(p.out_w - p.col_end) * 4);
        bilinear_row(&ctx, d, g_row_src[r], g_row_frac[r]);
    }
    return 0;
}

int scale_bilinear_sse(uint8_t *dst, const uint8_t *src, int32_t x0, int32_t y0, int32_t x1,
                       int32_t y1, int32_t srcW, int32_t srcH, int32_t dstW100,
                       int32_t dstH100)
{
    BilinearPlan p;
    if (!dst || !src || !plan_bilinear(&p, x0, y0, x1, y1, srcW, srcH, dstW100, dstH100))
        return -1;
    if (p.row_first >= p.row_end || p.col_first >= p.col_end) {
        zero_rows(dst, p.out_w, 0, p.out_h);
        return 0;
    }
    zero_rows(dst, p.out_w, 0, p.row_first);
    zero_rows(dst, p.out_w, p.row_end, p.out_h);
    RenderJob job = {};
    job.code = JOB_SCALE_BILINEAR;
    job.col_begin = p.col_first;
    job.col_end = p.col_end;
    job.src_x = x0;
    job.src_y = y0;
    job.src_bottom = y1;
    job.src_pitch = srcW;
    job.dst_width = dstW100;
    job.dst_height = dstH100;
    job.dst_pitch = p.out_w;
    job.dst_pixels = dst;
    job.src_pixels = src;
    job.col_table = g_scale_cols;
    job.col_weights = g_scale_col_weights;
    run_render_job_split(job, p.row_first, p.row_end);
    return 0;
}
