// Exchanging two layers (names, order and chosen properties) and composing
// a layer group on demand.
#include <utility>

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

// Only the name bits of the hashes move: each node keeps its own folder bit,
// so a folder stays findable as a folder and a leaf as a leaf.
int swap_layers(TreeNode *a, TreeNode *b, uint8_t mode)
{
    if (!a || !b || a == b)
        return 0;
    layer_mark_dirty(a);
    layer_mark_dirty(b);
    swap_layer_order_keys(a, b);
    std::swap(a->name, b->name);
    std::swap(a->name_len, b->name_len);
    uint32_t ha = a->name_hash, hb = b->name_hash;
    a->name_hash = (ha & KV_FOLDER_HASH_BIT) | (hb & ~KV_FOLDER_HASH_BIT);
    b->name_hash = (hb & KV_FOLDER_HASH_BIT) | (ha & ~KV_FOLDER_HASH_BIT);
    LayerState *sa = (LayerState *)a->payload, *sb = (LayerState *)b->payload;
    if (sa && sb && (mode == 1 || mode == 2)) {
        std::swap(sa->x, sb->x);
        std::swap(sa->y, sb->y);
        if (mode == 2) {
            std::swap(sa->visible, sb->visible);
            std::swap(sa->opacity, sb->opacity);
            std::swap(sa->rule_progress, sb->rule_progress);
            std::swap(sa->rule_softness, sb->rule_softness);
            std::swap(sa->blend_mode, sb->blend_mode);
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
