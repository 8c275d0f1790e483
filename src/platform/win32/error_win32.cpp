// The error dialog IDD_KVE and the editor launch over Win32.
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "core/error_report.h"
#include "platform/sys_error.h"
#include "platform/win32/dialog_ids.h"

static int g_dialog_count;
static std::string g_dialog_caption_text, g_dialog_text;

// Sets a control's text with each LF turned into CR LF (an edit control
// breaks lines only at CR LF).
void set_text_crlf(void *control_handle, const char *text)
{
    HWND control = (HWND)control_handle;
    size_t len = std::strlen(text);
    size_t size = len * 2 + 1;
    char small[2048];
    char *buf = size <= sizeof small ? small : (char *)std::malloc(size);
    if (!buf) {
        SetWindowTextA(control, text);
        return;
    }
    crlf_convert(text, buf, size);
    SetWindowTextA(control, buf);
    if (buf != small)
        std::free(buf);
}

struct ErrorDialogParams {
    const char *caption;
    const char *message;
};

static void make_default(HWND dlg, int id)
{
    SendMessageA(dlg, DM_SETDEFID, (WPARAM)id, 0);
    SetFocus(GetDlgItem(dlg, id));
}

static INT_PTR init_error_dialog(HWND dlg, const ErrorDialogParams *p)
{
    HMENU sys = GetSystemMenu(dlg, FALSE);
    if (sys)
        DeleteMenu(sys, SC_CLOSE, MF_BYCOMMAND);
    DrawMenuBar(dlg);
    SetWindowTextA(dlg, p->caption);
    set_text_crlf(GetDlgItem(dlg, IDC_KVE_MESSAGE), p->message);
    HWND editor = GetDlgItem(dlg, IDC_KVE_EDITOR);
    switch (error_dialog_editor_state()) {
    case 0:
        DestroyWindow(editor);
        make_default(dlg, IDC_KVE_EXIT);
        break;
    case 1:
        EnableWindow(editor, FALSE);
        make_default(dlg, IDC_KVE_EXIT);
        break;
    default:
        EnableWindow(editor, TRUE);
        make_default(dlg, IDC_KVE_EDITOR);
        break;
    }
    return 0;   // focus set here
}

static INT_PTR CALLBACK error_dialog_proc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_INITDIALOG:
        return init_error_dialog(dlg, (const ErrorDialogParams *)lp);
    case WM_COMMAND:
        if (LOWORD(wp) == IDC_KVE_EXIT) {
            EndDialog(dlg, IDC_KVE_EXIT);
            return 1;
        }
        if (LOWORD(wp) == IDC_KVE_EDITOR) {
            open_error_location_in_editor();   // the dialog stays open
            return 1;
        }
        return 0;
    default:
        return 0;
    }
}

void sys_show_error_dialog(void *owner, const char *caption, const char *message)
{
    g_dialog_count++;
    g_dialog_caption_text = caption ? caption : "";
    g_dialog_text = message ? message : "";
    ShowCursor(TRUE);
    ErrorDialogParams p = {g_dialog_caption_text.c_str(), message ? message : ""};
    // A module without the template (a test program) shows nothing: the
    // call fails at once instead of waiting for a user.
    DialogBoxParamA(GetModuleHandleA(nullptr), "IDD_KVE", (HWND)owner, error_dialog_proc,
                    (LPARAM)&p);
}

int sys_error_dialog_count() { return g_dialog_count; }
const char *sys_error_dialog_last_caption() { return g_dialog_caption_text.c_str(); }
const char *sys_error_dialog_last_text() { return g_dialog_text.c_str(); }

bool sys_find_executable(const char *file, char *out, size_t size)
{
    char exe[MAX_PATH + 4];
    std::memset(exe, 0, sizeof exe);
    HINSTANCE r = FindExecutableA(file, nullptr, exe);
    if ((INT_PTR)r <= 32 || !exe[0])
        return false;
    size_t n = std::strlen(exe);
    if (n + 1 > size)
        return false;
    std::memcpy(out, exe, n + 1);
    return true;
}

bool sys_shell_execute(const char *program, const char *parameters, void *owner)
{
    SHELLEXECUTEINFOA info;
    std::memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.hwnd = (HWND)owner;
    info.lpFile = program;
    info.lpParameters = parameters;
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExA(&info))
        return false;
    if (info.hProcess)
        CloseHandle(info.hProcess);
    return true;
}
