// Platform services for display modes, monitors and the full-screen switch.
// Win32: src/platform/win32/display_win32.cpp; stand-in (with tables that
// tests fill): src/platform/null/display_null.cpp.
#pragma once

#include <cstddef>
#include <cstdint>

struct SysMonitor { int32_t left, top, width, height; };
struct SysDisplayMode { int32_t width, height, bpp; };

// Whether the seven monitor functions of USER32 exist (looked up once).
int sys_init_monitor_api();
// Fills up to max monitor rectangles; returns the count. Without the monitor
// functions: one entry of the primary screen.
int sys_enum_monitors(SysMonitor *out, int max);
// The primary screen's size.
void sys_primary_screen_size(int32_t *w, int32_t *h);
// The device name of the monitor nearest the window's centre. false when
// there is no window, rectangle or monitor, or the name is empty.
bool sys_window_monitor_device(void *hwnd, char *name, size_t size);
// The monitor nearest the window's centre, as an identity to compare with an
// earlier answer (its handle); null when there is no window or monitor.
void *sys_window_monitor(void *hwnd);
// Display device `index` (EnumDisplayDevicesA); false when there is none.
bool sys_display_device_name(int index, char *name, size_t size);
// Display mode `index` of a device ("" the current one); false past the end.
bool sys_display_mode(const char *device, int index, SysDisplayMode *mode);
// Switches the device to its mode `index` (width, height and depth only),
// as a temporary full-screen change. 0, or -1 when refused.
int sys_change_display_mode(const char *device, int index);
// Back to the display mode stored in the registry.
void sys_restore_display_mode();

// The window side of a switch.
void sys_window_set_popup(void *hwnd, bool popup);   // full-screen / windowed styles
void sys_window_remove_menu(void *hwnd);
// Top of the z-order at (x, y), size kept, frame changed.
void sys_window_place_top(void *hwnd, int32_t x, int32_t y);
// A maximised window: centred in the work area at w x h, then restored.
void sys_window_centre_and_restore(void *hwnd, int32_t w, int32_t h);
void sys_set_cursor_pos(int32_t x, int32_t y);

// Placements of the other visible, titled top-level windows: kept before a
// switch, put back after. The title probes together take at most budget_ms.
void sys_save_other_windows(uint32_t budget_ms);
void sys_restore_other_windows();
