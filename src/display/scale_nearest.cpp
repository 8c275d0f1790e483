// Nearest-neighbour scaler: 16.16 steps into the column and row tables, rows
// remapped by the render workers (job 11).
#include "display/scale.h"
#include "graphics/kernels.h"
#include "graphics/render_workers.h"

static int64_t g_nearest_pos[KV_SCALE_TABLE_SIZE];

// Entries (i * step) >> 16 of a 32-bit running sum shifted without sign, and
// the range of outputs whose source index (entry + origin) lies in [0, limit).
static void nearest_table(uint32_t *table, int64_t span, int32_t n, int64_t origin,
                          int64_t limit, int32_t *first, int32_t *end)
{
    // The span is at most 2^32, so the step needs 64 bits before it is cut
    // to the 32-bit sum; every table entry is checked against the source.
    uint32_t step = (uint32_t)(span * 65536 / n), sum = 0;
    for (int32_t i = 0; i < n; i++, sum += step) {
        table[i] = sum >> 16;
        g_nearest_pos[i] = (int64_t)table[i] + origin;
    }
    scale_valid_range(g_nearest_pos, n, limit, first, end);
}

static void zero_rows(uint8_t *dst, int64_t pitch_bytes, int32_t from, int32_t to)
{
    for (int32_t r = from; r < to; r++)
        g_pixel_kernels.kern_zero(dst + r * pitch_bytes, (ptrdiff_t)pitch_bytes);
}

int scale_nearest(uint8_t *dst, const uint8_t *src, int32_t x0, int32_t y0, int32_t x1,
                  int32_t y1, int32_t srcW, int32_t srcH, int32_t dstW, int32_t dstH)
{
    if (!dst || !src || dstW <= 0 || dstH <= 0 || dstW > KV_SCALE_TABLE_SIZE ||
        dstH > KV_SCALE_TABLE_SIZE)
        return -1;
    int32_t col_first, col_end, row_first, row_end;
    nearest_table(g_scale_cols, (int64_t)x1 - x0 + 1, dstW, x0, srcW, &col_first, &col_end);
    nearest_table(g_scale_rows, (int64_t)y1 - y0 + 1, dstH, y0, srcH, &row_first, &row_end);
    int64_t pitch = (int64_t)dstW * 4;
    zero_rows(dst, pitch, 0, row_first);
    zero_rows(dst, pitch, row_end, dstH);
    if (row_first >= row_end)
        return 0;
    RenderJob job = {};
    job.code = JOB_REMAP_ROWS;
    job.col_begin = col_first;
    job.col_end = col_end;
    job.src_x = x0;
    job.src_y = y0;
    job.src_pitch = srcW;
    job.dst_width = dstW;
    job.dst_pitch = dstW;
    job.dst_pixels = dst;
    job.src_pixels = src;
    job.row_table = g_scale_rows;
    job.col_table = g_scale_cols;
    run_render_job_split(job, row_first, row_end);
    return 0;
}
