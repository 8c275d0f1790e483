// Layer records on tree nodes: the constructors and sharing of records, the
// layer tree's root and window 0's root layer "W0", and group creation.
#include <cstdlib>
#include <cstring>

#include "core/error_report.h"
#include "core/payload_hooks.h"
#include "core/tree.h"
#include "core/window.h"
#include "graphics/kernels.h"
#include "graphics/layer.h"

LayerState *attach_new_layer_payload(TreeNode *node)
{
    if (!node)
        return nullptr;
    LayerState *s = layer_state_new();
    if (!s) {
        report_system_error(100010, 1);
        return nullptr;
    }
    node->payload = s;
    return s;
}

int create_layer_payload(TreeNode *node)
{
    return attach_new_layer_payload(node) ? 0 : 1;
}

void attach_payload_ref(TreeNode *node, LayerState *state)
{
    if (!node || !state)
        return;
    node->payload = state;
    state->ref_count++;
}

LayerState *share_layer_payload(TreeNode *node, LayerState *state)
{
    if (!node || !state)
        return nullptr;
    attach_payload_ref(node, state);
    return state;
}

// Undoes a node made by create_tree_node that never got its record.
static void discard_new_node(TreeNode *node)
{
    tree_node_unlink(node);
    std::free(node->name);
    std::free(node);
}

TreeNode *create_layer(const char *path, int32_t width, int32_t height, int64_t key)
{
    if (!path) {
        report_system_error(900020, 1);
        return nullptr;
    }
    if (!tree_path_parent(path, g_layer_tree))
        return nullptr;
    // The canvas first: a failure then leaves nothing behind in the tree.
    uint8_t *pixels = alloc_pixels(nullptr, width, height, nullptr);
    if (!pixels)
        return nullptr;
    TreeNode *node = create_tree_node(g_layer_tree, path, 1, key);
    if (!node) {
        std::free(pixels);
        return nullptr;
    }
    LayerState *s = attach_new_layer_payload(node);
    if (!s) {
        std::free(pixels);
        discard_new_node(node);
        return nullptr;
    }
    s->width = width;
    s->height = height;
    s->pixels = pixels;
    g_pixel_kernels.kern_zero(pixels, (ptrdiff_t)width * 4 * height);
    s->dirty_flag = 1;
    s->whole_image = 1;
    s->dirty = LayerRect{0, 0, (int64_t)width - 1, (int64_t)height - 1};
    grow_dirty_rect(node);
    return node;
}

int create_layer_tree_top(TreeNode *layer_root)
{
    // The root's record is a zeroed LayerState with only position and size:
    // none of the constructor's defaults.
    LayerState *root = (LayerState *)alloc_zeroed(sizeof(LayerState));
    if (!root) {
        report_system_error(100010, 1);
        return -1;
    }
    std::free(layer_root->payload);
    layer_root->payload = root;
    WindowObject *w0 = g_windows[0];
    // Before a project sets the game size (tools, tests) the canvas is 1 x 1.
    root->width = w0 && w0->game_width > 0 ? w0->game_width : 1;
    root->height = w0 && w0->game_height > 0 ? w0->game_height : 1;
    // Tools and tests may build the trees before the kernels are chosen.
    if (!g_pixel_kernels.kern_zero)
        install_pixel_kernels(KV_KERNEL_LEVEL_BASIC, 0);
    TreeNode *made = create_layer("W0", root->width, root->height, 0);
    TreeNode *node = made ? name_tree_lookup(layer_root, "W0", KV_FIND_FOLDER) : nullptr;
    if (!node)
        return -1;
    if (w0) {
        w0->root_layer = node;
        ((LayerState *)node->payload)->window_root = 1;
    }
    return 0;
}
