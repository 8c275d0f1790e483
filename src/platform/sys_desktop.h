// Platform services for the mouse cursor, the task-tray icon and the black
// clear of a window.
// Win32: src/platform/win32/desktop_win32.cpp; stand-in: src/platform/null.
#pragma once

#include <cstdint>

// Moves the cursor to a point in the window's client coordinates.
void sys_set_cursor_client_pos(void *hwnd, int32_t x, int32_t y);
// Loads system cursor number n (1 I-beam .. 13 help, else the arrow) and
// makes it the window's class cursor and the current cursor.
void sys_set_system_cursor(void *hwnd, int n);
// A cursor (icon 0) or icon (icon 1) from 32-bit top-down pixels, w x h,
// stride in pixels; null after the failure's message box ("CURSOR ..." or
// "ICON ...").
void *sys_cursor_from_pixels(const uint32_t *pixels, int32_t w, int32_t h, int64_t stride,
                             int32_t hot_x, int32_t hot_y, int icon);
// Makes cursor the window's class cursor and the current cursor.
void sys_set_class_cursor(void *hwnd, void *cursor);
void sys_destroy_cursor(void *cursor, int icon);

// Adds (add 1) or modifies window 0's tray icon (id 123, callback 0x40A)
// with icon (null: the program's icon) and tip: 0 on success.
int sys_tray_icon_set(void *hwnd, int add, void *icon, const char *tip);
void sys_tray_icon_delete(void *hwnd);

// Stretches one black pixel over the window's client area (w x h).
void sys_window_clear_black(void *hwnd, int32_t w, int32_t h);

// --- window operations of the window command ------------------------------------
enum { KV_WIN_HIDE = 0, KV_WIN_SHOW = 1, KV_WIN_MINIMIZE_HIDE = 2, KV_WIN_OPEN_ICON = 3 };
enum { KV_STYLE_MAXIMIZE_BOX = 0, KV_STYLE_THICK_FRAME = 1 };
void sys_window_set_title(void *hwnd, const char *title);
// Layered windows only: alpha = opacity cut to 255.
void sys_window_set_alpha(void *hwnd, int32_t opacity);
// KV_WIN_OPEN_ICON reopens a minimised window as a plain one: maximised, it
// is restored to its windowed size too.
void sys_window_show_cmd(void *hwnd, int cmd);
void sys_window_move(void *hwnd, int32_t x, int32_t y);
// z: 1 topmost; else not topmost and then 0 top, 2 bottom, 3 behind `behind`.
void sys_window_z_order(void *hwnd, int64_t z, void *behind);
void sys_window_set_style(void *hwnd, int which, int on);
// Keeps the window's left and top and gives it a client area of w x h
// (outer size from the window's styles without a menu).
void sys_window_set_client_size(void *hwnd, int32_t w, int32_t h);
void sys_window_foreground(void *hwnd);
// Posts WM_SYSCOMMAND SC_MAXIMIZE (1) or SC_RESTORE (0).
void sys_window_post_maximize(void *hwnd, int maximize);
struct KvWindowRects {
    int32_t x, y;                 // outer rectangle's top left on the screen
    int32_t client_w, client_h;
    uint8_t iconic;
};
// 0, or -1 when the window is gone.
int sys_window_rects(void *hwnd, KvWindowRects *out);
