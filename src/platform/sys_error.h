// Platform side of error reporting: the error dialog and the editor launch.
// Win32: src/platform/win32/error_win32.cpp; stand-in: src/platform/null.
#pragma once

#include <cstddef>
#include <cstdint>

// Shows the modal error dialog with the caption and the message; owner is
// window 0's handle or null. Returns when the dialog closes.
void sys_show_error_dialog(void *owner, const char *caption, const char *message);

// The executable associated with a file (FindExecutableA); false when none.
bool sys_find_executable(const char *file, char *out, size_t size);
// Starts a program with parameters (ShellExecuteExA, show normal, no wait);
// owner: a window handle or null.
bool sys_shell_execute(const char *program, const char *parameters, void *owner);

// Sets a control's text (HWND) with each LF turned into CR LF.
void set_text_crlf(void *control, const char *text);

// Count of error dialogs shown in this process and the last one's caption
// and text (the stand-in records them so tests can check them).
int sys_error_dialog_count();
const char *sys_error_dialog_last_caption();
const char *sys_error_dialog_last_text();
