// Drawn characters, per slot: copies of the cells the glyph source drew for
// the slot's current key, with their measurements, in a direct-mapped table.
// A repeated character is then a copy instead of a trip through the system's
// text drawing. The table is emptied whenever the slot's cell is rebuilt.
#include <cstdlib>
#include <cstring>

#include "text/font_list.h"
#include "text/glyph.h"

namespace {

enum : size_t { MEMO_ENTRIES_MAX = 1024, MEMO_BYTES_MAX = (size_t)4 << 20 };

struct GlyphMemo {
    uint8_t *cells;           // entries * byte_count bytes
    uint32_t codes[MEMO_ENTRIES_MAX];   // 0 = empty
    int32_t advance[MEMO_ENTRIES_MAX], height[MEMO_ENTRIES_MAX];
    size_t entries, byte_count;
};
GlyphMemo s_memo[KV_FONT_SLOTS];

// The table for cells of byte_count bytes, (re)allocated; null when memory is short.
GlyphMemo *memo_for(int slot, int32_t byte_count)
{
    GlyphMemo &m = s_memo[slot];
    if (m.cells && m.byte_count == (size_t)byte_count)
        return &m;
    glyph_memo_clear(slot);
    size_t n = MEMO_BYTES_MAX / (size_t)byte_count;
    m.entries = n < MEMO_ENTRIES_MAX ? n : MEMO_ENTRIES_MAX;
    if (m.entries == 0)
        return nullptr;
    m.cells = (uint8_t *)std::malloc(m.entries * (size_t)byte_count);
    m.byte_count = (size_t)byte_count;
    return m.cells ? &m : nullptr;
}

// Characters of one script share their first byte: mix both before the slot.
size_t memo_index(uint32_t code, size_t entries)
{
    return (size_t)((code * 0x9E3779B1u) >> 16) % entries;
}

}  // namespace

void glyph_memo_clear(int slot)
{
    GlyphMemo &m = s_memo[slot];
    std::free(m.cells);
    m = GlyphMemo{};
}

int glyph_memo_find(int slot, uint32_t code, const GlyphCell *g, int32_t *advance, int32_t *height)
{
    GlyphMemo &m = s_memo[slot];
    if (!m.cells || m.byte_count != (size_t)g->byte_count)
        return 0;
    size_t i = memo_index(code, m.entries);
    if (m.codes[i] != code)
        return 0;
    std::memcpy(g->bits, m.cells + i * m.byte_count, m.byte_count);
    *advance = m.advance[i];
    *height = m.height[i];
    return 1;
}

void glyph_memo_store(int slot, uint32_t code, const GlyphCell *g, int32_t advance, int32_t height)
{
    GlyphMemo *m = memo_for(slot, g->byte_count);
    if (!m)
        return;
    size_t i = memo_index(code, m->entries);
    std::memcpy(m->cells + i * m->byte_count, g->bits, m->byte_count);
    m->codes[i] = code;
    m->advance[i] = advance;
    m->height[i] = height;
}
