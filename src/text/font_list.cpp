// The font list, the eight font slots and their accessors, and the glyph
// tables. The list is built once at start-up in two passes of the system's
// enumeration: one to count, one to fill (never past what the first counted).
#include "text/font_list.h"

#include <cstdlib>
#include <cstring>

#include "platform/sys_fonts.h"
#include "text/glyph.h"

FontList g_font_list;
FontSlotStyle g_font_slots;
uint32_t g_nibble_ink[256];
uint8_t g_coverage_alpha[32];
uint32_t g_glyph_cell_size[KV_GLYPH_SIZE_MAX + 1];
void (*g_font_enumerator)(SysFontFn fn, void *user) = sys_enumerate_fonts;

namespace {

// Filled entries of the second pass (the first pass only counts).
int32_t s_capacity;
bool s_filling;

const char *const k_preferred_faces[] = {"ＭＳ ゴシック", "標準ゴシック", "ＭＳ Ｐゴシック",
                                         "ＭＳ 明朝", "標準明朝"};

bool equal_ignoring_ascii_case(const char *a, const char *b)
{
    for (;; a++, b++) {
        unsigned char x = (unsigned char)*a, y = (unsigned char)*b;
        if (x >= 'A' && x <= 'Z')
            x = (unsigned char)(x + 32);
        if (y >= 'A' && y <= 'Z')
            y = (unsigned char)(y + 32);
        if (x != y)
            return false;
        if (!x)
            return true;
    }
}

void free_font_list()
{
    for (int32_t i = 0; i < g_font_list.count; i++)
        std::free(g_font_list.face_names[i]);
    std::free(g_font_list.face_names);
    std::free(g_font_list.non_japanese);
    std::free(g_font_list.proportional);
    g_font_list.face_names = nullptr;
    g_font_list.non_japanese = nullptr;
    g_font_list.proportional = nullptr;
    g_font_list.count = 0;
}

int popcount4(unsigned v)
{
    return (int)((v & 1) + ((v >> 1) & 1) + ((v >> 2) & 1) + ((v >> 3) & 1));
}

}  // namespace

void font_enum_callback(void *, const char *face, const char *script, int pitch)
{
    if (s_filling) {
        if (g_font_list.count >= s_capacity)
            return;
        int32_t i = g_font_list.count;
        size_t n = std::strlen(face ? face : "");
        char *copy = (char *)std::malloc(n + 1);
        if (!copy)
            return;
        std::memcpy(copy, face ? face : "", n + 1);
        g_font_list.face_names[i] = copy;
        g_font_list.non_japanese[i] = equal_ignoring_ascii_case(script ? script : "", "日本語") ? 0 : 1;
        int bits = pitch & 3;
        g_font_list.proportional[i] = bits == 1 ? 0 : bits == 3 ? 255 : 1;
    }
    g_font_list.count++;
}

int enumerate_fonts()
{
    free_font_list();
    s_filling = false;
    g_font_enumerator(font_enum_callback, nullptr);
    int32_t counted = g_font_list.count;
    g_font_list.count = 0;
    if (counted > 0) {
        g_font_list.face_names = (char **)std::calloc((size_t)counted, sizeof(char *));
        g_font_list.non_japanese = (uint8_t *)std::calloc((size_t)counted, 1);
        g_font_list.proportional = (uint8_t *)std::calloc((size_t)counted, 1);
        if (g_font_list.face_names && g_font_list.non_japanese && g_font_list.proportional) {
            s_capacity = counted;
            s_filling = true;
            g_font_enumerator(font_enum_callback, nullptr);
            s_filling = false;
        }
    }
    for (uint32_t slot = 0; slot < KV_FONT_SLOTS; slot++) {
        g_font_list.slot_font[slot] = 0;
        font_slot_set_current(slot);
        for (const char *face : k_preferred_faces)
            if (font_slot_select_by_name(face))
                break;
    }
    font_slot_set_current(0);
    init_glyph_tables();
    return 0;
}

int init_glyph_tables()
{
    for (unsigned b = 0; b < 256; b++)
        g_nibble_ink[b] = (uint32_t)((4 - popcount4(b >> 4)) * 256 + (4 - popcount4(b & 15)));
    for (int n = 0; n < 32; n++)
        g_coverage_alpha[n] = (uint8_t)(18 * n < 255 ? 18 * n : 255);
    for (uint32_t s = 0; s <= KV_GLYPH_SIZE_MAX; s++)
        g_glyph_cell_size[s] = 32 * ((4 * s + 32) / 32) + 32;
    for (int i = 0; i < KV_FONT_SLOTS; i++) {
        g_font_slots.size[i] = 20;
        g_font_slots.height[i] = 20;
        g_font_slots.bold[i] = 0;
        g_font_slots.colour[i] = 0xFFFFFF;
        g_font_slots.colour2[i] = 0xFFFFFF;
        g_font_slots.gradient[i] = 1;
        g_font_slots.rotation[i] = 0;
        g_font_slots.smooth[i] = 1;
        g_font_slots.blend_over[i] = 0;
    }
    return 0;
}

void release_font_slots()
{
    glyph_cache_release_all();
    free_font_list();
}

int font_slot_set_current(uint32_t slot)
{
    if (slot < KV_FONT_SLOTS)
        g_font_list.current_slot = slot;
    return 0;
}

int font_slot_select_index(uint32_t index)
{
    if ((int64_t)index >= g_font_list.count)
        return 0;
    g_font_list.slot_font[g_font_list.current_slot] = index;
    return 1;
}

int font_slot_select_by_name(const char *face)
{
    for (int32_t i = 0; i < g_font_list.count; i++)
        if (std::strcmp(g_font_list.face_names[i], face) == 0)
            return font_slot_select_index((uint32_t)i);
    return 0;
}

const char *font_face_name_at(uint32_t index)
{
    return (int64_t)index < g_font_list.count ? g_font_list.face_names[index] : "";
}

const char *font_slot_face_name()
{
    return font_face_name_at(font_slot_index());
}

int8_t font_slot_is_proportional()
{
    uint32_t i = font_slot_index();
    return (int64_t)i < g_font_list.count ? (int8_t)g_font_list.proportional[i] : 1;
}

int8_t font_is_non_japanese_script(uint32_t index)
{
    return (int64_t)index < g_font_list.count ? (int8_t)g_font_list.non_japanese[index] : 1;
}

uint32_t font_slot_index()
{
    return g_font_list.slot_font[g_font_list.current_slot];
}

int32_t font_count()
{
    return g_font_list.count;
}
