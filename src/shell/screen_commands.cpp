// Script commands 76 (screen set-up and the script timers' pause switches)
// and 83 (tray icon), and the black clear of a window.
#include <cstring>

#include "core/clamp.h"
#include "core/engine_state.h"
#include "core/error_report.h"
#include "core/tree.h"
#include "core/window.h"
#include "graphics/layer.h"
#include "platform/sys_desktop.h"
#include "platform/sys_shell.h"
#include "script/args.h"
#include "script/commands.h"
#include "script/scheduler.h"
#include "script/sjis_text.h"
#include "shell/cursor.h"
#include "shell/menu.h"
#include "shell/screen_layout.h"
#include "shell/window_commands.h"

enum { KV_TIP_MAX = 127 };

static uint8_t g_tray_added;
static void *g_tray_icon;

void timer_set_running(int k, uint8_t running, uint32_t now)
{
    if (k < 0 || k > 3 || (running != 0) == (g_timer_running[k] != 0))
        return;
    if (!running) {
        g_timer_stop_times[k] = now;
    } else {
        g_timer_bases[k] += now - g_timer_stop_times[k];
        g_timer_stop_times[k] = 0;
    }
    g_timer_running[k] = running ? 1 : 0;
}

void clear_window_black(WindowObject *win)
{
    if (win)
        sys_window_clear_black(win->hwnd, g_screen_size.shown_width, g_screen_size.shown_height);
}

static int check_side(int64_t v)
{
    if (v <= KV_MAX_IMAGE_SIDE)
        return 0;
    report_script_error(101000, 1, script_command_name(76), "", clamp_int32(v), 1,
                        (int)KV_MAX_IMAGE_SIDE);
    return -1;
}

// The new game size of window 0. Every shown size change rebuilds the back
// buffer, so that the presenter never scales into a buffer of an old size.
int screen_set_game_size(int32_t w, int32_t h)
{
    WindowObject *w0 = g_windows[0];
    if (w0) {
        w0->game_width = w;
        w0->game_height = h;
    }
    g_screen_size.width = w;
    g_screen_size.height = h;
    uint32_t code;
    if (g_fullscreen == 1 || g_window_maximized == 1) {
        int32_t tw = w0 ? w0->client_right - w0->client_left : w;
        int32_t th = w0 ? w0->client_bottom - w0->client_top : h;
        code = resize_back_buffer(w, h, tw > 0 ? tw : w, th > 0 ? th : h);
        clear_window_black(w0);
    } else {
        g_screen_size.shown_width = w;
        g_screen_size.shown_height = h;
        code = rebuild_back_buffer(w, h);
    }
    if (code) {
        report_system_error(code, 1);
        return -1;
    }
    return 0;
}

int cmd_screen_setup(void)
{
    if (load_command_args(76) & 0xFF)
        return -1;
    if (arg_present(0))
        g_block_screensaver = (uint8_t)arg_int(0);
    if (arg_present(1) && g_windows[0] && g_windows[0]->active)
        g_run_inactive = (uint8_t)arg_int(1);
    int64_t w = arg_int(2), h = arg_int(3);
    if (arg_present(2) && arg_present(3) && w > 0 && h > 0) {
        if (check_side(w) || check_side(h) || screen_set_game_size((int32_t)w, (int32_t)h))
            return -1;
    }
    uint32_t now = g_script_clock();
    for (int k = 0; k < 4; k++)
        if (arg_present(4 + k))
            timer_set_running(k, (uint8_t)arg_int(4 + k), now);
    return 0;
}

void tray_icon_remove()
{
    if (!g_tray_added)
        return;
    g_tray_added = 0;
    sys_tray_icon_delete(g_windows[0] ? g_windows[0]->hwnd : nullptr);
    if (g_tray_icon)
        sys_destroy_cursor(g_tray_icon, 1);
    g_tray_icon = nullptr;
}

void tray_icon_show(TreeNode *icon_layer, const char *tip)
{
    // The tray shows the new icon before the old one is destroyed.
    void *old = g_tray_icon;
    g_tray_icon = icon_layer ? cursor_from_layer(g_windows[0], icon_layer, 16, 16, 0, 0, 1) : nullptr;
    if (sys_tray_icon_set(g_windows[0] ? g_windows[0]->hwnd : nullptr, !g_tray_added, g_tray_icon,
                          tip) == 0)
        g_tray_added = 1;
    if (old)
        sys_destroy_cursor(old, 1);
}

int cmd_tray_icon(void)
{
    if (load_command_args(83) & 0xFF)
        return -1;
    int kind = 0;
    TreeNode *layer = nullptr;
    if (arg_present(2)) {
        layer = find_script_path(KV_TREE_LAYER, arg_str(2), KV_FIND_ANY, nullptr, &kind);
        if (kind < 0)
            return -1;
        if (!layer)
            return 0;
    }
    static char tip[KV_TIP_MAX + 1];
    if (arg_present(1))
        sjis_copy_cut(tip, sizeof tip, arg_str(1));
    if (arg_present(0)) {
        if (arg_int(0) == 1)
            tray_icon_show(layer, tip);
        else
            tray_icon_remove();
    }
    if (arg_present(3)) {
        TreeNode *menu = find_script_path(KV_TREE_MENU, arg_str(3), KV_FIND_ANY, nullptr, &kind);
        if (kind < 0)
            return -1;
        if (menu)
            build_popup_set(2, menu);
    }
    return 0;
}
