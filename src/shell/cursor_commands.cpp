// Script commands 35 (input switches) and 55 (cursor): visibility is only
// requested here and applied once per frame by the input update.
#include "core/engine_state.h"
#include "core/error_report.h"
#include "core/input.h"
#include "core/layer_release_hooks.h"
#include "core/tree.h"
#include "core/window.h"
#include "graphics/layer.h"
#include "platform/sys_desktop.h"
#include "script/args.h"
#include "script/commands.h"
#include "shell/cursor.h"

void *g_custom_cursor;

void cursor_set_mouse_input(uint8_t on)
{
    if (g_mouse_input_enabled && !on) {
        g_cursor_request = 2;
        g_cursor_shown = 0;
    } else if (!g_mouse_input_enabled && on) {
        g_cursor_request = 1;
        g_cursor_shown = 1;
    }
    g_mouse_input_enabled = on;
}

void cursor_set_mode(int64_t mode)
{
    WindowObject *w0 = g_windows[0];
    if (mode == 0) {
        if (g_cursor_shown) {
            g_cursor_request = 2;
            g_cursor_shown = 0;
        }
        if (w0)
            w0->autohide_pending = 0;
        g_cursor_autohide = 0;
    } else if (mode == 1) {
        if (!(w0 && w0->autohide_pending) && !g_cursor_shown)
            request_cursor_visible();
        g_cursor_autohide = 1;
    } else if (mode == 2) {
        request_cursor_visible();
        if (w0)
            w0->autohide_pending = 0;
        g_cursor_autohide = 0;
    }
}

int cmd_set_input_switches(void)
{
    if (load_command_args(35) & 0xFF)
        return -1;
    if (arg_present(0))
        g_keyboard_input_enabled = (uint8_t)arg_int(0);
    if (arg_present(1))
        g_joystick_input_enabled = (uint8_t)arg_int(1);
    if (arg_present(2))
        cursor_set_mouse_input((uint8_t)arg_int(2));
    return 0;
}

void *cursor_from_layer(WindowObject *, TreeNode *layer, int32_t w, int32_t h, int32_t hot_x,
                        int32_t hot_y, int icon)
{
    const LayerState *s = layer ? (const LayerState *)layer->payload : nullptr;
    if (!s || s->width != w || s->height != h || !s->pixels || w <= 0 || h <= 0) {
        message_box_printf(nullptr, icon ? "ICON ERR.\r\nレイヤサイズが %dx%d ではありません。"
                                         : "CURSOR ERR.\r\nレイヤサイズが %dx%d ではありません。",
                           (int)w, (int)h);
        return nullptr;
    }
    return sys_cursor_from_pixels((const uint32_t *)s->pixels, w, h, s->width, hot_x, hot_y, icon);
}



static void custom_cursor(WindowObject *w0)
{
    int kind;
    TreeNode *node = find_script_path(KV_TREE_LAYER, arg_str(10), KV_FIND_ANY, nullptr, &kind);
    if (node)
        cursor_install_from_layer(w0, node, (int32_t)arg_int(8), (int32_t)arg_int(9));
}

int cursor_install_from_layer(WindowObject *w0, TreeNode *node, int32_t hot_x, int32_t hot_y)
{
    const LayerState *s = node ? (const LayerState *)node->payload : nullptr;
    if (!s)
        return -1;
    void *c = cursor_from_layer(w0, node, s->width, s->height, hot_x, hot_y, 0);
    if (!c)
        return -1;
    // The new cursor is in place before the old one goes.
    sys_set_class_cursor(w0 ? w0->hwnd : nullptr, c);
    if (g_custom_cursor)
        sys_destroy_cursor(g_custom_cursor, 0);
    g_custom_cursor = c;
    return 0;
}

static void move_cursor(WindowObject *w0)
{
    int32_t x = 0, y = 0;
    if (g_input_source->cursor_pos(&x, &y) != 0 || g_input_source->screen_to_client(w0->hwnd, &x, &y) != 0)
        return;
    // Game coordinates, as the mouse position reads them: scaled to the
    // shown size as well as moved by the letterbox offset.
    int32_t sw = g_screen_size.shown_width, sh = g_screen_size.shown_height;
    if (!sw || !sh)
        sw = sh = 0;
    if (arg_present(5)) {
        w0->mouse_x = (int32_t)arg_int(5);
        x = game_to_client(w0->mouse_x, g_screen_size.letterbox_x, sw, w0->game_width);
    }
    if (arg_present(6)) {
        w0->mouse_y = (int32_t)arg_int(6);
        y = game_to_client(w0->mouse_y, g_screen_size.letterbox_y, sh, w0->game_height);
    }
    sys_set_cursor_client_pos(w0->hwnd, x, y);
}

int cmd_cursor(void)
{
    if (load_command_args(55) & 0xFF)
        return -1;
    WindowObject *w0 = g_windows[0];
    if (arg_present(0))
        cursor_set_mode(arg_int(0));
    if (arg_present(1))
        g_cursor_autohide_delay = (uint32_t)arg_int(1);
    if (w0) {
        if (arg_present(2))
            w0->reshow_on_move = (uint8_t)arg_int(2);
        if (arg_present(3))
            w0->reshow_on_buttons = (uint8_t)arg_int(3);
        if (arg_present(4))
            w0->reshow_on_wheel = (uint8_t)arg_int(4);
        if (arg_present(5) || arg_present(6))
            move_cursor(w0);
    }
    if (arg_present(7))
        sys_set_system_cursor(w0 ? w0->hwnd : nullptr, (int)arg_int(7));
    if (arg_present(10))
        custom_cursor(w0);
    return 0;
}

// A layer that goes takes the drag layer with it. Cursors and tray icons are
// copied from their layers when built and keep no pointer to them.
static void desktop_layer_released(TreeNode *node)
{
    if (node && g_drag_layer.node == node)
        g_drag_layer = DragLayer{};
}

void desktop_hooks_init()
{
    layer_release_hook_add(desktop_layer_released);
}
