// Window region rectangles and the drag-layer test (see window_shape.h).
// Both read a pixel as the little-endian word 0xAARRGGBB and look at its
// colour only: the region copy forces alpha to 255, so "opaque black" is
// a colour of 0.
#include "shell/window_shape.h"

#include <cstring>
#include <vector>

#include "core/tree.h"
#include "core/window.h"
#include "graphics/layer.h"
#include "platform/sys_window.h"

static uint32_t pixel_colour(const uint8_t *row, int32_t x)
{
    uint32_t p;
    std::memcpy(&p, row + (size_t)x * 4, 4);
    return p & 0xFFFFFFu;
}

int region_from_layer(const LayerState *s, SizeRect *out, int max)
{
    if (!s || !s->pixels || s->width <= 0 || s->height <= 0)
        return -1;
    int n = 0;
    size_t pitch = (size_t)s->width * 4;
    for (int32_t y = s->height - 1; y >= 0; y--) {
        const uint8_t *row = s->pixels + pitch * (size_t)y;
        int32_t x = 0;
        while (x < s->width) {
            while (x < s->width && pixel_colour(row, x) == 0)
                x++;
            if (x == s->width)
                break;
            int32_t start = x;
            while (x < s->width && pixel_colour(row, x) != 0)
                x++;
            if (n == max)
                return -1;
            out[n++] = {start, y, x, y + 1};
        }
    }
    return n;
}

static const LayerState *layer_of(const TreeNode *node)
{
    return node ? (const LayerState *)node->payload : nullptr;
}

bool drag_layer_hit(const TreeNode *node, int32_t x, int32_t y)
{
    const LayerState *s = layer_of(node);
    if (!s || !s->pixels || x < 0 || y < 0)
        return false;
    int64_t left = s->x, top = s->y;
    for (const TreeNode *p = node->parent; p; p = p->parent) {
        const LayerState *ps = layer_of(p);
        if (p->name && ps) {
            left += ps->x;
            top += ps->y;
        }
    }
    int64_t px = (int64_t)x - left, py = (int64_t)y - top;
    if (px < 0 || py < 0 || px >= s->width || py >= s->height)
        return false;
    const uint8_t *row = s->pixels + (size_t)s->width * 4 * (size_t)py;
    return pixel_colour(row, (int32_t)px) > 0;
}

int window_set_region(const LayerState *s)
{
    WindowObject *win = g_windows[0];
    if (!win)
        return -1;
    std::vector<SizeRect> rects(KV_REGION_MAX_RECTS);
    int n = region_from_layer(s, rects.data(), KV_REGION_MAX_RECTS);
    if (n < 0)
        return -1;
    return sys_window_set_region(win, rects.data(), n);
}
