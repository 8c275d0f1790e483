// kvdriver: the end-to-end tests' hands and eyes under Wine.
// Finds windows and modal boxes, reads and presses controls, sends input,
// holds mutexes, waits for processes and launches programs on a named desktop.
// Exit codes: 0 success (or "yes"), 1 not found / time-out, 2 usage,
// 3 "no" for the yes/no questions (enabled, is-iconic).
#pragma once
#include <windows.h>
#include <string>

#define KV_COUNT(a) (sizeof(a) / sizeof((a)[0]))

enum { EXIT_OK = 0, EXIT_NOT_FOUND = 1, EXIT_USAGE = 2, EXIT_NO = 3 };

// Output: UTF-8, one '\n' per line, straight to the standard handles.
void out_line(const std::wstring &text);
void err_line(const std::wstring &text);
std::wstring hwnd_text(HWND hwnd);          // "0x1234"

// Argument helpers.
bool parse_number(const wchar_t *s, long long *out);
HWND parse_hwnd(const wchar_t *s);          // null when not a window
std::wstring windows_path(const wchar_t *path);  // "/a/b" -> "Z:\a\b"

// Window and process queries (find.cpp).
struct WindowFilter {
    const wchar_t *cls = nullptr;    // class name, case-insensitive
    const wchar_t *title = nullptr;  // exact caption
    std::wstring exe;                // full image path of the owning process
    DWORD pid = 0;
    bool visible = false;            // only visible windows
    bool announce = false;           // wait-window: print "waiting" first
};
int find_windows(const WindowFilter &f, HWND *found, int max);
std::wstring window_text(HWND hwnd);        // WM_GETTEXT with a time-out
std::wstring process_image(DWORD pid);      // full path, "" when unknown
bool same_path(const std::wstring &a, const std::wstring &b);
HWND find_control(HWND parent, const wchar_t *id_or_text);

// Option parsing shared by the commands: fills the filter and the time-out
// from --class/--title/--exe/--pid/--visible/--announce/--timeout; returns false on an
// unknown option or a missing value.
bool parse_filter_opts(int argc, wchar_t **argv, int first, WindowFilter *f, DWORD *timeout_ms);

// Commands: argv[0] is the command's own name.
int cmd_wait_window(int argc, wchar_t **argv);
int cmd_wait_dialog(int argc, wchar_t **argv);
int cmd_wait_gone(int argc, wchar_t **argv);
int cmd_count(int argc, wchar_t **argv);
int cmd_texts(int argc, wchar_t **argv);
int cmd_info(int argc, wchar_t **argv);
int cmd_enabled(int argc, wchar_t **argv);
int cmd_press(int argc, wchar_t **argv);
int cmd_dismiss(int argc, wchar_t **argv);
int cmd_close(int argc, wchar_t **argv);
int cmd_minimize(int argc, wchar_t **argv);
int cmd_is_iconic(int argc, wchar_t **argv);
int cmd_activate(int argc, wchar_t **argv);
int cmd_foreground(int argc, wchar_t **argv);
int cmd_keys(int argc, wchar_t **argv);
int cmd_click(int argc, wchar_t **argv);
int cmd_menu(int argc, wchar_t **argv);
int cmd_move(int argc, wchar_t **argv);
int cmd_cursor(int argc, wchar_t **argv);
int cmd_show_box(int argc, wchar_t **argv);
int cmd_hold_mutex(int argc, wchar_t **argv);
int cmd_wait_exit(int argc, wchar_t **argv);
int cmd_pid_of(int argc, wchar_t **argv);
int cmd_run(int argc, wchar_t **argv);
// Sizing and dropping (size.cpp).
int cmd_client(int argc, wchar_t **argv);
int cmd_screen(int argc, wchar_t **argv);
int cmd_restore_mode(int argc, wchar_t **argv);
int cmd_resize(int argc, wchar_t **argv);
int cmd_sizing(int argc, wchar_t **argv);
int cmd_minmax(int argc, wchar_t **argv);
int cmd_syscommand(int argc, wchar_t **argv);
int cmd_drop(int argc, wchar_t **argv);
// Typing into a control, the clipboard, font faces (text.cpp).
int cmd_set_text(int argc, wchar_t **argv);
int cmd_clipboard(int argc, wchar_t **argv);
int cmd_font_face(int argc, wchar_t **argv);
// Reading back what a window shows (capture.cpp).
int cmd_capture(int argc, wchar_t **argv);
