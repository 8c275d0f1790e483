// Entering and leaving full screen for the main window: the display mode,
// the window's style and place, the layout of the game in the mode, and the
// placements of the other windows.
#include <cstring>

#include "core/engine_state.h"
#include "core/error_report.h"
#include "core/frame_state.h"
#include "core/quit.h"
#include "core/settings.h"
#include "core/window.h"
#include "shell/display_modes.h"
#include "shell/menu.h"
#include "shell/screen_layout.h"

// The title probes of the other windows may take this long in all: a
// desktop of hung windows would otherwise stall the switch for minutes.
enum { KV_OTHER_WINDOWS_BUDGET_MS = 3000, KV_WINDOWED_STYLE_FRAMES = 20 };

static char g_fullscreen_device[KV_DEVICE_NAME_SIZE];
static struct { int32_t width, height, shown_width, shown_height; } g_windowed_sizes;

int window_is_fullscreen()
{
    return g_fullscreen == 1;
}

// The monitor of the window becomes the desktop; its index.
static int32_t take_window_monitor(WindowObject *win)
{
    enumerate_monitors();
    bool named;
    int32_t index = find_window_monitor(win->hwnd, g_fullscreen_device, &named);
    monitor_size(index, &g_desktop_mode.width, &g_desktop_mode.height);
    return index;
}

static void cursor_to_monitor_centre(int32_t index)
{
    if (index < 0 || index >= KV_MAX_MONITORS)
        index = 0;
    const SysMonitor &m = g_monitors[index];
    int32_t w, h;
    monitor_size(index, &w, &h);
    sys_set_cursor_pos(m.left + w / 2, m.top + h / 2);
}

static void windowed_mode_gdi(WindowObject *win)
{
    sys_restore_display_mode();
    if (!g_quit_flag) {
        sys_window_set_popup(win->hwnd, false);
        g_frame_style_countdown = KV_WINDOWED_STYLE_FRAMES;
    }
    sys_restore_other_windows();
    if (g_window_maximized)
        sys_window_centre_and_restore(win->hwnd, win->game_width, win->game_height);
    if (!g_quit_flag) {
        update_fullscreen_menu_bar();
        set_display_mode(0);
    }
}

static int fullscreen_mode_gdi(WindowObject *win)
{
    if (g_gpu_mode)
        g_force_device_reset = 1;
    int32_t w = g_screen_size.width, h = g_screen_size.height;
    int mode = find_display_mode(g_fullscreen_device, w, h, g_fullscreen_bpp);
    if (mode >= 0 && sys_change_display_mode(g_fullscreen_device, mode) == 0)
        return 0;
    if (g_gpu_mode)
        g_force_device_reset = 0;
    g_fullscreen = 0;
    windowed_mode_gdi(win);
    if (mode < 0)
        message_box_printf("", "PC環境が %d x %d 解像度でのフルスクリーンに対応していません。", w, h);
    else
        report_system_error_text(105210, 0);
    return -1;
}

int enter_fullscreen_mode(WindowObject *win)
{
    int32_t index = take_window_monitor(win);
    sys_save_other_windows(KV_OTHER_WINDOWS_BUDGET_MS);
    g_windowed_sizes = {g_screen_size.width, g_screen_size.height, g_screen_size.shown_width,
                        g_screen_size.shown_height};
    sys_window_remove_menu(win->hwnd);
    int32_t tw = g_desktop_mode.width, th = g_desktop_mode.height;
    if (g_best_fit_mode)
        best_fit_mode(g_fullscreen_device, g_desktop_mode.width, g_desktop_mode.height,
                      win->game_width, win->game_height, g_fullscreen_bpp, &tw, &th);
    g_screen_size.width = tw;
    g_screen_size.height = th;
    resize_back_buffer(win->game_width, win->game_height, tw, th);
    sys_window_set_popup(win->hwnd, true);
    if (fullscreen_mode_gdi(win) != 0)
        return -1;
    const SysMonitor &m = g_monitors[index >= 0 && index < KV_MAX_MONITORS ? index : 0];
    sys_window_place_top(win->hwnd, m.left, m.top);
    cursor_to_monitor_centre(index);
    g_maximize_frame_added = 0;
    update_fullscreen_menu_bar();
    return 0;
}

// The menu taken off here belongs to the menu-bar window, which this build
// does not have: the main window keeps its own.
int enter_windowed_mode(WindowObject *win)
{
    g_windowed_sizes = {0, 0, 0, 0};
    g_screen_size.width = g_screen_size.shown_width = win->game_width;
    g_screen_size.height = g_screen_size.shown_height = win->game_height;
    windowed_mode_gdi(win);
    if (g_gpu_mode)
        g_force_device_reset = 1;
    rebuild_back_buffer(g_screen_size.shown_width, g_screen_size.shown_height);
    cursor_to_monitor_centre(take_window_monitor(win));
    return 0;
}

int window_set_fullscreen(int on)
{
    WindowObject *w0 = g_windows[0];
    if ((on ? 1 : 0) == g_fullscreen || !w0)
        return 0;
    if (on) {
        g_fullscreen = 1;
        enter_fullscreen_mode(w0);
    } else {
        enter_windowed_mode(w0);
        g_fullscreen = 0;
        g_window_maximized = 0;
    }
    return 1;
}
