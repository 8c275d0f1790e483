// Putting one layer onto another, the two cross-fades and the difference
// masks, on layer records. Every row stays inside every image it touches:
// the clip of A in the destination is cut further by each other source,
// which is read at the same offset as A. A source that shares the
// destination's buffer (the same record twice) is read from a copy, so
// that rows already written are never read again as source.
#include <cstdlib>
#include <cstring>

#include "core/error_report.h"
#include "graphics/kernels.h"
#include "graphics/layer.h"
#include "image/compose_ops.h"

BlitClip g_blit_clip;
int32_t g_alpha_table[256];

// Positions far outside any image are cut to a range whose sums fit.
static int64_t clamp_far(int64_t v)
{
    const int64_t far = (int64_t)1 << 40;
    return v < -far ? -far : (v > far ? far : v);
}

int blit_clip_case(const LayerState *dst, const LayerState *src, int64_t x, int64_t y)
{
    x = clamp_far(x);
    y = clamp_far(y);
    return (x + src->width > dst->width ? 8 : 0) | (y + src->height > dst->height ? 2 : 0) |
           (x < 0 ? 4 : 0) | (y < 0 ? 1 : 0);
}

static void clip_axis(int64_t pos, int64_t src_size, int64_t dst_size, int32_t *src0, int32_t *dst0,
                      int32_t *size)
{
    int64_t lo = pos > 0 ? pos : 0;
    int64_t hi = pos + src_size < dst_size ? pos + src_size : dst_size;
    *dst0 = (int32_t)(lo < dst_size ? lo : dst_size);
    *src0 = (int32_t)(lo - pos < src_size ? lo - pos : src_size);
    *size = (int32_t)(hi > lo ? hi - lo : 0);
}

void compute_blit_clip(const LayerState *dst, const LayerState *src, int clip_case, int64_t x,
                       int64_t y)
{
    (void)clip_case;   // every case is the plain intersection
    x = clamp_far(x);
    y = clamp_far(y);
    BlitClip &c = g_blit_clip;
    clip_axis(x, src->width, dst->width, &c.src_x0, &c.dst_x0, &c.width);
    clip_axis(y, src->height, dst->height, &c.src_y0, &c.dst_y0, &c.height);
}

// The clip of A at (x, y) in dst; false when nothing is to be composed.
static bool clip_source(const LayerState *dst, const LayerState *a, int64_t x, int64_t y)
{
    compute_blit_clip(dst, a, blit_clip_case(dst, a, x, y), x, y);
    return g_blit_clip.width > 0 && g_blit_clip.height > 0;
}

// Cuts the clip to another source read at A's offset.
static bool clip_also(const LayerState *s)
{
    BlitClip &c = g_blit_clip;
    if (c.width > s->width - c.src_x0)
        c.width = s->width - c.src_x0;
    if (c.height > s->height - c.src_y0)
        c.height = s->height - c.src_y0;
    return c.width > 0 && c.height > 0;
}

// The pixels to read from `src` while writing `dst`: its own, or a copy
// (in *copy, to be freed) when both are the same buffer. Null when that copy
// could not be made (reported).
static const uint8_t *source_view(const LayerState *src, const LayerState *dst, uint8_t **copy)
{
    if (src->pixels != dst->pixels)
        return src->pixels;
    size_t bytes = (size_t)src->width * 4 * (size_t)src->height;
    *copy = (uint8_t *)malloc(bytes);
    if (!*copy) {
        report_system_error(104030, 1, "");
        return nullptr;
    }
    memcpy(*copy, src->pixels, bytes);
    return *copy;
}

static inline uint8_t *dst_row(const LayerState *d, int32_t i)
{
    return d->pixels + ((size_t)(g_blit_clip.dst_y0 + i) * d->width + g_blit_clip.dst_x0) * 4;
}
static inline const uint8_t *src_row(const uint8_t *pixels, const LayerState *s, int32_t i)
{
    return pixels + ((size_t)(g_blit_clip.src_y0 + i) * s->width + g_blit_clip.src_x0) * 4;
}

// Starts a composition of A onto B at (x, y): B keeps an alpha from now on,
// the clip is set and *ap gets the pixels to read from A. 1 to go on, 0 when
// there is nothing to do, -1 after a report.
static int begin_onto(LayerState *a, LayerState *b, int64_t x, int64_t y, const uint8_t **ap,
                      uint8_t **copy)
{
    if (!a || !a->pixels || !b)
        return 0;
    b->has_alpha = 1;
    if (!b->pixels || !clip_source(b, a, x, y))
        return 0;
    *ap = source_view(a, b, copy);
    return *ap ? 1 : -1;
}

static int clamp_opacity(int v)
{
    return v < 0 ? 0 : (v > 256 ? 256 : v);
}

// Source-over of A onto B, which keeps an alpha of its own; slot 22 at full
// opacity, slot 23 with A's opacity.
int blit_object_state(LayerState *a, LayerState *b, int64_t x, int64_t y)
{
    if (a && a->opacity == 0)
        return 0;
    uint8_t *copy = nullptr;
    const uint8_t *ap;
    int go = begin_onto(a, b, x, y, &ap, &copy);
    if (go <= 0)
        return go;
    int o = clamp_opacity(a->opacity);
    ptrdiff_t bytes = (ptrdiff_t)g_blit_clip.width * 4;
    for (int32_t i = 0; i < g_blit_clip.height; i++) {
        if (o == 256)
            g_pixel_kernels.kern_alpha_over_dst_alpha(dst_row(b, i), src_row(ap, a, i), bytes);
        else
            g_pixel_kernels.kern_alpha_over_dst_alpha_opacity(dst_row(b, i), src_row(ap, a, i), o,
                                                              bytes);
    }
    free(copy);
    return 0;
}

// The same weighted by both opacities: slot 24 with B's opacity when A is
// opaque, else slot 25 with B's and A's.
int blit_object_dst_opacity_state(LayerState *a, LayerState *b, int64_t x, int64_t y)
{
    uint8_t *copy = nullptr;
    const uint8_t *ap;
    int go = begin_onto(a, b, x, y, &ap, &copy);
    if (go <= 0)
        return go;
    int oa = clamp_opacity(a->opacity), ob = clamp_opacity(b->opacity);
    ptrdiff_t bytes = (ptrdiff_t)g_blit_clip.width * 4;
    for (int32_t i = 0; i < g_blit_clip.height; i++) {
        if (oa == 256)
            g_pixel_kernels.kern_alpha_over_dst_alpha_scaled(dst_row(b, i), src_row(ap, a, i), ob,
                                                             bytes);
        else
            g_pixel_kernels.kern_alpha_over_dst_alpha_div(dst_row(b, i), src_row(ap, a, i), ob, oa,
                                                          bytes);
    }
    free(copy);
    return 0;
}

static int clamp_level(int64_t v)
{
    return (int)(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// C := A + ((B - A) * w >> 8) per byte, w = value 1 (0..255) + 1.
int crossfade_objects_state(LayerState *a, LayerState *b, LayerState *c, int64_t x, int64_t y,
                            int64_t level)
{
    if (!a || !a->pixels || !b || !c)
        return 0;
    c->has_alpha = 1;
    if (!b->pixels || !c->pixels || !clip_source(c, a, x, y) || !clip_also(b))
        return 0;
    uint8_t *copy_a = nullptr, *copy_b = nullptr;
    const uint8_t *ap = source_view(a, c, &copy_a);
    const uint8_t *bp = ap ? source_view(b, c, &copy_b) : nullptr;
    if (ap && bp) {
        int w = clamp_level(level) + 1;
        ptrdiff_t bytes = (ptrdiff_t)g_blit_clip.width * 4;
        for (int32_t i = 0; i < g_blit_clip.height; i++)
            g_pixel_kernels.kern_crossfade(dst_row(c, i), src_row(ap, a, i), src_row(bp, b, i), w,
                                           bytes);
    }
    free(copy_a);
    free(copy_b);
    return ap && bp ? 0 : -1;
}

void build_alpha_table(int64_t level, int64_t softness)
{
    if (softness == 256) {
        for (int64_t i = 0; i < 256; i++)
            g_alpha_table[i] = i >= 256 - level ? 256 : 0;
        return;
    }
    // |softness| < 2^32 and |level| is clamped: every product fits 64 bits.
    int64_t l = level < -65536 ? -65536 : (level > 65536 ? 65536 : level);
    int64_t base = (softness >> 1) * l - 128 * softness + l;
    for (int64_t i = 0; i < 256; i++) {
        int64_t v = ((i * softness) >> 1) + base;
        v = (v > 255 ? 255 : v) + 1;
        g_alpha_table[i] = (int32_t)(v < INT32_MIN ? INT32_MIN : v);
    }
}

void blend_row_with_alpha_table(const uint8_t *a, const uint8_t *b, const uint8_t *c, uint8_t *d,
                                ptrdiff_t bytes)
{
    for (ptrdiff_t i = 0; i + 4 <= bytes; i += 4) {
        int32_t w = g_alpha_table[c[i]];
        if (w < 2) {
            memcpy(d + i, b + i, 4);
            continue;
        }
        for (int k = 0; k < 4; k++)
            d[i + k] = (uint8_t)(b[i + k] - (((b[i + k] - a[i + k]) * w) >> 8));
    }
}

// Copies the clipped rows of `src` (read at A's offset) into D.
static void copy_clipped_rows(LayerState *d, const LayerState *s, const uint8_t *sp)
{
    ptrdiff_t bytes = (ptrdiff_t)g_blit_clip.width * 4;
    for (int32_t i = 0; i < g_blit_clip.height; i++)
        g_pixel_kernels.kern_copy(dst_row(d, i), src_row(sp, s, i), bytes);
}

// D := A where the rule mask C (its blue byte, read at A's offset like B)
// is past the level, B elsewhere, with a soft edge of softness value 2.
// Value 1 = 0 copies A, 255 or more copies B.
int crossfade_objects_table_state(LayerState *a, LayerState *b, LayerState *c, LayerState *d,
                                  int64_t x, int64_t y, int64_t value1, int32_t value2)
{
    if (!a || !a->pixels || !b || !c || !d)
        return 0;
    d->has_alpha = 1;
    int level = 256 - clamp_level(value1);
    if (!d->pixels || !clip_source(d, a, x, y))
        return 0;
    bool need_b = level < 256, need_c = level >= 2 && level < 256;
    if ((need_b && (!b->pixels || !clip_also(b))) || (need_c && (!c->pixels || !clip_also(c))))
        return 0;
    uint8_t *ca = nullptr, *cb = nullptr, *cc = nullptr;
    const uint8_t *ap = source_view(a, d, &ca);
    const uint8_t *bp = need_b && ap ? source_view(b, d, &cb) : nullptr;
    const uint8_t *cp = need_c && bp ? source_view(c, d, &cc) : nullptr;
    int result = 0;
    if (!ap || (need_b && !bp) || (need_c && !cp)) {
        result = -1;
    } else if (level == 256) {
        copy_clipped_rows(d, a, ap);
    } else if (level < 2) {
        copy_clipped_rows(d, b, bp);
    } else {
        build_alpha_table(level, value2);
        ptrdiff_t bytes = (ptrdiff_t)g_blit_clip.width * 4;
        for (int32_t i = 0; i < g_blit_clip.height; i++)
            blend_row_with_alpha_table(src_row(ap, a, i), src_row(bp, b, i), src_row(cp, c, i),
                                       dst_row(d, i), bytes);
    }
    free(ca);
    free(cb);
    free(cc);
    return result;
}

// B := A's pixel where the two differ (keep_equal = false) or agree
// (keep_equal = true), else 0.
static int keep_pixels(LayerState *a, LayerState *b, int64_t x, int64_t y, bool keep_equal)
{
    uint8_t *copy = nullptr;
    const uint8_t *ap;
    int go = begin_onto(a, b, x, y, &ap, &copy);
    if (go <= 0)
        return go;
    for (int32_t i = 0; i < g_blit_clip.height; i++) {
        const uint8_t *s = src_row(ap, a, i);
        uint8_t *d = dst_row(b, i);
        for (int32_t k = 0; k < g_blit_clip.width * 4; k += 4) {
            bool equal = memcmp(s + k, d + k, 4) == 0;
            if (equal == keep_equal)
                memcpy(d + k, s + k, 4);
            else
                memset(d + k, 0, 4);
        }
    }
    free(copy);
    return 0;
}

int keep_differing_pixels_state(LayerState *a, LayerState *b, int64_t x, int64_t y)
{
    return keep_pixels(a, b, x, y, false);
}

int keep_equal_pixels_state(LayerState *a, LayerState *b, int64_t x, int64_t y)
{
    return keep_pixels(a, b, x, y, true);
}
