// The MenuItem payload of menu-tree nodes and the freeing of menu nodes.
#include <cstdlib>
#include <cstring>

#include "core/error_report.h"
#include "core/tree.h"
#include "shell/menu.h"

MenuItem *attach_menu_payload(TreeNode *node, const char *text)
{
    if (!node)
        return nullptr;
    MenuItem *item = (MenuItem *)alloc_zeroed(sizeof(MenuItem));
    char *buf = (char *)alloc_zeroed(KV_MENU_TEXT_MAX + 1);
    if (!item || !buf) {
        std::free(item);
        std::free(buf);
        report_system_error(100010, 1);
        return nullptr;
    }
    item->text = buf;
    item->shown = 1;
    item->enabled = 256;
    menu_item_set_text(item, text ? text : "");
    node->payload = item;
    return item;
}

void tree_node_free(TreeNode *node)
{
    tree_node_unlink(node);
    MenuItem *item = (MenuItem *)node->payload;
    if (item)
        std::free(item->text);
    std::free(item);
    std::free(node->name);
    std::free(node);
}

void free_menu_children(TreeNode *node)
{
    while (TreeNode *c = node->first_child) {
        if (c->is_folder)
            free_menu_subtree(c);
        else
            tree_node_free(c);
    }
}

void free_menu_subtree(TreeNode *node)
{
    free_menu_children(node);
    tree_node_free(node);
}
