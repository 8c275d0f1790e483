// Platform services for the engine's windows and message pump.
// Win32: src/platform/win32/window_win32.cpp; stand-in: src/platform/null.
#pragma once

#include <cstdint>

struct WindowObject;

// Registers the class (once per object) and creates the window; fills the
// object's window handle. Returns 1 on success, 0 on failure.
int sys_window_create(WindowObject *win, void *instance, int show_command,
                      const char *class_name, const char *title);

// Drains the thread's message queue. Returns false when WM_QUIT was met.
bool sys_pump_messages();

// Posts WM_CLOSE to the window; false when there is no window to post to.
bool sys_window_post_close(WindowObject *win);
// Posts WM_COMMAND with the item id to the window.
void sys_window_post_command(WindowObject *win, int id);
bool sys_window_exists(const WindowObject *win);
void sys_window_show(WindowObject *win);
// Repaints the whole screen (RedrawWindow on no window, flags 0x285).
void sys_redraw_all();
// Removes the sizing border from the window.
void sys_window_remove_thick_frame(WindowObject *win);
// Detaches the input method from the window (screen-saver runs).
void sys_window_detach_ime(WindowObject *win);
