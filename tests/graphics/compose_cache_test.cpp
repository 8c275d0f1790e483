// The cache of the children below a moving child gives what composition from
// scratch gives: a sprite (a leaf or a group) moves frame after frame over
// random layers, now and then any other layer changes in any way composition
// can see (pixels, place, size, look, order, insertion, removal, pending
// state, a whole-dirty group), a group below the sprite is now and then
// composed as another window's root too, and after every frame the
// window root must equal a from-scratch composition of a copy of the tree.
#include <gtest/gtest.h>

#include <vector>

#include "core/tree.h"
#include "graphics/compose_test_support.h"
#include "graphics/render_workers.h"

namespace {

const int W = 48, H = 40;

struct Scene {
    TestRng rng;
    TestLayerTree &tree;
    TreeNode *w0, *sprite, *below = nullptr;   // below: a group under the sprite, or null
    std::vector<TreeNode *> leaves;   // every layer but the sprite and w0
    int names = 0;

    Scene(TestLayerTree &t, uint64_t seed) : rng(seed), tree(t)
    {
        w0 = add_layer(tree.root, "W0", true, 0, 0, 0, W, H);
        for (int i = rng.range(2, 7); i > 0; i--)
            leaf(w0, rng.range(0, 9));
        if (rng.range(0, 1) == 0) {
            below = add_layer(w0, "B", true, rng.range(0, 4), rng.range(-8, 8), rng.range(-8, 8), 36, 30);
            for (int i = rng.range(1, 3); i > 0; i--)
                leaf(below, rng.range(0, 9));
            TreeNode *inner = add_layer(below, "B2", true, rng.range(0, 9), rng.range(-8, 8), 0, 20, 20);
            leaf(inner, 0);
            leaves.push_back(inner);
            leaves.push_back(below);
        }
        TreeNode *parent = w0;
        if (rng.range(0, 2) == 0) {   // the sprite inside a group of its own
            parent = add_layer(w0, "G", true, rng.range(0, 9), rng.range(-8, 8), rng.range(-8, 8), 30, 30);
            leaf(parent, 0);
        }
        sprite = add_layer(parent, "S", rng.range(0, 3) == 0, rng.range(5, 10), 4, 4, 14, 12);
        if (sprite->is_folder)
            leaf(sprite, 0);
        else
            rng.pixels(rec(sprite)->pixels, 14 * 12 * 4);
        if (parent != w0)
            leaves.push_back(parent);
        mark_all_groups(w0);
    }
    void look(LayerState *s)
    {
        int v = rng.range(0, 9);
        s->has_alpha = (uint8_t)(v < 7);
        s->opacity = (int16_t)(v == 7 ? rng.range(0, 256) : 256);
        s->blend_mode = (int8_t)(v == 8 ? rng.range(1, 18) : 0);
        s->visible = (uint8_t)(v != 9);
    }
    TreeNode *leaf(TreeNode *parent, int key)
    {
        int w = rng.range(1, W + 4), h = rng.range(1, H + 4);
        TreeNode *n = add_layer(parent, ("L" + std::to_string(names++)).c_str(), false, key,
                                rng.range(-4, W - 4), rng.range(-4, H - 4), w, h);
        rng.pixels(rec(n)->pixels, (size_t)w * h * 4);
        look(rec(n));
        leaves.push_back(n);
        return n;
    }
    void move(TreeNode *n, int dx, int dy)
    {
        layer_mark_dirty(n);
        rec(n)->x += dx;
        rec(n)->y += dy;
        layer_mark_dirty(n);
    }
    void change()
    {
        int i = rng.range(0, (int)leaves.size() - 1);
        TreeNode *n = leaves[i];
        LayerState *s = rec(n);
        switch (rng.range(0, 8)) {
        case 0: move(n, rng.range(-6, 6), rng.range(-6, 6)); break;
        case 1:
            if (!n->is_folder)
                rng.pixels(s->pixels, (size_t)s->width * s->height * 4);
            layer_mark_dirty(n);
            break;
        case 2: look(s); layer_mark_dirty(n); break;
        case 3:
            if (n->is_folder)
                break;
            layer_mark_dirty(n);
            s->pixels = alloc_pixels(s->pixels, s->width = rng.range(1, W), s->height, nullptr);
            rng.pixels(s->pixels, (size_t)s->width * s->height * 4);
            layer_mark_dirty(n);
            break;
        case 4: layer_mark_dirty(leaf(n->parent, rng.range(0, 9))); break;
        case 5:
            if (n->is_folder || leaves.size() < 2 || n->parent->first_child == n->parent->last_child)
                break;
            layer_mark_dirty(n);
            leaves.erase(leaves.begin() + i);
            tree_node_unlink(n);
            TestLayerTree::destroy(n);
            break;
        case 6: set_layer_order(n, rng.range(0, 9)); layer_mark_dirty(n); break;
        case 7: s->pending_opacity_flag = 1; s->pending_opacity = (int16_t)rng.range(0, 256); break;
        default: mark_layer_wholly_dirty(w0); break;
        }
    }
};

std::vector<uint8_t> scratch(TestLayerTree &tree, uint64_t seed)
{
    TestLayerTree copy;
    TestRng noise(seed);
    copy_children(copy.root, tree.root, noise);
    mark_all_groups(copy.root->first_child);
    EXPECT_EQ(0, compose_layer_tree_cpu(copy.root->first_child, 0));
    LayerState *s = rec(copy.root->first_child);
    std::vector<uint8_t> out(s->pixels, s->pixels + W * H * 4);
    tree.install();
    return out;
}

void run(int workers, int seeds)
{
    ASSERT_EQ(0, start_render_workers_count(workers));
    uint64_t served = g_below_cache_served;
    for (int seed = 1; seed <= seeds && !testing::Test::HasFailure(); seed++) {
        TestLayerTree tree;
        Scene scene(tree, (uint64_t)seed);
        for (int f = 0; f < 40 && !testing::Test::HasFailure(); f++) {
            scene.move(scene.sprite, scene.rng.range(-3, 3), scene.rng.range(-3, 3));
            if (scene.rng.range(0, 5) == 0)
                scene.change();
            apply_pending_layer_state(tree.root->first_child);
            if (scene.below && scene.rng.range(0, 1) == 0)
                compose_layer_tree_cpu(scene.below, 0);
            ASSERT_EQ(0, compose_layer_tree_cpu(scene.w0, 0));
            LayerState *w = rec(scene.w0);
            std::vector<uint8_t> now(w->pixels, w->pixels + W * H * 4);
            ASSERT_TRUE(now == scratch(tree, seed * 100 + f)) << "seed " << seed << " frame " << f;
            reset_layer_dirty_rects(tree.root->first_child);
        }
    }
    EXPECT_GT(g_below_cache_served, served + (uint64_t)seeds * 10);   // the cache did serve
    stop_render_workers();
}

}  // namespace

TEST(ComposeCache, EqualsScratchOneWorker)
{
    run(1, 200);
}

TEST(ComposeCache, EqualsScratchTwoWorkers)
{
    run(2, 30);
}
