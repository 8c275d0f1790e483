// Stand-in display platform for native builds: monitors, devices and modes
// come from g_null_display, which tests fill; switches are only recorded.
#include "platform/null/display_null.h"

#include <cstdio>
#include <cstring>

NullDisplay g_null_display;

void null_display_reset()
{
    std::memset(&g_null_display, 0, sizeof g_null_display);
    NullDisplay &d = g_null_display;
    d.monitors[0] = {0, 0, 1920, 1080};
    d.monitor_count = 1;
    d.primary_w = 1920;
    d.primary_h = 1080;
    d.devices[0] = "\\\\.\\DISPLAY1";
    d.window_device = d.devices[0];
    d.changed_mode = -1;
}

static struct NullDisplayInit { NullDisplayInit() { null_display_reset(); } } g_null_display_init;

int sys_init_monitor_api() { return 1; }

int sys_enum_monitors(SysMonitor *out, int max)
{
    g_null_display.enumerations++;
    int n = 0;
    for (; n < g_null_display.monitor_count && n < max; n++)
        out[n] = g_null_display.monitors[n];
    return n;
}

void sys_primary_screen_size(int32_t *w, int32_t *h)
{
    *w = g_null_display.primary_w;
    *h = g_null_display.primary_h;
}

// The device name stands for the monitor: another name, another monitor.
void *sys_window_monitor(void *hwnd)
{
    return hwnd ? (void *)g_null_display.window_device : nullptr;
}

bool sys_window_monitor_device(void *hwnd, char *name, size_t size)
{
    const char *d = g_null_display.window_device;
    if (!hwnd || !d || !*d)
        return false;
    std::snprintf(name, size, "%s", d);
    return true;
}

bool sys_display_device_name(int index, char *name, size_t size)
{
    if (index < 0 || index >= 8 || !g_null_display.devices[index])
        return false;
    std::snprintf(name, size, "%s", g_null_display.devices[index]);
    return true;
}

bool sys_display_mode(const char *, int index, SysDisplayMode *mode)
{
    if (index < 0 || index >= g_null_display.mode_count)
        return false;
    *mode = g_null_display.modes[index];
    return true;
}

int sys_change_display_mode(const char *, int index)
{
    if (g_null_display.refuse_change)
        return -1;
    g_null_display.changed_mode = index;
    return 0;
}

void sys_restore_display_mode() { g_null_display.restores++; g_null_display.changed_mode = -1; }
void sys_window_set_popup(void *, bool popup) { g_null_display.popup = popup; }
void sys_window_remove_menu(void *) {}
void sys_window_place_top(void *, int32_t x, int32_t y)
{
    g_null_display.placed_x = x;
    g_null_display.placed_y = y;
}
void sys_window_centre_and_restore(void *, int32_t, int32_t) {}
void sys_set_cursor_pos(int32_t x, int32_t y)
{
    g_null_display.cursor_x = x;
    g_null_display.cursor_y = y;
}
void sys_save_other_windows(uint32_t) { g_null_display.saves++; }
void sys_restore_other_windows() { g_null_display.restores_of_others++; }
