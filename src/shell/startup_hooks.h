// Set-ups and services of engine parts that are not in this build yet. Each
// succeeds and does nothing; they go away as those parts arrive.
#pragma once

#include "core/kv_base.h"

struct WindowObject;
struct TreeNode;

// Menus.
int create_menu_bar_window();
void update_fullscreen_menu_bar();
void destroy_all_menus();
// Destroys every menu of a set (0 bar, 1 pop-up, 2 tray) and clears its
// slots, so that a later destruction of all sets cannot free them twice.
void destroy_menu_set(int set);
// Tray icon: removed when the main window goes.
void tray_icon_remove();
int track_popup_request(int set, int32_t x, int32_t y);
// Layered main window (window command).
extern uint8_t g_layered_window;
