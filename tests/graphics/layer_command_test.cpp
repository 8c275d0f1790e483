// The layer command: every argument id with every operator (a table of
// start value, argument and result), then creation, sharing, sizes, masks,
// ordering and the failures, each through the argument slots.
#include "graphics/layer_test_support.h"

#include <climits>

using namespace layertest;

namespace {

typedef int64_t (*Get)(const LayerState *, const TreeNode *);
typedef void (*Set)(LayerState *, TreeNode *, int64_t);

#define FIELD(f)                                                                    \
    [](const LayerState *s, const TreeNode *) { return (int64_t)s->f; },            \
        [](LayerState *s, TreeNode *, int64_t v) { s->f = (decltype(s->f))v; }
#define FLOAT_FIELD(f)                                                              \
    [](const LayerState *s, const TreeNode *) { return (int64_t)(s->f * 4); },      \
        [](LayerState *s, TreeNode *, int64_t v) { s->f = (float)v / 4; }
// The node's order key, set through the tree.
#define ORDER_KEY                                                                   \
    [](const LayerState *, const TreeNode *n) { return n->order_key; },             \
        [](LayerState *, TreeNode *n, int64_t v) { set_layer_order(n, v); }

struct Row {
    uint32_t id;
    Get get;
    Set set;
    int64_t start;
    uint32_t op;
    int64_t value;
    int64_t expected;
};

const int64_t MIN64 = INT64_MIN, MAX64 = INT64_MAX;

// Opacity goes to the pending value; the order key is the node's.
const Row k_rows[] = {
    {1, FIELD(pending_visible), 1, 0, 0x100, 0},
    {1, FIELD(pending_visible), 0, 0, 0x101, 1},
    // id 2: current opacity 100 (start is the current opacity here)
    {2, FIELD(pending_opacity), 100, 0, 50, 50},
    {2, FIELD(pending_opacity), 100, 1, 200, 256},
    {2, FIELD(pending_opacity), 100, 2, 200, 0},
    {2, FIELD(pending_opacity), 100, 1, -200, 0},
    {2, FIELD(pending_opacity), 100, 3, 3, 256},
    {2, FIELD(pending_opacity), 100, 4, 0, 100},
    {2, FIELD(pending_opacity), 100, 4, 3, 33},
    {2, FIELD(pending_opacity), 100, 0, 1000, 256},
    {2, FIELD(pending_opacity), 100, 4, -1, 0},
    {2, FIELD(pending_opacity), 100, 9, 7, 100},
    {3, FIELD(x), 10, 0, -4, -4},
    {3, FIELD(x), 10, 1, 5, 15},
    {3, FIELD(x), 10, 2, 20, -10},
    {3, FIELD(x), 10, 3, -2, -20},
    {3, FIELD(x), 10, 4, 3, 3},
    {3, FIELD(x), 10, 4, 0, 10},
    {3, FIELD(x), 10, 4, -1, -10},
    {3, FIELD(x), 10, 5, 1, 10},
    {3, FIELD(x), INT32_MAX, 1, 1, INT32_MIN},
    {3, FIELD(x), 0, 0, 0x100000005LL, 5},
    {4, FIELD(y), 7, 1, -8, -1},
    {4, FIELD(y), INT32_MIN, 4, -1, INT32_MIN},
    {5, ORDER_KEY, 10, 2, 20, 1},
    {5, ORDER_KEY, 10, 1, 5, 15},
    {5, ORDER_KEY, 10, 3, 0, 1},
    {5, ORDER_KEY, 10, 4, 0, 10},
    {5, ORDER_KEY, 10, 0, -3, -3},
    {14, FIELD(stored_a), MAX64, 1, 1, MIN64},
    {14, FIELD(stored_a), MIN64, 4, -1, MIN64},
    {15, FIELD(stored_b), MIN64, 2, 1, MAX64},
    {16, FIELD(stored_c), (int64_t)1 << 62, 3, 4, 0},
    {17, FIELD(stored_d), -7, 4, 2, -3},
    {18, FLOAT_FIELD(stored_e), 10, 1, 3, 20},     // 2.5 truncated to 2, plus 3
    {19, FLOAT_FIELD(stored_f), -10, 3, 2, -16},   // -2.5 -> -2, times 2
    {20, FLOAT_FIELD(stored_g), 4, 0, 9, 36},
    {21, FIELD(texture_value1), 5, 2, 6, -1},
    {22, FIELD(texture_value2), 5, 4, 0, 5},
    {23, FIELD(stored_h), 128, 1, 200, 256},
    {23, FIELD(stored_h), 128, 2, 200, 0},
    {23, FIELD(stored_h), 128, 3, 3, 256},
    {24, FIELD(stored_colour), 0x808080, 1, 0x1000000, 0x1000000},
    {24, FIELD(stored_colour), 0x808080, 4, 2, 0x404040},
    {25, FIELD(stored_byte), 0, 0, 0x1FF, 0xFF},
    {27, FIELD(stored_i), 10, 1, 1000, 256},
    {27, FIELD(stored_i), 10, 3, -1, 0},
    {28, FIELD(resample_flag), 0, 1, 5, 1},
    {28, FIELD(resample_flag), 1, 2, 5, 0},
    {33, FIELD(rule_progress), 256, 2, 56, 200},
    {33, FIELD(rule_progress), 100, 1, 500, 256},
    {33, FIELD(rule_progress), 100, 4, 0, 100},
    {35, FIELD(rule_softness), 0, 0, 0x10005, 5},
    {36, FIELD(blend_mode), 0, 0, 18, 18},
    {36, FIELD(blend_mode), 0, 0, 200, -56},     // kept as given
    {38, FIELD(user_value), 5, 3, -3, -15},
    {38, FIELD(user_value), MIN64, 4, -1, MIN64},
};

}  // namespace

class LayerCommand : public LayerTest {};

TEST_F(LayerCommand, EveryArgumentAndOperator)
{
    int i = 0;
    for (const Row &r : k_rows) {
        std::string name = "L" + std::to_string(i++);
        LayerState *s = make_leaf(name.c_str(), 2, 2);
        ASSERT_NE(s, nullptr);
        TreeNode *n = leaf(name.c_str());
        if (r.id == 2)
            s->opacity = (int16_t)r.start;
        else
            r.set(s, n, r.start);
        ASSERT_EQ(setup({str(0, name.c_str()), num(r.id, r.value, r.op)}), 0);
        EXPECT_EQ(r.get(s, n), r.expected)
            << "id " << r.id << " op " << r.op << " start " << r.start << " value " << r.value;
        if (r.id == 1) {
            EXPECT_EQ(s->pending_visible_flag, 1);
        }
        if (r.id == 2) {
            EXPECT_EQ(s->pending_opacity_flag, 1);
            EXPECT_EQ(s->opacity, r.start);   // applied at the next frame
        }
    }
    EXPECT_EQ(g_last_error_code, 0u);
}

TEST_F(LayerCommand, TwoPendingAddsInOneFrameStartFromTheCurrentOpacity)
{
    LayerState *s = make_leaf("a", 1, 1);
    s->opacity = 100;
    setup({str(0, "a"), num(2, 50, 1)});
    setup({str(0, "a"), num(2, 50, 1)});
    EXPECT_EQ(s->pending_opacity, 150);
}

TEST_F(LayerCommand, TextArguments)
{
    LayerState *s = make_leaf("a", 1, 1);
    std::string long_name(400, 'm');
    setup({str(0, "a"), str(34, long_name.c_str()), str(26, "second")});
    EXPECT_EQ(std::strlen(s->rule_mask_name), 260u);
    EXPECT_STREQ(s->second_name, "second");
}

TEST_F(LayerCommand, NewLeafNeedsAKeyAndAnImageOrRecord)
{
    EXPECT_EQ(setup({str(0, "a"), str(29, "")}), -1);
    EXPECT_EQ(g_last_error_code, 100240u);
    EXPECT_EQ(leaf("a"), nullptr);

    clear_errors();
    EXPECT_EQ(setup({str(0, "b"), num(3, 5)}), 0);   // switch 1 off: nothing
    EXPECT_EQ(leaf("b"), nullptr);
    EXPECT_EQ(g_last_error_code, 0u);
    g_engine_switches[1] = 1;
    EXPECT_EQ(setup({str(0, "b"), num(3, 5)}), -1);
    EXPECT_EQ(g_last_error_code, 101230u);

    clear_errors();
    EXPECT_EQ(setup({str(0, "c"), num(5, 1), str(30, "nothing")}), -1);
    EXPECT_EQ(g_last_error_code, 101250u);
    EXPECT_EQ(leaf("c"), nullptr);   // no half-made node is left behind
}

TEST_F(LayerCommand, EmptyImageIsOneGreyPixel)
{
    ASSERT_EQ(setup({str(0, "a"), num(5, 1), str(29, "")}), 0);
    LayerState *s = rec(leaf("a"));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->width, 1);
    EXPECT_EQ(s->height, 1);
    EXPECT_EQ(get_pixel(s, 0, 0), 0x00808080u);
    EXPECT_EQ(s->has_alpha, 0);
}

TEST_F(LayerCommand, LeafResizeKeepsTheTopLeftAndFillsOpaqueBlack)
{
    LayerState *s = make_leaf("a", 3, 2);
    EXPECT_EQ(get_pixel(s, 0, 0), 0x00808080u);   // the one loaded pixel
    EXPECT_EQ(get_pixel(s, 2, 1), 0xFF000000u);
    EXPECT_EQ(setup({str(0, "a"), num(6, 2)}), -1);
    EXPECT_EQ(g_last_error_code, 100244u);
    clear_errors();
    EXPECT_EQ(setup({str(0, "a"), str(29, ""), num(6, 2)}), -1);
    EXPECT_EQ(g_last_error_code, 100243u);
    clear_errors();
    EXPECT_EQ(setup({str(0, "a"), str(29, ""), num(6, 0), num(7, 2)}), -1);
    EXPECT_EQ(g_last_error_code, 101000u);
    EXPECT_EQ(s->width, 1);   // the image was not loaded either
}

TEST_F(LayerCommand, GroupsAreMadeWithOrderAndSizeAndResized)
{
    EXPECT_EQ(setup({str(0, "g/"), num(6, 4), num(7, 3)}), 0);   // no key: nothing
    EXPECT_EQ(group("g/"), nullptr);
    ASSERT_EQ(setup({str(0, "g/"), num(5, 2), num(6, 4), num(7, 3)}), 0);
    LayerState *g = rec(group("g/"));
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->width, 4);
    EXPECT_EQ(g->height, 3);
    EXPECT_EQ(g->whole_image, 1);
    for (int y = 0; y < 3; y++)
        for (int x = 0; x < 4; x++)
            EXPECT_EQ(get_pixel(g, x, y), 0u);
    put_pixel(g, 0, 0, 0xFFFFFFFF);
    ASSERT_EQ(setup({str(0, "g/"), num(6, 5)}), 0);
    EXPECT_EQ(g->width, 5);
    EXPECT_EQ(g->height, 3);
    EXPECT_EQ(get_pixel(g, 0, 0), 0u);   // cleared for recomposition

    EXPECT_EQ(setup({str(0, "g/"), str(29, "")}), -1);
    EXPECT_EQ(g_last_error_code, 101280u);
    clear_errors();
    EXPECT_EQ(setup({str(0, "g/"), num(7, 8193)}), -1);
    EXPECT_EQ(g_last_error_code, 100010u);
    EXPECT_EQ(g->height, 3);   // the old canvas stays with its size
#ifndef _WIN32   // under Windows the width message box would wait for a click
    clear_errors();
    EXPECT_EQ(setup({str(0, "h/"), num(5, 1), num(6, 8193), num(7, 1)}), -1);
    EXPECT_EQ(g_last_error_code, 100010u);
    EXPECT_EQ(group("h/"), nullptr);
#endif
}

TEST_F(LayerCommand, OrderKeysReinsertAfterEqualSiblings)
{
    make_leaf("a", 1, 1, 5);
    make_leaf("b", 1, 1, 5);
    make_leaf("c", 1, 1, 7);
    setup({str(0, "a"), num(5, 5)});   // same key: re-inserted after b
    TreeNode *w0 = name_tree_lookup(g_layer_tree, "W0", KV_FIND_FOLDER);
    ASSERT_NE(w0, nullptr);
    std::string order;
    for (TreeNode *c = w0->first_child; c; c = c->next)
        order += c->name;
    EXPECT_EQ(order, "bac");
    EXPECT_EQ(w0->child_count, 3u);
}

TEST_F(LayerCommand, SharedRecordsAndMasks)
{
    LayerState *a = make_leaf("a", 2, 1);
    ASSERT_EQ(setup({str(0, "b"), num(5, 1), str(30, "a")}), 0);
    EXPECT_EQ(rec(leaf("b")), a);
    EXPECT_EQ(a->ref_count, 2u);

    LayerState *m = make_leaf("m", 2, 1);
    put_pixel(m, 0, 0, 0xFF0000AB);
    put_pixel(m, 1, 0, 0x00000012);
    put_pixel(a, 1, 0, 0xFF336699);
    ASSERT_EQ(setup({str(0, "a"), str(31, "m")}), 0);
    EXPECT_EQ(get_pixel(a, 0, 0) >> 24, 0xABu);
    EXPECT_EQ(get_pixel(a, 1, 0), 0x12336699u);
    EXPECT_EQ(a->has_alpha, 1);

    EXPECT_EQ(setup({str(0, "a"), str(31, "absent")}), 0);   // ignored
    std::free(m->pixels);
    m->pixels = nullptr;
    EXPECT_EQ(setup({str(0, "a"), str(31, "m")}), 0);   // no pixels: skipped
    EXPECT_EQ(g_quit_flag, 0);

#ifndef _WIN32   // the size message box
    make_leaf("big", 3, 1);
    EXPECT_EQ(setup({str(0, "a"), str(31, "big")}), -1);
    EXPECT_EQ(g_quit_flag, 1);
#endif
}

namespace {

// Reference operators on 128-bit values, wrapped to 64 bits at the end.
int64_t wrap128(__int128 v)
{
    return (int64_t)(uint64_t)(unsigned __int128)v;
}
int64_t ref_op(uint32_t op, int64_t a, int64_t b)
{
    switch (op) {
    case 0: return b;
    case 1: return wrap128((__int128)a + b);
    case 2: return wrap128((__int128)a - b);
    case 3: return wrap128((__int128)a * b);
    case 4: return b == 0 ? a : wrap128((__int128)a / b);
    default: return a;
    }
}

}  // namespace

TEST(LayerValueOps, AgreeWithWideArithmeticAndNeverTrap)
{
    const int64_t edges[] = {0, 1, -1, 2, -2, 3, 255, 256, 257, INT32_MAX, INT32_MIN,
                             INT64_MAX, INT64_MIN, INT64_MAX - 1, INT64_MIN + 1};
    uint64_t seed = 12345;
    std::vector<int64_t> values(std::begin(edges), std::end(edges));
    for (int i = 0; i < 40; i++) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        values.push_back((int64_t)(seed >> (seed & 31)));
    }
    for (uint32_t op = 0; op <= 6; op++) {
        for (int64_t a : values) {
            for (int64_t b : values) {
                int64_t r = ref_op(op, a, b);
                ASSERT_EQ(apply_value_op(op, a, b), r) << op << " " << a << " " << b;
                int64_t m = apply_value_op_min(op, a, b, 1);
                int64_t want_m = (op >= 2 && op <= 4 && !(op == 4 && b == 0) && r < 1) ? 1 : r;
                ASSERT_EQ(m, want_m) << op << " " << a << " " << b;
                int64_t c = apply_value_op_clamped(op, a, b, 0, 256);
                int64_t want_c = r;
                if (op == 1 && r > 256)
                    want_c = 256;
                if (op == 2 && r < 0)
                    want_c = 0;
                if ((op == 3 || (op == 4 && b != 0)) && (r < 0 || r > 256))
                    want_c = r < 0 ? 0 : 256;
                ASSERT_EQ(c, want_c) << op << " " << a << " " << b;
            }
        }
    }
}

TEST_F(LayerCommand, ChangesMarkTheParentAndUnchangedValuesDoNot)
{
    LayerState *a = make_leaf("a", 2, 2);
    make_leaf("m", 2, 2);
    a->x = 3;
    TreeNode *w0 = name_tree_lookup(g_layer_tree, "W0", KV_FIND_FOLDER);
    struct Case {
        std::vector<Arg> args;
        bool marks;
    };
    const Case cases[] = {
        {{num(3, 3)}, false},       {{num(3, 4)}, true},         {{num(38, 5)}, false},
        {{str(34, "m")}, true},     {{str(34, "m")}, false},     {{str(31, "m")}, true},
        {{num(36, 3)}, true},       {{num(36, 3)}, false},       {{num(33, 10)}, true},
        {{num(35, 20)}, true},      {{num(23, 128)}, false},     {{num(23, 7)}, true},
        {{str(26, "x")}, true},     {{num(5, 1)}, true},         {{num(12, 1)}, false},
        {{num(2, 10)}, false},      {{num(1, 0)}, false},
    };
    int i = 0;
    for (const Case &c : cases) {
        LayerState *top = rec(w0);   // as after a composed frame
        top->needs_redraw = top->dirty_flag = 0;
        top->mark_count = 0;
        std::vector<Arg> args = c.args;
        args.insert(args.begin(), str(0, "a"));
        ASSERT_EQ(setup(args), 0);
        EXPECT_EQ(rec(w0)->needs_redraw, c.marks ? 1 : 0) << "case " << i;
        i++;
    }
}
