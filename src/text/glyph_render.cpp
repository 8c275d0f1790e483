// The per-slot glyph cache and the drawing of one character: the current
// slot's cell is (re)built by the glyph source only when its key (size,
// height, font height, bold, face) changes, the character is drawn into it,
// measured, and painted into a layer once per outline or shadow pass.
#include <cstring>

#include "core/error_report.h"
#include "core/tree.h"
#include "graphics/layer.h"
#include "text/font_list.h"
#include "text/glyph.h"

const GlyphSource *g_glyph_source = &g_sys_glyph_source;

namespace {

enum : uint32_t { KV_ERR_NO_MEMORY = 100010 };

// A slot's cache. The key is stored only once the source has built the cell,
// so a failed build leaves the slot empty (bits null, key unset).
struct GlyphCache {
    int32_t size, height, font_height, font_index;
    uint8_t bold;
    GlyphCell cell;
    const GlyphSource *source;   // the source that built it
};
GlyphCache s_cache[KV_FONT_SLOTS];
bool s_cache_ready;

void clear_key(GlyphCache &c)
{
    c.size = c.height = c.font_height = c.font_index = -1;
    c.bold = 0xFF;
}

void release_slot(int slot)
{
    GlyphCache &c = s_cache[slot];
    if (c.source && c.cell.bits)
        c.source->release(slot);
    c.cell = GlyphCell{};
    c.source = nullptr;
    clear_key(c);
    glyph_memo_clear(slot);
}

LayerState *layer_of(TreeNode *node)
{
    return node ? (LayerState *)node->payload : nullptr;
}

typedef int (*PaintFn)(const GlyphCell *, LayerState *, const GlyphPaint *);

int draw_glyph_with(PaintFn paint, uint32_t colour, int64_t colour2, uint8_t direction,
                    uint8_t rotation, int32_t size, int32_t height, int32_t x, int32_t y,
                    uint8_t blend_over, TreeNode *layer)
{
    LayerState *s = layer_of(layer);
    if (!s)
        return 0;
    GlyphPaint p{colour, colour2, direction, rotation, size, height, x, y, blend_over};
    if (paint(glyph_current_cell(), s, &p))
        layer_mark_dirty(layer);
    return 0;
}

}  // namespace

int prepare_glyph_font(int32_t size, int32_t height, uint8_t bold, int32_t font_height, int32_t cell)
{
    if (!s_cache_ready) {
        for (GlyphCache &c : s_cache) {
            c = GlyphCache{};
            clear_key(c);
        }
        s_cache_ready = true;
    }
    int slot = (int)g_font_list.current_slot;
    GlyphCache &c = s_cache[slot];
    int32_t index = (int32_t)font_slot_index();
    if (c.cell.bits && c.source == g_glyph_source && c.size == size && c.height == height &&
        c.font_height == font_height && c.bold == bold && c.font_index == index)
        return 0;
    release_slot(slot);
    GlyphCell out{};
    int err = g_glyph_source->build(slot, font_slot_face_name(), font_height, bold, cell, &out);
    if (err || !out.bits) {
        g_glyph_source->release(slot);
        report_script_error(err ? (uint32_t)err : KV_ERR_NO_MEMORY, 1);
        return -1;
    }
    c.cell = out;
    c.source = g_glyph_source;
    c.size = size;
    c.height = height;
    c.font_height = font_height;
    c.bold = bold;
    c.font_index = index;
    return 1;
}

const GlyphCell *glyph_current_cell()
{
    static const GlyphCell empty{};
    return s_cache_ready ? &s_cache[g_font_list.current_slot].cell : &empty;
}

void glyph_cache_release_all()
{
    if (!s_cache_ready)
        return;
    for (int slot = 0; slot < KV_FONT_SLOTS; slot++)
        release_slot(slot);
}

int render_glyph_gdi(const uint8_t *chars, int32_t size, int32_t height, uint8_t bold, uint8_t smooth,
                     int32_t *advance, int32_t *glyph_height)
{
    *advance = 0;
    *glyph_height = 0;
    if (size < 1 || size > KV_GLYPH_SIZE_MAX || height < 1 || !chars[0])
        return 0;
    int32_t cell = (int32_t)g_glyph_cell_size[size];
    int32_t font_height = smooth == 1 ? 4 * size : size;
    if (prepare_glyph_font(size, height, bold, font_height, cell) < 0)
        return 0;
    int slot = (int)g_font_list.current_slot;
    const GlyphCell *g = glyph_current_cell();
    int len = sjis_char_len(chars);
    uint32_t code = len == 2 ? (uint32_t)chars[0] | (uint32_t)chars[1] << 8 : chars[0];
    if (glyph_memo_find(slot, code, g, advance, glyph_height))
        return 1;
    std::memset(g->bits, 0xFF, (size_t)g->byte_count);
    g_glyph_source->draw(slot, chars, len);
    measure_glyph(g, font_slot_is_proportional(), len == 2, size, height, smooth == 1 ? 4 : 1,
                  advance, glyph_height);
    glyph_memo_store(slot, code, g, *advance, *glyph_height);
    return 1;
}

int glyph_edge_offsets(int32_t edge, int32_t dx[9], int32_t dy[9])
{
    if (edge == 0) {
        dx[0] = dy[0] = 0;
        return 1;
    }
    if (edge >= 11) {
        int32_t d = edge - 10;
        const int32_t sx[3] = {d, 0, d}, sy[3] = {0, d, d};
        for (int i = 0; i < 3; i++) {
            dx[i] = sx[i];
            dy[i] = sy[i];
        }
        return 3;
    }
    const int32_t e = edge == INT32_MIN ? -INT32_MAX : edge;   // -e must not overflow
    const int32_t ox[3] = {e, 0, -e}, oy[3] = {-e, 0, e};
    for (int i = 0; i < 9; i++) {
        dx[i] = ox[i / 3];
        dy[i] = oy[i % 3];
    }
    return 9;
}

int draw_glyph_antialiased(uint32_t colour, int64_t colour2, uint8_t direction, uint8_t rotation,
                           int32_t size, int32_t height, int32_t x, int32_t y, uint8_t blend_over,
                           TreeNode *layer)
{
    return draw_glyph_with(paint_glyph_antialiased, colour, colour2, direction, rotation, size, height,
                           x, y, blend_over, layer);
}

int draw_glyph_monochrome(uint32_t colour, int64_t colour2, uint8_t direction, uint8_t rotation,
                          int32_t size, int32_t height, int32_t x, int32_t y, uint8_t blend_over,
                          TreeNode *layer)
{
    return draw_glyph_with(paint_glyph_monochrome, colour, colour2, direction, rotation, size, height,
                           x, y, blend_over, layer);
}

int32_t draw_text_char(const uint8_t *chars, uint32_t colour, int64_t colour2, uint8_t direction,
                       uint8_t rotation, int32_t size, int32_t height, uint8_t bold, uint8_t smooth,
                       int32_t edge, int32_t x, int32_t y, uint8_t blend_over, TreeNode *layer)
{
    int32_t advance, glyph_height;
    if (!render_glyph_gdi(chars, size, height, bold, smooth, &advance, &glyph_height))
        return advance;
    int32_t dx[9], dy[9];
    int passes = glyph_edge_offsets(edge, dx, dy);
    for (int i = 0; i < passes; i++) {
        int64_t px = (int64_t)x + dx[i], py = (int64_t)y + dy[i];
        if (px < INT32_MIN || px > INT32_MAX || py < INT32_MIN || py > INT32_MAX)
            continue;
        if (smooth == 1)
            draw_glyph_antialiased(colour, colour2, direction, rotation, size, height, (int32_t)px,
                                   (int32_t)py, blend_over, layer);
        else
            draw_glyph_monochrome(colour, colour2, direction, rotation, size, height, (int32_t)px,
                                  (int32_t)py, blend_over, layer);
    }
    return advance;
}
