// The cursor, the input switches, the tray icon and the script timers'
// pause switches as the scripts set them.
#pragma once

#include "core/kv_base.h"

struct TreeNode;
struct WindowObject;

extern void *g_custom_cursor;   // the cursor made from a layer, null = none

// Mouse input on or off: turning it off hides the cursor, on shows it.
void cursor_set_mouse_input(uint8_t on);
// Cursor mode 0 hidden, 1 auto-hide, 2 always shown.
void cursor_set_mode(int64_t mode);
// A cursor (icon 0) or icon (icon 1) built from a 32-bit layer of exactly
// w x h; null after a message box.
void *cursor_from_layer(WindowObject *win, TreeNode *layer, int32_t w, int32_t h, int32_t hot_x,
                        int32_t hot_y, int icon);
// Builds a cursor from the layer at its own size and installs it; only then
// is the previous custom cursor destroyed. -1 (old cursor kept) on failure.
int cursor_install_from_layer(WindowObject *win, TreeNode *layer, int32_t hot_x, int32_t hot_y);

// Script timer k stops (running 0) or runs again at now (ms): a run again
// moves its base on by the time it stood still.
void timer_set_running(int k, uint8_t running, uint32_t now);

// The tray icon: shown with the tip and a 16 x 16 layer icon (null: the
// program's icon); tray_icon_remove takes it away.
void tray_icon_show(TreeNode *icon_layer, const char *tip);
void tray_icon_remove();

// Start-up: lets the deletion of a layer clear what points at it.
void desktop_hooks_init();
