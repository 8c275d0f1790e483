// Platform services for the engine's windows and message pump.
// Win32: src/platform/win32/window_win32.cpp; stand-in: src/platform/null.
#pragma once

#include <cstdint>

struct WindowObject;
struct SizeRect;

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
// What the window's frame adds to a client size (AdjustWindowRectEx of a
// 320 x 240 client with the window's styles, less 320 and 240); -1 each on
// failure.
void frame_size_for_client(void *hwnd, int32_t *w, int32_t *h);
// FlashWindowEx with FLASHW_TRAY: 0, or -1 when it is missing.
int sys_window_flash(WindowObject *win, uint32_t timeout, uint32_t count);
// Sets the window's shape to the union of count rectangles: 0 or -1.
int sys_window_set_region(WindowObject *win, const SizeRect *rects, int count);
// Screen-saver preview: a child window "KAVRENScreenSaver" filling the given
// parent and showing the appended preview bitmap, with its message loop,
// which ends when the parent (and so the child) goes. 0 once the loop has
// ended, 1 when the parent is no window or the preview cannot be made.
int sys_preview_run(uint64_t parent);
