// Test hooks of the stand-in cursors and tray icon.
#pragma once

#include "platform/sys_desktop.h"

struct NullCursorLog {
    int fail_builds;     // set: every cursor or icon build fails
    int live;            // built and not destroyed
    uintptr_t last_handle;
    void *installed;     // the class cursor
    int system_cursor;
    int32_t pos_x, pos_y;
    int tray_adds, tray_shown;
    int black_clears;
    int last_show_cmd;
    int32_t win_x, win_y, client_w, client_h;
};
extern NullCursorLog g_null_cursor;
