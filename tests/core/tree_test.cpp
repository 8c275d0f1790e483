#include "core_test_util.h"

#include <climits>
#include <string>

namespace {

class Trees : public ::testing::Test {
protected:
    void SetUp() override { kvtest::reset_core_state(); }
};

// The normalised name and the result, as "name|result".
std::string norm(const std::string &name, const char *base, int allow_blank)
{
    char out[KV_PATH_MAX];
    std::memset(out, 'x', sizeof out);
    int r = normalize_script_path(out, name.c_str(), base, allow_blank);
    return std::string(out) + "|" + std::to_string(r);
}

TEST(NameHash, KnownAnswers)
{
    EXPECT_EQ(murmur2("", 0), 0x00000000u);
    EXPECT_EQ(murmur2("a", 1), 0x92685f5eu);
    EXPECT_EQ(murmur2("SYSTEM_START", 12), 0x674e0092u);
    EXPECT_EQ(murmur2("kvbin\\kvcfg.kbn", 15), 0xc7f5164cu);
    // Bytes are unsigned: a Shift-JIS name hashes as the generator hashes it.
    const unsigned char sjis[] = {0x82, 0x60, 0x82, 0x61};  // "ＡＢ"
    EXPECT_EQ(murmur2(sjis, 4), 0xa3d35512u);
    EXPECT_EQ(tree_name_hash("a", 1), 0x92685f5eu & 0x7fffffffu);
}

TEST_F(Trees, Normalise)
{
    const std::string big(KV_PATH_MAX, 'a'), fits(KV_PATH_MAX - 4, 'b');   // "W0/" + name + NUL
    const struct {
        std::string name;
        const char *base;
        int blank;
        std::string want;
        uint32_t code;
    } cases[] = {
        {"a", "W0", 0, "W0/a|0", 0}, {"a/b/../c", "W0", 0, "W0/a/c|0", 0}, {"./x", "W0", 0, "W0/x|0", 0},
        {":/x/", "W0", 0, "x|1", 0}, {"b/..", "", 0, "b/..|0", 0}, {"", "W0", 0, "W0/|0", 0},
        {"", "", 0, "|0", 0}, {":", "W0", 0, "|0", 0}, {":/", "W0", 0, "|0", 0},
        {"../../x", "W0", 0, "x|0", 0}, {"a/../b", "W0", 0, "W0/b|0", 0}, {"a/b/", "W0", 0, "W0/a/b|1", 0},
        {"/a", "W0", 0, "W0/a|0", 0}, {".x/..y", "W0", 0, "W0/.x/..y|0", 0}, {":a:b", "W0", 0, "a:b|0", 0},
        // Without a marked byte a name with a blank is joined as it stands.
        {"a b", "W0", 0, "W0/a b|0", 0}, {"x/a b", "W0", 0, "|-1", 100242},
        {"x/a b", "", 1, "x/a b|0", 0},
        // "表" is 0x95 0x5C: its trail byte is no separator; a lead byte at the
        // very end stands alone and the walk stops at the terminator.
        {"\x95\x5c/../a", "W0", 0, "W0/a|0", 0}, {"a/\x81", "W0", 0, "W0/a/\x81|0", 0},
        {"\x81", "W0", 0, "W0/\x81|0", 0}, {"a/\x81", "", 0, "a/\x81|0", 0},
        // Too long, and the longest that fits.
        {big, "W0", 0, "|-1", 100242}, {"x/" + big, "W0", 0, "|-1", 100242},
        {fits, "W0", 0, "W0/" + fits + "|0", 0},
    };
    for (const auto &c : cases) {
        kvtest::quiet_errors();
        EXPECT_EQ(norm(c.name, c.base, c.blank), c.want) << c.name.substr(0, 20);
        EXPECT_EQ(g_last_error_code, c.code) << c.name.substr(0, 20);
        EXPECT_EQ(g_quit_flag.load(), c.code ? 1 : 0) << c.name.substr(0, 20);
    }
}

TEST_F(Trees, BasePathCutOnCharacterBoundary)
{
    ASSERT_TRUE(kvtest::tree_roots());
    std::string text = "ab";
    for (int i = 0; i < 200; i++)
        text += "\x82\xa0";
    EXPECT_EQ(tree_set_base_path(KV_TREE_LAYER, text.c_str()), 0);
    EXPECT_EQ(std::strlen(g_tree_path_roots[KV_TREE_LAYER]), 254u);
    text[1] = '\x82';  // now "a" + 200.5 characters: 'a' then 0x82 0x82 pairs
    text = "a" + text.substr(2);
    tree_set_base_path(KV_TREE_MENU, text.c_str());
    EXPECT_EQ(std::strlen(g_tree_path_roots[KV_TREE_MENU]), 255u);
    EXPECT_EQ(tree_set_base_path(7, "x"), -1);
    tree_set_base_path(KV_TREE_LAYER, "W0");
    tree_set_base_path(KV_TREE_MENU, "M0");
}

TEST_F(Trees, OrderedInsertion)
{
    TreeNode parent{};
    int64_t keys[] = {5, 3, 5, 1, INT64_MIN, -1, INT64_MAX, 0};
    TreeNode nodes[8]{};
    for (int i = 0; i < 8; i++)
        tree_insert_sorted(&parent, &nodes[i], keys[i]);
    TreeNode *want[] = {&nodes[4], &nodes[5], &nodes[7], &nodes[3], &nodes[1], &nodes[0], &nodes[2], &nodes[6]};
    TreeNode *n = parent.first_child;
    for (TreeNode *w : want) {
        ASSERT_EQ(n, w);
        EXPECT_EQ(n->parent, &parent);
        n = n->next;
    }
    EXPECT_EQ(n, nullptr);
    EXPECT_EQ(parent.last_child, &nodes[6]);
    EXPECT_EQ(parent.child_count, 8u);
    EXPECT_EQ(nodes[6].prev, &nodes[2]);

    // Unlinking: first, middle, last; a node without a parent is left alone.
    EXPECT_EQ(tree_node_unlink(&nodes[4]), &parent);
    EXPECT_EQ(tree_node_unlink(&nodes[1]), &parent);
    EXPECT_EQ(tree_node_unlink(&nodes[6]), &parent);
    EXPECT_EQ(tree_node_unlink(&nodes[6]), nullptr);
    EXPECT_EQ(tree_node_unlink(&parent), nullptr);
    EXPECT_EQ(parent.child_count, 5u);
    EXPECT_EQ(parent.first_child, &nodes[5]);
    EXPECT_EQ(parent.last_child, &nodes[2]);
    EXPECT_EQ(nodes[3].next, &nodes[0]);
    EXPECT_EQ(nodes[0].prev, &nodes[3]);
}

TEST_F(Trees, RootsAndLookup)
{
    ASSERT_TRUE(kvtest::tree_roots());
    EXPECT_STREQ(g_tree_path_roots[KV_TREE_LAYER], "W0");
    EXPECT_STREQ(g_tree_path_roots[KV_TREE_TASK], "");
    EXPECT_STREQ(g_tree_path_roots[KV_TREE_SOUND], "S0");
    EXPECT_STREQ(g_tree_path_roots[KV_TREE_MENU], "M0");

    TreeNode *top = name_tree_lookup(g_task_tree, "", KV_FIND_FOLDER);
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->name_len, 0u);
    TreeNode *system = name_tree_lookup(g_task_tree, "SYSTEM", KV_FIND_LEAF);
    ASSERT_NE(system, nullptr);
    EXPECT_EQ(top->next, system);  // equal keys keep their order of arrival
    EXPECT_NE(system->payload, nullptr);
    EXPECT_NE(name_tree_lookup(g_layer_tree, "W0", KV_FIND_FOLDER), nullptr);
    EXPECT_NE(name_tree_lookup(g_menu_tree, "M0", KV_FIND_FOLDER), nullptr);
    ASSERT_EQ(create_sound_root(), 0);
    TreeNode *root = name_tree_lookup(g_sound_tree, "ROOT", KV_FIND_LEAF);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->parent, g_sound_tree);
    EXPECT_EQ(g_sound_tree->last_child, root);

    // A node under the task tree's top folder is reached through "/".
    ASSERT_NE(create_tree_node(g_task_tree, "/t1", 0, 5), nullptr);
    EXPECT_NE(name_tree_lookup(g_task_tree, "/t1", KV_FIND_LEAF), nullptr);
}

TEST_F(Trees, FolderAndLeafOfOneName)
{
    ASSERT_TRUE(kvtest::tree_roots());
    TreeNode *leaf = create_tree_node(g_layer_tree, "W0/x", 0, 10);
    TreeNode *folder = create_tree_node(g_layer_tree, "W0/x", 1, 5);
    ASSERT_NE(name_tree_lookup(g_layer_tree, "W0", KV_FIND_FOLDER), nullptr);
    ASSERT_TRUE(leaf && folder);
    EXPECT_EQ(leaf->name_hash | KV_FOLDER_HASH_BIT, folder->name_hash);
    EXPECT_EQ(name_tree_lookup(g_layer_tree, "W0/x", KV_FIND_LEAF), leaf);
    EXPECT_EQ(name_tree_lookup(g_layer_tree, "W0/x", KV_FIND_FOLDER), folder);
    EXPECT_EQ(name_tree_lookup(g_layer_tree, "W0/x", KV_FIND_ANY), folder);
    TreeNode *deep = create_tree_node(g_layer_tree, "W0/x/y", 0, 0);
    ASSERT_NE(deep, nullptr);
    EXPECT_EQ(deep->parent, folder);
    EXPECT_EQ(name_tree_lookup(g_layer_tree, "W0/x/y", KV_FIND_LEAF), deep);
    EXPECT_EQ(name_tree_lookup(g_layer_tree, "W0/x/z", KV_FIND_LEAF), nullptr);
    EXPECT_EQ(g_last_error_code, 0u);
}

TEST_F(Trees, MissingFolderAndNoPath)
{
    ASSERT_TRUE(kvtest::tree_roots());
    EXPECT_EQ(name_tree_lookup(g_layer_tree, "W0/nope/a", KV_FIND_LEAF), nullptr);
    EXPECT_EQ(g_last_error_code, 100230u);
    kvtest::quiet_errors();
    std::string longname = "W0/" + std::string(600, 'q') + "/a";
    EXPECT_EQ(tree_path_parent(longname.c_str(), g_layer_tree), nullptr);
    EXPECT_EQ(g_last_error_code, 100230u);
    kvtest::quiet_errors();
    EXPECT_EQ(create_tree_node(g_layer_tree, nullptr, 0, 0), nullptr);
    EXPECT_EQ(g_last_error_code, 900020u);
    EXPECT_EQ(attach_sound_payload(nullptr), nullptr);
    EXPECT_EQ(attach_task_payload(nullptr), nullptr);
}

}  // namespace
