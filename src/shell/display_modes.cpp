// The monitor table, the monitor of a window and the best-fit display mode
// (see display_modes.h).
#include "shell/display_modes.h"

#include <cstring>

SysMonitor g_monitors[KV_MAX_MONITORS];
int32_t g_monitor_count;

// Display devices probed for a name; Windows lists far fewer.
enum { KV_MAX_DISPLAY_DEVICES = 256 };

int init_monitor_api()
{
    return sys_init_monitor_api();
}

int enumerate_monitors()
{
    std::memset(g_monitors, 0, sizeof g_monitors);
    g_monitor_count = sys_enum_monitors(g_monitors, KV_MAX_MONITORS);
    return 0;
}

int32_t monitor_fallback(int32_t index)
{
    if (index >= 0 && index < KV_MAX_MONITORS && g_monitors[index].width &&
        g_monitors[index].height)
        return index;
    for (int32_t i = 0; i < KV_MAX_MONITORS; i++)
        if (g_monitors[i].width && g_monitors[i].height)
            return i;
    return index;
}

int32_t display_device_index(const char *name)
{
    char dev[KV_DEVICE_NAME_SIZE];
    for (int i = 0; i < KV_MAX_DISPLAY_DEVICES; i++) {
        if (!sys_display_device_name(i, dev, sizeof dev))
            return 0;
        if (std::strcmp(dev, name) == 0)
            return i;
    }
    return 0;
}

int32_t find_window_monitor(void *hwnd, char *device, bool *named)
{
    device[0] = 0;
    *named = hwnd && sys_window_monitor_device(hwnd, device, KV_DEVICE_NAME_SIZE);
    if (!*named)
        return monitor_fallback(0);
    return monitor_fallback(display_device_index(device));
}

// The monitor of the last move check and its index; null: look up again.
static void *g_moved_monitor;
static int32_t g_moved_monitor_index;

int32_t moved_window_monitor(void *hwnd)
{
    void *monitor = sys_window_monitor(hwnd);
    if (monitor && monitor == g_moved_monitor)
        return g_moved_monitor_index;
    enumerate_monitors();
    char device[KV_DEVICE_NAME_SIZE];
    bool named;
    g_moved_monitor_index = find_window_monitor(hwnd, device, &named);
    g_moved_monitor = monitor;
    return g_moved_monitor_index;
}

void displays_changed()
{
    g_moved_monitor = nullptr;
}

void monitor_size(int32_t index, int32_t *w, int32_t *h)
{
    *w = *h = 0;
    if (index >= 0 && index < KV_MAX_MONITORS) {
        *w = g_monitors[index].width;
        *h = g_monitors[index].height;
    }
    if (*w <= 0 || *h <= 0)
        sys_primary_screen_size(w, h);
}

void best_fit_mode(const char *device, int32_t desk_w, int32_t desk_h, int32_t gw, int32_t gh,
                   int32_t bpp, int32_t *w, int32_t *h)
{
    *w = desk_w;
    *h = desk_h;
    if (desk_h <= 0)
        return;
    int64_t aspect = (int64_t)desk_w * 1000 / desk_h;
    int32_t bw = INT32_MAX, bh = INT32_MAX;
    SysDisplayMode m;
    for (int i = 0; i < KV_MAX_DISPLAY_MODES && sys_display_mode(device, i, &m); i++) {
        if (m.height <= 0 || (int64_t)m.width * 1000 / m.height != aspect)
            continue;
        if (m.width < gw || m.height < gh || m.bpp != bpp)
            continue;
        if (m.width < bw && m.height < bh) {
            bw = m.width;
            bh = m.height;
        }
    }
    if (bw != INT32_MAX && bh != INT32_MAX) {
        *w = bw;
        *h = bh;
    }
}

int find_display_mode(const char *device, int32_t w, int32_t h, int32_t bpp)
{
    SysDisplayMode m;
    for (int i = 0; i < KV_MAX_DISPLAY_MODES && sys_display_mode(device, i, &m); i++)
        if (m.width == w && m.height == h && m.bpp == bpp)
            return i;
    return -1;
}

int set_display_mode(int)
{
    return 0;
}
