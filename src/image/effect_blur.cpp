// Box blurs: horizontal (3), vertical (4) and both, a horizontal pass into
// a scratch image and a vertical pass of it (2 and 5, which give the same
// integers). The window is cut at the rectangle's edges, so near an edge
// fewer samples are averaged; an average is the integer quotient of the sum
// by the number of samples. Sums are kept running (add the entering sample,
// drop the leaving one) and divided by an exact reciprocal multiply, so a
// pixel costs the same at any radius. With A's has-alpha flag all four
// channels are averaged; without it B, G, R are and alpha is A's own.
#include <cstdlib>
#include <cstring>

#include "core/error_report.h"
#include "graphics/layer.h"
#include "image/effect_rows.h"

enum { KV_BLUR_MAX_COUNT = KV_MAX_IMAGE_SIDE + 1 };

// m[n] = floor(2^40 / n) + 1: (sum * m[n]) >> 40 == sum / n for every sum
// below 2^21 and n up to 8193 (the error, below sum / 2^40, stays under 1 / n).
struct BlurReciprocals {
    uint64_t m[KV_BLUR_MAX_COUNT + 1];
    BlurReciprocals()
    {
        m[0] = 0;
        for (uint64_t n = 1; n <= KV_BLUR_MAX_COUNT; n++)
            m[n] = ((uint64_t)1 << 40) / n + 1;
    }
};
static const BlurReciprocals g_blur_recip;

static inline uint8_t blur_div(uint32_t sum, uint32_t count)
{
    return (uint8_t)(((uint64_t)sum * g_blur_recip.m[count]) >> 40);
}

// One line of n samples (stride `step` bytes) averaged over [i - r, i + r].
template <int C>
static void blur_line(uint8_t *d, ptrdiff_t dstep, const uint8_t *s, ptrdiff_t sstep, int32_t n,
                      int32_t r)
{
    uint32_t sum[C] = {};
    int32_t last = r < n - 1 ? r : n - 1;
    for (int32_t i = 0; i <= last; i++)
        for (int c = 0; c < C; c++)
            sum[c] += s[i * sstep + c];
    for (int32_t i = 0; i < n; i++) {
        int32_t lo = i - r < 0 ? 0 : i - r, hi = i + r > n - 1 ? n - 1 : i + r;
        uint32_t count = (uint32_t)(hi - lo + 1);
        for (int c = 0; c < C; c++)
            d[i * dstep + c] = blur_div(sum[c], count);
        if (i + r + 1 < n)
            for (int c = 0; c < C; c++)
                sum[c] += s[(i + r + 1) * sstep + c];
        if (i - r >= 0)
            for (int c = 0; c < C; c++)
                sum[c] -= s[(i - r) * sstep + c];
    }
}

// Rows of w pixels, h of them: horizontal averages.
template <int C>
static void blur_rows_h(uint8_t *d, size_t dpitch, const uint8_t *s, size_t spitch, int32_t w,
                        int32_t h, int32_t r)
{
    for (int32_t y = 0; y < h; y++)
        blur_line<C>(d + y * dpitch, 4, s + y * spitch, 4, w, r);
}

// Vertical averages, row after row with one running sum per column.
template <int C>
static void blur_rows_v(uint8_t *d, size_t dpitch, const uint8_t *s, size_t spitch, int32_t w,
                        int32_t h, int32_t r, uint32_t *sums)
{
    size_t n = (size_t)w * 4;
    memset(sums, 0, n * sizeof *sums);
    int32_t last = r < h - 1 ? r : h - 1;
    for (int32_t y = 0; y <= last; y++) {
        const uint8_t *row = s + y * spitch;
        for (size_t i = 0; i < n; i++)
            sums[i] += row[i];
    }
    for (int32_t y = 0; y < h; y++) {
        int32_t lo = y - r < 0 ? 0 : y - r, hi = y + r > h - 1 ? h - 1 : y + r;
        uint64_t m = g_blur_recip.m[hi - lo + 1];
        uint8_t *out = d + y * dpitch;
        for (int32_t x = 0; x < w; x++)
            for (int c = 0; c < C; c++)
                out[x * 4 + c] = (uint8_t)(((uint64_t)sums[x * 4 + c] * m) >> 40);
        if (y + r + 1 < h) {
            const uint8_t *in = s + (y + r + 1) * spitch;
            for (size_t i = 0; i < n; i++)
                sums[i] += in[i];
        }
        if (y - r >= 0) {
            const uint8_t *out_row = s + (y - r) * spitch;
            for (size_t i = 0; i < n; i++)
                sums[i] -= out_row[i];
        }
    }
}

static int32_t blur_radius(const EffectJob *j)
{
    int32_t r = j->p < 1 ? 1 : j->p;
    return r > KV_MAX_IMAGE_SIDE ? KV_MAX_IMAGE_SIDE : r;
}

// Without the has-alpha flag the result's alpha is A's own.
static void blur_copy_alpha(const EffectJob *j)
{
    if (j->has_alpha)
        return;
    int32_t w = effect_rect_width(j);
    for (int32_t y = j->y1; y <= j->y2; y++) {
        const uint8_t *s = effect_src_px(j, j->x1, y);
        uint8_t *d = effect_rect_row(j, y);
        for (int32_t i = 0; i < w; i++)
            d[i * 4 + 3] = s[i * 4 + 3];
    }
}

// 1 horizontal, 2 vertical, 3 both.
static int blur_run(EffectJob *j, int passes)
{
    int32_t w = effect_rect_width(j), h = effect_rect_height(j), r = blur_radius(j);
    const uint8_t *s = effect_src_px(j, j->x1, j->y1);
    size_t spitch = (size_t)j->sw * 4, dpitch = (size_t)j->dw * 4;
    uint8_t *scratch = nullptr;
    uint32_t *sums = nullptr;
    if (passes == 3) {
        scratch = alloc_effect_pixels(w, h, j->name);
        if (!scratch)
            return -1;
    }
    if (passes & 2) {
        sums = (uint32_t *)malloc((size_t)w * 4 * sizeof *sums);
        if (!sums) {
            free(scratch);
            report_system_error(104030, 1, j->name ? j->name : "");
            return -1;
        }
    }
    if (passes & 1) {
        uint8_t *hd = scratch ? scratch : j->dst;
        size_t hp = scratch ? (size_t)w * 4 : dpitch;
        if (j->has_alpha)
            blur_rows_h<4>(hd, hp, s, spitch, w, h, r);
        else
            blur_rows_h<3>(hd, hp, s, spitch, w, h, r);
        if (scratch) {
            s = scratch;
            spitch = (size_t)w * 4;
        }
    }
    if (passes & 2) {
        if (j->has_alpha)
            blur_rows_v<4>(j->dst, dpitch, s, spitch, w, h, r, sums);
        else
            blur_rows_v<3>(j->dst, dpitch, s, spitch, w, h, r, sums);
    }
    free(sums);
    free(scratch);
    blur_copy_alpha(j);
    return 0;
}

int effect_box_blur(EffectJob *j)
{
    return blur_run(j, 3);
}

int effect_blur_alt(EffectJob *j)
{
    return blur_run(j, 3);
}

int effect_blur_h(EffectJob *j)
{
    return blur_run(j, 1);
}

int effect_blur_v(EffectJob *j)
{
    return blur_run(j, 2);
}
