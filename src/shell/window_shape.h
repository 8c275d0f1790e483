// The main window's shape and drag from layers: the rectangles of a window
// region taken from a layer's pixels, the region set from them, and the test
// whether a click lands on the drag layer.
#pragma once

#include "core/kv_base.h"
#include "shell/window_sizing.h"

struct LayerState;
struct TreeNode;

enum { KV_REGION_MAX_RECTS = 2000 };

// One rectangle (right and bottom exclusive, rows top-down) per horizontal run
// of pixels that are not black; the rows are walked bottom first. Returns the
// count, or -1 when the layer needs more than `max` rectangles (nothing past
// `max` is written) or has no pixels.
int region_from_layer(const LayerState *s, SizeRect *out, int max);

// True when the game position (x, y) lies on a non-black pixel of the layer
// `node`, placed at the sum of its own and its named ancestors' positions.
bool drag_layer_hit(const TreeNode *node, int32_t x, int32_t y);

// Shapes window 0 by the layer's non-black pixels (SetWindowRgn): 0, or -1
// when the layer needs more than KV_REGION_MAX_RECTS rectangles, has no
// pixels, or the system refuses.
int window_set_region(const LayerState *s);
