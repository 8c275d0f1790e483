// Stand-in cursors and tray icon for native builds: handles are counted so
// that tests can see what was built, installed and destroyed.
#include "platform/null/desktop_null.h"

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
