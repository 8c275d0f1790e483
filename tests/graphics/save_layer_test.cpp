// Image records of save files: a layer saved into a file comes back as a new
// layer with its pixels and marks its parent dirty; damaged image bodies are
// refused while the old layer is still there.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "graphics/save_layer.h"
#include "layer_test_support.h"
#include "script/save.h"

using namespace layertest;

namespace {

std::string g_box;
int record_box(const char *, const char *text)
{
    g_box = text;
    return 1;
}

class SaveLayer : public LayerTest {
protected:
    char path[KV_PATH_MAX];
    std::string file;
    void SetUp() override
    {
        LayerTest::SetUp();
        save_layer_hooks_install();
        save_file_ops_reset();
        save_cache_free(-1);
        g_message_box_hook = record_box;
        g_box.clear();
        normalize_script_path(path, "pic", g_tree_path_roots[KV_TREE_LAYER], 0);
        file = "kv-save-layer-" + std::to_string(getpid()) + ".sd";
    }
    void TearDown() override
    {
        std::remove(file.c_str());
        save_cache_free(-1);
        g_message_box_hook = nullptr;
        LayerTest::TearDown();
    }
};

}  // namespace

TEST_F(SaveLayer, ImageComesBackAsANewDirtyLayer)
{
    LayerState *s = make_leaf("pic", 5, 3);
    ASSERT_TRUE(s);
    for (int y = 0; y < 3; y++)
        for (int x = 0; x < 5; x++)
            put_pixel(s, x, y, 0xFF000000u | (uint32_t)(y * 16 + x));
    int64_t n = save_record_size(8, 1, 0, 0, 0, s);
    ASSERT_EQ(n, 1556 + 4 * 5 * 3);
    ASSERT_EQ(save_record_build(8, 1, 0, 0, 0, s, n), 0);
    ASSERT_EQ(save_file_write(file.c_str()), 0) << g_error_text;
    uint8_t kind;
    uint8_t *body;
    uint32_t size;
    ASSERT_EQ(save_file_read_slot(file.c_str(), 9, &kind, &body, &size), 0);
    EXPECT_EQ(kind, 1);
    TreeNode *old = leaf("pic");
    LayerState *parent = rec(old->parent);
    // The old layer lies outside its parent: only the new one marks it.
    rec(old)->x = 10000;
    parent->dirty_flag = 0;
    EXPECT_EQ(save_load_image(body, size, old, path), 0) << g_error_text;
    std::free(body);
    LayerState *t = rec(leaf("pic"));
    ASSERT_TRUE(t);
    EXPECT_EQ(t->width, 5);
    EXPECT_EQ(t->height, 3);
    for (int y = 0; y < 3; y++)
        for (int x = 0; x < 5; x++)
            EXPECT_EQ(get_pixel(t, x, y), 0xFF000000u | (uint32_t)(y * 16 + x));
    EXPECT_TRUE(parent->dirty_flag);
    EXPECT_EQ(parent->dirty.left, 0);
    EXPECT_EQ(parent->dirty.right, 4);
    EXPECT_EQ(parent->dirty.bottom, 2);
    EXPECT_EQ(g_last_error_code, 0u);
}

TEST_F(SaveLayer, DamagedImagesLeaveTheOldLayer)
{
    make_leaf("pic", 2, 2);
    // A sound body: state size, pixel bytes, block (width at 112, height at
    // 116), pixels.
    auto body = [](uint32_t state, uint32_t count, int32_t w, int32_t h, size_t pixels) {
        std::vector<uint8_t> b(KV_SAVE_IMAGE_HEAD + pixels, 0);
        put_le32(b.data(), state);
        put_le32(b.data() + 4, count);
        put_le32(b.data() + 8 + 112, (uint32_t)w);
        put_le32(b.data() + 8 + 116, (uint32_t)h);
        return b;
    };
    std::vector<uint8_t> cut = body(1536, 16, 2, 2, 16);
    cut.resize(100);
    struct Case {
        const char *what;
        std::vector<uint8_t> b;
        uint32_t code;
        const char *box;
    } cases[] = {
        {"state size", body(1535, 16, 2, 2, 16), 108110, ""},
        {"width 0", body(1536, 0, 0, 2, 0), 900000, ""},
        {"height -1", body(1536, 16, 4, -1, 16), 900000, ""},
        {"count not 4wh", body(1536, 12, 2, 2, 12), 900000, ""},
        {"count not the body", body(1536, 16, 2, 2, 20), 900000, ""},
        {"cut head", cut, 900000, ""},
        {"width above 8192", body(1536, 4 * 8193, 8193, 1, 4 * 8193), 100010,
         "ＣＧサイズが大きすぎます。X=8193, Y=1"},
    };
    for (const Case &c : cases) {
        clear_errors();
        g_quit_flag = 0;
        g_box.clear();
        TreeNode *old = leaf("pic");
        ASSERT_TRUE(old);
        EXPECT_EQ(save_load_image(c.b.data(), (uint32_t)c.b.size(), old, path), -1) << c.what;
        EXPECT_EQ(g_last_error_code, c.code) << c.what;
        EXPECT_EQ(g_box, c.box) << c.what;
        EXPECT_EQ(leaf("pic"), old) << c.what;
        EXPECT_EQ(rec(old)->width, 2) << c.what;
    }
}
