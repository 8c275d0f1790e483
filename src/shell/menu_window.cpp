// The full-screen menu bar: in full screen the menu bar of window 0 lives in
// a pop-up window of its own that is shown while the cursor is in the top
// band of the screen, and hidden (with a redraw of what it covered) after.
#include "core/engine_state.h"
#include "core/input.h"
#include "core/window.h"
#include "graphics/compose.h"
#include "platform/sys_menu.h"
#include "shell/menu.h"

void *g_menu_bar_window;
int32_t g_menu_bar_height;

int create_menu_bar_window()
{
    WindowObject *w0 = g_windows[0];
    if (!w0)
        return 0;
    g_menu_bar_window = sys_menu_bar_window_create(w0->hwnd, w0->game_width, &g_menu_bar_height);
    return 0;
}

static void hide_bar()
{
    sys_menu_bar_window_show(g_menu_bar_window, 0);
    g_fullscreen_menu_shown = 0;
}

void update_fullscreen_menu_bar()
{
    WindowObject *w0 = g_windows[0];
    if (!w0 || !g_menu_bar_window)
        return;
    if (g_fullscreen != 1) {
        if (g_fullscreen_menu_shown)
            hide_bar();
        return;
    }
    int32_t y = w0->mouse_y;
    if (y < g_menu_bar_height) {
        if (!g_fullscreen_menu_shown && g_menu_handles[0][0]) {
            sys_menu_bar_window_show(g_menu_bar_window, 1);
            g_fullscreen_menu_shown = 1;
        }
        int32_t cx, cy;
        if (g_input_source->cursor_pos(&cx, &cy) == 0 &&
            g_input_source->screen_to_client(w0->hwnd, &cx, &cy) == 0)
            y = cy;
    }
    if (y >= g_menu_bar_height && g_fullscreen_menu_shown) {
        hide_bar();
        if (w0->root_layer)
            mark_layer_wholly_dirty(w0->root_layer);
    }
}
