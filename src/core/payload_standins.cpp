// Stand-in payload records for the subsystems that are not built yet: each
// constructor hands out a zero-filled block large enough for its record.
// The owners of layers, sounds and menus replace this file.
#include <cstdlib>

#include "core/error_report.h"
#include "core/payload_hooks.h"
#include "core/tree.h"

enum { STANDIN_RECORD_SIZE = 4096 };

static void *standin_attach(TreeNode *node)
{
    if (!node)
        return nullptr;
    void *p = alloc_zeroed(STANDIN_RECORD_SIZE);
    if (!p) {
        report_system_error(100010, 1);
        return nullptr;
    }
    node->payload = p;
    return p;
}

void *alloc_root_payload(int tree)
{
    return tree == KV_TREE_TASK ? alloc_task_root_payload() : alloc_zeroed(STANDIN_RECORD_SIZE);
}

int create_layer_payload(TreeNode *node) { return standin_attach(node) ? 0 : 1; }
LayerState *attach_new_layer_payload(TreeNode *node) { return (LayerState *)standin_attach(node); }
void attach_payload_ref(TreeNode *node, LayerState *state)
{
    if (node)
        node->payload = state;
}
LayerState *share_layer_payload(TreeNode *node, LayerState *state)
{
    attach_payload_ref(node, state);
    return state;
}

int create_layer_tree_top(TreeNode *layer_root)
{
    TreeNode *w0 = create_tree_node(layer_root, "W0", 1, 0);
    return w0 && create_layer_payload(w0) == 0 ? 0 : -1;
}
