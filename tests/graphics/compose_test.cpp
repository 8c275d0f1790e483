// Composition cases the property test does not reach: the rule-mask
// weights, the frame-end reset, black under an uncovered group area, a rule
// mask of the wrong size, windows without a root or with an image as root,
// whole compositions asked for by another thread, and records that must be treated as absent.
#include <gtest/gtest.h>

#include "core/error_report.h"
#include "graphics/compose_test_support.h"

namespace {

const uint32_t BG = 0xFF204060u, RED = 0xFFFF0000u;

struct Scene {
    TestLayerTree tree;
    TreeNode *w0;
    Scene(int w, int h) { w0 = add_layer(tree.root, "W0", true, 0, 0, 0, w, h); }
    TreeNode *leaf(const char *name, int64_t key, int x, int y, int w, int h, uint32_t px)
    {
        TreeNode *n = add_layer(w0, name, false, key, x, y, w, h);
        fill_layer(n, px);
        return n;
    }
    int compose()
    {
        mark_layer_wholly_dirty(w0);
        return compose_layer_tree_cpu(w0, 0);
    }
    uint32_t at(int x, int y) { return pixel_at(w0, x, y); }
};

}  // namespace

TEST(ComposeRule, WeightsMatchReference)
{
    for (int p : {0, 1, 64, 128, 255, 256})
        for (int s : {0, 1, 100, 255, 256, 257, 600})
            for (int o : {0, 1, 128, 256}) {
                set_rule_weights(p, s, o);
                std::vector<int32_t> got(g_rule_weights, g_rule_weights + 256);
                fill_rule_weights(p, s, o);   // the test's own formula
                ASSERT_EQ(std::vector<int32_t>(g_rule_weights, g_rule_weights + 256), got)
                    << p << " " << s << " " << o;
            }
    set_rule_weights(0, -32768, 256);   // extreme softness: no overflow
    set_rule_weights(256, 32767, 256);
}

// Softness 256, progress 128: mask values 0..127 keep the destination, 128..255
// show the layer fully.
TEST(ComposeRule, HardEdgeAtHalfProgress)
{
    Scene sc(256, 1);
    sc.leaf("bg", 0, 0, 0, 256, 1, BG);
    TreeNode *top = sc.leaf("top", 1, 0, 0, 256, 1, RED);
    TreeNode *mask = sc.leaf("mask", -1, 0, 0, 256, 1, 0);
    rec(mask)->visible = 0;
    for (int i = 0; i < 256; i++)
        rec(mask)->pixels[i * 4] = (uint8_t)i;
    std::strcpy(rec(top)->rule_mask_name, "mask");
    rec(top)->rule_progress = 128;
    rec(top)->rule_softness = 256;
    ASSERT_EQ(0, sc.compose());
    for (int i = 0; i < 256; i++)
        ASSERT_EQ(i < 128 ? BG : (RED & 0xFFFFFF) | (BG & 0xFF000000), sc.at(i, 0)) << i;
}

TEST(ComposeRule, MaskOfAnotherSizeStopsTheGroup)
{
    Scene sc(8, 8);
    sc.leaf("bg", 0, 0, 0, 8, 8, BG);
    TreeNode *top = sc.leaf("top", 1, 0, 0, 4, 4, RED);
    sc.leaf("above", 2, 4, 4, 4, 4, RED);
    rec(sc.leaf("mask", -1, 0, 0, 5, 4, 0))->visible = 0;
    std::strcpy(rec(top)->rule_mask_name, "mask");
    rec(top)->rule_progress = 100;
    WindowObject win = {};
    win.show_flag = 1;
    win.root_layer = sc.w0;
    mark_layer_wholly_dirty(sc.w0);
    EXPECT_EQ(-1, window_compose_if_dirty(&win));
    EXPECT_EQ(100310u, g_last_error_code);
    EXPECT_EQ(BG, sc.at(5, 5));   // the layer above the failing one is not drawn
    g_quit_flag = 0;
    reset_error_reports();
}

// The cleared area of a group is blended as opaque: black in its parent.
TEST(ComposeGroup, UncoveredAreaIsBlack)
{
    Scene sc(16, 16);
    sc.leaf("bg", 0, 0, 0, 16, 16, BG);
    TreeNode *g = add_layer(sc.w0, "g", true, 1, 2, 2, 10, 10);
    fill_layer(add_layer(g, "red", false, 0, 0, 0, 4, 4), RED);
    mark_layer_wholly_dirty(g);
    ASSERT_EQ(0, sc.compose());
    EXPECT_EQ(RED, sc.at(3, 3));
    EXPECT_EQ(0u, sc.at(8, 8));
    EXPECT_EQ(BG, sc.at(12, 12));
}

TEST(ComposeFrame, ResetLeavesTheEmptyRectangle)
{
    Scene sc(8, 8);
    TreeNode *a = sc.leaf("a", 0, 2, 2, 3, 3, RED);
    WindowObject win = {};
    win.show_flag = 1;
    win.root_layer = sc.w0;
    reset_layer_dirty_rects(sc.tree.root->first_child);
    layer_mark_dirty(a);
    ASSERT_EQ(0, window_compose_if_dirty(&win));
    EXPECT_EQ(1, win.frame_shown);
    EXPECT_LE(rec(sc.w0)->acc.left, 2);   // the changed area, not the whole image
    EXPECT_GE(rec(sc.w0)->acc.right, 4);
    EXPECT_LE(rec(sc.w0)->acc.right - rec(sc.w0)->acc.left, 3);
    reset_layer_dirty_rects(sc.tree.root->first_child);
    const LayerState *r = rec(sc.w0);
    EXPECT_EQ(999999999, r->acc.left);
    EXPECT_EQ(999999999, r->acc.top);
    EXPECT_EQ(-999999999, r->acc.right);
    EXPECT_EQ(-999999999, r->acc.bottom);
    EXPECT_EQ(0u, r->mark_count);
    EXPECT_EQ(0, r->needs_redraw | r->dirty_flag);
}

// A repaint before the root layer exists (or while it is hidden) composes nothing.
TEST(ComposeFrame, WindowWithoutRootComposesNothing)
{
    WindowObject win = {};
    win.show_flag = 1;
    EXPECT_EQ(0, window_compose_if_dirty(&win));
    EXPECT_EQ(0, win.frame_shown);
    mark_layer_wholly_dirty(win.root_layer);
    EXPECT_EQ(0, window_compose_if_dirty(nullptr));
    Scene sc(4, 4);
    win.root_layer = sc.w0;
    rec(sc.w0)->visible = 0;
    EXPECT_EQ(0, window_compose_if_dirty(&win));
    EXPECT_EQ(0, win.frame_shown);
}

// An image set as a window's root is the frame as it is: composing the
// window again and again keeps its pixels and its alpha flag, and the whole
// image is the area to present.
TEST(ComposeFrame, LeafRootKeepsItsPixels)
{
    Scene sc(8, 8);
    const uint32_t opaque_red = 0x00FF0000u;   // alpha byte ignored without the flag
    TreeNode *pic = sc.leaf("pic", 0, 0, 0, 6, 4, opaque_red);
    WindowObject win = {};
    win.show_flag = 1;
    win.root_layer = pic;
    for (int frame = 0; frame < 2; frame++) {
        mark_layer_wholly_dirty(pic);
        ASSERT_EQ(0, window_compose_if_dirty(&win));
        EXPECT_EQ(1, win.frame_shown);
        const LayerState *r = rec(pic);
        EXPECT_EQ(0, r->has_alpha);
        EXPECT_EQ(1, r->needs_redraw);
        EXPECT_EQ(0, r->acc.left);
        EXPECT_EQ(0, r->acc.top);
        EXPECT_EQ(5, r->acc.right);
        EXPECT_EQ(3, r->acc.bottom);
        for (int y = 0; y < 4; y++)
            for (int x = 0; x < 6; x++)
                ASSERT_EQ(opaque_red, pixel_at(pic, x, y)) << x << "," << y;
        reset_layer_dirty_rects(sc.tree.root->first_child);
    }
    ASSERT_EQ(0, sc.compose());   // still blended opaque into its group
    EXPECT_EQ(opaque_red, sc.at(2, 2));
}

// A whole composition asked for from another thread is made by the window's
// next composition, once.
TEST(ComposeFrame, WholeComposeRequestServedOnce)
{
    Scene sc(8, 8);
    sc.leaf("a", 0, 0, 0, 8, 8, RED);
    WindowObject win = {};
    win.show_flag = 1;
    win.root_layer = sc.w0;
    ASSERT_EQ(0, sc.compose());
    reset_layer_dirty_rects(sc.tree.root->first_child);
    uint64_t stamp = rec(sc.w0)->change_stamp;
    window_request_whole_compose(&win);
    EXPECT_EQ(0, rec(sc.w0)->dirty_flag);   // nothing is touched until the frame step
    ASSERT_EQ(0, window_compose_if_dirty(&win));
    const LayerState *r = rec(sc.w0);
    EXPECT_GT(r->change_stamp, stamp);
    EXPECT_EQ(1, r->needs_redraw);
    EXPECT_EQ(0, r->acc.left);
    EXPECT_EQ(7, r->acc.right);
    EXPECT_EQ(7, r->acc.bottom);
    reset_layer_dirty_rects(sc.tree.root->first_child);
    ASSERT_EQ(0, window_compose_if_dirty(&win));
    EXPECT_EQ(0, rec(sc.w0)->needs_redraw);
    window_request_whole_compose(nullptr);
}

// A whole-image mark made without counting (a repaint) is widened, not replaced.
TEST(ComposeMarking, WholeMarkSurvivesALaterMark)
{
    Scene sc(20, 10);
    TreeNode *a = sc.leaf("a", 0, 3, 3, 2, 2, RED);
    mark_layer_wholly_dirty(sc.w0);
    layer_mark_dirty(a);
    const LayerRect &d = rec(sc.w0)->dirty;
    EXPECT_EQ((std::vector<int64_t>{0, 0, 19, 9}),
              (std::vector<int64_t>{d.left, d.top, d.right, d.bottom}));
}

// Edges in 64 bits: a layer far right does not wrap around into the image.
TEST(ComposeMarking, FarPositionsDoNotWrap)
{
    Scene sc(8, 8);
    sc.leaf("bg", 0, 0, 0, 8, 8, BG);
    TreeNode *far = sc.leaf("far", 1, 0, 0, 8192, 1, RED);
    rec(far)->x = 0x7FFFFF00;
    layer_mark_dirty(far);
    EXPECT_EQ(0, rec(sc.w0)->dirty_flag);
    ASSERT_EQ(0, sc.compose());
    EXPECT_EQ(BG, sc.at(7, 0));
}

// Records that count as absent, and values outside their ranges.
TEST(ComposeChild, OddRecordsAndValues)
{
    struct Case {
        const char *what;
        void (*change)(LayerState *top);
        uint32_t want;
    };
    const Case cases[] = {
        {"no pixels: not a start layer", [](LayerState *t) { free(t->pixels); t->pixels = nullptr; }, BG},
        {"width 0 is skipped", [](LayerState *t) { t->width = 0; }, BG},
        {"height -1 is skipped", [](LayerState *t) { t->height = -1; }, BG},
        {"mode 25 is mode 0", [](LayerState *t) { t->blend_mode = 25; }, RED},
        {"mode -3 is mode 0", [](LayerState *t) { t->blend_mode = -3; }, RED},
        {"opacity 300 is 256", [](LayerState *t) { t->opacity = 300; }, RED},
        {"opacity -5 is 0", [](LayerState *t) { t->opacity = -5; }, BG},
        {"visible 2 is drawn", [](LayerState *t) { t->visible = 2; }, RED},
        {"progress 0 with a mask name hides", [](LayerState *t) { t->rule_progress = 0; std::strcpy(t->rule_mask_name, "x"); }, BG},
        {"progress 256 draws without the mask", [](LayerState *t) { std::strcpy(t->rule_mask_name, "bg"); }, RED},
        {"a mask that names nothing", [](LayerState *t) { t->rule_progress = 9; std::strcpy(t->rule_mask_name, "x"); }, RED},
    };
    for (const Case &c : cases) {
        Scene sc(6, 6);
        sc.leaf("bg", 0, 0, 0, 6, 6, BG);
        TreeNode *top = sc.leaf("top", 1, 0, 0, 6, 6, RED);
        std::memset(rec(sc.w0)->pixels, 0x5A, 6 * 6 * 4);   // stale canvas
        c.change(rec(top));
        ASSERT_EQ(0, sc.compose()) << c.what;
        EXPECT_EQ(c.want, sc.at(3, 3)) << c.what;
    }
}
