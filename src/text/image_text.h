// The text line of the layer image-operation command: the routines the
// image subsystem below calls through its text hooks.
#pragma once

#include "core/kv_base.h"

struct TreeNode;

// One character (bytes 1 or 2; a lone byte is never read past) on the layer
// with the current font slot's style and the given edge mode; the advance.
int64_t image_text_draw_char(TreeNode *node, const char *ch, int bytes, int64_t x, int64_t y,
                             int32_t edge_mode);
// Makes slot current; a slot outside 0..7 changes nothing.
void image_text_select_slot(int64_t slot);
// Start-up: fills the image subsystem's text hooks with the two above.
void image_text_hooks_install();
