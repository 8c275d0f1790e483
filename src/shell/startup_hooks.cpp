// Set-ups and services of engine parts not in this build: each succeeds and
// does nothing (see startup_hooks.h).
#include "shell/startup_hooks.h"

#include <cstring>

#include "core/entry.h"
#include "core/window.h"
#include "display/present.h"
#include "platform/sys_window.h"

uint8_t g_layered_window;

int create_menu_bar_window() { return 0; }
void update_fullscreen_menu_bar() {}
void destroy_all_menus() {}
void destroy_menu_set(int) {}
void tray_icon_remove() {}
int track_popup_request(int, int32_t, int32_t) { return 0; }



