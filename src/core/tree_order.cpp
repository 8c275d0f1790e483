// Moving a node among its siblings by a new order key (used by the task and
// layer commands on any tree).
#include "core/tree.h"

void set_layer_order(TreeNode *node, int64_t key)
{
    TreeNode *parent = tree_node_unlink(node);
    if (!parent) {
        if (node)
            node->order_key = key;
        return;
    }
    tree_insert_sorted(parent, node, key);
}
