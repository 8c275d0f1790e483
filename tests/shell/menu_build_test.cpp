// Menu building from the menu tree: order-key arithmetic, the entry of an
// item, the walk into native menus, the 127-menu limit and set destruction.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/error_report.h"
#include "core/tree.h"
#include "platform/null/menu_null.h"
#include "shell/menu.h"

namespace {

TEST(MenuBuild, OrderKeyArithmetic)
{
    struct Case { int64_t key; uint32_t op; int64_t v; int exists; int64_t want; };
    const Case cases[] = {
        {3, 2, 5, 1, 1},   {3, 0, -2, 1, -2},  {3, 1, 4, 1, 7},   {3, 3, 4, 1, 12},
        {9, 4, 2, 1, 4},   {9, 4, 0, 1, 9},    {9, 4, -3, 1, 1},  {0, 1, 5, 0, 6},
        {0, 2, 5, 0, 1},   {INT32_MAX, 1, 1, 1, INT32_MAX},       {INT32_MAX, 3, INT32_MAX, 1, INT32_MAX},
        {0x100000005LL, 1, 1, 1, 6},       {0xFFFFFFFFLL, 1, 0, 1, -1},
        {5, 0, INT64_MAX, 1, INT32_MAX},   {INT32_MIN, 1, -1, 1, INT32_MIN},
    };
    for (const Case &c : cases)
        EXPECT_EQ(menu_order_apply(c.key, c.op, c.v, c.exists), c.want)
            << c.key << " op " << c.op << " " << c.v;
}

struct Tree {
    TreeNode *root = (TreeNode *)alloc_zeroed(sizeof(TreeNode));
    TreeNode *add(const char *path, const char *text, int64_t key, int folder = 0)
    {
        std::string p = path;
        if (folder)
            p.pop_back();   // "a/b/" names folder b
        TreeNode *n = create_tree_node(root, p.c_str(), (uint8_t)folder, key);
        attach_menu_payload(n, text);
        return n;
    }
    ~Tree()
    {
        free_menu_children(root);
        std::free(root);
    }
};

TEST(MenuBuild, ItemEntries)
{
    struct Case { const char *text; uint16_t enabled; uint8_t checked; uint32_t type, state; };
    const Case cases[] = {
        {"a", 256, 0, KV_MENU_TYPE_STRING, 0},
        {"a", 0, 0, KV_MENU_TYPE_STRING, 3},
        {"a", 1, 1, KV_MENU_TYPE_STRING, 8},
        {"a", 0, 1, KV_MENU_TYPE_STRING, 11},
        {"", 256, 0, KV_MENU_TYPE_SEPARATOR, 3},
        {"", 256, 1, KV_MENU_TYPE_SEPARATOR, 11},
        {"a", 256, 2, KV_MENU_TYPE_STRING, 0},
    };
    Tree t;
    TreeNode *n = t.add("x", "", 1);
    MenuItem *item = (MenuItem *)n->payload;
    item->command_id = 0x1234500000077LL;
    for (const Case &c : cases) {
        menu_item_set_text(item, c.text);
        item->enabled = c.enabled;
        item->checked = c.checked;
        MenuEntry e;
        menu_item_entry(item, &e);
        EXPECT_EQ(e.type, c.type) << c.text << c.enabled << (int)c.checked;
        EXPECT_EQ(e.state, c.state) << c.text << c.enabled << (int)c.checked;
        EXPECT_EQ(e.id, 0x77u);
    }
}

TEST(MenuBuild, TextsAreCutOnACharacterBoundary)
{
    Tree t;
    std::string s(259, 'a');
    s += "\x82\xa0\x82\xa0";   // two double-byte characters
    TreeNode *n = t.add("x", s.c_str(), 1);
    EXPECT_EQ(std::strlen(((MenuItem *)n->payload)->text), 259u);
    s = std::string(258, 'a') + "\x82\xa0" + "b";
    menu_item_set_text((MenuItem *)n->payload, s.c_str());
    EXPECT_EQ(std::string(((MenuItem *)n->payload)->text), s.substr(0, 260));
}

TEST(MenuBuild, WalkBuildsNativeMenusInKeyOrder)
{
    Tree t;
    int alive = null_menus_alive();
    t.add("top/", "top", 1, 1);
    t.add("top/c", "C", 30);
    t.add("top/a", "A", 10);
    ((MenuItem *)t.add("top/hidden", "H", 15)->payload)->shown = 0;
    t.add("top/sep", "", 20);
    t.add("top/empty/", "E", 40, 1);
    t.add("top/sub/", "S", 5, 1);
    ((MenuItem *)t.add("top/sub/x", "X", 1)->payload)->command_id = 7;
    TreeNode *top = name_tree_lookup(t.root, "top", KV_FIND_FOLDER);
    ASSERT_TRUE(top);

    TreeNode *saved = g_menu_tree;
    g_menu_tree = t.root;
    ASSERT_EQ(build_menu_bar("top", nullptr), 0);
    const NullMenu *bar = null_menu(g_menu_handles[0][0]);
    ASSERT_TRUE(bar);
    const char *want[] = {"S", "A", "", "C", "E"};
    ASSERT_EQ(bar->count, 5u);
    for (uint32_t i = 0; i < 5; i++)
        EXPECT_STREQ(bar->items[i].text, want[i]);
    EXPECT_EQ(bar->items[2].type, (uint32_t)KV_MENU_TYPE_SEPARATOR);
    EXPECT_FALSE(bar->items[4].submenu);   // a folder without children
    const NullMenu *sub = null_menu(bar->items[0].submenu);
    ASSERT_TRUE(sub);
    EXPECT_EQ(sub->items[0].id, 7u);
    EXPECT_EQ(g_menu_handles[0][1], bar->items[0].submenu);
    EXPECT_EQ(null_menus_alive(), alive + 2);

    // Rebuilding destroys each menu once; an empty name leaves no bar.
    ASSERT_EQ(build_menu_bar("top", nullptr), 0);
    EXPECT_EQ(null_menus_alive(), alive + 2);
    ASSERT_EQ(build_menu_bar("", nullptr), 0);
    EXPECT_EQ(null_menus_alive(), alive);
    for (void *h : g_menu_handles[0])
        EXPECT_FALSE(h);
    destroy_menu_set(0);
    EXPECT_EQ(null_menus_alive(), alive);

    // The pop-up set: a "MENUSET" item whose sub-menu holds the items.
    ASSERT_EQ(build_popup_set(1, top), 0);
    const NullMenu *pop = null_menu(g_menu_handles[1][0]);
    ASSERT_TRUE(pop);
    EXPECT_STREQ(pop->items[0].text, "MENUSET");
    EXPECT_EQ(null_menu(pop->items[0].submenu)->count, 5u);
    null_menu_set_track_answer(7);
    EXPECT_EQ(track_popup_request(1, 0, 0), 7);
    destroy_menu_set(1);
    EXPECT_EQ(track_popup_request(1, 0, 0), 0);
    EXPECT_EQ(null_menus_alive(), alive);
    g_menu_tree = saved;
}

TEST(MenuBuild, MoreThan127MenusLeavesNoBar)
{
    Tree t;
    int alive = null_menus_alive();
    std::string path = "m/";
    t.add(path.c_str(), "m", 1, 1);
    for (int depth = 0; depth < 130; depth++) {
        path += "f/";
        t.add(path.c_str(), "f", 1, 1);
    }
    t.add((path + "leaf").c_str(), "leaf", 1);
    TreeNode *saved = g_menu_tree;
    g_menu_tree = t.root;
    g_null_attached_menu = &path;
    ASSERT_EQ(build_menu_bar("m", nullptr), 0);
    EXPECT_EQ(g_menu_build_count, 128);
    EXPECT_FALSE(g_null_attached_menu);
    destroy_menu_set(0);
    EXPECT_EQ(null_menus_alive(), alive);
    g_menu_tree = saved;
}

}  // namespace
#endif
