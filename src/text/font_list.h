// Installed fonts and the eight font slots: the list of faces (one entry per
// face and character set the system enumerates), each slot's face and drawing
// style, the slot accessors, and the three lookup tables of the glyph painters.
#pragma once

#include "core/kv_base.h"
#include "platform/sys_fonts.h"

enum { KV_FONT_SLOTS = 8, KV_GLYPH_SIZE_MAX = 256 };

struct FontList {
    char **face_names;          // count heap strings
    int32_t count;
    uint8_t *non_japanese;      // 0: enumerated for the script "日本語"
    uint8_t *proportional;      // 1 proportional, 0 fixed pitch, 255 pitch value 3
    uint32_t slot_font[KV_FONT_SLOTS];
    uint32_t current_slot;
};
extern FontList g_font_list;

// Parallel arrays by slot.
struct FontSlotStyle {
    int32_t size[KV_FONT_SLOTS];      // 20
    int32_t height[KV_FONT_SLOTS];    // 20
    int32_t bold[KV_FONT_SLOTS];      // 0
    uint32_t colour[KV_FONT_SLOTS];   // 0xFFFFFF
    uint32_t colour2[KV_FONT_SLOTS];  // 0xFFFFFF
    uint8_t gradient[KV_FONT_SLOTS];  // 1, 0..8
    uint8_t rotation[KV_FONT_SLOTS];  // 0, 0..3 quarter turns
    uint8_t smooth[KV_FONT_SLOTS];    // 1 = anti-aliased
    uint8_t blend_over[KV_FONT_SLOTS];
};
extern FontSlotStyle g_font_slots;

// Glyph tables: ink of a byte of 1-bit pixels (0 = ink) per nibble, high
// nibble's count in bits 8..15; alpha of n inked sub-pixels of a 4x4 block;
// side of the glyph cell of size s (always > 4s + 32, a multiple of 32).
extern uint32_t g_nibble_ink[256];
extern uint8_t g_coverage_alpha[32];
extern uint32_t g_glyph_cell_size[KV_GLYPH_SIZE_MAX + 1];

// The enumeration enumerate_fonts uses (the system's; tests put a fake here).
extern void (*g_font_enumerator)(SysFontFn fn, void *user);

// Start-up: lists the system's faces, gives each slot the first installed of
// the preferred faces, then init_glyph_tables. Returns 0.
int enumerate_fonts();
// Adds one enumerated face (the enumeration's callback; counts only while the
// list's arrays do not exist yet).
void font_enum_callback(void *user, const char *face, const char *script, int pitch);
// Fills the tables and every slot's style defaults. Returns 0.
int init_glyph_tables();
// Shutdown: the glyph objects of every slot and the list.
void release_font_slots();

int font_slot_set_current(uint32_t slot);
int font_slot_select_index(uint32_t index);          // 1, or 0 when index >= count
int font_slot_select_by_name(const char *face);      // 1, or 0 when not listed
const char *font_slot_face_name();                   // "" with an empty list
const char *font_face_name_at(uint32_t index);
int8_t font_slot_is_proportional();
int8_t font_is_non_japanese_script(uint32_t index);
uint32_t font_slot_index();
int32_t font_count();
