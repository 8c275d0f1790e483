// Release of layer nodes and the delete command (command 3). A node is
// forgotten by everything that points at it before it goes; its record goes
// with the last node that shares it.
#include <cstdlib>

#include "core/layer_release_hooks.h"
#include "core/tree.h"
#include "core/window.h"
#include "graphics/layer.h"
#include "script/args.h"
#include "script/task.h"

void (*g_layer_texture_release)(LayerState *s);

// Clears every reference to node, then recomputes the record's two flags
// from the references that remain (another sharer may still be a root).
static void forget_node(TreeNode *node, LayerState *s)
{
    for (WindowObject *w : g_windows)
        if (w && w->root_layer == node)
            w->root_layer = nullptr;
    if (g_message_window && g_message_window->layer == node)
        g_message_window->layer = nullptr;
    if (g_drag_layer.node == node)
        g_drag_layer = DragLayer{};
    layer_release_hooks_run(node);
    if (!s)
        return;
    s->window_root = 0;
    for (WindowObject *w : g_windows)
        if (w && w->root_layer && w->root_layer->payload == s)
            s->window_root = 1;
    TreeNode *mw = g_message_window ? g_message_window->layer : nullptr;
    s->message_window = (uint8_t)(mw && mw->payload == s);
}

void free_object(TreeNode *node)
{
    if (!node)
        return;
    LayerState *s = (LayerState *)node->payload;
    forget_node(node, s);
    tree_node_unlink(node);
    if (s) {
        if (s->ref_count > 0)
            s->ref_count--;
        if (s->ref_count == 0) {
            if (g_layer_texture_release)
                g_layer_texture_release(s);
            layer_state_release_buffers(s);
            std::free(s);
        }
    }
    node->payload = nullptr;
    std::free(node->name);
    std::free(node);
}

void free_child_objects(TreeNode *node)
{
    TreeNode *c = node ? node->first_child : nullptr;
    while (c) {
        TreeNode *next = c->next;
        if (c->is_folder)
            free_child_objects(c);
        free_object(c);
        c = next;
    }
}

void free_object_tree(TreeNode *node)
{
    free_child_objects(node);
    free_object(node);
}

int run_delete_object()
{
    char path[KV_PATH_MAX];
    int group = normalize_script_path(path, arg_str(0), g_tree_path_roots[KV_TREE_LAYER], 0);
    if (group < 0)
        return -1;
    TreeNode *node = name_tree_lookup(g_layer_tree, path, group ? KV_FIND_FOLDER : KV_FIND_LEAF);
    if (!node || !node->payload)
        return 0;
    layer_mark_dirty(node);
    if (group)
        free_object_tree(node);
    else
        free_object(node);
    return 0;
}

int cmd_delete_object(void)
{
    if (load_command_args(3) & 0xff)
        return -1;
    return run_delete_object();
}
