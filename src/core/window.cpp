// Window objects: defaults and creation (the Windows side is in the platform
// layer's window code).
#include "core/window.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/input.h"
#include "platform/sys_window.h"

WindowObject *g_windows[KV_WINDOW_COUNT];
int32_t g_window_slots[KV_WINDOW_COUNT] = {-1, -1, -1, -1};
int32_t g_menu_command, g_menu_command_companion;
int32_t g_last_key;
int32_t g_last_mouse_button;
WindowEvents g_window_events;
char **g_dropped_files;
int32_t g_dropped_file_count;
int32_t g_dropped_files_held;
uint8_t g_block_screensaver = 1;
uint8_t g_window_maximized;
uint8_t g_maximize_frame_added;
int32_t g_window_monitor_index;
WindowRecentre g_window_recentre;
uint8_t g_force_device_reset;
DragLayer g_drag_layer;
uint8_t g_layered_window;

void window_object_init(WindowObject *win, int32_t number)
{
    win->number = number;
    win->opacity = 0;
    win->show_flag = 0;
    win->class_registered = 0;
    win->close_mode = 0;
    win->active = 0;
    win->root_layer = nullptr;
    win->menu_bar_name[0] = 0;
    win->autohide_pending = 0;
    win->autohide_start = 0;
    g_mouse_moved = 0;
    g_wheel_delta = 0;
}

void init_dib_header(WindowObject *win)
{
    std::memset(&win->dib, 0, sizeof win->dib);
    win->dib.size = 40;
    win->dib.width = win->game_width;
    win->dib.height = win->game_height;
    win->dib.planes = 1;
    win->dib.bit_count = 32;
}

void window_object_setup(WindowObject *win, const char *title)
{
    win->client_left = 0;
    win->client_top = 0;
    win->client_right = win->game_width;
    win->client_bottom = win->game_height;
    init_dib_header(win);
    std::snprintf(win->title, sizeof win->title, "%s", title ? title : "");
    if (win->number != 0)
        win->show_flag = 1;
    win->opacity = 256;
    win->close_mode = KV_CLOSE_ASK;
    win->minimize_allowed = 1;
    win->maximize_allowed = win->number == 0;
    win->reshow_on_move = 1;
    win->reshow_on_buttons = 1;
    win->reshow_on_wheel = 1;
}

int window_create(WindowObject *win, void *instance, int show_command, const char *class_name,
                  const char *title)
{
    return sys_window_create(win, instance, show_command, class_name, title);
}

// Frees every name held, also those a script has cut from the count.
void free_dropped_files()
{
    for (int32_t i = 0; i < g_dropped_files_held; i++)
        std::free(g_dropped_files[i]);
    std::free(g_dropped_files);
    g_dropped_files = nullptr;
    g_dropped_file_count = 0;
    g_dropped_files_held = 0;
}

int window_flash(WindowObject *win, uint32_t timeout, uint32_t count)
{
    return sys_window_flash(win, timeout, count);
}
