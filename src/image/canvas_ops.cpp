// Trimming transparent edges and growing or cropping a layer's canvas by
// margins, on layer records; the result goes to A (n = 0) or to B.
#include <cstdlib>
#include <cstring>

#include "core/error_report.h"
#include "graphics/kernels.h"
#include "graphics/layer.h"
#include "image/compose_ops.h"
#include "image/effects.h"

int trim_transparent_edges_state(LayerState *a, LayerState *b, uint8_t n, uint8_t sides,
                                 const char *name)
{
    if (!a || !a->pixels || (n != 0 && !b))
        return 0;
    LayerState *dst = n != 0 ? b : a;
    int32_t l, t, r, btm;
    if (!layer_opaque_box(a, &l, &t, &r, &btm))
        return 0;   // nothing to trim to: the image stays as it is
    if (!(sides & 8))
        t = 0;
    if (!(sides & 4))
        btm = a->height - 1;
    if (!(sides & 2))
        l = 0;
    if (!(sides & 1))
        r = a->width - 1;
    int32_t w = r - l + 1, h = btm - t + 1;
    // B's own buffer is written only when it is the right size and not A's.
    bool reuse = n != 0 && dst != a && dst->pixels && dst->pixels != a->pixels &&
                 dst->width == w && dst->height == h;
    EffectJob job = {};
    job.dst = reuse ? dst->pixels : alloc_effect_pixels(w, h, name);
    if (!job.dst)
        return -1;
    job.dw = w;
    job.dh = h;
    job.src = a->pixels;
    job.sw = a->width;
    job.sh = a->height;
    job.x1 = l;
    job.y1 = t;
    job.x2 = r;
    job.y2 = btm;
    effect_copy_rect(&job);
    dst->has_alpha = a->has_alpha;
    if (!reuse) {
        free(dst->pixels);
        dst->pixels = job.dst;
        dst->width = w;
        dst->height = h;
    }
    return 0;
}

void resize_image_kernel(uint8_t *dst, int32_t dw, int32_t dh, const uint8_t *src, int32_t sw,
                         int32_t sh, int64_t left, int64_t top)
{
    if (left >= dw || top >= dh || left <= -(int64_t)sw || top <= -(int64_t)sh)
        return;   // no overlap (and the sums below stay in range)
    int64_t x0 = left > 0 ? left : 0, y0 = top > 0 ? top : 0;
    int64_t x1 = left + sw < dw ? left + sw : dw, y1 = top + sh < dh ? top + sh : dh;
    if (x1 <= x0 || y1 <= y0)
        return;
    ptrdiff_t bytes = (ptrdiff_t)(x1 - x0) * 4;
    for (int64_t y = y0; y < y1; y++)
        g_pixel_kernels.kern_copy(dst + ((size_t)y * dw + (size_t)x0) * 4,
                                  src + ((size_t)(y - top) * sw + (size_t)(x0 - left)) * 4, bytes);
}

int resize_layer_canvas_state(LayerState *a, LayerState *b, uint8_t n, int64_t left,
                              int64_t right, int64_t top, int64_t bottom, const char *name)
{
    if (!a || !a->pixels || (n != 0 && !b))
        return 0;
    LayerState *dst = n != 0 ? b : a;
    // Exact sums of any margins; a size beyond the limit is refused below.
    __int128 wide_w = (__int128)a->width + left + right, wide_h = (__int128)a->height + top + bottom;
    int64_t w = wide_w < 0 ? 0 : (wide_w > INT32_MAX ? INT32_MAX : (int64_t)wide_w);
    int64_t h = wide_h < 0 ? 0 : (wide_h > INT32_MAX ? INT32_MAX : (int64_t)wide_h);
    if (w < 1 || h < 1) {
        message_box_printf("", "リサイズ後のサイズが不正です。");
        return -1;
    }
    uint8_t *p = alloc_effect_pixels(w, h, name);
    if (!p)
        return -1;
    int32_t w32 = (int32_t)w, h32 = (int32_t)h;
    for (int32_t y = 0; y < h32; y++)
        g_pixel_kernels.kern_fill32(p + (size_t)y * w32 * 4, (ptrdiff_t)w32 * 4, g_colour_key);
    resize_image_kernel(p, w32, h32, a->pixels, a->width, a->height, left, top);
    uint8_t grows = left > 0 || right > 0 || top > 0 || bottom > 0;
    dst->has_alpha = grows ? 1 : a->has_alpha;
    free(dst->pixels);
    dst->pixels = p;
    dst->width = w32;
    dst->height = h32;
    return 0;
}
