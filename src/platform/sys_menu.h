// Platform services for native menus: creation, item insertion, destruction,
// the menu bar of a window, pop-up tracking and the full-screen menu-bar
// window. Win32: src/platform/win32/menu_win32.cpp; stand-in: src/platform/null.
#pragma once

#include <cstdint>

// One menu item as the engine describes it (MENUITEMINFOA type and state bits).
enum {
    KV_MENU_TYPE_STRING = 0,
    KV_MENU_TYPE_SEPARATOR = 0x800,
    KV_MENU_STATE_GRAYED = 3,   // disabled and greyed
    KV_MENU_STATE_CHECKED = 8
};
struct MenuEntry {
    uint32_t id;
    uint32_t state;
    uint32_t type;
    const char *text;   // null for a separator
    void *submenu;      // null: a plain item
};

// A new empty menu (popup: a drop-down or pop-up menu, else a menu bar); null on failure.
void *sys_menu_create(int popup);
// Inserts the entry at position pos: 0 on success.
int sys_menu_insert(void *menu, uint32_t pos, const MenuEntry *entry);
// Destroys the menu and every sub-menu attached to it.
void sys_menu_destroy(void *menu);
// Makes menu (null: none) the menu bar of the window and redraws the bar.
void sys_menu_attach(void *hwnd, void *menu);
// Opens the first item's sub-menu of menu at the screen position for the
// window and waits for a choice: the chosen id, 0 for none.
int sys_menu_track(void *menu, void *hwnd, int32_t x, int32_t y);

// The full-screen menu-bar window (class "kvMncl"), owned by owner: its
// handle or null. Its menu command reaches g_menu_command.
void *sys_menu_bar_window_create(void *owner, int32_t width, int32_t *height);
void sys_menu_bar_window_show(void *bar, int show);
