// Test hooks of the stand-in display platform: the monitors, display
// devices and modes it reports, and what the switch did.
#pragma once

#include <cstdint>

#include "platform/sys_display.h"

struct NullDisplay {
    SysMonitor monitors[20];
    int monitor_count;
    int32_t primary_w, primary_h;
    const char *devices[8];          // display device names, null ends
    const char *window_device;       // the window's monitor device; null: none
    SysDisplayMode modes[64];
    int mode_count;
    int refuse_change;               // sys_change_display_mode fails
    // Results.
    int changed_mode;                // index last changed to, -1 none
    int restores, popup, saves, restores_of_others;
    int enumerations;                // sys_enum_monitors calls
    int32_t placed_x, placed_y, cursor_x, cursor_y;
};
extern NullDisplay g_null_display;
// One 1920 x 1080 monitor "\\.\DISPLAY1", no modes, nothing done.
void null_display_reset();
