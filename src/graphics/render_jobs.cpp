// Job handlers of the render workers. Each reads its own record and writes
// only the destination rows of its range.
#include <zlib.h>

#include <cstring>

#include "graphics/blend.h"
#include "graphics/kernels.h"
#include "graphics/render_workers.h"
#include "graphics/scale_rows.h"

static inline uint8_t *row_at(uint8_t *base, int64_t y, int64_t pitch, int64_t x)
{
    return base + (y * pitch + x) * 4;
}
static inline const uint8_t *row_at(const uint8_t *base, int64_t y, int64_t pitch, int64_t x)
{
    return base + (y * pitch + x) * 4;
}
static inline int32_t clamp_i32(int32_t v, int32_t lo, int32_t hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

// --- blend jobs 101-104 ---------------------------------------------------------------
// The row functions blend whole 8-byte groups with the kernels' formula and
// single pixels (an odd end, a start below an 8-byte boundary) with another
// one. So that a pixel comes out the same wherever it falls in a blit (a
// small dirty area must give what the whole image gives), every pixel goes
// through the group path: a single pixel is blended in a two-pixel scratch.

struct RowCall {
    const BlendFn *fn;
    int opacity, progress, softness;
};

static inline void call_row(const RowCall &c, uint8_t *d, const uint8_t *s, const uint8_t *m,
                            ptrdiff_t count)
{
    if (c.fn->row)
        c.fn->row(d, s, c.opacity, count);
    else if (c.fn->masked_row)
        c.fn->masked_row(d, s, m, c.progress, c.softness, count);
}

static void blend_single_pixel(const RowCall &c, uint8_t *d, const uint8_t *s, const uint8_t *m)
{
    alignas(16) uint8_t dd[8] = {}, ss[8] = {}, mm[8] = {};
    std::memcpy(dd, d, 4);
    std::memcpy(ss, s, 4);
    if (m)
        std::memcpy(mm, m, 4);
    call_row(c, dd, ss, m ? mm : nullptr, 8);
    std::memcpy(d, dd, 4);
}

static void blend_row_grouped(const RowCall &c, uint8_t *d, const uint8_t *s, const uint8_t *m,
                              int32_t width)
{
    if (width > 0 && ((uintptr_t)d & 7) != 0) {
        blend_single_pixel(c, d, s, m);
        d += 4;
        s += 4;
        m = m ? m + 4 : nullptr;
        width--;
    }
    int32_t body = width & ~1;
    if (body > 0)
        call_row(c, d, s, m, (ptrdiff_t)body * 4);
    if (width & 1)
        blend_single_pixel(c, d + (ptrdiff_t)body * 4, s + (ptrdiff_t)body * 4,
                           m ? m + (ptrdiff_t)body * 4 : nullptr);
}

// A source row is read once and rows of a layer lie a pitch apart, past what
// the processor's own prefetching follows: the row two below is asked for
// while this one is blended, so that it has arrived when its turn comes.
static inline void prefetch_row(const uint8_t *p, ptrdiff_t bytes)
{
    for (ptrdiff_t i = 0; i < bytes; i += 64)
        __builtin_prefetch(p + i);
}

static void blend_rows(int worker, int kind)
{
    const RenderJob &j = g_render_jobs[worker];
    if (!j.dst_pixels || !j.src_pixels || j.blit_width <= 0)
        return;
    bool masked = kind == BLEND_KIND_MASK || kind == BLEND_KIND_MASK_ALPHA;
    if (masked && !j.mask_pixels)
        return;
    int mode = blend_mode_clamp(j.blend_mode);
    for (int32_t k = j.blit_row_begin; k < j.blit_row_end; k++) {
        int opacity = blend_opacity_clamp(j.opacity);
        int full = kind == BLEND_KIND_MASK_ALPHA ? 0 : opacity >> 8;
        RowCall call = {&blend_fn(kind, mode, full), opacity, j.rule_progress, j.rule_softness};
        uint8_t *d = row_at(j.dst_pixels, (int64_t)j.blit_dst_y + k, j.dst_pitch, j.blit_dst_x);
        const uint8_t *s = row_at(j.src_pixels, (int64_t)j.blit_src_y + k, j.src_pitch, j.blit_src_x);
        const uint8_t *m = masked ? row_at(j.mask_pixels, (int64_t)j.blit_src_y + k, j.mask_pitch,
                                           j.blit_src_x)
                                  : nullptr;
        if (k + 2 < j.blit_row_end)
            prefetch_row(s + (ptrdiff_t)j.src_pitch * 8, (ptrdiff_t)j.blit_width * 4);
        blend_row_grouped(call, d, s, m, j.blit_width);
    }
}

void job_blend_rows(int worker) { blend_rows(worker, BLEND_KIND_PLAIN); }
void job_blend_rows_alpha(int worker) { blend_rows(worker, BLEND_KIND_ALPHA); }
void job_blend_rows_masked(int worker) { blend_rows(worker, BLEND_KIND_MASK); }
void job_blend_rows_masked_alpha(int worker) { blend_rows(worker, BLEND_KIND_MASK_ALPHA); }

// --- scaler jobs ------------------------------------------------------------------------

static inline uint32_t load_px(const uint8_t *p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
static inline void store_px(uint8_t *p, uint32_t v)
{
    std::memcpy(p, &v, 4);
}

// Destination row r with its columns outside [first, end) cleared.
static uint8_t *scaler_row(const RenderJob &j, int32_t r, int32_t width, int32_t *first,
                           int32_t *end)
{
    *first = clamp_i32(j.col_begin, 0, width);
    *end = clamp_i32(j.col_end, *first, width);
    uint8_t *d = row_at(j.dst_pixels, r, j.dst_pitch > 0 ? j.dst_pitch : width, 0);
    g_pixel_kernels.kern_zero(d, (ptrdiff_t)*first * 4);
    g_pixel_kernels.kern_zero(d + (ptrdiff_t)*end * 4, (ptrdiff_t)(width - *end) * 4);
    return d;
}

void job_remap_rows(int worker)
{
    const RenderJob &j = g_render_jobs[worker];
    if (!j.dst_pixels || !j.src_pixels || !j.row_table || !j.col_table)
        return;
    for (int32_t r = j.row_begin; r < j.row_end; r++) {
        int32_t first, end;
        uint8_t *d = scaler_row(j, r, j.dst_width, &first, &end);
        const uint8_t *s = row_at(j.src_pixels, (int64_t)j.row_table[r] + j.src_y, j.src_pitch, 0);
        for (int32_t c = first; c < end; c++)
            store_px(d + (ptrdiff_t)c * 4, load_px(s + ((int64_t)j.col_table[c] + j.src_x) * 4));
    }
}

// Source position of a destination row of the 24.8 grid: the row and its fraction.
struct RowPos {
    int64_t row;
    int t;
};
static RowPos bilinear_row_pos(const RenderJob &j, int64_t r, int64_t grid_h)
{
    int64_t h = (int64_t)j.src_bottom - j.src_y;
    int64_t f = (int64_t)(j.src_y % 100) * 256 / 100;
    int64_t den = grid_h - 100;
    if (den == 0)
        den = 100;
    bool shrink = grid_h < h;
    int64_t p = h * ((r << 8) + (shrink ? f : 0)) / den + (shrink ? 0 : f);
    return RowPos{j.src_y / 100 + (p >> 8), (int)(p & 255)};
}

// One bilinear sample per byte: rows a (upper) and b (lower), at byte offset off.
static inline uint32_t bilinear_px(const uint8_t *a, const uint8_t *b, int w, int t)
{
    uint32_t out = 0;
    w = w < 0 ? 0 : (w > 256 ? 256 : w);
    for (int k = 0; k < 4; k++) {
        int top = a[k] * (256 - w) + a[4 + k] * w;
        int bottom = b[k] * (256 - w) + b[4 + k] * w;
        int v = ((top * (256 - t)) >> 16) + ((bottom * t) >> 16);
        out |= (uint32_t)(v > 255 ? 255 : v) << (8 * k);
    }
    return out;
}

// Columns come as byte offsets into the source row (g_scale_cols) and four
// lanes of weight each (g_scale_col_weights); each worker keeps its own two
// rows of horizontal sums.
void job_scale_bilinear(int worker)
{
    const RenderJob &j = g_render_jobs[worker];
    if (!j.dst_pixels || !j.src_pixels || !j.col_table || !j.col_weights)
        return;
    int32_t width = j.dst_pitch;
    BilinearRowCtx ctx;
    ctx.src = j.src_pixels;
    ctx.src_pitch = j.src_pitch;
    ctx.col_offsets = j.col_table;
    ctx.col_weights = j.col_weights;
    ctx.rounding = KV_BILINEAR_WIDE;
    bilinear_ctx_init(&ctx, worker);
    for (int32_t r = j.row_begin; r < j.row_end; r++) {
        uint8_t *d = scaler_row(j, r, width, &ctx.first, &ctx.end);
        if (ctx.end > KV_SCALE_TABLE_SIZE)
            ctx.end = KV_SCALE_TABLE_SIZE;
        RowPos pos = bilinear_row_pos(j, r, j.dst_height);
        bilinear_row(&ctx, d, pos.row, pos.t);
    }
}

// Rounded-up average of two pixels per byte.
static inline uint32_t avg_up(uint32_t a, uint32_t b)
{
    return (a | b) - (((a ^ b) >> 1) & 0x7F7F7F7Fu);
}

// Each destination pixel averages four samples of a grid twice as fine: rows
// 2r and 2r + 1, columns 2c and 2c + 1 of the doubled column table. The
// samples are made where they are used, so the job needs no scratch memory.
void job_scale_bilinear_avg(int worker)
{
    const RenderJob &j = g_render_jobs[worker];
    if (!j.dst_pixels || !j.src_pixels || !j.col_table)
        return;
    int32_t width = j.dst_pitch;
    int64_t grid_h = 2 * (int64_t)j.dst_height;
    for (int32_t r = j.row_begin; r < j.row_end; r++) {
        int32_t first, end;
        uint8_t *d = scaler_row(j, r, width, &first, &end);
        RowPos p0 = bilinear_row_pos(j, 2 * (int64_t)r, grid_h);
        RowPos p1 = bilinear_row_pos(j, 2 * (int64_t)r + 1, grid_h);
        const uint8_t *a0 = row_at(j.src_pixels, p0.row, j.src_pitch, 0);
        const uint8_t *a1 = a0 + (ptrdiff_t)j.src_pitch * 4;
        const uint8_t *b0 = row_at(j.src_pixels, p1.row, j.src_pitch, 0);
        const uint8_t *b1 = b0 + (ptrdiff_t)j.src_pitch * 4;
        for (int32_t c = first; c < end; c++) {
            uint32_t e0 = j.col_table[2 * c], e1 = j.col_table[2 * c + 1];
            uint32_t o0 = (e0 >> 6) & ~3u, o1 = (e1 >> 6) & ~3u;
            int w0 = (int)(e0 & 255), w1 = (int)(e1 & 255);
            uint32_t left = avg_up(bilinear_px(a0 + o0, a1 + o0, w0, p0.t),
                                   bilinear_px(b0 + o0, b1 + o0, w0, p1.t));
            uint32_t right = avg_up(bilinear_px(a0 + o1, a1 + o1, w1, p0.t),
                                    bilinear_px(b0 + o1, b1 + o1, w1, p1.t));
            store_px(d + (ptrdiff_t)c * 4, avg_up(left, right));
        }
    }
}

// Box downscale by the factor source pitch / destination width. Sums are
// 32-bit, so any factor works; a factor of 0 (a source narrower than the
// destination) leaves the destination alone.
void job_downscale_box(int worker)
{
    const RenderJob &j = g_render_jobs[worker];
    if (!j.dst_pixels || !j.src_pixels || j.dst_width <= 0 || j.src_pitch <= 0)
        return;
    int32_t f = j.src_pitch / j.dst_width;
    if (f <= 0)
        return;
    int32_t pitch = j.dst_pitch > 0 ? j.dst_pitch : j.dst_width;
    for (int32_t r = j.row_begin; r < j.row_end; r++) {
        uint8_t *d = row_at(j.dst_pixels, r, pitch, 0);
        int64_t sy = (int64_t)j.src_y + (int64_t)r * f;
        if (f == 2) {
            g_pixel_kernels.kern_half_box(d, row_at(j.src_pixels, sy, j.src_pitch, j.src_x),
                                          j.src_pitch, j.dst_width);
            continue;
        }
        uint32_t area = (uint32_t)(f * f);
        for (int32_t c = 0; c < j.dst_width; c++) {
            uint32_t sum[4] = {0, 0, 0, 0};
            for (int32_t y = 0; y < f; y++) {
                const uint8_t *s = row_at(j.src_pixels, sy + y, j.src_pitch,
                                          (int64_t)j.src_x + (int64_t)c * f);
                for (int32_t x = 0; x < f; x++)
                    for (int k = 0; k < 4; k++)
                        sum[k] += s[x * 4 + k];
            }
            for (int k = 0; k < 4; k++)
                d[c * 4 + k] = (uint8_t)(sum[k] / area);
        }
    }
}

// --- job 1001: the two halves of a .kcg image -------------------------------------------

void job_inflate_halves(int worker)
{
    if (worker < 0 || worker > 1)
        return;
    RenderJob &j = g_render_jobs[worker];
    if (!j.dst_pixels || !j.file_data)
        return;
    uint64_t src_off = KV_KCG_HEADER_SIZE + (worker == 1 ? (uint64_t)j.part1_packed : 0);
    uint64_t packed = worker == 0 ? j.part1_packed : j.part2_packed;
    uint64_t dst_off = worker == 1 ? (uint64_t)j.part1_unpacked : 0;
    uint64_t unpacked = worker == 0 ? j.part1_unpacked : j.part2_unpacked;
    // Sizes come from the file: both ranges must lie inside their buffers.
    if (src_off + packed > j.file_size || dst_off + unpacked > j.dst_size) {
        j.result = -1;
        return;
    }
    uLongf out_len = (uLongf)unpacked;
    int rc = uncompress(j.dst_pixels + dst_off, &out_len, j.file_data + src_off, (uLong)packed);
    // A stream that ends early would leave bytes of the part unwritten.
    j.result = rc == Z_OK && out_len == unpacked ? 0 : -1;
}

// --- dispatch by job code -----------------------------------------------------------------

struct JobHandler {
    uint32_t code;
    void (*run)(int worker);
};
static const JobHandler k_job_handlers[] = {
    {JOB_REMAP_ROWS, job_remap_rows},
    {JOB_SCALE_BILINEAR, job_scale_bilinear},
    {JOB_SCALE_BILINEAR_AVG, job_scale_bilinear_avg},
    {JOB_DOWNSCALE_BOX, job_downscale_box},
    {JOB_BLEND_ROWS, job_blend_rows},
    {JOB_BLEND_ROWS_MASKED, job_blend_rows_masked},
    {JOB_BLEND_ROWS_ALPHA, job_blend_rows_alpha},
    {JOB_BLEND_ROWS_MASKED_ALPHA, job_blend_rows_masked_alpha},
    {JOB_INFLATE_HALVES, job_inflate_halves},
};

void run_render_job_handler(int worker)
{
    if (worker < 0 || worker >= KV_MAX_RENDER_WORKERS)
        return;
    uint32_t code = g_render_jobs[worker].code;
    for (const JobHandler &h : k_job_handlers)
        if (h.code == code) {
            h.run(worker);
            return;
        }
}
