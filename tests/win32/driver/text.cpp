// Typing into a control, the clipboard, and the face GDI gives a font request:
// set-text, clipboard and font-face.
#include "driver.h"

int cmd_set_text(int argc, wchar_t **argv)
{
    if (argc != 4)
        return EXIT_USAGE;
    HWND h = parse_hwnd(argv[1]);
    HWND c = h ? find_control(h, argv[2]) : nullptr;
    if (!c) {
        err_line(L"no such control");
        return EXIT_NOT_FOUND;
    }
    DWORD_PTR r = 0;
    if (!SendMessageTimeoutW(c, WM_SETTEXT, 0, (LPARAM)argv[3], SMTO_ABORTIFHUNG, 2000, &r) || !r)
        return EXIT_NOT_FOUND;
    return EXIT_OK;
}

// A hidden window owns what the driver puts on the clipboard.
static HWND clipboard_owner()
{
    return CreateWindowExW(0, L"STATIC", L"kvdriver clipboard", 0, 0, 0, 0, 0, HWND_MESSAGE,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
}

static bool open_clipboard(HWND owner)
{
    for (int i = 0; i < 50; i++) {   // another process may hold it for a moment
        if (OpenClipboard(owner))
            return true;
        Sleep(20);
    }
    return false;
}

int cmd_clipboard(int argc, wchar_t **argv)
{
    if (argc > 2)
        return EXIT_USAGE;
    HWND owner = clipboard_owner();
    if (!open_clipboard(owner))
        return EXIT_NOT_FOUND;
    int rc = EXIT_OK;
    if (argc == 2) {
        size_t n = wcslen(argv[1]) + 1;
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, n * sizeof(wchar_t));
        if (block) {
            memcpy(GlobalLock(block), argv[1], n * sizeof(wchar_t));
            GlobalUnlock(block);
        }
        EmptyClipboard();
        if (!block || !SetClipboardData(CF_UNICODETEXT, block)) {
            if (block)
                GlobalFree(block);
            rc = EXIT_NOT_FOUND;
        }
    } else {
        HANDLE data = GetClipboardData(CF_UNICODETEXT);
        const wchar_t *p = data ? (const wchar_t *)GlobalLock(data) : nullptr;
        if (p) {
            out_line(p);
            GlobalUnlock(data);
        } else {
            rc = EXIT_NOT_FOUND;
        }
    }
    CloseClipboard();
    return rc;
}

// The face GDI selects for FACE in CHARSET (default DEFAULT_CHARSET).
int cmd_font_face(int argc, wchar_t **argv)
{
    long long charset = DEFAULT_CHARSET;
    if (argc < 2 || argc > 3 || (argc == 3 && !parse_number(argv[2], &charset)))
        return EXIT_USAGE;
    HFONT font = CreateFontW(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, (DWORD)charset, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, argv[1]);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    wchar_t face[LF_FACESIZE] = L"";
    int n = GetTextFaceW(dc, LF_FACESIZE, face);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    DeleteObject(font);
    if (n <= 0)
        return EXIT_NOT_FOUND;
    out_line(face);
    return EXIT_OK;
}
