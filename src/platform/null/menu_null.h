// Test hooks of the stand-in native menus.
#pragma once

#include "platform/sys_menu.h"

enum { NULL_MENU_ITEMS = 160 };

struct NullMenuItem {
    uint32_t id, state, type;
    void *submenu;
    char text[264];
};
struct NullMenu {
    uint8_t alive, popup;
    uint32_t count;
    NullMenuItem items[NULL_MENU_ITEMS];
};

// The live menu of a handle, or null.
const NullMenu *null_menu(void *handle);
int null_menus_alive();
// The id that sys_menu_track answers.
void null_menu_set_track_answer(int id);
extern void *g_null_attached_menu;
extern int g_null_menu_bar_shown;
