// The image-operation command after its layers are resolved: selector
// priority, the rules of each selector, the layer count, swaps and text.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "core/tree.h"
#include "effects_test_support.h"
#include "image/layer_image_cmd.h"

namespace {

struct Scene {
    FxLayer root{64, 64}, a{8, 6, {}, 1}, b{8, 6, {}, 2}, c{8, 6, {}, 3}, d{8, 6, {}, 4};
    TreeNode rn{}, an{}, bn{}, cn{}, dn{};
    ImageOpCall call{};
    Scene()
    {
        TreeNode *nodes[] = {&an, &bn, &cn, &dn};
        FxLayer *recs[] = {&a, &b, &c, &d};
        const char *names[] = {"a", "bee", "c", "d"};
        rn.payload = root.s;
        for (int i = 0; i < 4; i++) {
            nodes[i]->payload = recs[i]->s;
            nodes[i]->name = strdup(names[i]);
            nodes[i]->name_len = (uint32_t)strlen(names[i]);
            nodes[i]->name_hash = tree_name_hash(names[i], strlen(names[i]));
            nodes[i]->order_key = i + 1;
            tree_insert_sorted(&rn, nodes[i], i + 1);
        }
        call.a = &an;
        call.b = &bn;
        call.c = &cn;
        call.d = &dn;
    }
    ~Scene()
    {
        for (TreeNode *n : {&an, &bn, &cn, &dn})
            free(n->name);
    }
    void give(int id, int64_t v = 0)
    {
        call.present[id] = 1;
        call.arg[id] = v;
    }
};

int last_slot = -1;
void record_slot(int64_t s) { last_slot = (int)s; }

}  // namespace

TEST(ImageOpCommand, EarlierSelectorWins)
{
    for (int i = 0; i < KV_IMAGE_OP_SELECTORS; i++)
        for (int j = i + 1; j < KV_IMAGE_OP_SELECTORS; j++) {
            const ImageOpSelector &si = g_image_op_selectors[i], &sj = g_image_op_selectors[j];
            if (si.kind == IOP_FONT || si.kind == IOP_TEXT || sj.kind == IOP_FONT ||
                sj.kind == IOP_TEXT)
                continue;
            ImageOpCall call{};
            call.present[si.arg] = call.present[sj.arg] = 1;
            ASSERT_EQ(image_op_deciding(&call), &si) << (int)si.arg << " " << (int)sj.arg;
        }
    // Every selector argument appears once; 4 and 26 are not selectors.
    int seen[KV_IMAGE_OP_ARGS] = {};
    for (const ImageOpSelector &s : g_image_op_selectors)
        seen[s.arg]++;
    for (int id = 20; id <= 62; id++)
        EXPECT_EQ(seen[id], id == 26 ? 0 : 1) << id;
}

struct RuleCase {
    int selector;
    uint8_t n;
    int64_t value1;
    bool rect;
    uint32_t error;   // 0: runs
};

TEST(ImageOpCommand, RulesOfEverySelector)
{
    fx_setup();
    const RuleCase cases[] = {
        {38, 0, -1, false, 101000},  {38, 0, 256, false, 0},     {38, 0, 257, false, 101000},
        {42, 0, 256, false, 0},      {42, 0, 257, false, 101000}, {42, 0, 4, true, 101283},
        {47, 0, 4, true, 101284},    {25, 0, 45, true, 101282},  {25, 0, 45, false, 0},
        {28, 0, 0xFFFFFF, false, 0}, {28, 0, 0x1000000, false, 101000},
        {40, 0, 2, false, 101000},   {36, 0, 16, false, 101000}, {36, 0, 15, false, 0},
        {30, 0, 0, false, 101298},   {30, 1, 0, false, 0},       {32, 1, 0, false, 101298},
        {32, 2, 128, false, 0},      {33, 2, 0, false, 101298},  {33, 3, 128, false, 0},
        {34, 0, 0, false, 101298},   {35, 1, 0, false, 0},       {58, 0, 0, false, 101296},
        {59, 1, 0, false, 0},        {60, 0, 0, false, 101297},  {60, 1, 0, true, 101281},
        {61, 1, 0, false, 0},        {62, 0, 0, false, 0},       {37, 0, 0, false, 0},
        {20, 0, 0, false, 101000},   // no output size
        // The no-rectangle rule is tested before the limit and the layer count.
        {42, 0, 257, true, 101283},  {60, 0, 0, true, 101281},
    };
    for (const RuleCase &rc : cases) {
        Scene sc;
        reset_error_reports();
        g_quit_flag = 0;
        sc.call.n = rc.n;
        sc.call.value1 = rc.value1;
        sc.give(rc.selector, rc.selector == 25 ? 1 : 0);
        if (rc.rect)
            sc.give(8, 1);
        int r = run_image_op(&sc.call);
        EXPECT_EQ(r, rc.error ? -1 : 0) << rc.selector;
        EXPECT_EQ(g_last_error_code, rc.error) << rc.selector << " v" << rc.value1;
    }
}

// Each selector alone, with every rule met, runs its operation on real
// records (under the sanitizers) and reports nothing.
TEST(ImageOpCommand, EverySelectorRunsAlone)
{
    fx_setup();
    for (const ImageOpSelector &s : g_image_op_selectors) {
        Scene sc;
        reset_error_reports();
        g_quit_flag = 0;
        sc.call.n = 3;
        sc.call.value1 = 1;
        sc.call.text = "ab";
        sc.give(s.arg, s.kind == IOP_ROTATE || s.kind == IOP_RESAMPLE ? 1 : 0);
        if (s.kind == IOP_RESAMPLE) {
            sc.give(12, 5);
            sc.give(13, 7);
        }
        EXPECT_EQ(run_image_op(&sc.call), 0) << (int)s.arg;
        EXPECT_EQ(g_last_error_code, 0u) << (int)s.arg;
        if (s.kind == IOP_RESAMPLE) {
            EXPECT_EQ(sc.b.s->width * 10 + sc.b.s->height, 57) << (int)s.arg;
        }
    }
}

TEST(ImageOpCommand, RectangleFollowsTheOperationThatRuns)
{
    fx_setup();
    {   // An effect before a compose selector: its rectangle is clamped.
        Scene sc;
        sc.call.n = 1;
        sc.give(51);
        sc.give(30);
        sc.give(8, -5);
        sc.give(10, 100);
        ASSERT_EQ(run_image_op(&sc.call), 0);
        EXPECT_EQ(sc.b.s->width, 8);   // the whole width, into B
    }
    {   // Inverted after clamping: refused.
        Scene sc;
        reset_error_reports();
        sc.give(51);
        sc.give(8, 6);
        sc.give(10, 2);
        EXPECT_EQ(run_image_op(&sc.call), -1);
        EXPECT_EQ(g_last_error_code, 101000u);
        EXPECT_EQ(sc.a.s->width, 8);
    }
    {   // A compose position is not clamped.
        Scene sc;
        sc.call.n = 1;
        sc.give(30);
        sc.give(8, 6);
        std::vector<uint32_t> before = sc.b.all();
        ASSERT_EQ(run_image_op(&sc.call), 0);
        EXPECT_EQ(sc.b.at(5, 0), before[5]);
        EXPECT_NE(sc.b.at(6, 0), before[6]);
    }
    {   // Resampling: 1/100 values, output named by the argument that gave it.
        Scene sc;
        sc.call.n = 1;
        sc.give(22, 1);
        sc.give(12, 3);
        sc.give(19, 900000);
        reset_error_reports();
        EXPECT_EQ(run_image_op(&sc.call), -1);
        EXPECT_EQ(g_last_error_code, 101000u);
        sc.call.arg[19] = 500;
        ASSERT_EQ(run_image_op(&sc.call), 0);
        EXPECT_EQ(sc.b.s->width, 3);
        EXPECT_EQ(sc.b.s->height, 5);
    }
    {   // Extreme positions and sizes are refused or clipped, never overflow.
        Scene sc;
        sc.call.n = 1;
        sc.give(30);
        sc.give(8, INT64_MAX);
        sc.give(9, INT64_MIN);
        EXPECT_EQ(run_image_op(&sc.call), 0);
        Scene rs;
        rs.call.n = 1;
        rs.give(22, 1);
        rs.give(12, INT64_MAX);
        rs.give(13, INT64_MIN);
        reset_error_reports();
        EXPECT_EQ(run_image_op(&rs.call), -1);
        EXPECT_EQ(g_last_error_code, 101000u);
    }
}

TEST(ImageOpCommand, SwapModes)
{
    fx_setup();
    for (uint8_t mode = 0; mode <= 2; mode++) {
        Scene sc;
        sc.a.s->x = 5;
        sc.b.s->x = 9;
        sc.a.s->opacity = 100;
        uint8_t *pa = sc.a.s->pixels;
        sc.bn.is_folder = 1;
        sc.bn.name_hash |= KV_FOLDER_HASH_BIT;
        ASSERT_EQ(swap_layers(&sc.an, &sc.bn, mode), 0);
        EXPECT_STREQ(sc.an.name, "bee");
        EXPECT_EQ(sc.an.name_len, 3u);
        EXPECT_EQ(sc.an.name_hash, tree_name_hash("bee", 3));   // stays a leaf
        EXPECT_EQ(sc.bn.name_hash, tree_name_hash("a", 1) | KV_FOLDER_HASH_BIT);
        EXPECT_EQ(sc.an.order_key, 2);
        EXPECT_EQ(sc.bn.order_key, 1);
        EXPECT_EQ(sc.rn.first_child, &sc.bn);
        EXPECT_EQ(sc.a.s->pixels, pa);
        EXPECT_EQ(sc.a.s->x, mode ? 9 : 5);
        EXPECT_EQ(sc.b.s->opacity, mode == 2 ? 100 : 256);
    }
    EXPECT_EQ(swap_layer_order_keys(nullptr, nullptr), 0);
}

TEST(ImageOpCommand, TextDrawsEveryCharacterAndResetsTheSlot)
{
    fx_setup();
    static std::string drawn;
    g_image_draw_char = [](TreeNode *, const char *ch, int bytes, int64_t x, int64_t, int32_t) {
        drawn += std::string(ch, (size_t)bytes) + "@" + std::to_string(x) + " ";
        return (int64_t)bytes * 10;
    };
    g_image_font_slot_set = record_slot;
    Scene sc;
    sc.give(56, 3);
    sc.give(57);
    sc.give(8, 2);
    sc.call.text = "a\x82\xa0z\x82";   // the line stops at the lone lead byte
    EXPECT_EQ(run_image_op(&sc.call), 0);
    EXPECT_EQ(drawn, "a@2 \x82\xa0@12 z@32 ");
    EXPECT_EQ(last_slot, 0);
    sc.call.text = nullptr;
    EXPECT_EQ(run_image_op(&sc.call), -1);
    g_image_draw_char = nullptr;
    g_image_font_slot_set = nullptr;
}
