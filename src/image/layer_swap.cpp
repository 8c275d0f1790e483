// Exchanging two layers (names, order and chosen properties) and composing
// a layer group on demand.
#include "core/tree.h"
#include "graphics/layer.h"
#include "image/layer_image_cmd.h"

int swap_layer_order_keys(TreeNode *a, TreeNode *b)
{
    if (!a || !b)
        return 0;
    int64_t ka = a->order_key, kb = b->order_key;
    set_layer_order(a, kb);
    set_layer_order(b, ka);
    return 1;
}

template <class T> static void exchange(T &x, T &y)
{
    T t = x;
    x = y;
    y = t;
}

// Only the name bits of the hashes move: each node keeps its own folder bit,
// so a folder stays findable as a folder and a leaf as a leaf.
int swap_layers(TreeNode *a, TreeNode *b, uint8_t mode)
{
    if (!a || !b || a == b)
        return 0;
    layer_mark_dirty(a);
    layer_mark_dirty(b);
    swap_layer_order_keys(a, b);
    exchange(a->name, b->name);
    exchange(a->name_len, b->name_len);
    uint32_t ha = a->name_hash, hb = b->name_hash;
    a->name_hash = (ha & KV_FOLDER_HASH_BIT) | (hb & ~KV_FOLDER_HASH_BIT);
    b->name_hash = (hb & KV_FOLDER_HASH_BIT) | (ha & ~KV_FOLDER_HASH_BIT);
    LayerState *sa = (LayerState *)a->payload, *sb = (LayerState *)b->payload;
    if (sa && sb && (mode == 1 || mode == 2)) {
        exchange(sa->x, sb->x);
        exchange(sa->y, sb->y);
        if (mode == 2) {
            exchange(sa->visible, sb->visible);
            exchange(sa->opacity, sb->opacity);
            exchange(sa->rule_progress, sb->rule_progress);
            exchange(sa->rule_softness, sb->rule_softness);
            exchange(sa->blend_mode, sb->blend_mode);
        }
    }
    layer_mark_dirty(a);
    layer_mark_dirty(b);
    return 0;
}

void compose_layer_now(TreeNode *node, uint8_t nested)
{
    if (node && node->payload)
        compose_layer_tree_cpu(node, nested);
}
