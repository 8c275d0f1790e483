// Platform side of the script's message box and one-line input dialog
// (IDD_KVI). Win32: src/platform/win32/dialogs_win32.cpp; stand-in:
// src/platform/null/desktop_null.cpp, which answers from what a test queued.
#pragma once

#include <cstdint>

// MessageBoxA flags and results, by value.
enum : uint32_t {
    KV_MB_OK = 0, KV_MB_OKCANCEL = 1, KV_MB_YESNOCANCEL = 3, KV_MB_YESNO = 4,
    KV_MB_ICONERROR = 0x10, KV_MB_ICONQUESTION = 0x20, KV_MB_ICONWARNING = 0x30,
    KV_MB_ICONINFORMATION = 0x40, KV_MB_DEFBUTTON2 = 0x100, KV_MB_DEFBUTTON3 = 0x200
};
enum { KV_IDOK = 1, KV_IDCANCEL = 2, KV_IDYES = 6, KV_IDNO = 7 };

// A modal message box owned by owner (a window handle or null); the
// button chosen (KV_ID*), 0 when the box could not be shown.
int sys_script_message_box(void *owner, const char *text, const char *caption, uint32_t flags);

// The input dialog's request, alive while the dialog is open.
struct InputDialogRequest {
    const char *caption;
    const char *prompt;
    const char *initial;
    int32_t max_length;      // above 0: the edit control's limit
    char *result;            // filled when OK closes the dialog, terminated
    uint32_t result_size;
};

// Shows IDD_KVI modally, owned by owner; it closes only by its OK button.
// 1 when it ran and OK closed it, -1 when it could not be shown.
int sys_input_dialog(void *owner, InputDialogRequest *request);
