// Glyph rendering: one Shift-JIS character is drawn by the glyph source into
// the current slot's 1-bit cell (4x oversampled for smooth text), measured,
// and painted into a layer's 32-bit pixels, anti-aliased from 4x4 coverage or
// as 1-bit pixels, with a four-corner two-colour gradient, a quarter-turn
// rotation, and either replacing the pixels or blending over them.
#pragma once

#include "core/kv_base.h"
#include "platform/sys_fonts.h"

struct TreeNode;
struct LayerState;

// The source glyphs come from; g_sys_glyph_source unless a test sets another.
// Set it before the first glyph (the caches are per source).
extern const GlyphSource *g_glyph_source;

// Everything a painter needs besides the cell and the layer.
struct GlyphPaint {
    uint32_t colour;      // 0xRRGGBB
    int64_t colour2;      // 0xRRGGBB, -1 = colour
    uint8_t direction;    // gradient 0..8
    uint8_t rotation;     // quarter turns 0..3
    int32_t size, height; // footprint before rotation: size wide, height tall
    int32_t x, y;
    uint8_t blend_over;
};

// The R, G, B of the top-left, top-right, bottom-left and bottom-right
// corners of the glyph before rotation (twelve bytes).
void gradient_corner_colours(uint8_t direction, uint8_t rotation, uint32_t colour, uint32_t colour2,
                             uint8_t out[12]);

// Painters on a record: 1 when painted, 0 when the glyph was skipped (size
// outside 1..256, height below 1, or the footprint not wholly inside the
// layer). Both set the record's has-alpha flag.
int paint_glyph_antialiased(const GlyphCell *g, LayerState *s, const GlyphPaint *p);
int paint_glyph_monochrome(const GlyphCell *g, LayerState *s, const GlyphPaint *p);

// Advance and glyph height of a drawn cell: proportional 1 measures the ink
// (oversampling factor 4 for smooth cells, else 1), 0 is fixed pitch, other
// values give 4.
void measure_glyph(const GlyphCell *g, int proportional, int two_byte, int32_t size, int32_t height,
                   int factor, int32_t *advance, int32_t *glyph_height);

// Bytes of the character at chars (2 for a Shift-JIS lead byte followed by a
// byte, else 1).
static inline int sjis_char_len(const uint8_t *chars)
{
    return sjis_is_lead(chars[0]) && chars[1] ? 2 : 1;
}

// --- the current slot's glyph cache --------------------------------------------
// 1 rebuilt, 0 still valid, -1 failure (reported, fatal; the slot is left empty).
int prepare_glyph_font(int32_t size, int32_t height, uint8_t bold, int32_t font_height, int32_t cell);
// Draws the character into the current slot's cell and measures it; advance
// and glyph height 0 after a failure or for a size outside 1..256. Returns 1
// when the cell holds this character at this size, else 0 (the cell may then
// hold an earlier character of another size, which must not be painted).
int render_glyph_gdi(const uint8_t *chars, int32_t size, int32_t height, uint8_t bold, uint8_t smooth,
                     int32_t *advance, int32_t *glyph_height);
// The current slot's cell as the last render left it (null bits when empty).
const GlyphCell *glyph_current_cell();
void glyph_cache_release_all();

// Copies of drawn cells for the current key of a slot (code: the character's
// bytes, first byte low; never 0). find copies a kept cell into g and gives
// its measurements: 1, or 0 when the character is not kept.
int glyph_memo_find(int slot, uint32_t code, const GlyphCell *g, int32_t *advance, int32_t *height);
void glyph_memo_store(int slot, uint32_t code, const GlyphCell *g, int32_t advance, int32_t height);
void glyph_memo_clear(int slot);

// Renders once and paints one pass (edge 0), nine (outline, edge 1..10 and
// negative) or three (shadow, edge 11 and up); marks the layer dirty.
// Returns the advance.
int32_t draw_text_char(const uint8_t *chars, uint32_t colour, int64_t colour2, uint8_t direction,
                       uint8_t rotation, int32_t size, int32_t height, uint8_t bold, uint8_t smooth,
                       int32_t edge, int32_t x, int32_t y, uint8_t blend_over, TreeNode *layer);
// Paint the current slot's cell into a layer node and mark it dirty.
int draw_glyph_antialiased(uint32_t colour, int64_t colour2, uint8_t direction, uint8_t rotation,
                           int32_t size, int32_t height, int32_t x, int32_t y, uint8_t blend_over,
                           TreeNode *layer);
int draw_glyph_monochrome(uint32_t colour, int64_t colour2, uint8_t direction, uint8_t rotation,
                          int32_t size, int32_t height, int32_t x, int32_t y, uint8_t blend_over,
                          TreeNode *layer);
// The offsets of the passes of an edge value: count (1, 9 or 3) into dx, dy.
int glyph_edge_offsets(int32_t edge, int32_t dx[9], int32_t dy[9]);
