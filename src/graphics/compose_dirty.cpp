// Dirty rectangles: marking a change in the records of the ancestors,
// moving pending visibility and opacity into effect, widening the frame's
// accumulated rectangle, and the frame-end reset.
//
// A group's dirty rectangle says which part of its canvas must be composed
// again; composition clears its dirty flag once that is done. A group that
// was not composed in a frame (a hidden window, a group outside every
// window) keeps its dirty state through the reset, so no change is lost.
#include "graphics/compose.h"

static const LayerRect k_empty_rect = {KV_RECT_EMPTY_LOW, KV_RECT_EMPTY_LOW, KV_RECT_EMPTY_HIGH,
                                       KV_RECT_EMPTY_HIGH};

// Starts a fresh dirty rectangle, or widens the one the record holds.
static void add_dirty(LayerState *s, const LayerRect &r)
{
    if (!s->dirty_flag) {
        s->dirty = r;
        s->dirty_flag = 1;
        s->mark_count++;
    } else {
        rect_widen(&s->dirty, r);
    }
}

// At each level the rectangle marked is that of the child on the path, not
// clipped; the walk goes on upward also where it misses the parent's image.
int layer_mark_dirty(TreeNode *node)
{
    for (TreeNode *c = node; c && c->parent; c = c->parent) {
        LayerState *cs = layer_state_of(c), *as = layer_state_of(c->parent);
        if (cs)
            layer_note_change(cs);
        if (!cs || !as || !layer_has_area(cs))
            continue;
        LayerRect r = layer_edges(cs);
        LayerRect image = {0, 0, (int64_t)as->width - 1, (int64_t)as->height - 1};
        if (!rects_meet(r, image))
            continue;
        as->needs_redraw = 1;
        add_dirty(as, r);
    }
    return 0;
}

// The node and every ancestor: dirty over the whole of its own image.
int grow_dirty_rect(TreeNode *node)
{
    for (TreeNode *c = node; c; c = c->parent) {
        LayerState *s = layer_state_of(c);
        if (!s)
            continue;
        layer_note_change(s);
        s->needs_redraw = 1;
        LayerRect whole = {0, 0, (int64_t)s->width - 1, (int64_t)s->height - 1};
        if (s->dirty_flag)
            rect_widen(&s->dirty, whole);
        else
            s->dirty = whole;
        s->dirty_flag = 1;
        s->mark_count++;
    }
    return 0;
}

void mark_layer_wholly_dirty(TreeNode *node)
{
    LayerState *s = layer_state_of(node);
    if (!s)
        return;
    layer_note_change(s);
    s->dirty = LayerRect{0, 0, (int64_t)s->width - 1, (int64_t)s->height - 1};
    s->dirty_flag = 1;
    s->whole_image = 1;
    s->needs_redraw = 1;
}

void apply_pending_layer_state(TreeNode *node)
{
    for (; node; node = node->next) {
        LayerState *s = layer_state_of(node);
        if (s) {
            bool changed = false;
            if (s->pending_visible_flag) {
                s->pending_visible_flag = 0;
                if (s->pending_visible != s->visible) {
                    s->visible = s->pending_visible;
                    changed = true;
                }
            }
            if (s->pending_opacity_flag) {
                s->pending_opacity_flag = 0;
                if (s->pending_opacity != s->opacity) {
                    s->opacity = s->pending_opacity;
                    changed = true;
                }
            }
            if (changed)
                layer_mark_dirty(node);
        }
        if (node->is_folder)
            apply_pending_layer_state(node->first_child);
    }
}

void merge_dirty_rect(TreeNode *node)
{
    LayerState *s = layer_state_of(node);
    if (!s)
        return;
    rect_widen(&s->acc, s->dirty);
    if (s->whole_image) {
        s->whole_image = 0;
        s->acc = LayerRect{0, 0, (int64_t)s->width - 1, (int64_t)s->height - 1};
    }
}

void reset_layer_dirty_rects(TreeNode *node)
{
    for (; node; node = node->next) {
        LayerState *s = layer_state_of(node);
        if (s) {
            s->acc = k_empty_rect;
            // A canvas that still waits for its composition keeps what it owes.
            bool pending = node->is_folder && s->pixels && s->dirty_flag;
            if (!pending) {
                s->mark_count = 0;
                s->needs_redraw = 0;
                s->dirty_flag = 0;
            }
        }
        if (node->is_folder)
            reset_layer_dirty_rects(node->first_child);
    }
}
