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

MenuItem *attach_menu_payload(TreeNode *node, const char *) { return (MenuItem *)standin_attach(node); }
