// Installed fonts and glyph cells: the enumeration of the system's faces and
// the source that draws one character into a slot's 1-bit glyph cell. The
// Windows build draws with GDI; the native build has a stand-in that lists no
// faces and draws blank cells (tests install their own source).
#pragma once

#include <cstdint>

// Called once per face and character set: the face name, the script name the
// system gives that character set, and the pitch bits (0..3).
typedef void (*SysFontFn)(void *user, const char *face, const char *script, int pitch);
void sys_enumerate_fonts(SysFontFn fn, void *user);

// A slot's glyph cell: cell x cell pixels, 1 bit each, rows of cell / 8 bytes,
// top row first, bit 7 = leftmost pixel; a 0 bit is ink.
struct GlyphCell {
    uint8_t *bits;
    int32_t cell;
    int32_t byte_count;   // cell * cell / 8
};

// A glyph-bitmap source. build makes (or remakes) slot's font and cell for
// the face ("" lets the system choose), font height (pixels of the em box),
// bold flag and cell side: 0, or the engine error code of the step that
// failed (100010 cell or device context, 102040 font), leaving the slot
// empty. draw paints chars (1 or 2 bytes) in ink at the cell's top-left; the
// caller has filled the cell with 0xFF. release frees everything of a slot.
struct GlyphSource {
    int (*build)(int slot, const char *face, int32_t font_height, int bold, int32_t cell,
                 GlyphCell *out);
    void (*draw)(int slot, const uint8_t *chars, int len);
    void (*release)(int slot);
};
extern const GlyphSource g_sys_glyph_source;
