// Layer nodes: deletion with shared records and every holder of a reference
// cleared, the property command's pixel properties and missing layers, and
// image loading through the decoder table.
#include "graphics/layer_test_support.h"

#include <cstdio>
#include <string>

#include "core/locate.h"
#include "script/task.h"
#include "script/vars.h"

using namespace layertest;

namespace {

enum { V_INT = 1000, V_FLOAT = 1001, V_STR = 1002 };

int del(const char *path)
{
    set_args({str(0, path)});
    return run_delete_object();
}

// Runs the property command into variable `var` and returns its integer.
int64_t prop(std::vector<Arg> args, uint32_t var = V_INT)
{
    args.push_back(num(20, 0));
    set_args(args);
    g_arg_slots.var_id[g_arg_slots.map[20]] = var;
    EXPECT_EQ(run_get_object_property(), 0);
    return var_get_int(var, 0);
}

}  // namespace

class LayerTree : public LayerTest {
protected:
    void SetUp() override
    {
        LayerTest::SetUp();
        ASSERT_EQ(var_table_alloc(1100), 0);
        var_init_int(V_INT, 7);
        var_init_float(V_FLOAT, 7.5);
        var_init_string(V_STR, "seven", 5);
    }
    void TearDown() override
    {
        LayerTest::TearDown();
        var_table_free();
    }
};

TEST_F(LayerTree, SharedRecordLivesUntilItsLastOwnerGoes)
{
    LayerState *a = make_leaf("a", 2, 2);
    ASSERT_EQ(setup({str(0, "b"), num(5, 1), str(30, "a")}), 0);
    ASSERT_EQ(a->ref_count, 2u);
    EXPECT_EQ(del("a"), 0);
    EXPECT_EQ(leaf("a"), nullptr);
    ASSERT_EQ(rec(leaf("b")), a);
    EXPECT_EQ(a->ref_count, 1u);
    EXPECT_NE(a->pixels, nullptr);
    EXPECT_EQ(get_pixel(a, 1, 1), 0xFF000000u);
    EXPECT_EQ(del("b"), 0);   // the record goes too (the leak checker watches)
    EXPECT_EQ(leaf("b"), nullptr);
    EXPECT_EQ(del("b"), 0);   // a missing path is not an error
    EXPECT_EQ(g_last_error_code, 0u);
}

TEST_F(LayerTree, DeletingClearsWindowRootsMessageWindowAndDragLayer)
{
    TreeNode *w0 = name_tree_lookup(g_layer_tree, "W0", KV_FIND_FOLDER);
    ASSERT_EQ(g_windows[0]->root_layer, w0);
    EXPECT_EQ(rec(w0)->window_root, 1);
    ASSERT_EQ(setup({str(0, "g/"), num(5, 1), num(6, 4), num(7, 4)}), 0);
    ASSERT_EQ(setup({str(0, "g/t"), num(5, 1), str(29, "")}), 0);
    TreeNode *g = group("g/"), *t = leaf("g/t");
    g_windows[2]->root_layer = g;
    MessageWindow mw{};
    mw.layer = t;
    g_message_window = &mw;
    g_drag_layer = DragLayer{1, t, rec(t)};

    EXPECT_EQ(del("g/"), 0);
    EXPECT_EQ(group("g/"), nullptr);
    EXPECT_EQ(g_windows[2]->root_layer, nullptr);
    EXPECT_EQ(mw.layer, nullptr);
    EXPECT_EQ(g_drag_layer.node, nullptr);
    EXPECT_EQ(g_drag_layer.state, nullptr);
    EXPECT_EQ(g_drag_layer.set, 0);

    EXPECT_EQ(del(":W0/"), 0);
    EXPECT_EQ(g_windows[0]->root_layer, nullptr);
    g_message_window = nullptr;
}

TEST_F(LayerTree, WindowPixelPropertiesClampTheWindowAndReadUnderThePoint)
{
    LayerState *s = make_leaf("a", 4, 4);
    s->x = 10;
    s->y = 20;
    put_pixel(s, 1, 2, 0xFF123456);
    put_pixel(s, 3, 3, 0x80ABCDEF);
    g_windows[3]->mouse_x = 11;
    g_windows[3]->mouse_y = 22;
    g_windows[0]->mouse_x = 13;
    g_windows[0]->mouse_y = 23;
    EXPECT_EQ(prop({str(0, "a"), num(14, 7)}), 0x123456);       // window 3
    EXPECT_EQ(prop({str(0, "a"), num(14, -2)}), 0xABCDEF);      // window 0
    EXPECT_EQ(prop({str(0, "a"), num(15, 0)}), 0x80);
    EXPECT_EQ(prop({str(0, "a"), num(16, 3)}), (int32_t)0xFF123456);
    EXPECT_LT(prop({str(0, "a"), num(16, 3)}), 0);
    EXPECT_EQ(prop({str(0, "a"), num(14, 0), num(21, 9)}), -1);     // left of the layer
    EXPECT_EQ(prop({str(0, "a"), num(14, 0), num(21, 64)}), -1);    // outside the window
    EXPECT_EQ(prop({str(0, "a"), num(14, 0), num(21, 10), num(22, 20)}), 0x808080);
    // The origin adds up the named ancestors (W0 here).
    rec(name_tree_lookup(g_layer_tree, "W0", KV_FIND_FOLDER))->x = 1;
    EXPECT_EQ(prop({str(0, "a"), num(14, 0), num(21, 12), num(22, 22)}), 0x123456);
}

TEST_F(LayerTree, PixelPropertiesOfOwnCoordinatesAndTheOpaqueBox)
{
    LayerState *s = make_leaf("a", 5, 4);
    EXPECT_EQ(prop({str(0, "a"), num(17, 1), num(21, 1), num(22, 1)}), 0x000000);
    EXPECT_EQ(prop({str(0, "a"), num(17, 1), num(21, 5), num(22, 0)}), -1);
    EXPECT_EQ(prop({str(0, "a"), num(17, 1), num(21, 0), num(22, -1)}), -1);
    EXPECT_EQ(prop({str(0, "a"), num(18, 0), num(21, 1)}), 0);   // (0,0) is grey, alpha 0
    EXPECT_EQ(prop({str(0, "a"), num(18, 0), num(21, 3)}), 0);
    for (int y = 0; y < 4; y++)
        for (int x = 0; x < 5; x++)
            put_pixel(s, x, y, 0x00FFFFFF);
    for (int sel = 1; sel <= 4; sel++)
        EXPECT_EQ(prop({str(0, "a"), num(18, 0), num(21, sel)}), -1) << sel;
    put_pixel(s, 3, 1, 0x01000000);
    put_pixel(s, 1, 2, 0xFF000000);
    const int64_t want[] = {0, 1, 2, 1, 3};
    for (int sel = 0; sel <= 4; sel++)
        EXPECT_EQ(prop({str(0, "a"), num(18, 0), num(21, sel)}), want[sel]) << sel;
    EXPECT_EQ(prop({str(0, "a"), num(18, 0), num(21, 5)}), 0);

    // No pixel buffer: every pixel property reads -1.
    std::free(s->pixels);
    s->pixels = nullptr;
    EXPECT_EQ(prop({str(0, "a"), num(17, 1), num(21, 0), num(22, 0)}), -1);
    EXPECT_EQ(prop({str(0, "a"), num(18, 0), num(21, 1)}), -1);
    EXPECT_EQ(prop({str(0, "a"), num(14, 0), num(21, 0), num(22, 0)}), -1);
    EXPECT_EQ(g_last_error_code, 0u);

    // Id 17 needs both coordinates.
    set_args({str(0, "a"), num(17, 1), num(21, 0), num(20, 0)});
    EXPECT_EQ(run_get_object_property(), -1);
    EXPECT_EQ(g_last_error_code, 101295u);
}

TEST_F(LayerTree, PropertiesOfMissingLayersAreZeroOfTheTargetsType)
{
    EXPECT_EQ(prop({str(0, "none"), num(3, 0)}), 0);
    prop({str(0, "none"), num(3, 0)}, V_FLOAT);
    EXPECT_EQ(var_get_float(V_FLOAT, 0), 0.0);
    prop({str(0, "none"), num(3, 0)}, V_STR);
    EXPECT_STREQ(var_get_string(V_STR, 0), "");

    LayerState *s = make_leaf("a", 1, 1);
    s->blend_mode = -56;
    std::strcpy(s->rule_mask_name, "rule");
    EXPECT_EQ(prop({str(0, "a"), num(11, 0)}), -56);
    EXPECT_EQ(prop({str(0, "a"), num(1, 0), num(11, 0)}), 1);   // the first in the order wins
    EXPECT_EQ(prop({str(0, "a"), num(6, 0)}), 1);
    prop({str(0, "a"), num(9, 0)}, V_STR);
    EXPECT_STREQ(var_get_string(V_STR, 0), "rule");
}

namespace {

int g_decoded;
int fake_png(FileSource *, LayerState *s, const char *)
{
    g_decoded++;
    s->pixels = alloc_pixels(s->pixels, 2, 1, nullptr);
    s->width = 2;
    s->height = 1;
    put_pixel(s, 0, 0, 0x00FFFFFF);
    put_pixel(s, 1, 0, 0xFF0000FF);
    return 0;
}
int failing(FileSource *, LayerState *, const char *) { return -1; }

}  // namespace

TEST_F(LayerTree, ImagesAreDecodedByFormatAndColourKeyed)
{
    set_locator_extensions();
    for (const char *name : {"kvlayer_t.png", "kvlayer_t.jpg", "kvlayer_t.gif"}) {
        FILE *f = std::fopen(name, "wb");
        ASSERT_NE(f, nullptr);
        std::fputs("x", f);
        std::fclose(f);
    }
    g_image_decoders[KV_FMT_PNG] = fake_png;
    g_image_decoders[KV_FMT_JPG] = failing;
    g_image_decoders[KV_FMT_GIF] = failing;
    LayerState *s = make_leaf("a", 1, 1);
    s->has_alpha = 1;
    g_decoded = 0;
    ASSERT_EQ(load_image_file(s, "kvlayer_t.png"), 0);
    EXPECT_EQ(g_decoded, 1);
    EXPECT_EQ(s->has_alpha, 0);
    EXPECT_EQ(get_pixel(s, 0, 0), 0x00808080u);
    EXPECT_EQ(get_pixel(s, 1, 0), 0xFF0000FFu);
    EXPECT_EQ(load_image_file(s, "kvlayer_t.jpg"), -1);
    EXPECT_EQ(g_last_error_code, 100210u);
    clear_errors();
    EXPECT_EQ(load_image_file(s, "kvlayer_t.gif"), -1);
    EXPECT_EQ(g_last_error_code, 100215u);
    clear_errors();
    g_image_decoders[KV_FMT_PNG] = nullptr;
    EXPECT_EQ(load_image_file(s, "kvlayer_t.png"), -1);
    EXPECT_EQ(g_last_error_code, 100030u);
    g_image_decoders[KV_FMT_JPG] = g_image_decoders[KV_FMT_GIF] = nullptr;
    EXPECT_EQ(load_image_file(s, "kvlayer_missing"), 0);   // not found: one pixel
    EXPECT_EQ(s->width, 1);
    for (const char *name : {"kvlayer_t.png", "kvlayer_t.jpg", "kvlayer_t.gif"})
        std::remove(name);
}
