// Incremental composition equals composition from scratch: random layer trees
// (nested groups, alpha, opacity, blend modes, rule masks, an opaque overlay
// over an animated group) go through random changes frame after frame; after
// every frame the window root must equal a whole-dirty composition of a copy
// of the same tree, and every pixel that changed must lie in the root's
// accumulated rectangle. Run with one and with two render workers.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "graphics/compose_test_support.h"
#include "graphics/render_workers.h"

namespace {

const int W = 40, H = 32;

struct TreeGen {
    TestRng rng;
    TestLayerTree &tree;
    TreeNode *w0 = nullptr, *overlay = nullptr;
    std::vector<TreeNode *> nodes;   // every layer below W0 but the masks
    std::vector<TreeNode *> groups;
    int names = 0, masks = 0;

    TreeGen(TestLayerTree &t, uint64_t seed) : rng(seed), tree(t) {}

    int pick(std::initializer_list<int> v) { return v.begin()[rng.range(0, (int)v.size() - 1)]; }
    std::string name(const char *prefix) { return prefix + std::to_string(names++); }

    void random_look(LayerState *s)
    {
        s->visible = (uint8_t)pick({1, 1, 1, 1, 0, 2});
        s->opacity = (int16_t)pick({256, 256, 256, 0, rng.range(1, 255), 300, -5});
        s->blend_mode = (int8_t)(rng.range(0, 2) == 0 ? pick({rng.range(1, 18), 25, -3}) : 0);
        s->has_alpha = (uint8_t)rng.range(0, 1);
    }

    void random_mask(TreeNode *n)
    {
        LayerState *s = rec(n);
        int kind = rng.range(0, 5);
        if (kind > 1)
            return;
        if (kind == 1) {
            std::strcpy(s->rule_mask_name, "absent");
        } else {
            std::string m = "m" + std::to_string(masks++);
            TreeNode *mn = add_layer(w0, m.c_str(), false, -100, 0, 0, s->width, s->height);
            rng.pixels(rec(mn)->pixels, (size_t)s->width * s->height * 4);
            rec(mn)->visible = 0;
            std::strcpy(s->rule_mask_name, m.c_str());
        }
        s->rule_progress = (int16_t)pick({0, 256, 128, rng.range(1, 255)});
        s->rule_softness = (int16_t)pick({256, 0, 64, rng.range(-300, 600)});
    }

    TreeNode *leaf(TreeNode *parent, int pw, int ph)
    {
        int w = rng.range(1, 44), h = rng.range(1, 36);
        TreeNode *n = add_layer(parent, name("L").c_str(), false, rng.range(0, 5),
                                rng.range(-15, pw), rng.range(-15, ph), w, h);
        rng.pixels(rec(n)->pixels, (size_t)w * h * 4);
        random_look(rec(n));
        random_mask(n);
        nodes.push_back(n);
        return n;
    }

    TreeNode *group(TreeNode *parent, int pw, int ph, int depth)
    {
        int w = rng.range(8, 44), h = rng.range(8, 36);
        TreeNode *g = add_layer(parent, name("G").c_str(), true, rng.range(0, 5),
                                rng.range(-10, pw - 4), rng.range(-10, ph - 4), w, h);
        random_look(rec(g));
        nodes.push_back(g);
        groups.push_back(g);
        populate(g, w, h, depth + 1);
        return g;
    }

    void populate(TreeNode *g, int w, int h, int depth)
    {
        int n = rng.range(1, 5);
        for (int i = 0; i < n; i++) {
            if (depth < 3 && rng.range(0, 3) == 0)
                group(g, w, h, depth);
            else
                leaf(g, w, h);
        }
    }

    void build()
    {
        w0 = add_layer(tree.root, "W0", true, 0, 0, 0, W, H);
        if (rng.range(0, 1)) {   // an opaque background: a start layer for most areas
            TreeNode *bg = add_layer(w0, "bg", false, -1, 0, 0, W, H);
            rng.pixels(rec(bg)->pixels, (size_t)W * H * 4);
            nodes.push_back(bg);
        }
        populate(w0, W, H, 1);
        if (rng.range(0, 1)) {   // an animated group under an opaque overlay
            TreeNode *g = group(w0, W, H, 2);
            rec(g)->visible = 1;
            rec(g)->opacity = 256;
            overlay = add_layer(w0, "over", false, 10, 0, 0, W, H);
            rng.pixels(rec(overlay)->pixels, (size_t)W * H * 4);
        }
        mark_all_groups(w0);
    }

    // Marking as the layer commands do it.
    void move(TreeNode *n)
    {
        if (n->is_folder)
            grow_dirty_rect(n);
        else
            layer_mark_dirty(n);
        rec(n)->x += rng.range(-12, 12);
        rec(n)->y += rng.range(-12, 12);
        layer_mark_dirty(n);
    }
    void repaint(TreeNode *n)
    {
        LayerState *s = rec(n);
        int x0 = rng.range(0, s->width - 1), y0 = rng.range(0, s->height - 1);
        int x1 = rng.range(x0, s->width - 1), y1 = rng.range(y0, s->height - 1);
        for (int y = y0; y <= y1; y++)
            rng.pixels(s->pixels + ((size_t)y * s->width + x0) * 4, (size_t)(x1 - x0 + 1) * 4);
        layer_mark_dirty(n);
    }
    void resize(TreeNode *n)
    {
        LayerState *s = rec(n);
        layer_mark_dirty(n);
        s->width = rng.range(1, 44);
        s->height = rng.range(1, 36);
        s->pixels = alloc_pixels(s->pixels, s->width, s->height, nullptr);
        rng.pixels(s->pixels, (size_t)s->width * s->height * 4);
        layer_mark_dirty(n);
    }
    void restyle(TreeNode *n)
    {
        LayerState *s = rec(n);
        switch (rng.range(0, 3)) {
        case 0: s->blend_mode = (int8_t)pick({0, rng.range(1, 18), 30}); break;
        case 1: s->has_alpha ^= 1; break;
        case 2: s->rule_progress = (int16_t)pick({0, 256, rng.range(1, 255)}); break;
        default: s->rule_softness = (int16_t)pick({256, 0, rng.range(-300, 600)}); break;
        }
        layer_mark_dirty(n);
    }

    void change()
    {
        TreeNode *n = nodes[rng.range(0, (int)nodes.size() - 1)];
        LayerState *s = rec(n);
        switch (rng.range(0, 8)) {
        case 0: move(n); break;
        case 8: if (!groups.empty()) move(groups[rng.range(0, (int)groups.size() - 1)]); break;
        case 1: if (!n->is_folder) repaint(n); break;
        case 2: if (!n->is_folder && !layer_has_rule_mask(s)) resize(n); break;
        case 3: if (!n->is_folder) restyle(n); break;
        case 4:
            s->pending_visible_flag = 1;
            s->pending_visible = (uint8_t)pick({0, 1, 1, 2});
            break;
        case 5:
            s->pending_opacity_flag = 1;
            s->pending_opacity = (int16_t)pick({0, 256, rng.range(1, 255)});
            break;
        default:
            if (overlay) {
                rec(overlay)->pending_visible_flag = 1;
                rec(overlay)->pending_visible = !rec(overlay)->visible;
            } else if (!n->is_folder) {
                repaint(n);
            }
            break;
        }
    }
};

// W0 of a from-scratch composition of a copy of the tree.
std::vector<uint8_t> compose_from_scratch(TestLayerTree &tree, uint64_t seed)
{
    TestLayerTree copy;
    TestRng noise(seed);
    copy_children(copy.root, tree.root, noise);
    TreeNode *w0 = copy.root->first_child;
    mark_all_groups(w0);
    EXPECT_EQ(0, compose_layer_tree_cpu(w0, 0));
    LayerState *s = rec(w0);
    std::vector<uint8_t> out(s->pixels, s->pixels + (size_t)s->width * s->height * 4);
    tree.install();
    return out;
}

// "" when equal, else the first differing pixel and the number of them.
std::string first_difference(const std::vector<uint8_t> &want, const std::vector<uint8_t> &got)
{
    int count = 0;
    char text[128] = "";
    for (int i = 0; i < W * H; i++) {
        uint32_t a, b;
        std::memcpy(&a, &want[i * 4], 4);
        std::memcpy(&b, &got[i * 4], 4);
        if (a != b && count++ == 0)
            std::snprintf(text, sizeof text, "(%d,%d) want %08x got %08x", i % W, i / W, a, b);
    }
    return count ? std::string(text) + ", " + std::to_string(count) + " pixels" : "";
}

// Every pixel that differs between two frames lies in the accumulated rectangle.
bool changes_inside(const std::vector<uint8_t> &a, const std::vector<uint8_t> &b, const LayerRect &r)
{
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++)
            if (std::memcmp(&a[(y * W + x) * 4], &b[(y * W + x) * 4], 4) != 0 &&
                (x < r.left || x > r.right || y < r.top || y > r.bottom))
                return false;
    return true;
}

void run_property(int workers, int seeds, int frames)
{
    ASSERT_EQ(0, start_render_workers_count(workers));
    for (int seed = 1; seed <= seeds && !testing::Test::HasFailure(); seed++) {
        TestLayerTree tree;
        TreeGen gen(tree, (uint64_t)seed);
        gen.build();
        WindowObject win = {};
        win.show_flag = 1;
        win.root_layer = gen.w0;
        LayerState *root = rec(gen.w0);
        std::vector<uint8_t> shown(root->pixels, root->pixels + W * H * 4);
        for (int f = 0; f < frames && !testing::Test::HasFailure(); f++) {
            if (f > 0) {
                for (int k = gen.rng.range(1, 4); k > 0; k--)
                    gen.change();
                if (gen.rng.range(0, 7) == 0)
                    win.show_flag ^= 1;
            }
            apply_pending_layer_state(tree.root->first_child);
            ASSERT_EQ(0, window_compose_if_dirty(&win)) << "seed " << seed << " frame " << f;
            if (win.show_flag && root->visible) {
                std::vector<uint8_t> now(root->pixels, root->pixels + W * H * 4);
                ASSERT_EQ("", first_difference(compose_from_scratch(tree, seed * 1000 + f), now))
                    << "seed " << seed << " frame " << f << " workers " << workers;
                ASSERT_TRUE(changes_inside(shown, now, root->acc)) << "seed " << seed << " frame " << f;
                shown = now;
            }
            reset_layer_dirty_rects(tree.root->first_child);
        }
    }
    EXPECT_EQ(0, g_quit_flag.load());
    stop_render_workers();
}

}  // namespace

TEST(ComposeProperty, IncrementalEqualsScratchOneWorker)
{
    run_property(1, 300, 14);
}

TEST(ComposeProperty, IncrementalEqualsScratchTwoWorkers)
{
    run_property(2, 100, 14);
}
