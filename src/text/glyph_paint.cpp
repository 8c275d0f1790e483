// The glyph painters: a 1-bit glyph cell painted into a layer record's pixels,
// from 4x4 coverage (smooth text) or bit by bit, with the four-corner gradient
// and a quarter-turn rotation; and the measurement of a drawn cell. Nothing
// here knows where the cell came from, so tests feed synthetic cells.
#include <cstring>

#include "graphics/layer.h"
#include "text/font_list.h"
#include "text/glyph.h"

namespace {

enum Pattern { FLAT, DOWN, UP, RIGHT, LEFT, DIAG_TL, DIAG_TR, DIAG_BR, DIAG_BL };

// Pattern by direction and rotation, so that the gradient keeps its direction
// on screen when the glyph is turned.
const uint8_t k_patterns[9][4] = {
    {FLAT, FLAT, FLAT, FLAT},
    {DOWN, RIGHT, UP, LEFT},
    {UP, LEFT, DOWN, RIGHT},
    {RIGHT, UP, LEFT, DOWN},
    {LEFT, DOWN, RIGHT, UP},
    {DIAG_TL, DIAG_BL, DIAG_BR, DIAG_TR},
    {DIAG_TR, DIAG_TL, DIAG_BL, DIAG_BR},
    {DIAG_BR, DIAG_TR, DIAG_TL, DIAG_BL},
    {DIAG_BL, DIAG_BR, DIAG_TR, DIAG_TL},
};

// Corners TL, TR, BL, BR: 0 = A, 1 = B, 2 = midpoint.
const uint8_t k_corners[9][4] = {
    {0, 0, 0, 0}, {0, 0, 1, 1}, {1, 1, 0, 0}, {0, 1, 0, 1}, {1, 0, 1, 0},
    {0, 2, 2, 1}, {2, 0, 1, 2}, {1, 2, 2, 0}, {2, 1, 0, 2},
};

// Interpolates a + (b - a) * i / n per channel (n = 0: a), towards zero.
inline int lerp(int a, int b, int i, int n)
{
    return n ? a + (b - a) * i / n : a;
}

// Per-glyph colour state: the corners and the current row's edges.
struct Shade {
    int corner[4][3];   // TL, TR, BL, BR; R, G, B
    int left[3], right[3];
    bool flat_row;
    int32_t w1, h1;     // size - 1, height - 1

    void row(int32_t r)
    {
        flat_row = true;
        for (int ch = 0; ch < 3; ch++) {
            left[ch] = lerp(corner[0][ch], corner[2][ch], r, h1) & 255;
            right[ch] = lerp(corner[1][ch], corner[3][ch], r, h1) & 255;
            flat_row = flat_row && left[ch] == right[ch];
        }
    }
    uint32_t at(int32_t c) const
    {
        if (flat_row)
            return (uint32_t)(left[0] << 16 | left[1] << 8 | left[2]);
        uint32_t v = 0;
        for (int ch = 0; ch < 3; ch++)
            v = v << 8 | (uint32_t)(lerp(left[ch], right[ch], c, w1) & 255);
        return v;
    }
};

// Where glyph pixel (0, r) lands and the step from column c to c + 1.
struct Placement {
    uint32_t *row0;
    ptrdiff_t step;
};

bool glyph_fits(const LayerState *s, const GlyphPaint *p)
{
    if (p->size < 1 || p->size > KV_GLYPH_SIZE_MAX || p->height < 1 || !s->pixels)
        return false;
    bool turned = p->rotation == 1 || p->rotation == 3;
    int64_t fw = turned ? p->height : p->size, fh = turned ? p->size : p->height;
    return p->x >= 0 && p->y >= 0 && p->x + fw <= s->width && p->y + fh <= s->height;
}

Placement place_row(LayerState *s, const GlyphPaint *p, int32_t r)
{
    uint32_t *px = (uint32_t *)s->pixels;
    ptrdiff_t pitch = s->width;
    int64_t x = p->x, y = p->y;
    switch (p->rotation) {
    case 1:
        return {px + y * pitch + (x + p->height - 1 - r), pitch};
    case 2:
        return {px + (y + p->height - 1 - r) * pitch + (x + p->size - 1), -1};
    case 3:
        return {px + (y + p->size - 1) * pitch + (x + r), -pitch};
    default:
        return {px + (y + r) * pitch + x, 1};
    }
}

Shade make_shade(const GlyphPaint *p)
{
    uint32_t c2 = p->colour2 == -1 ? p->colour : (uint32_t)p->colour2;
    uint8_t rgb[12];
    gradient_corner_colours(p->direction, p->rotation, p->colour, c2, rgb);
    Shade sh{};
    for (int k = 0; k < 4; k++)
        for (int ch = 0; ch < 3; ch++)
            sh.corner[k][ch] = rgb[k * 3 + ch];
    sh.w1 = p->size - 1;
    sh.h1 = p->height - 1;
    return sh;
}

// The vertical scale of source rows: height * 100 / size, at least 1.
int64_t scale_k(const GlyphPaint *p)
{
    int64_t k = (int64_t)p->height * 100 / p->size;
    return k < 1 ? 1 : k;
}

inline uint32_t blend_over_pixel(uint32_t d, uint32_t colour, uint32_t a)
{
    int w = (int)a + 1;
    int da = (int)(d >> 24);
    int na = da + w - ((da * w) >> 8) - 1;
    uint32_t out = (uint32_t)na << 24;
    for (int shift = 0; shift < 24; shift += 8) {
        int dc = (int)((d >> shift) & 255), sc = (int)((colour >> shift) & 255);
        dc += (sc - dc) * w / (na + 1);
        out |= (uint32_t)(dc & 255) << shift;
    }
    return out;
}

}  // namespace

void gradient_corner_colours(uint8_t direction, uint8_t rotation, uint32_t colour, uint32_t colour2,
                             uint8_t out[12])
{
    int rot = rotation <= 3 ? rotation : 0;
    int pattern = direction <= 8 ? k_patterns[direction][rot] : (int)FLAT;
    for (int ch = 0; ch < 3; ch++) {
        int shift = 16 - 8 * ch;
        int a = (int)((colour >> shift) & 255), b = (int)((colour2 >> shift) & 255);
        int m = a + (b - a) / 2;
        int pick[3] = {a, b, m};
        for (int k = 0; k < 4; k++)
            out[k * 3 + ch] = (uint8_t)pick[k_corners[pattern][k]];
    }
}

// Paints a glyph row by row: destination row r reads source row
// scale * r / scale_k and the span - 1 rows below it, all inside the cell;
// pixel(row, pitch, c, shade, dst) sets destination pixel c from span bits
// of each row, so a cell narrower than size * span is not painted.
template <class Pixel>
static int paint_rows(const GlyphCell *g, LayerState *s, const GlyphPaint *p, int64_t scale,
                      int32_t span, Pixel pixel)
{
    s->has_alpha = 1;
    if (!g || !g->bits || !glyph_fits(s, p) || (int64_t)p->size * span > g->cell / 8 * 8)
        return 0;
    Shade sh = make_shade(p);
    int64_t k = scale_k(p);
    int32_t pitch = g->cell / 8;
    for (int32_t r = 0; r < p->height; r++) {
        int64_t src = scale * (int64_t)r / k;
        if (src + span > g->cell)
            continue;
        const uint8_t *row = g->bits + src * pitch;
        sh.row(r);
        Placement pl = place_row(s, p, r);
        uint32_t *dst = pl.row0;
        for (int32_t c = 0; c < p->size; c++, dst += pl.step)
            pixel(row, pitch, c, sh, dst);
    }
    return 1;
}

int paint_glyph_antialiased(const GlyphCell *g, LayerState *s, const GlyphPaint *p)
{
    // 4x4 coverage: four source rows, two pixels a byte.
    return paint_rows(g, s, p, 400, 4,
                      [p](const uint8_t *r0, int32_t pitch, int32_t c, const Shade &sh,
                          uint32_t *dst) {
                          int b = c >> 1;
                          uint32_t sum = g_nibble_ink[r0[b]] + g_nibble_ink[r0[pitch + b]] +
                                         g_nibble_ink[r0[2 * pitch + b]] +
                                         g_nibble_ink[r0[3 * pitch + b]];
                          uint32_t n = (c & 1) ? (sum & 255) : (sum >> 8);
                          uint32_t a = g_coverage_alpha[n & 31];
                          uint32_t colour = sh.at(c);
                          *dst = p->blend_over ? blend_over_pixel(*dst, colour, a)
                                               : (a << 24 | colour);
                      });
}

int paint_glyph_monochrome(const GlyphCell *g, LayerState *s, const GlyphPaint *p)
{
    return paint_rows(g, s, p, 100, 1,
                      [p](const uint8_t *row, int32_t, int32_t c, const Shade &sh,
                          uint32_t *dst) {
                          bool ink = !((row[c >> 3] >> (7 - (c & 7))) & 1);
                          if (p->blend_over) {
                              if (ink)
                                  *dst = 0xFF000000u | sh.at(c);
                          } else {
                              *dst = ink ? 0xFF000000u | sh.at(c) : 0xFF000000u;
                          }
                      });
}

void measure_glyph(const GlyphCell *g, int proportional, int two_byte, int32_t size, int32_t height,
                   int factor, int32_t *advance, int32_t *glyph_height)
{
    if (proportional == 0) {
        *advance = two_byte ? size : size / 2;
        *glyph_height = height;
        return;
    }
    int32_t w = 0, h = 0;
    if (proportional == 1 && g && g->bits) {
        int32_t pitch = g->cell / 8, top = -1;
        for (int32_t y = 0; y < g->cell; y++) {
            const uint8_t *row = g->bits + (int64_t)y * pitch;
            for (int32_t b = pitch - 1; b >= 0; b--) {
                uint8_t ink = (uint8_t)~row[b];
                if (!ink)
                    continue;
                if (top < 0)
                    top = y;
                int bit = 0;   // rightmost ink pixel of the byte
                while (!((ink >> bit) & 1))
                    bit++;
                int32_t col = b * 8 + 7 - bit;
                if (col > w)
                    w = col;
                break;
            }
        }
        h = top < 0 ? 0 : g->cell - top;
    }
    int32_t a = proportional == 1 ? w / factor + 4 : 4;
    int32_t gh = proportional == 1 ? h / factor + 4 : 4;
    *advance = a < size ? a : size;
    *glyph_height = gh < height ? gh : height;
}
