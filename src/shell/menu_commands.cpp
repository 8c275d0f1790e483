// Script commands 48-51: set, pop up, delete and query menu items of the
// menu tree. Native menus are not patched: a changed item shows in the menu
// bar at its next build.
#include <cstring>

#include "core/error_report.h"
#include "core/frame_state.h"
#include "core/input.h"
#include "core/tree.h"
#include "core/window.h"
#include "script/args.h"
#include "script/commands.h"
#include "script/vars.h"
#include "shell/menu.h"

// Loads a menu command's arguments and finds the node its argument `name_arg`
// names (kind 1: a folder path); null when missing. kind < 0 after a reported
// error.
static TreeNode *menu_args(int command, uint32_t name_arg, char *path, int *kind)
{
    *kind = -1;
    if (load_command_args(command) & 0xFF)
        return nullptr;
    return find_script_path(KV_TREE_MENU, arg_str(name_arg), KV_FIND_AS_WRITTEN, path, kind);
}

static TreeNode *create_menu_node(const char *path, int folder, int64_t key)
{
    if (!arg_present(1)) {
        report_script_error(100260, 1);
        return nullptr;
    }
    if (!arg_present(2)) {
        report_script_error(100240, 1);
        return nullptr;
    }
    if (!tree_path_parent(path, g_menu_tree))
        return nullptr;
    TreeNode *node = create_tree_node(g_menu_tree, path, (uint8_t)folder, key);
    if (node && !attach_menu_payload(node, arg_str(1))) {
        tree_node_free(node);
        return nullptr;
    }
    return node;
}

int cmd_menu_set(void)
{
    char path[KV_PATH_MAX];
    int kind;
    TreeNode *node = menu_args(48, 0, path, &kind);
    if (kind < 0)
        return -1;
    int64_t key = 1;
    if (arg_present(2)) {
        key = menu_order_apply(node ? node->order_key : 1, g_arg_slots.op[arg_pos(2)], arg_int(2),
                               node != nullptr);
        if (node)
            set_layer_order(node, key);
    }
    if (!node) {
        node = create_menu_node(path, kind == 1, key);
        if (!node)
            return -1;
    } else if (node->payload && arg_present(1)) {
        menu_item_set_text((MenuItem *)node->payload, arg_str(1));
    }
    MenuItem *item = (MenuItem *)node->payload;
    if (!item)
        return 0;
    if (arg_present(3))
        item->shown = (uint8_t)arg_int(3);
    if (arg_present(4))
        item->enabled = (uint16_t)arg_int(4);
    if (arg_present(5))
        item->checked = (uint8_t)arg_int(5);
    if (arg_present(6))
        item->command_id = arg_int(6);
    return 0;
}

int cmd_menu_popup(void)
{
    if (load_command_args(49) & 0xFF)
        return -1;
    int kind;
    TreeNode *node = find_script_path(KV_TREE_MENU, arg_str(0), KV_FIND_ANY, nullptr, &kind);
    if (kind < 0)
        return -1;
    if (!node || arg_int(1, 0) != 1)
        return 0;
    // An overflowing set still opens with the part built so far.
    build_popup_set(1, node);
    request_popup_at_cursor(1);
    return 0;
}

// The menu opens where the pointer is: the position stays in screen
// coordinates, whatever bands frame the game in full screen or maximised.
void request_popup_at_cursor(int set)
{
    int32_t x = 0, y = 0;
    g_input_source->cursor_pos(&x, &y);
    g_popup_x = x;
    g_popup_y = y;
    g_popup_request = (uint8_t)set;
}

int cmd_menu_delete(void)
{
    char path[KV_PATH_MAX];
    int kind;
    TreeNode *node = menu_args(50, 0, path, &kind);
    if (kind < 0)
        return -1;
    if (!node)
        return 0;
    if (kind == 1)
        free_menu_subtree(node);
    else
        tree_node_free(node);
    return 0;
}

// The answer of the query for the first present id, as a number; for id 2 the
// text goes to *text.
static int64_t query_value(const TreeNode *node, uint32_t q, const char **text)
{
    const MenuItem *item = (const MenuItem *)node->payload;
    switch (q) {
    case 3: return 1;
    case 4: return node->order_key;
    case 2: *text = item ? item->text : ""; return 0;
    default: break;
    }
    if (!item)
        return 0;
    switch (q) {
    case 5: return item->shown;
    case 6: return item->enabled;
    case 7: return item->checked;
    default: return item->command_id;
    }
}

int cmd_menu_query(void)
{
    char path[KV_PATH_MAX];
    int kind;
    TreeNode *node = menu_args(51, 1, path, &kind);
    if (kind < 0)
        return -1;
    uint32_t p = arg_pos(0);
    if (!p)
        return 0;
    uint32_t id = g_arg_slots.var_id[p];
    int64_t elem = g_arg_slots.var_elem[p];
    const VarDescriptor *v = var_descriptor(id);
    bool is_string = v && v->type == VAR_TYPE_STRING;
    if (!node)
        return store_empty_result(id, elem) < 0 ? -1 : 0;
    static const uint8_t order[] = {3, 5, 6, 4, 7, 8, 2};
    uint32_t q = first_present_arg(order, sizeof order);
    if (!q)
        return 0;
    const char *text = nullptr;
    int64_t value = query_value(node, q, &text);
    if (q == 2)
        return is_string && store_string_element(id, elem, text) < 0 ? -1 : 0;
    return var_set_number(id, elem, value) < 0 ? -1 : 0;
}
