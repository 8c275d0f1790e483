// Script commands 88 (window set-up), 89 (hide a window) and 90 (window
// information) for the four game windows. Window 0's game size changes go
// through screen_set_game_size, so the back buffer always fits the frame.
#include <cstdio>
#include <cstring>

#include "core/clamp.h"
#include "core/engine_state.h"
#include "core/entry.h"
#include "core/error_report.h"
#include "core/frame_state.h"
#include "core/tree.h"
#include "core/window.h"
#include "graphics/compose.h"
#include "graphics/layer.h"
#include "platform/sys_desktop.h"
#include "platform/sys_window.h"
#include "script/args.h"
#include "script/commands.h"
#include "script/project.h"
#include "script/sjis_text.h"
#include "script/vars.h"
#include "shell/display_modes.h"
#include "shell/menu.h"
#include "shell/window_commands.h"
#include "shell/window_shape.h"

static bool windowed()
{
    return g_fullscreen != 1 && g_window_maximized != 1;
}

static int range_fault(int64_t v, int64_t lo, int64_t hi)
{
    report_script_error(101000, 1, script_command_name(88), "", clamp_int32(v), (int)lo, (int)hi);
    return -1;
}

// A request the main window cannot take (a z-order or close mode meant
// for sub-windows).
static int main_window_fault()
{
    report_script_error(101310, 1);
    return -1;
}

static TreeNode *find_layer(uint32_t id, int kind)
{
    int r;
    TreeNode *node = find_script_path(KV_TREE_LAYER, arg_str(id), kind, nullptr, &r);
    if (!node && r >= 0)
        report_script_error(101250, 1, arg_str(id));
    return node;
}

// Ids 7 and 8 outside 1..8192 are refused before any size rule divides by them.
static int check_game_sides()
{
    for (uint32_t id = 7; id <= 8; id++)
        if (arg_present(id) && (arg_int(id) < 1 || arg_int(id) > KV_MAX_IMAGE_SIDE))
            return range_fault(arg_int(id), 1, KV_MAX_IMAGE_SIDE);
    return 0;
}

// Ids 7-10 and the size change of an existing window. 0, or -1 after a report.
static int apply_size(WindowObject *win, bool exists)
{
    if (!windowed())
        return 0;
    int64_t gw = arg_int(7, win->game_width), gh = arg_int(8, win->game_height);
    bool changed = gw != win->game_width || gh != win->game_height;
    if (arg_present(7) || arg_present(8)) {
        win->game_width = (int32_t)gw;
        win->game_height = (int32_t)gh;
        init_dib_header(win);
        if (win->number == 0 && screen_set_game_size((int32_t)gw, (int32_t)gh) != 0)
            return -1;
    }
    int32_t cw = win->game_width, ch = win->game_height;
    bool resize = exists && changed;
    for (int id = 9; id <= 10; id++)
        if (arg_present((uint32_t)id) && win->game_width > 0 && win->game_height > 0) {
            window_client_for(id, arg_int((uint32_t)id), win->game_width, win->game_height,
                              g_desktop_mode.width, g_desktop_mode.height, &cw, &ch);
            resize = exists;
        }
    if (resize)
        sys_window_set_client_size(win->hwnd, cw, ch);
    return 0;
}

static int create_window(WindowObject *win, int n)
{
    if (!arg_present(1)) {
        report_script_error(101320, 1);
        return -1;
    }
    window_object_init(win, n);
    win->game_width = (int32_t)arg_int(7, 128);
    win->game_height = (int32_t)arg_int(8, 128);
    window_object_setup(win, arg_str(1)[0] ? arg_str(1) : " ");
    // The window layer names the class "<instance>_sub_<n>".
    if (!window_create(win, g_hinstance, 1, g_instance_name, win->title))
        return -1;
    g_window_slots[n] = 1;
    if (win->show_flag)
        sys_window_show_cmd(win->hwnd, KV_WIN_SHOW);
    return 0;
}

// Shows or hides a window for the script; for window 0 this also stands in
// for the first frame's show.
static void script_show_window(WindowObject *win, int cmd)
{
    if (win->number == 0)
        g_main_visibility_set = 1;
    sys_window_show_cmd(win->hwnd, cmd);
}

static void set_title(WindowObject *win)
{
    sjis_copy_cut(win->title, sizeof win->title, arg_str(1)[0] ? arg_str(1) : " ");
    sys_window_set_title(win->hwnd, win->title);
}

static int set_root_layer(WindowObject *win)
{
    TreeNode *node = find_layer(21, KV_FIND_ANY);
    if (!node)
        return -1;
    if (win->root_layer && win->root_layer->payload)
        ((LayerState *)win->root_layer->payload)->window_root = 0;
    win->root_layer = node;
    if (node->payload) {
        ((LayerState *)node->payload)->window_root = 1;
        mark_layer_wholly_dirty(node);
    }
    return 0;
}

static int set_menu_bar(WindowObject *win)
{
    const char *name = arg_str(22);
    char path[KV_PATH_MAX];
    path[0] = 0;
    if (name[0] && normalize_script_path(path, name, g_tree_path_roots[KV_TREE_MENU], 0) < 0)
        return -1;
    size_t len = std::strlen(path);
    if (len >= sizeof win->menu_bar_name) {
        report_script_error(101250, 1, name);
        return -1;
    }
    std::memcpy(win->menu_bar_name, path, len + 1);
    return build_menu_bar(win->menu_bar_name, win);
}

// Ids 1-6 and 16-19.
static int apply_look(WindowObject *win, int n)
{
    if (arg_present(1))
        set_title(win);
    if (arg_present(2)) {
        win->opacity = (int32_t)arg_int(2);
        if (g_layered_window)
            sys_window_set_alpha(win->hwnd, win->opacity);
    }
    if (arg_present(3)) {
        uint8_t show = arg_int(3) >= 1;
        if (show != (win->show_flag != 0))
            script_show_window(win, show ? KV_WIN_SHOW : KV_WIN_HIDE);
        win->show_flag = (uint8_t)arg_int(3);
    }
    if (arg_present(4) || arg_present(5)) {
        KvWindowRects r = {};
        sys_window_rects(win->hwnd, &r);
        sys_window_move(win->hwnd, (int32_t)arg_int(4, r.x), (int32_t)arg_int(5, r.y));
    }
    if (arg_present(6)) {
        if (n == 0 && arg_int(6) == 3)   // behind itself
            return main_window_fault();
        sys_window_z_order(win->hwnd, arg_int(6), g_windows[0]->hwnd);
    }
    if (arg_present(16))
        win->maximize_allowed = (uint8_t)arg_int(16);
    if (arg_present(17))
        win->minimize_allowed = (uint8_t)arg_int(17);
    if (arg_present(18)) {
        if (n == 0 && (arg_int(18) < 0 || arg_int(18) > 2))
            return main_window_fault();
        win->close_mode = (uint8_t)arg_int(18);
    }
    if (arg_present(19) || arg_present(20))
        window_flash(win, (uint32_t)arg_int(19), (uint32_t)arg_int(20));
    return 0;
}

// Ids 21-24.
static int apply_layers(WindowObject *win)
{
    if (arg_present(21) && set_root_layer(win) != 0)
        return -1;
    if (arg_present(22) && set_menu_bar(win) != 0)
        return -1;
    if (arg_present(23)) {
        TreeNode *node = find_layer(23, KV_FIND_LEAF);
        if (!node)
            return -1;
        if (window_set_region((const LayerState *)node->payload) != 0)
            return 1;
    }
    if (arg_present(24)) {
        TreeNode *node = find_layer(24, KV_FIND_ANY);
        if (!node)
            return -1;
        g_drag_layer = {1, node, (LayerState *)node->payload};
    }
    return 0;
}

// Ids 12, 11, 13, 14, 15 and 25.
static void apply_state(WindowObject *win, int n)
{
    if (arg_present(12) && windowed())
        sys_window_set_style(win->hwnd, KV_STYLE_MAXIMIZE_BOX, arg_int(12) == 1);
    if (arg_int(11) == 1)
        sys_window_foreground(win->hwnd);
    if (arg_present(13) && n == 0) {
        uint8_t before = g_fullscreen;
        window_set_fullscreen((int)arg_int(13));
        if (before != g_fullscreen && win->root_layer)
            mark_layer_wholly_dirty(win->root_layer);
    }
    if (arg_present(14)) {
        if (arg_int(14) == 1) {
            script_show_window(win, KV_WIN_MINIMIZE_HIDE);
        } else if (arg_int(14) == 0) {
            script_show_window(win, KV_WIN_OPEN_ICON);
            g_window_maximized = 0;
            g_force_device_reset = 1;
            sys_redraw_all();
        }
    }
    if (arg_present(15)) {
        sys_window_post_maximize(win->hwnd, g_window_maximized != 1);
        if (g_window_maximized == 1)
            g_redraw_countdown = 1;
    }
    if (arg_present(25) && n == 0) {
        uint8_t on = (uint8_t)(arg_int(25) != 0);
        if (on != g_window_resizable && g_fullscreen != 1) {
            sys_window_set_style(win->hwnd, KV_STYLE_THICK_FRAME, on);
            g_force_device_reset = 1;
        }
        g_window_resizable = on;
    }
}

static int window_number()
{
    int64_t n = arg_int(0);
    if (n < 0 || n >= KV_WINDOW_COUNT || !g_windows[n])
        return range_fault(n, 0, KV_WINDOW_COUNT - 1);
    return (int)n;
}

int cmd_window_setup(void)
{
    if (load_command_args(88) & 0xFF)
        return -1;
    int n = window_number();
    if (n < 0)
        return -1;
    WindowObject *win = g_windows[n];
    bool exists = g_window_slots[n] != -1;
    if (check_game_sides() != 0)
        return -1;
    if (!exists && !arg_present(1)) {
        report_script_error(101320, 1);
        return -1;
    }
    if (exists && apply_size(win, true) != 0)
        return -1;
    if (!exists) {
        if (create_window(win, n) != 0)
            return -1;
    }
    if (apply_look(win, n) != 0)
        return -1;
    int r = apply_layers(win);
    if (r != 0)
        return r;
    apply_state(win, n);
    return 0;
}

int cmd_window_hide(void)
{
    if (load_command_args(89) & 0xFF)
        return -1;
    int64_t n = arg_int(0);
    if (n == 0) {
        report_script_error(101330, 1);
        return -1;
    }
    if (n < 0 || n >= KV_WINDOW_COUNT)
        return range_fault(n, 1, KV_WINDOW_COUNT - 1);
    if (g_windows[n] && g_window_slots[n] != -1)
        sys_window_show_cmd(g_windows[n]->hwnd, KV_WIN_HIDE);
    return 0;
}

static int64_t info_value(WindowObject *win, uint32_t q)
{
    KvWindowRects r = {};
    if (q == 7 || q == 8 || q == 12 || q == 13 || q == 17)
        sys_window_rects(win->hwnd, &r);
    switch (q) {
    case 2: return 1;
    case 3: return win->opacity;
    case 4: return win->show_flag;
    case 5: return win->active;
    case 7: return r.x;
    case 8: return r.y;
    case 10: return win->game_width;
    case 11: return win->game_height;
    case 12: return r.client_w;
    case 13: return r.client_h;
    case 15: return g_fullscreen;
    case 16: return g_window_maximized;
    case 14: return g_window_monitor_index;
    default: return r.iconic;
    }
}

int cmd_window_info(void)
{
    if (load_command_args(90) & 0xFF)
        return -1;
    uint32_t p = arg_pos(1);
    if (!p)
        return 0;
    uint32_t id = g_arg_slots.var_id[p];
    int64_t elem = g_arg_slots.var_elem[p];
    const VarDescriptor *v = var_descriptor(id);
    bool is_string = v && v->type == VAR_TYPE_STRING;
    int64_t n = arg_int(0);
    WindowObject *win = (n >= 0 && n < KV_WINDOW_COUNT) ? g_windows[n] : nullptr;
    if (!win || g_window_slots[n] == -1 || !sys_window_exists(win))
        return store_empty_result(id, elem) < 0 ? -1 : 0;
    static const uint8_t order[] = {2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13, 15, 16, 14, 17};
    uint32_t q = first_present_arg(order, sizeof order);
    if (!q)
        return 0;
    if (q == 6)
        return is_string && store_string_element(id, elem, win->title) < 0 ? -1 : 0;
    return var_set_number(id, elem, info_value(win, q)) < 0 ? -1 : 0;
}
