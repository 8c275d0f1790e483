// Effects that move pixels: copy, horizontal mirror, vertical flip, scatter
// and mosaic, and the fill.
#include <cstdlib>
#include <cstring>

#include "graphics/kernels.h"
#include "image/effect_rows.h"

const uint8_t g_scatter_table[24][4] = {
    {3, 2, 1, 0}, {2, 3, 1, 0}, {3, 1, 2, 0}, {1, 3, 2, 0}, {2, 1, 3, 0}, {1, 2, 3, 0},
    {3, 2, 0, 1}, {2, 3, 0, 1}, {3, 0, 2, 1}, {0, 3, 2, 1}, {2, 0, 3, 1}, {0, 2, 3, 1},
    {3, 1, 0, 2}, {1, 3, 0, 2}, {3, 0, 1, 2}, {0, 3, 1, 2}, {1, 0, 3, 2}, {0, 1, 3, 2},
    {2, 1, 0, 3}, {1, 2, 0, 3}, {2, 0, 1, 3}, {0, 2, 1, 3}, {1, 0, 2, 3}, {0, 1, 2, 3},
};

int effect_copy_rect(EffectJob *j)
{
    size_t bytes = (size_t)effect_rect_width(j) * 4;
    for (int32_t y = j->y1; y <= j->y2; y++)
        memcpy(effect_rect_row(j, y), effect_src_px(j, j->x1, y), bytes);
    return 0;
}

// The picture mirrored about the whole image's centre line, the rectangle
// cut from the mirrored picture: result (x - x1, y - y1) = source (w - 1 - x, y).
int effect_mirror_h(EffectJob *j)
{
    int32_t w = effect_rect_width(j);
    for (int32_t y = j->y1; y <= j->y2; y++) {
        uint8_t *d = effect_rect_row(j, y);
        for (int32_t i = 0; i < w; i++)
            memcpy(d + i * 4, effect_src_px(j, j->sw - 1 - (j->x1 + i), y), 4);
    }
    return 0;
}

// Result row i = source row (y2 - y1 - i), columns x1..x2. For the whole
// image that is the flipped picture; a smaller rectangle reads its rows
// counted from the image's top, as the engine always has.
int flip_rect_vertical(EffectJob *j)
{
    int32_t h = effect_rect_height(j);
    size_t bytes = (size_t)effect_rect_width(j) * 4;
    for (int32_t i = 0; i < h; i++)
        memcpy(j->dst + (size_t)i * j->dw * 4, effect_src_px(j, j->x1, j->y2 - j->y1 - i), bytes);
    return 0;
}

// Permutes B, G, R of the 2 x 2 block at (x, y) of the result by a random
// row of the scatter table; alpha stays with the position.
static void scatter_block(const EffectJob *j, int32_t x, int32_t y)
{
    uint8_t *p[4];
    p[0] = j->dst + ((size_t)y * j->dw + x) * 4;
    p[1] = p[0] + 4;
    p[2] = p[0] + (size_t)j->dw * 4;
    p[3] = p[2] + 4;
    uint8_t old[4][3];
    for (int k = 0; k < 4; k++)
        memcpy(old[k], p[k], 3);
    const uint8_t *row = g_scatter_table[rand() % 24];
    for (int k = 0; k < 4; k++)
        memcpy(p[k], old[row[k]], 3);
}

// Passes i = 0 .. p/2 - 1 over 2 x 2 blocks offset by i: forward from the
// top-left, then backward from the bottom-right. Works in the result's
// coordinates (the rectangle starts at 0, 0); a pass whose offset exceeds
// the rectangle finds no block, so passes stop there.
int effect_scatter(EffectJob *j)
{
    effect_copy_rect(j);
    int32_t w = effect_rect_width(j), h = effect_rect_height(j);
    int64_t passes = j->p / 2, most = (w > h ? w : h);
    if (passes > most)
        passes = most;
    int32_t xe = w - 1, ye = h - 1;
    for (int32_t i = 0; i < passes; i++) {
        for (int32_t y = i; y < ye; y += 2)
            for (int32_t x = i; x < xe; x += 2)
                scatter_block(j, x, y);
        int32_t across = i < xe ? (xe - i + 1) / 2 : 0;   // blocks of a forward row
        for (int32_t y = ye - 1; y >= i; y -= 2)
            for (int32_t k = 0, x = xe - 1 - i; k < across && x >= 0; k++, x -= 2)
                scatter_block(j, x, y);
    }
    return 0;
}

// Fills result columns [a, b) x rows [c, e) (source coordinates) with the
// average B, G, R of the source there; alpha is each pixel's own.
static void mosaic_block(const EffectJob *j, int64_t a, int64_t b, int64_t c, int64_t e)
{
    uint64_t sum[3] = {}, n = (uint64_t)((b - a) * (e - c));
    for (int64_t y = c; y < e; y++)
        for (int64_t x = a; x < b; x++)
            for (int k = 0; k < 3; k++)
                sum[k] += effect_src_px(j, x, y)[k];
    for (int64_t y = c; y < e; y++)
        for (int64_t x = a; x < b; x++) {
            uint8_t *d = effect_rect_row(j, y) + (x - j->x1) * 4;
            for (int k = 0; k < 3; k++)
                d[k] = (uint8_t)(sum[k] / n);
            d[3] = effect_src_px(j, x, y)[3];
        }
}

// The first grid line at or after `from` that lies a multiple of s from `centre`.
static int64_t mosaic_first_line(int64_t from, int64_t centre, int64_t s)
{
    int64_t off = ((from - centre) % s + s) % s;
    return off == 0 ? from : from + (s - off);
}

// Blocks of s x s on a grid anchored on the centre ((x2 + 1) / 2,
// (y2 + 1) / 2); the bands before the first lines and the last blocks are cut.
int effect_mosaic(EffectJob *j)
{
    int64_t s = j->p > 0 ? j->p : 1;
    int64_t gx = mosaic_first_line(j->x1, (j->x2 + 1) / 2, s);
    int64_t gy = mosaic_first_line(j->y1, (j->y2 + 1) / 2, s);
    int64_t xe = (int64_t)j->x2 + 1, ye = (int64_t)j->y2 + 1;
    for (int64_t c = j->y1; c < ye;) {
        int64_t e = c < gy ? gy : c + s;
        if (e > ye)
            e = ye;
        for (int64_t a = j->x1; a < xe;) {
            int64_t b = a < gx ? gx : a + s;
            if (b > xe)
                b = xe;
            mosaic_block(j, a, b, c, e);
            a = b;
        }
        c = e;
    }
    return 0;
}

// Image-sized result (in place when it is A's own buffer). Mode 1 an opaque
// colour, mode 2 only the alpha byte, mode 3 the whole pixel; modes 2 and 3
// leave the has-alpha flag clear only for an opaque value over the whole image.
int effect_fill(EffectJob *j)
{
    if (j->fill_mode == 1 || j->fill_mode == 3)
        effect_copy_outside_rect(j);
    else
        effect_copy_whole_image(j);
    uint32_t v = (uint32_t)j->p;
    bool whole = j->x1 == 0 && j->y1 == 0 && j->x2 == j->sw - 1 && j->y2 == j->sh - 1;
    size_t bytes = (size_t)effect_rect_width(j) * 4;
    if (j->fill_mode == 1 || j->fill_mode == 3) {
        uint32_t fill = j->fill_mode == 1 ? ((v & 0xFFFFFFu) | 0xFF000000u) : v;
        for (int32_t y = j->y1; y <= j->y2; y++)
            g_pixel_kernels.kern_fill32(effect_image_px(j, j->x1, y), (ptrdiff_t)bytes, fill);
        if (j->fill_mode == 3)
            j->has_alpha = !(whole && (v >> 24) == 0xFF);
    } else if (j->fill_mode == 2) {
        uint8_t a = (uint8_t)v;
        for (int32_t y = j->y1; y <= j->y2; y++) {
            uint8_t *d = effect_image_px(j, j->x1, y);
            for (size_t i = 3; i < bytes; i += 4)
                d[i] = a;
        }
        j->has_alpha = !(whole && a == 0xFF);
    }
    return 0;
}
