// Stand-in fonts of the native build: no installed faces, and glyph cells
// that are allocated but never inked.
#include <cstdlib>

#include "platform/sys_fonts.h"

namespace {

uint8_t *s_bits[8];

int null_build(int slot, const char *, int32_t, int, int32_t cell, GlyphCell *out)
{
    if (slot < 0 || slot >= 8 || cell < 8)
        return 100010;
    std::free(s_bits[slot]);
    size_t bytes = (size_t)cell * (size_t)cell / 8;
    s_bits[slot] = (uint8_t *)std::malloc(bytes);
    if (!s_bits[slot])
        return 100010;
    *out = GlyphCell{s_bits[slot], cell, (int32_t)bytes};
    return 0;
}

void null_draw(int, const uint8_t *, int) {}

void null_release(int slot)
{
    if (slot >= 0 && slot < 8) {
        std::free(s_bits[slot]);
        s_bits[slot] = nullptr;
    }
}

}  // namespace

const GlyphSource g_sys_glyph_source = {null_build, null_draw, null_release};

void sys_enumerate_fonts(SysFontFn, void *) {}
