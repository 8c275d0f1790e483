// The monitor table, the monitor of a window, the best-fit display mode and
// the full-screen switch of the main window.
#pragma once

#include "core/kv_base.h"
#include "platform/sys_display.h"

struct WindowObject;

enum { KV_MAX_MONITORS = 16, KV_MAX_DISPLAY_MODES = 10000, KV_DEVICE_NAME_SIZE = 32 };

extern SysMonitor g_monitors[KV_MAX_MONITORS];
extern int32_t g_monitor_count;

int init_monitor_api();
int enumerate_monitors();
// The first entry with both sides non-zero when `index` is empty (the index
// stays when there is none).
int32_t monitor_fallback(int32_t index);
// Index of the display device called `name`; 0 when none is.
int32_t display_device_index(const char *name);
// Monitor index of a window, and its device name ("" when unknown). named
// tells whether the index came from a device name.
int32_t find_window_monitor(void *hwnd, char *device, bool *named);
// Monitor index of the main window for the check of each move: the table and
// the device index are looked up again only when the window has reached
// another monitor or the displays changed (displays_changed) since the last
// check; other moves cost one monitor lookup.
int32_t moved_window_monitor(void *hwnd);
// The display configuration changed (monitors added or removed, a mode set).
void displays_changed();
// The monitor entry's size; an empty entry gives the primary screen's size.
void monitor_size(int32_t index, int32_t *w, int32_t *h);
// The smallest mode of the device with the desktop's aspect (per thousand),
// at least gw x gh and of depth bpp; the desktop size when none is.
void best_fit_mode(const char *device, int32_t desk_w, int32_t desk_h, int32_t gw, int32_t gh,
                   int32_t bpp, int32_t *w, int32_t *h);
// Index of the device's mode of exactly w x h x bpp; -1 when none.
int find_display_mode(const char *device, int32_t w, int32_t h, int32_t bpp);

int window_set_fullscreen(int on);
int window_is_fullscreen();
int enter_fullscreen_mode(WindowObject *win);
int enter_windowed_mode(WindowObject *win);
int set_display_mode(int mode);
