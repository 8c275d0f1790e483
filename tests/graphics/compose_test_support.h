// Layer trees for the composition tests: a private layer tree installed as
// the engine's (so rule masks resolve), groups and leaves made directly with
// create_tree_node, layer_state_new and alloc_pixels, a deep copy, and a
// frame that runs marking, composition and the reset as the frame step does.
#pragma once

#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/quit.h"
#include "core/tree.h"
#include "core/window.h"
#include "graphics/compose.h"
#include "graphics/kernel_test_support.h"
#include "graphics/layer.h"

// Installs an empty layer tree with the base path "W0" and restores the
// engine's on destruction.
struct TestLayerTree {
    TreeNode *saved_tree;
    char *saved_base;
    TreeNode *root;
    char base[KV_BASE_PATH_MAX] = "W0";

    TestLayerTree()
    {
        ensure_blend_tables();
        saved_tree = g_layer_tree;
        saved_base = g_tree_path_roots[KV_TREE_LAYER];
        root = (TreeNode *)alloc_zeroed(sizeof(TreeNode));
        root->payload = layer_state_new();
        install();
    }
    ~TestLayerTree()
    {
        free_nodes(root->first_child);
        destroy(root);
        g_layer_tree = saved_tree;
        g_tree_path_roots[KV_TREE_LAYER] = saved_base;
    }
    void install()
    {
        g_layer_tree = root;
        g_tree_path_roots[KV_TREE_LAYER] = base;
    }
    static void destroy(TreeNode *n)
    {
        LayerState *s = (LayerState *)n->payload;
        if (s) {
            layer_state_release_buffers(s);
            std::free(s);
        }
        std::free(n->name);
        std::free(n);
    }
    static void free_nodes(TreeNode *n)
    {
        while (n) {
            TreeNode *next = n->next;
            free_nodes(n->first_child);
            destroy(n);
            n = next;
        }
    }
};

static inline TreeNode *add_layer(TreeNode *parent, const char *name, bool group, int64_t key,
                                  int32_t x, int32_t y, int32_t w, int32_t h)
{
    TreeNode *n = create_tree_node(parent, name, group ? 1 : 0, key);
    LayerState *s = layer_state_new();
    n->payload = s;
    s->x = x;
    s->y = y;
    s->width = w;
    s->height = h;
    s->pixels = alloc_pixels(nullptr, w, h, nullptr);
    std::memset(s->pixels, 0, (size_t)w * h * 4);
    return n;
}

static inline LayerState *rec(TreeNode *n)
{
    return (LayerState *)n->payload;
}

static inline void fill_layer(TreeNode *n, uint32_t pixel)
{
    LayerState *s = rec(n);
    for (int64_t i = 0; i < (int64_t)s->width * s->height; i++)
        std::memcpy(s->pixels + i * 4, &pixel, 4);
}

static inline uint32_t pixel_at(TreeNode *n, int x, int y)
{
    uint32_t v;
    std::memcpy(&v, rec(n)->pixels + ((size_t)y * rec(n)->width + x) * 4, 4);
    return v;
}

// A copy of `from`'s children under `to`: every record with its own pixels
// and names; group canvases are filled with noise, as a from-scratch
// composition must not read them.
static inline void copy_children(TreeNode *to, const TreeNode *from, TestRng &noise)
{
    for (const TreeNode *c = from->first_child; c; c = c->next) {
        TreeNode *n = create_tree_node(to, c->name, c->is_folder, c->order_key);
        const LayerState *s = (const LayerState *)c->payload;
        LayerState *t = layer_state_new();
        char *mask = t->rule_mask_name, *second = t->second_name;
        *t = *s;
        t->rule_mask_name = mask;
        t->second_name = second;
        std::memcpy(mask, s->rule_mask_name, KV_LAYER_NAME_SIZE);
        t->pixels = nullptr;
        if (s->pixels) {
            t->pixels = alloc_pixels(nullptr, s->width, s->height, nullptr);
            size_t bytes = (size_t)s->width * s->height * 4;
            if (c->is_folder)
                noise.pixels(t->pixels, bytes);
            else
                std::memcpy(t->pixels, s->pixels, bytes);
        }
        n->payload = t;
        copy_children(n, c, noise);
    }
}

// Every group below `n` (and n) wholly dirty.
static inline void mark_all_groups(TreeNode *n)
{
    for (; n; n = n->next)
        if (n->is_folder) {
            mark_layer_wholly_dirty(n);
            mark_all_groups(n->first_child);
        }
}
