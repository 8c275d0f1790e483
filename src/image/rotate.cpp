// Rotation of a layer image about its centre, nearest source pixel, into A
// or into B.
#include <cstdlib>
#include <cstring>

#include "core/tree.h"
#include "graphics/layer.h"
#include "image/effects.h"
#include "image/resample.h"
#include "image/rotate_kernels.h"

static int64_t normalise_angle(int64_t angle)
{
    int64_t a = angle % 360;
    return a < 0 ? a + 360 : a;
}

// 0 copies, 180 reverses the pixel order; quarter turns (exact in 16.16)
// and every other angle follow the mapping of resample.h. At 90 and 270 both
// kernels clear what lies outside.
static void rotate_image(uint8_t *dst, const uint8_t *src, int32_t w, int32_t h, int64_t angle,
                         bool fill)
{
    if (!dst || !src || w < 1 || h < 1)
        return;
    angle = normalise_angle(angle);
    int64_t count = (int64_t)w * h;
    uint32_t *out = (uint32_t *)dst;
    const uint32_t *in = (const uint32_t *)src;
    RotateMap m;
    rotate_map_init(&m, w, h, angle);
    if (angle == 0)
        std::memcpy(dst, src, (size_t)count * 4);
    else if (angle == 180)
        rotate_reversed(out, in, count);
    else if (m.c == 0 && (m.s == 65536 || m.s == -65536))
        rotate_quarter(out, in, w, h, m.s);
    else
        rotate_spans(out, in, &m, fill);
}

void rotate_image_kernel_b(uint8_t *dst, const uint8_t *src, int32_t w, int32_t h, int64_t angle)
{
    rotate_image(dst, src, w, h, angle, true);
}

void rotate_image_kernel_a(uint8_t *dst, const uint8_t *src, int32_t w, int32_t h, int64_t angle)
{
    rotate_image(dst, src, w, h, angle, false);
}

// B's buffer is written in place only when B has A's width and height (an
// equal pixel count with another shape would leave B's rows misread).
int rotate_state(LayerState *a, LayerState *b, int64_t angle, uint8_t n, uint8_t kernel)
{
    LayerState *d = n != 0 ? b : a;
    if (!a || !a->pixels || !d || (kernel != KV_ROTATE_FILL && kernel != KV_ROTATE_KEEP))
        return 0;
    int32_t w = a->width, h = a->height;
    bool in_place = n != 0 && b != a && b->pixels && b->width == w && b->height == h;
    uint8_t *buf = in_place ? b->pixels : alloc_effect_pixels(w, h, "");
    if (!buf)
        return -1;
    if (!in_place && kernel == KV_ROTATE_KEEP)
        std::memset(buf, 0, (size_t)w * 4 * (size_t)h);
    if (kernel == KV_ROTATE_FILL)
        rotate_image_kernel_b(buf, a->pixels, w, h, angle);
    else
        rotate_image_kernel_a(buf, a->pixels, w, h, angle);
    if (!in_place) {
        std::free(d->pixels);
        d->pixels = buf;
        d->width = w;
        d->height = h;
    }
    d->has_alpha = angle % 180 == 0 ? a->has_alpha : 1;
    return 0;
}

int rotate_object_image(TreeNode *a, TreeNode *b, int64_t angle, uint8_t n, uint8_t kernel)
{
    TreeNode *d = n != 0 ? b : a;
    if (!a || !a->payload || !d || !d->payload)
        return 0;
    layer_mark_dirty(d);
    int r = rotate_state((LayerState *)a->payload, b ? (LayerState *)b->payload : nullptr, angle,
                         n, kernel);
    layer_mark_dirty(d);
    return r;
}
