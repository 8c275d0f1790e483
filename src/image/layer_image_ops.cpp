// The image operations on layer nodes: each finds the nodes' records, runs
// the operation on them and marks what changed. A node whose size may
// change is marked before (its old area) and after (its new one).
#include "core/tree.h"
#include "graphics/layer.h"
#include "image/compose_ops.h"
#include "image/effects.h"

static LayerState *record_of(TreeNode *node)
{
    return node ? (LayerState *)node->payload : nullptr;
}

static void mark(TreeNode *node)
{
    if (node && node->payload)
        layer_mark_dirty(node);
}

int apply_effect(uint8_t code, TreeNode *a, TreeNode *b, int64_t x1, int64_t y1, int64_t x2,
                 int64_t y2, int32_t p, int32_t value2, uint8_t n, uint8_t fill_mode)
{
    TreeNode *dst = n != 0 ? b : a;
    mark(dst);
    int r = apply_effect_state(code, record_of(a), record_of(b), x1, y1, x2, y2, p, value2, n,
                               fill_mode, a ? a->name : "");
    mark(dst);
    return r;
}

int blit_object(TreeNode *a, TreeNode *b, int64_t x, int64_t y)
{
    int r = blit_object_state(record_of(a), record_of(b), x, y);
    mark(b);
    return r;
}

int blit_object_dst_opacity(TreeNode *a, TreeNode *b, int64_t x, int64_t y)
{
    int r = blit_object_dst_opacity_state(record_of(a), record_of(b), x, y);
    mark(b);
    return r;
}

int crossfade_objects(TreeNode *a, TreeNode *b, TreeNode *c, int64_t x, int64_t y, int64_t level)
{
    int r = crossfade_objects_state(record_of(a), record_of(b), record_of(c), x, y, level);
    mark(c);
    return r;
}

int crossfade_objects_table(TreeNode *a, TreeNode *b, TreeNode *c, TreeNode *d, int64_t x,
                            int64_t y, int64_t value1, int32_t value2)
{
    int r = crossfade_objects_table_state(record_of(a), record_of(b), record_of(c), record_of(d),
                                          x, y, value1, value2);
    mark(d);
    return r;
}

int keep_differing_pixels(TreeNode *a, TreeNode *b, int64_t x, int64_t y, uint8_t)
{
    int r = keep_differing_pixels_state(record_of(a), record_of(b), x, y);
    mark(b);
    return r;
}

int keep_equal_pixels(TreeNode *a, TreeNode *b, int64_t x, int64_t y, uint8_t)
{
    int r = keep_equal_pixels_state(record_of(a), record_of(b), x, y);
    mark(b);
    return r;
}

int trim_transparent_edges(TreeNode *a, TreeNode *b, uint8_t n, uint8_t sides)
{
    TreeNode *dst = n != 0 ? b : a;
    mark(dst);
    int r = trim_transparent_edges_state(record_of(a), record_of(b), n, sides, a ? a->name : "");
    mark(dst);
    return r;
}

int resize_layer_canvas(TreeNode *a, TreeNode *b, uint8_t n, int64_t left, int64_t right,
                        int64_t top, int64_t bottom)
{
    TreeNode *dst = n != 0 ? b : a;
    mark(dst);
    int r = resize_layer_canvas_state(record_of(a), record_of(b), n, left, right, top, bottom,
                                      a ? a->name : "");
    mark(dst);
    return r;
}

int paste_sprite(TreeNode *a, TreeNode *b)
{
    (void)a;
    (void)b;
    return 0;
}
