// Builds the native menu sets from the menu tree: each visible child of a
// node becomes one entry (a folder with children a sub-menu), inserted in
// order-key order. A set holds at most 127 menus built this way. Destroying a
// set destroys its top menu only: the system destroys the attached sub-menus
// with it, so no handle is ever destroyed twice.
#include <cstring>

#include "core/clamp.h"
#include "core/engine_state.h"
#include "core/error_report.h"
#include "core/input.h"
#include "core/tree.h"
#include "core/window.h"
#include "graphics/compose.h"
#include "platform/sys_menu.h"
#include "script/sjis_text.h"
#include "shell/menu.h"

void *g_menu_handles[KV_MENU_SETS][KV_MENU_SET_SIZE];
int32_t g_menu_build_count;

void menu_item_set_text(MenuItem *item, const char *text)
{
    sjis_copy_cut(item->text, KV_MENU_TEXT_MAX + 1, text);
}

void menu_item_entry(const MenuItem *item, MenuEntry *out)
{
    out->id = (uint32_t)item->command_id;
    out->state = item->enabled == 0 ? KV_MENU_STATE_GRAYED : 0;
    if (item->checked == 1)
        out->state |= KV_MENU_STATE_CHECKED;
    out->submenu = nullptr;
    if (!item->text[0]) {
        out->type = KV_MENU_TYPE_SEPARATOR;
        out->state |= KV_MENU_STATE_GRAYED;
        out->text = nullptr;
    } else {
        out->type = KV_MENU_TYPE_STRING;
        out->text = item->text;
    }
}

int64_t menu_order_apply(int64_t key, uint32_t op, int64_t v, int exists)
{
    int64_t k = exists ? (int64_t)(int32_t)(uint32_t)key : 1;
    v = clamp_int32(v);
    int64_t r;
    switch (op) {
    case 0: return v;
    case 1: return clamp_int32(k + v);
    case 2: r = k - v; break;
    case 3: r = k * v; break;
    case 4:
        if (v == 0)
            return k;
        r = k / v;
        break;
    default: return k;
    }
    return clamp_int32(r < 1 ? 1 : r);
}

int build_menu_recursive(int set, TreeNode *node)
{
    int32_t index = g_menu_build_count;
    g_menu_build_count = index + 1;
    if (g_menu_build_count >= KV_MENU_SET_SIZE)
        return -1;
    void *menu = g_menu_handles[set][index];
    uint32_t pos = 0;
    for (TreeNode *c = node->first_child; c; c = c->next) {
        const MenuItem *item = (const MenuItem *)c->payload;
        if (!item || !item->shown)
            continue;
        MenuEntry e;
        menu_item_entry(item, &e);
        bool sub = e.text && c->is_folder && c->first_child;
        int32_t slot = g_menu_build_count;
        if (sub) {
            e.submenu = sys_menu_create(1);
            g_menu_handles[set][slot] = e.submenu;
        }
        if (sys_menu_insert(menu, pos, &e) != 0) {
            // A sub-menu that was not attached would outlive its set.
            if (e.submenu)
                sys_menu_destroy(e.submenu);
            g_menu_handles[set][slot] = nullptr;
            continue;
        }
        pos++;
        if (sub && build_menu_recursive(set, c) < 0)
            return -1;
    }
    return 0;
}

void destroy_menu_set(int set)
{
    if (set < 0 || set >= KV_MENU_SETS)
        return;
    if (g_menu_handles[set][0])
        sys_menu_destroy(g_menu_handles[set][0]);
    std::memset(g_menu_handles[set], 0, sizeof g_menu_handles[set]);
}

void destroy_all_menus()
{
    for (int s = 0; s < KV_MENU_SETS; s++)
        destroy_menu_set(s);
}

void attach_menu_bar(WindowObject *win, void *menu)
{
    if (g_fullscreen == 1)
        sys_menu_attach(g_menu_bar_window, menu);
    else
        sys_menu_attach(win ? win->hwnd : nullptr, menu);
}

int build_menu_bar(const char *name, WindowObject *win)
{
    TreeNode *node = nullptr;
    if (name[0]) {
        node = name_tree_lookup(g_menu_tree, name, KV_FIND_ANY);
        if (!node) {
            report_script_error(101250, 1, name);
            return -1;
        }
    }
    destroy_menu_set(0);
    g_menu_build_count = 0;
    if (!node) {
        attach_menu_bar(win, nullptr);
        return 0;
    }
    g_menu_handles[0][0] = sys_menu_create(0);
    // The window never keeps a bar that was destroyed above.
    attach_menu_bar(win, build_menu_recursive(0, node) == 0 ? g_menu_handles[0][0] : nullptr);
    return 0;
}

int build_popup_set(int set, TreeNode *node)
{
    destroy_menu_set(set);
    g_menu_handles[set][0] = sys_menu_create(1);
    g_menu_build_count = 1;
    g_menu_handles[set][1] = sys_menu_create(1);
    MenuEntry e = {1, 0, KV_MENU_TYPE_STRING, "MENUSET", g_menu_handles[set][1]};
    if (sys_menu_insert(g_menu_handles[set][0], 0, &e) != 0) {
        sys_menu_destroy(g_menu_handles[set][1]);
        g_menu_handles[set][1] = nullptr;
    }
    return build_menu_recursive(set, node);
}

int track_popup_request(int set, int32_t x, int32_t y)
{
    if (set < 1 || set >= KV_MENU_SETS || !g_menu_handles[set][0])
        return 0;
    return sys_menu_track(g_menu_handles[set][0], g_windows[0] ? g_windows[0]->hwnd : nullptr, x, y);
}
