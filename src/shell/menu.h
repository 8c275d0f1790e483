// Menus: the MenuItem payload of the menu tree, the three native menu sets
// (0 the main window's menu bar, 1 the pop-up menu, 2 the tray menu) built
// from it, and the full-screen menu-bar window.
#pragma once

#include "core/kv_base.h"

struct TreeNode;
struct WindowObject;

enum { KV_MENU_TEXT_MAX = 260, KV_MENU_SETS = 3, KV_MENU_SET_SIZE = 128 };

struct MenuItem {
    char *text;           // KV_MENU_TEXT_MAX + 1 bytes; empty = separator
    uint8_t shown;        // 0: left out of the menu
    uint16_t enabled;     // 0: greyed and disabled
    uint8_t checked;
    int64_t command_id;   // the low 32 bits are the item id
};

// Slot 0 of a set is its top menu; null = no menu.
extern void *g_menu_handles[KV_MENU_SETS][KV_MENU_SET_SIZE];
extern int32_t g_menu_build_count;
extern void *g_menu_bar_window;
extern int32_t g_menu_bar_height;

// Copies text into the item, cut to KV_MENU_TEXT_MAX bytes on a character boundary.
void menu_item_set_text(MenuItem *item, const char *text);
// The native description of an item (text taken from the item).
struct MenuEntry;
void menu_item_entry(const MenuItem *item, MenuEntry *out);
// Order-key arithmetic of the menu command: the low 32 bits of key, operator
// op (0 set, 1 add, 2 subtract, 3 multiply, 4 divide) with v, in 64 bits;
// results of 2-4 are at least 1, a divisor of 0 keeps the key; the result is
// held to 32 bits (saturating) and sign-extended.
int64_t menu_order_apply(int64_t key, uint32_t op, int64_t v, int exists);

int build_menu_recursive(int set, TreeNode *node);
// Rebuilds set 0 from the menu-tree node of that name and attaches it to the
// window; an empty name removes the bar. 0, or -1 (name missing: reported).
int build_menu_bar(const char *name, WindowObject *win);
// Builds a pop-up set (1 pop-up, 2 tray) from node: a "MENUSET" item whose
// sub-menu receives the node's items. 0, or -1 when the set overflowed.
int build_popup_set(int set, TreeNode *node);
void destroy_menu_set(int set);
void destroy_all_menus();
void attach_menu_bar(WindowObject *win, void *menu);
int create_menu_bar_window();
void update_fullscreen_menu_bar();
int track_popup_request(int set, int32_t x, int32_t y);
// Asks the frame step to open set 1 (pop-up) or 2 (tray) at the mouse
// cursor's screen position, where the menu appears under the pointer.
void request_popup_at_cursor(int set);

// Frees a menu node: unlinks it, then its text, payload, name and node.
void tree_node_free(TreeNode *node);
void free_menu_children(TreeNode *node);
void free_menu_subtree(TreeNode *node);
