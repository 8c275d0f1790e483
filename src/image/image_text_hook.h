// What the layer image-operation command needs from the text subsystem,
// which lies above it: filled by the text subsystem at start-up. While a
// pointer is null the command draws no text and selects no font slot.
#pragma once

#include "core/kv_base.h"

struct TreeNode;

// Draws one character (1 or 2 bytes of Shift-JIS) on layer `node` at (x, y)
// with the current font slot's settings and the edge mode; returns the
// advance in pixels.
typedef int64_t (*ImageDrawCharFn)(TreeNode *node, const char *ch, int bytes, int64_t x,
                                   int64_t y, int32_t edge_mode);
typedef void (*ImageFontSlotFn)(int64_t slot);

extern ImageDrawCharFn g_image_draw_char;
extern ImageFontSlotFn g_image_font_slot_set;
