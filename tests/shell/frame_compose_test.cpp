// The frame step's layer work: pending changes are moved in from the top of
// the layer tree, window 0 is composed, and the reset empties the root's
// accumulated rectangle for the next frame.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "core/quit.h"
#include "core/tree.h"
#include "core/window.h"
#include "graphics/blend.h"
#include "graphics/kernels.h"
#include "graphics/layer.h"
#include "shell/main_loop.h"
#include "shell/startup.h"

static TreeNode *new_layer(TreeNode *root, const char *path, bool group)
{
    TreeNode *n = create_tree_node(root, path, group ? 1 : 0, 0);
    LayerState *s = layer_state_new();
    s->width = s->height = 4;
    s->pixels = alloc_pixels(nullptr, 4, 4, nullptr);
    std::memset(s->pixels, 0, 64);
    n->payload = s;
    return n;
}

TEST(FrameCompose, PendingVisibilityIsComposedAndReset)
{
    install_pixel_kernels(KV_KERNEL_LEVEL_SSE2, 0);
    build_blend_product_tables();
    init_blend_fn_table();
    TreeNode *saved = g_layer_tree;
    TreeNode root = {};
    g_layer_tree = &root;
    TreeNode *w0 = new_layer(&root, "W0", true);
    TreeNode *a = new_layer(&root, "W0/a", false);
    LayerState *as = (LayerState *)a->payload, *ws = (LayerState *)w0->payload;
    uint32_t px = 0xFF112233u;
    for (int i = 0; i < 16; i++)
        std::memcpy(as->pixels + i * 4, &px, 4);
    as->visible = 0;
    as->pending_visible_flag = 1;
    as->pending_visible = 1;

    create_window_objects();
    window_object_setup(g_windows[0], "t");
    g_windows[0]->show_flag = 1;
    g_windows[0]->root_layer = w0;
    g_quit_flag = 0;
    g_pause_frames = 0;
    g_skip_in_force = 0;
    EXPECT_EQ(0, run_frame());

    uint32_t got;
    std::memcpy(&got, ws->pixels + 5 * 4, 4);
    EXPECT_EQ(px, got);
    EXPECT_EQ(1, g_windows[0]->frame_shown);
    EXPECT_EQ(999999999, ws->acc.left);
    EXPECT_EQ(-999999999, ws->acc.bottom);
    EXPECT_EQ(0, ws->needs_redraw);

    g_windows[0]->root_layer = nullptr;
    for (TreeNode *n : {a, w0}) {
        layer_state_release_buffers((LayerState *)n->payload);
        std::free(n->payload);
        std::free(n->name);
        std::free(n);
    }
    g_layer_tree = saved;
}
