// Resampling a rectangle of layer A into A or B: the buffer choice, the
// method dispatch and the installing of the result.
#include <cstdlib>
#include <cstring>

#include "core/tree.h"
#include "display/scale.h"
#include "graphics/kernels.h"
#include "graphics/layer.h"
#include "image/effects.h"
#include "image/resample.h"

static bool known_method(uint8_t m)
{
    return m == KV_RESAMPLE_NEAREST || m == KV_RESAMPLE_BILINEAR || m == KV_RESAMPLE_BICUBIC ||
           m == KV_RESAMPLE_SHARP || m == KV_RESAMPLE_LANCZOS2;
}

static int64_t clamp64(int64_t v, int64_t lo, int64_t hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

static int run_method(uint8_t method, uint8_t *dst, const LayerState *a, int32_t x1, int32_t y1,
                      int32_t x2, int32_t y2, int32_t w100, int32_t h100)
{
    int32_t sw = a->width, sh = a->height, dw = w100 / 100, dh = h100 / 100;
    switch (method) {
    case KV_RESAMPLE_NEAREST:
        scale_nearest(dst, a->pixels, x1 / 100, y1 / 100, x2 / 100, y2 / 100, sw, sh, dw, dh);
        return 0;
    case KV_RESAMPLE_BILINEAR:
        if (g_kernel_level >= KV_KERNEL_LEVEL_SSE)
            scale_bilinear_sse(dst, a->pixels, x1, y1, x2, y2, sw, sh, w100, h100);
        else
            scale_bilinear(dst, a->pixels, x1, y1, x2, y2, sw, sh, w100, h100);
        return 0;
    case KV_RESAMPLE_BICUBIC:
        scale_image_bicubic(dst, dw, dh, a->pixels, sw, sh, x1 / 100, y1 / 100, x2 / 100,
                            y2 / 100);
        return 0;
    case KV_RESAMPLE_SHARP:
        scale_bilinear_sharp_threaded(dst, a->pixels, sw, sh, x1, y1, x2, y2, w100, h100);
        return 0;
    default:
        return scale_lanczos2(dst, dw, dh, a->pixels, sw, sh);
    }
}

int resample_state(LayerState *a, LayerState *b, int64_t x1, int64_t y1, int64_t x2, int64_t y2,
                   int64_t w100, int64_t h100, uint8_t n, uint8_t method)
{
    LayerState *d = n != 0 ? b : a;
    if (!a || !a->pixels || !d || !known_method(method))
        return 0;
    int64_t xmax = 100 * (int64_t)a->width - 100, ymax = 100 * (int64_t)a->height - 100;
    x1 = clamp64(x1, 0, xmax);
    x2 = clamp64(x2, 0, xmax);
    y1 = clamp64(y1, 0, ymax);
    y2 = clamp64(y2, 0, ymax);
    int64_t dw = w100 / 100, dh = h100 / 100;
    if (x1 > x2 || y1 > y2 || dw < 1 || dh < 1 || dh > KV_MAX_IMAGE_SIDE)
        return 0;
    if (dw > KV_MAX_IMAGE_SIDE)
        return alloc_effect_pixels(dw, dh, "") ? 0 : -1;   // the size box and 100010
    w100 = clamp64(w100, 100, 100 * (int64_t)KV_MAX_IMAGE_SIDE + 99);
    h100 = clamp64(h100, 100, 100 * (int64_t)KV_MAX_IMAGE_SIDE + 99);
    bool in_place = n != 0 && b != a && b->pixels && b->width == dw && b->height == dh;
    bool shrink = n != 0 && b != a && b->pixels && b->resample_flag == 1 && dw < b->width &&
                  dh < b->height;
    uint8_t *buf = (in_place || shrink) ? b->pixels : alloc_effect_pixels(dw, dh, "");
    if (!buf)
        return -1;
    int r = run_method(method, buf, a, (int32_t)x1, (int32_t)y1, (int32_t)x2, (int32_t)y2,
                       (int32_t)w100, (int32_t)h100);
    if (r != 0) {
        if (!in_place && !shrink)
            std::free(buf);
        return -1;
    }
    if (shrink) {
        // The rows past the smaller image become its spare row: zero it.
        std::memset(buf + dw * 4 * dh, 0, (size_t)(dw * 4 + 4));
    } else if (!in_place) {
        d->has_alpha = a->has_alpha;
        std::free(d->pixels);
        d->pixels = buf;
    }
    d->width = (int32_t)dw;
    d->height = (int32_t)dh;
    return 0;
}

int resample_object_image(TreeNode *a, TreeNode *b, int64_t x1, int64_t y1, int64_t x2,
                          int64_t y2, int64_t w100, int64_t h100, uint8_t n, uint8_t method)
{
    TreeNode *d = n != 0 ? b : a;
    if (!a || !a->payload || !d || !d->payload)
        return 0;
    layer_mark_dirty(d);
    int r = resample_state((LayerState *)a->payload, b ? (LayerState *)b->payload : nullptr, x1, y1, x2, y2,
                           w100, h100, n, method);
    layer_mark_dirty(d);
    return r;
}
