// Rotation pixel work. An output row of a turned picture runs across
// hundreds of source rows, each on pages of its own; walked whole, the next
// output row finds those pages (and lines) gone from the processor's caches.
// So rows are walked four at a time, side by side, in blocks of columns that
// cross a bounded number of source rows. Inside a row only the span that maps
// into the source is visited: the inner loop has no bound test.
#include "image/rotate_kernels.h"

#include "graphics/kernels.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

const int32_t k_band_rows = 4;        // output rows walked together, block by block
const int64_t k_rows_crossed = 256;   // source rows one block of output columns may cross
const int32_t k_quarter_tile = 64;    // side of a quarter-turn tile

int64_t floor_div(int64_t a, int64_t b)   // b > 0
{
    int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

int64_t ceil_div(int64_t a, int64_t b)   // b > 0
{
    return -floor_div(-a, b);
}

// Narrows [*lo, *hi) to the x with 0 <= a + x * k < limit.
void clip_axis(int64_t a, int64_t k, int64_t limit, int64_t *lo, int64_t *hi)
{
    int64_t l, h;
    if (k == 0) {
        if (a < 0 || a >= limit)
            *hi = *lo;
        return;
    }
    if (k > 0) {
        l = ceil_div(-a, k);
        h = floor_div(limit - 1 - a, k) + 1;
    } else {
        l = ceil_div(a - (limit - 1), -k);
        h = floor_div(a, -k) + 1;
    }
    if (l > *lo)
        *lo = l;
    if (h < *hi)
        *hi = h;
}

bool maps_inside(const RotateMap *m, RotateRow row, int64_t ox)
{
    int64_t sx = (row.px0 + ox * m->dx) >> 16, sy = (row.py0 + ox * m->dy) >> 16;
    return sx >= 0 && sx < m->w && sy >= 0 && sy < m->h;
}

void zero_pixels(uint32_t *p, int64_t n)
{
    if (n > 0)
        std::memset(p, 0, (size_t)n * 4);
}

}  // namespace

void rotate_run_scalar(uint32_t *out, const uint32_t *in, int32_t w, int32_t px, int32_t py,
                       int32_t dx, int32_t dy, int32_t n)
{
    for (int32_t i = 0; i < n; i++, px += dx, py += dy)
        out[i] = in[(py >> 16) * w + (px >> 16)];
}

#if defined(__SSE2__)
// Four source offsets at once: the integer parts of px (low word) and of py
// (high word, where it already is) meet in one lane, and one multiply-add
// with (1, w) makes sy * w + sx. Both parts are below 8192, so the signed
// words hold them.
void rotate_run_sse2(uint32_t *out, const uint32_t *in, int32_t w, int32_t px, int32_t py,
                     int32_t dx, int32_t dy, int32_t n)
{
    int32_t i = 0;
    if (n >= 4) {
        __m128i vx = _mm_setr_epi32(px, px + dx, px + 2 * dx, px + 3 * dx);
        __m128i vy = _mm_setr_epi32(py, py + dy, py + 2 * dy, py + 3 * dy);
        const __m128i step_x = _mm_set1_epi32(4 * dx), step_y = _mm_set1_epi32(4 * dy);
        const __m128i high = _mm_set1_epi32((int32_t)0xFFFF0000u);
        const __m128i mul = _mm_set1_epi32((w << 16) | 1);
        for (; i + 4 <= n; i += 4) {
            __m128i xy = _mm_or_si128(_mm_srli_epi32(vx, 16), _mm_and_si128(vy, high));
            __m128i idx = _mm_madd_epi16(xy, mul);
            uint64_t lo = (uint64_t)_mm_cvtsi128_si64(idx);
            uint64_t hi = (uint64_t)_mm_cvtsi128_si64(_mm_unpackhi_epi64(idx, idx));
            out[i] = in[(uint32_t)lo];
            out[i + 1] = in[lo >> 32];
            out[i + 2] = in[(uint32_t)hi];
            out[i + 3] = in[hi >> 32];
            vx = _mm_add_epi32(vx, step_x);
            vy = _mm_add_epi32(vy, step_y);
        }
    }
    rotate_run_scalar(out + i, in, w, px + i * dx, py + i * dy, dx, dy, n - i);
}
#endif

RotateBandRun rotate_band_for_cpu()
{
#if defined(__x86_64__) || defined(__i386__)
    if (g_kernel_wide)
        return rotate_band_avx2;
#endif
    return nullptr;
}

RotateRun rotate_run_for_cpu()
{
#if defined(__x86_64__) || defined(__i386__)
    if (g_kernel_wide)
        return rotate_run_avx2;
#endif
#if defined(__SSE2__)
    return rotate_run_sse2;
#else
    return rotate_run_scalar;
#endif
}

void rotate_map_init(RotateMap *m, int32_t w, int32_t h, int64_t angle)
{
    double rad = (double)angle * 3.1415926535 / 180.0;
    m->c = std::lrint(std::cos(rad) * 65536.0);
    m->s = std::lrint(std::sin(rad) * 65536.0);
    m->w = w;
    m->h = h;
    m->dx = m->c;
    m->dy = -m->s;
}

RotateRow rotate_map_row(const RotateMap *m, int32_t oy)
{
    int64_t cx = m->w / 2, cy = m->h / 2, dy = oy - cy;
    return RotateRow{(cx << 16) - cx * m->c + dy * m->s, (cy << 16) + cx * m->s + dy * m->c};
}

void rotate_row_span(const RotateMap *m, RotateRow row, int32_t *lo, int32_t *hi)
{
    int64_t l = 0, h = m->w;
    clip_axis(row.px0, m->dx, (int64_t)m->w << 16, &l, &h);
    clip_axis(row.py0, m->dy, (int64_t)m->h << 16, &l, &h);
    // The ends once more, pixel by pixel: the span must never reach outside.
    while (l < h && !maps_inside(m, row, l))
        l++;
    while (h > l && !maps_inside(m, row, h - 1))
        h--;
    if (h <= l)
        l = h = 0;   // an empty span: the clipped ends may lie past the row
    *lo = (int32_t)l;
    *hi = (int32_t)h;
}

void rotate_reversed(uint32_t *dst, const uint32_t *src, int64_t count)
{
    int64_t i = 0;
#if defined(__SSE2__)
    for (; i + 8 <= count; i += 8) {
        __m128i a = _mm_loadu_si128((const __m128i *)(src + count - 4 - i));
        __m128i b = _mm_loadu_si128((const __m128i *)(src + count - 8 - i));
        _mm_storeu_si128((__m128i *)(dst + i), _mm_shuffle_epi32(a, 0x1B));
        _mm_storeu_si128((__m128i *)(dst + i + 4), _mm_shuffle_epi32(b, 0x1B));
    }
#endif
    for (; i < count; i++)
        dst[i] = src[count - 1 - i];
}

namespace {

// A quarter turn maps output (ox, oy) to source (sx0 + sg * (oy - r0),
// sy0 - sg * (ox - c0)), sg = +1 or -1: output rows are source columns.
struct Quarter {
    uint32_t *dst;
    const uint32_t *src;
    int32_t w;
    int32_t r0, c0, sx0, sy0, sg;
};

inline const uint32_t *quarter_src(const Quarter &q, int32_t ox, int32_t oy)
{
    int64_t sx = q.sx0 + (int64_t)q.sg * (oy - q.r0), sy = q.sy0 - (int64_t)q.sg * (ox - q.c0);
    return q.src + sy * q.w + sx;
}

void quarter_scalar(const Quarter &q, int32_t x0, int32_t x1, int32_t y0, int32_t y1)
{
    for (int32_t oy = y0; oy < y1; oy++) {
        uint32_t *out = q.dst + (int64_t)oy * q.w;
        const uint32_t *in = quarter_src(q, x0, oy);
        int64_t step = -(int64_t)q.sg * q.w;
        for (int32_t ox = x0; ox < x1; ox++, in += step)
            out[ox] = *in;
    }
}

#if defined(__SSE2__)
// A 4 x 4 block at (ox, oy): four source rows, transposed. Output column j
// reads source row sy - sg * j; with sg = -1 the source columns run
// backwards, so the four pixels are loaded from sx - 3 and the rows of the
// transpose are stored in reverse.
void quarter_block4(const Quarter &q, int32_t ox, int32_t oy)
{
    const uint32_t *base = quarter_src(q, ox, oy) - (q.sg < 0 ? 3 : 0);
    int64_t step = -(int64_t)q.sg * q.w;
    __m128i r0 = _mm_loadu_si128((const __m128i *)base);
    __m128i r1 = _mm_loadu_si128((const __m128i *)(base + step));
    __m128i r2 = _mm_loadu_si128((const __m128i *)(base + 2 * step));
    __m128i r3 = _mm_loadu_si128((const __m128i *)(base + 3 * step));
    __m128i t0 = _mm_unpacklo_epi32(r0, r1), t1 = _mm_unpacklo_epi32(r2, r3);
    __m128i t2 = _mm_unpackhi_epi32(r0, r1), t3 = _mm_unpackhi_epi32(r2, r3);
    __m128i o[4] = {_mm_unpacklo_epi64(t0, t1), _mm_unpackhi_epi64(t0, t1),
                    _mm_unpacklo_epi64(t2, t3), _mm_unpackhi_epi64(t2, t3)};
    uint32_t *out = q.dst + (int64_t)oy * q.w + ox;
    for (int k = 0; k < 4; k++)
        _mm_storeu_si128((__m128i *)(out + (int64_t)k * q.w), o[q.sg > 0 ? k : 3 - k]);
}
#endif

void quarter_tile(const Quarter &q, int32_t x0, int32_t x1, int32_t y0, int32_t y1)
{
#if defined(__SSE2__)
    int32_t xe = x0 + (x1 - x0) / 4 * 4, ye = y0 + (y1 - y0) / 4 * 4;
    for (int32_t oy = y0; oy < ye; oy += 4)
        for (int32_t ox = x0; ox < xe; ox += 4)
            quarter_block4(q, ox, oy);
    quarter_scalar(q, xe, x1, y0, ye);
    quarter_scalar(q, x0, x1, ye, y1);
#else
    quarter_scalar(q, x0, x1, y0, y1);
#endif
}

}  // namespace

void rotate_quarter(uint32_t *dst, const uint32_t *src, int32_t w, int32_t h, int64_t s)
{
    RotateMap m;
    m.c = 0;
    m.s = s;
    m.w = w;
    m.h = h;
    m.dx = 0;
    m.dy = -s;
    // Every mapped row has the same span; the mapped rows are consecutive.
    int32_t r0 = h, r1 = h, c0 = 0, c1 = 0;
    for (int32_t oy = 0; oy < h; oy++) {
        int32_t lo, hi;
        rotate_row_span(&m, rotate_map_row(&m, oy), &lo, &hi);
        if (lo < hi) {
            if (r0 == h) {
                r0 = oy;
                c0 = lo;
                c1 = hi;
            }
            r1 = oy + 1;
        }
    }
    zero_pixels(dst, (int64_t)r0 * w);
    zero_pixels(dst + (int64_t)r1 * w, (int64_t)(h - r1) * w);
    if (r0 >= r1)
        return;
    for (int32_t oy = r0; oy < r1; oy++) {
        zero_pixels(dst + (int64_t)oy * w, c0);
        zero_pixels(dst + (int64_t)oy * w + c1, w - c1);
    }
    RotateRow first = rotate_map_row(&m, r0);
    Quarter q = {dst, src, w, r0, c0, (int32_t)(first.px0 >> 16),
                 (int32_t)((first.py0 + c0 * m.dy) >> 16), s > 0 ? 1 : -1};
    for (int32_t y0 = r0; y0 < r1; y0 += k_quarter_tile)
        for (int32_t x0 = c0; x0 < c1; x0 += k_quarter_tile)
            quarter_tile(q, x0, x0 + k_quarter_tile < c1 ? x0 + k_quarter_tile : c1, y0,
                         y0 + k_quarter_tile < r1 ? y0 + k_quarter_tile : r1);
}

namespace {

// Output row `row` (number oy) over columns [a, b).
void run_columns(RotateRun run, uint32_t *dst, const uint32_t *src, const RotateMap *m,
                 RotateRow row, int32_t oy, int32_t a, int32_t b)
{
    if (a < b)
        run(dst + (int64_t)oy * m->w + a, src, m->w, (int32_t)(row.px0 + a * m->dx),
            (int32_t)(row.py0 + a * m->dy), (int32_t)m->dx, (int32_t)m->dy, b - a);
}

// The k_band_rows rows from oy, each over [a[k], b[k]): the columns all map
// walked together, the ends of each row on their own.
void run_band(RotateRun run, RotateBandRun band, uint32_t *dst, const uint32_t *src,
              const RotateMap *m, const RotateRow rows[], int32_t oy, const int32_t a[],
              const int32_t b[])
{
    int32_t c0 = a[0], c1 = b[0];
    for (int32_t k = 1; k < k_band_rows; k++) {
        c0 = a[k] > c0 ? a[k] : c0;
        c1 = b[k] < c1 ? b[k] : c1;
    }
    if (c1 - c0 < 8) {
        for (int32_t k = 0; k < k_band_rows; k++)
            run_columns(run, dst, src, m, rows[k], oy + k, a[k], b[k]);
        return;
    }
    for (int32_t k = 0; k < k_band_rows; k++) {
        run_columns(run, dst, src, m, rows[k], oy + k, a[k], c0);
        run_columns(run, dst, src, m, rows[k], oy + k, c1, b[k]);
    }
    // Each row maps exactly (s, c) from the one above: 32-bit inside the source.
    band(dst + (int64_t)oy * m->w + c0, src, m->w, (int32_t)(rows[0].px0 + c0 * m->dx),
         (int32_t)(rows[0].py0 + c0 * m->dy), (int32_t)m->dx, (int32_t)m->dy,
         (int32_t)(rows[1].px0 - rows[0].px0), (int32_t)(rows[1].py0 - rows[0].py0), c1 - c0);
}

}  // namespace

void rotate_spans(uint32_t *dst, const uint32_t *src, const RotateMap *m, bool fill)
{
    int32_t w = m->w, h = m->h;
    // A block of columns runs across about block * |sin| source rows, each on
    // pages of its own: bounded, the pages stay in the address cache.
    int64_t as = m->s < 0 ? -m->s : m->s;
    int64_t cols = as > 0 ? (k_rows_crossed << 16) / as : w;
    const int32_t block = (int32_t)(cols < 64 ? 64 : (cols > w ? w : cols));
    RotateRun run = rotate_run_for_cpu();
    RotateBandRun band = rotate_band_for_cpu();
    RotateRow rows[k_band_rows];
    int32_t lo[k_band_rows], hi[k_band_rows];
    for (int32_t y0 = 0; y0 < h; y0 += k_band_rows) {
        int32_t n = h - y0 < k_band_rows ? h - y0 : k_band_rows;
        int32_t band_lo = w, band_hi = 0;
        for (int32_t k = 0; k < n; k++) {
            rows[k] = rotate_map_row(m, y0 + k);
            rotate_row_span(m, rows[k], &lo[k], &hi[k]);
            uint32_t *out = dst + (int64_t)(y0 + k) * w;
            if (fill) {
                zero_pixels(out, lo[k]);
                zero_pixels(out + hi[k], w - hi[k]);
            }
            if (lo[k] < hi[k]) {
                band_lo = lo[k] < band_lo ? lo[k] : band_lo;
                band_hi = hi[k] > band_hi ? hi[k] : band_hi;
            }
        }
        for (int32_t x0 = band_lo; x0 < band_hi; x0 += block) {
            int32_t a[k_band_rows], b[k_band_rows];
            for (int32_t k = 0; k < n; k++) {
                a[k] = lo[k] > x0 ? lo[k] : x0;
                b[k] = hi[k] < x0 + block ? hi[k] : x0 + block;
            }
            if (band && n == k_band_rows) {
                run_band(run, band, dst, src, m, rows, y0, a, b);
                continue;
            }
            for (int32_t k = 0; k < n; k++)
                run_columns(run, dst, src, m, rows[k], y0 + k, a[k], b[k]);
        }
    }
}
