// Message handlers of the window procedure that live beside it
// (window_size_win32.cpp): sizes, position, tray callback and drag clicks;
// pop-up menus opened for the script thread (menu_win32.cpp).
#pragma once

#include <windows.h>

struct WindowObject;

void on_window_sizing(WindowObject *win, HWND hwnd, WPARAM edge, RECT *rc);
void on_window_minmax(WindowObject *win, HWND hwnd, MINMAXINFO *mm);
void on_window_size(WindowObject *win, HWND hwnd, WPARAM kind);
void on_window_pos_changed(WindowObject *win, HWND hwnd);
void on_window_move(WindowObject *win, HWND hwnd);
// SC_MAXIMIZE and SC_RESTORE of the main window, before default handling.
void note_maximize(WindowObject *win, HWND hwnd);
void note_restore(WindowObject *win, HWND hwnd);
// The tray icon's callback message: false when it is not window 0's icon.
bool on_tray_message(WindowObject *win, HWND hwnd, WPARAM id, LPARAM event);
void on_drag_click(WindowObject *win, LPARAM lp);

// Sent to window 0 by a thread that does not own it: opens the pop-up menu
// there and returns the chosen id.
enum { KV_TRACK_MENU_MESSAGE = WM_APP + 2 };
LRESULT on_track_menu_message(HWND hwnd, LPARAM lp);
