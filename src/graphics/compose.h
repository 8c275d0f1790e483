// Composition of the layer trees: the blit rectangle of the child being
// blended, the rule-mask weights, the per-window entry of the frame step,
// and the edge arithmetic that marking and composition share.
//
// A child's position is a 32-bit signed value kept in a 64-bit field; its
// edges (x + width - 1) are computed in 64 bits, as the sums do not fit 32.
#pragma once

#include "core/kv_base.h"
#include "core/tree.h"
#include "graphics/blend.h"
#include "graphics/layer.h"

struct WindowObject;

// The overlap of the current child with its parent's dirty rectangle.
struct BlitRect {
    int32_t src_x, src_y;   // in the child's image
    int32_t dst_x, dst_y;   // in the parent's canvas
    int32_t width, height;
};
extern BlitRect g_blit_rect;

// Clip bits: the side of the child that lies beyond the dirty rectangle.
enum { KV_CLIP_TOP = 1, KV_CLIP_BOTTOM = 2, KV_CLIP_LEFT = 4, KV_CLIP_RIGHT = 8 };

static inline LayerState *layer_state_of(const TreeNode *node)
{
    return node ? (LayerState *)node->payload : nullptr;
}

// The child's rectangle in its parent's canvas (inclusive).
static inline LayerRect layer_edges(const LayerState *s)
{
    int64_t x = (int32_t)s->x, y = (int32_t)s->y;
    return LayerRect{x, y, x + (int64_t)s->width - 1, y + (int64_t)s->height - 1};
}
static inline bool layer_has_area(const LayerState *s)
{
    return s->width >= 1 && s->height >= 1;
}
static inline bool layer_has_rule_mask(const LayerState *s)
{
    return s->rule_mask_name && s->rule_mask_name[0] != '\0';
}
static inline bool rects_meet(const LayerRect &a, const LayerRect &b)
{
    return a.left <= b.right && a.top <= b.bottom && a.right >= b.left && a.bottom >= b.top;
}
static inline void rect_widen(LayerRect *r, const LayerRect &by)
{
    if (by.left < r->left) r->left = by.left;
    if (by.top < r->top) r->top = by.top;
    if (by.right > r->right) r->right = by.right;
    if (by.bottom > r->bottom) r->bottom = by.bottom;
}
// The blend mode a record is composed with: 0..18, anything else as 0.
static inline int layer_blend_mode(const LayerState *s)
{
    return blend_mode_clamp(s->blend_mode);
}
static inline int layer_opacity(const LayerState *s)
{
    return s->opacity < 0 ? 0 : (s->opacity > 256 ? 256 : s->opacity);
}

// Fills g_blit_rect for a child of `dst` that meets its dirty rectangle.
void clip_layer_blit(const LayerState *dst, const LayerState *child, int clip);
// Fills g_rule_weights for rule progress p, softness s and opacity o.
void set_rule_weights(int progress, int softness, int opacity);

// Composes the window's layer tree when its root needs a redraw. Returns
// g_quit_flag, or -1 when the composition failed. A window without a root
// layer composes nothing.
int window_compose_if_dirty(WindowObject *win);
// Asks that window's next composition to mark its root layer wholly dirty
// first. Any thread may call it.
void window_request_whole_compose(const WindowObject *win);
// The cache of the children below a moving one (compose_cache.cpp). At most
// this many children of a group are covered.
enum { KV_BELOW_CACHE_CHILDREN = 32 };
// Called by the group's composition after its dirty rectangle is clamped:
// the cached composition of the group's children below *top (a whole-canvas
// buffer) when it serves this composition, else null. `whole` says that the
// group was marked dirty as a whole (which drops its cache).
const uint8_t *below_cache_serve(TreeNode *group, bool whole, TreeNode **top);
// Compositions the cache has served, and 0 to compose without it (for tests
// and measurements).
extern uint64_t g_below_cache_served;
extern int g_below_cache_enabled;
// Drops the cache a record owns (its release).
void forget_below_cache(const LayerState *s);
// Composes the children of `group` below `end` over the whole canvas into
// `pixels` (a buffer of the canvas's size) instead of the canvas; child
// groups among them must be composed already. 0, or -1 as the composition.
int compose_children_into(TreeNode *group, TreeNode *end, uint8_t *pixels);

// Marks a group wholly dirty (dirty, whole-image and needs-redraw flags, the
// dirty rectangle over the whole image), as a repaint of its window needs.
// Does nothing for a missing node or record.
void mark_layer_wholly_dirty(TreeNode *node);
