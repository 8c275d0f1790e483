// The four object trees as they stand after start-up.
#include <cstdlib>
#include <cstring>

#include "core/error_report.h"
#include "core/payload_hooks.h"
#include "core/tree.h"

TreeNode *g_layer_tree;
TreeNode *g_task_tree;
TreeNode *g_sound_tree;
TreeNode *g_menu_tree;
char *g_tree_path_roots[4];

static TreeNode *create_root(int tree, const char *base)
{
    TreeNode *root = (TreeNode *)alloc_zeroed(sizeof(TreeNode));
    char *path = (char *)alloc_zeroed(KV_BASE_PATH_MAX);
    void *payload = alloc_root_payload(tree);
    if (!root || !path || !payload) {
        std::free(root);
        std::free(path);
        std::free(payload);
        report_system_error(100010, 1);
        return nullptr;
    }
    std::strcpy(path, base);
    root->payload = payload;
    g_tree_path_roots[tree] = path;
    return root;
}

int create_tree_roots()
{
    if (!(g_layer_tree = create_root(KV_TREE_LAYER, "W0")))
        return -1;
    if (create_layer_tree_top(g_layer_tree) != 0)
        return -1;

    if (!(g_task_tree = create_root(KV_TREE_TASK, "")))
        return -1;
    TreeNode *top = create_tree_node(g_task_tree, "", 1, 100);
    if (!top || !attach_task_payload(top))
        return -1;
    TreeNode *system = create_tree_node(g_task_tree, "SYSTEM", 0, 100);
    if (!system || !attach_main_task_payload(system))
        return -1;

    if (!(g_sound_tree = create_root(KV_TREE_SOUND, "S0")))
        return -1;
    TreeNode *s0 = create_tree_node(g_sound_tree, "S0", 1, 1);
    if (!s0 || !attach_sound_payload(s0))
        return -1;

    if (!(g_menu_tree = create_root(KV_TREE_MENU, "M0")))
        return -1;
    TreeNode *m0 = create_tree_node(g_menu_tree, "M0", 1, 0);
    if (!m0 || !attach_menu_payload(m0, "M0"))
        return -1;
    return 0;
}

int create_sound_root()
{
    TreeNode *node = create_tree_node(g_sound_tree, "ROOT", 0, 999999999);
    if (!node)
        return -1;
    SoundRecord *record = attach_sound_payload(node);
    if (!record)
        return -1;
    return start_sound_root(record);
}
