// Stand-in cursors and tray icon for native builds: handles are counted so
// that tests can see what was built, installed and destroyed.
#include "platform/null/cursor_null.h"

NullCursorLog g_null_cursor;

void sys_set_cursor_client_pos(void *, int32_t x, int32_t y)
{
    g_null_cursor.pos_x = x;
    g_null_cursor.pos_y = y;
}
void sys_set_system_cursor(void *, int n) { g_null_cursor.system_cursor = n; }

void *sys_cursor_from_pixels(const uint32_t *, int32_t, int32_t, int64_t, int32_t, int32_t, int)
{
    if (g_null_cursor.fail_builds)
        return nullptr;
    g_null_cursor.live++;
    return (void *)(uintptr_t)++g_null_cursor.last_handle;
}
void sys_set_class_cursor(void *, void *cursor) { g_null_cursor.installed = cursor; }
void sys_destroy_cursor(void *cursor, int)
{
    if (cursor)
        g_null_cursor.live--;
}

int sys_tray_icon_set(void *, int add, void *, const char *)
{
    g_null_cursor.tray_adds += add;
    g_null_cursor.tray_shown = 1;
    return 0;
}
void sys_tray_icon_delete(void *) { g_null_cursor.tray_shown = 0; }
void sys_window_clear_black(void *, int32_t, int32_t) { g_null_cursor.black_clears++; }

// Windows: moves, sizes and shows are recorded in the log.
void sys_window_set_title(void *, const char *) {}
void sys_window_set_alpha(void *, int32_t) {}
void sys_window_show_cmd(void *, int cmd) { g_null_cursor.last_show_cmd = cmd; }
void sys_window_move(void *, int32_t x, int32_t y)
{
    g_null_cursor.win_x = x;
    g_null_cursor.win_y = y;
}
void sys_window_z_order(void *, int64_t, void *) {}
void sys_window_set_style(void *, int, int) {}
void sys_window_set_client_size(void *, int32_t w, int32_t h)
{
    g_null_cursor.client_w = w;
    g_null_cursor.client_h = h;
}
void sys_window_foreground(void *) {}
void sys_window_post_maximize(void *, int) {}
int sys_window_rects(void *hwnd, KvWindowRects *out)
{
    if (!hwnd)
        return -1;
    out->x = g_null_cursor.win_x;
    out->y = g_null_cursor.win_y;
    out->client_w = g_null_cursor.client_w;
    out->client_h = g_null_cursor.client_h;
    out->iconic = 0;
    return 0;
}
