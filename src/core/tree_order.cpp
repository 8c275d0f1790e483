// Object trees: moving a node among its siblings by a new order key.
#include "core/tree.h"

void set_layer_order(TreeNode *node, int64_t key)
{
    TreeNode *parent = node ? node->parent : nullptr;
    if (!parent)
        return;
    tree_node_unlink(node);
    tree_insert_sorted(parent, node, key);
}
