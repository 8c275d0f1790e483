// The script's message box and the one-line input dialog IDD_KVI over Win32.
#include <windows.h>

#include "platform/sys_dialog.h"
#include "platform/win32/dialog_ids.h"

int sys_script_message_box(void *owner, const char *text, const char *caption, uint32_t flags)
{
    return MessageBoxA((HWND)owner, text, caption, flags);
}

static INT_PTR init_input_dialog(HWND dlg, const InputDialogRequest *req)
{
    SetWindowLongPtrA(dlg, DWLP_USER, (LONG_PTR)req);
    HMENU sys = GetSystemMenu(dlg, FALSE);
    if (sys)
        DeleteMenu(sys, SC_CLOSE, MF_BYCOMMAND);
    DrawMenuBar(dlg);
    SetWindowTextA(dlg, req->caption);
    SetDlgItemTextA(dlg, IDC_KVI_EDIT, req->initial);
    SetDlgItemTextA(dlg, IDC_KVI_PROMPT, req->prompt);
    if (req->max_length > 0)
        SendDlgItemMessageA(dlg, IDC_KVI_EDIT, EM_LIMITTEXT, (WPARAM)req->max_length, 0);
    SetFocus(GetDlgItem(dlg, IDC_KVI_EDIT));
    return FALSE;   // focus set here
}

// Only the OK button closes the dialog: there is no Cancel, and Escape (the
// IDCANCEL command) and the close box do nothing.
INT_PTR CALLBACK input_dialog_proc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_INITDIALOG)
        return init_input_dialog(dlg, (const InputDialogRequest *)lp);
    if (msg == WM_COMMAND && LOWORD(wp) == IDC_KVI_OK) {
        InputDialogRequest *req = (InputDialogRequest *)GetWindowLongPtrA(dlg, DWLP_USER);
        if (req && req->result_size) {
            req->result[0] = 0;
            GetDlgItemTextA(dlg, IDC_KVI_EDIT, req->result, (int)req->result_size);
            req->result[req->result_size - 1] = 0;
        }
        EndDialog(dlg, 1);
        return TRUE;
    }
    return FALSE;
}

int sys_input_dialog(void *owner, InputDialogRequest *request)
{
    INT_PTR r = DialogBoxParamA(GetModuleHandleA(nullptr), "IDD_KVI", (HWND)owner,
                                input_dialog_proc, (LPARAM)request);
    return r == 1 ? 1 : -1;
}
