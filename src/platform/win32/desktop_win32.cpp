// Win32 cursor shapes, the task-tray icon and the black clear of a window.
#include <windows.h>
#include <shellapi.h>

#include <cstring>

#include "core/entry.h"
#include "core/error_report.h"
#include "core/window.h"
#include "platform/sys_desktop.h"

enum { KV_ICON_ID = 10001, KV_TRAY_ID = 123, KV_TRAY_MESSAGE = 0x40A };

void sys_set_cursor_client_pos(void *hwnd, int32_t x, int32_t y)
{
    POINT p = {x, y};
    if (hwnd)
        ClientToScreen((HWND)hwnd, &p);
    SetCursorPos(p.x, p.y);
}

void sys_set_system_cursor(void *hwnd, int n)
{
    static const LPCSTR k_cursors[] = {IDC_ARROW,    IDC_IBEAM,    IDC_WAIT,   IDC_CROSS,
                                       IDC_UPARROW,  IDC_SIZENWSE, IDC_SIZENESW, IDC_SIZEWE,
                                       IDC_SIZENS,   IDC_SIZEALL,  IDC_NO,     IDC_HAND,
                                       IDC_APPSTARTING, IDC_HELP};
    LPCSTR name = (n >= 1 && n <= 13) ? k_cursors[n] : IDC_ARROW;
    HCURSOR c = LoadCursorA(nullptr, name);
    if (c && hwnd)
        SetClassLongPtrA((HWND)hwnd, GCLP_HCURSOR, (LONG_PTR)c);
    SetCursor(c);
}

void *sys_cursor_from_pixels(const uint32_t *pixels, int32_t w, int32_t h, int64_t stride,
                             int32_t hot_x, int32_t hot_y, int icon)
{
    const char *what = icon ? "ICON" : "CURSOR";
    BITMAPINFO bi;
    ZeroMemory(&bi, sizeof bi);
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    HDC dc = GetDC(nullptr);
    void *bits = nullptr;
    HBITMAP colour = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!colour || !bits) {
        ReleaseDC(nullptr, dc);
        message_box_printf(nullptr, "%s CreateDIBSection エラー", what);
        return nullptr;
    }
    for (int32_t y = 0; y < h; y++)
        std::memcpy((uint32_t *)bits + (size_t)y * w, pixels + (size_t)y * stride, (size_t)w * 4);
    HBITMAP mask = CreateBitmap(w, h, 1, 1, nullptr);
    ICONINFO ii;
    ii.fIcon = icon ? TRUE : FALSE;
    ii.xHotspot = (DWORD)hot_x;
    ii.yHotspot = (DWORD)hot_y;
    ii.hbmMask = mask;
    ii.hbmColor = colour;
    HICON made = mask ? CreateIconIndirect(&ii) : nullptr;
    if (mask)
        DeleteObject(mask);
    DeleteObject(colour);
    ReleaseDC(nullptr, dc);
    if (!made)
        message_box_printf(nullptr, "%s CreateIconIndirect エラー", what);
    return made;
}

void sys_set_class_cursor(void *hwnd, void *cursor)
{
    if (hwnd)
        SetClassLongPtrA((HWND)hwnd, GCLP_HCURSOR, (LONG_PTR)cursor);
    SetCursor((HCURSOR)cursor);
}

void sys_destroy_cursor(void *cursor, int icon)
{
    if (!cursor)
        return;
    if (icon)
        DestroyIcon((HICON)cursor);
    else
        DestroyCursor((HCURSOR)cursor);
}

static NOTIFYICONDATAA g_tray;

int sys_tray_icon_set(void *hwnd, int add, void *icon, const char *tip)
{
    ZeroMemory(&g_tray, sizeof g_tray);
    g_tray.cbSize = sizeof g_tray;
    g_tray.hWnd = (HWND)hwnd;
    g_tray.uID = KV_TRAY_ID;
    g_tray.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    g_tray.uCallbackMessage = KV_TRAY_MESSAGE;
    g_tray.hIcon = icon ? (HICON)icon : LoadIconA((HINSTANCE)g_hinstance, MAKEINTRESOURCEA(KV_ICON_ID));
    lstrcpynA(g_tray.szTip, tip ? tip : "", sizeof g_tray.szTip);
    return Shell_NotifyIconA(add ? NIM_ADD : NIM_MODIFY, &g_tray) ? 0 : -1;
}

void sys_tray_icon_delete(void *hwnd)
{
    g_tray.cbSize = sizeof g_tray;
    g_tray.hWnd = (HWND)hwnd;
    g_tray.uID = KV_TRAY_ID;
    Shell_NotifyIconA(NIM_DELETE, &g_tray);
}

void sys_window_clear_black(void *hwnd, int32_t w, int32_t h)
{
    if (!hwnd)
        return;
    static const uint32_t black = 0;
    BITMAPINFO bi;
    ZeroMemory(&bi, sizeof bi);
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = 1;
    bi.bmiHeader.biHeight = 1;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    HDC dc = GetDC((HWND)hwnd);
    if (!dc)
        return;
    StretchDIBits(dc, 0, 0, w, h, 0, 0, 1, 1, &black, &bi, DIB_RGB_COLORS, SRCCOPY);
    ReleaseDC((HWND)hwnd, dc);
}

// --- window operations of the window command ------------------------------------

void sys_window_set_title(void *hwnd, const char *title)
{
    if (hwnd)
        SendMessageA((HWND)hwnd, WM_SETTEXT, 0, (LPARAM)title);
}

void sys_window_set_alpha(void *hwnd, int32_t opacity)
{
    if (hwnd)
        SetLayeredWindowAttributes((HWND)hwnd, 0, (BYTE)(opacity > 255 ? 255 : opacity < 0 ? 0 : opacity),
                                   LWA_ALPHA);
}

void sys_window_show_cmd(void *hwnd, int cmd)
{
    if (!hwnd)
        return;
    switch (cmd) {
    case KV_WIN_SHOW: ShowWindow((HWND)hwnd, SW_SHOW); break;
    case KV_WIN_MINIMIZE_HIDE:
        ShowWindow((HWND)hwnd, SW_MINIMIZE);
        ShowWindow((HWND)hwnd, SW_HIDE);
        break;
    case KV_WIN_OPEN_ICON:
        // A window minimised while maximised comes back maximised; the
        // window command reopens it as a plain window, so it is then
        // restored as its restore button would (sizes kept at the maximise).
        OpenIcon((HWND)hwnd);
        if (IsZoomed((HWND)hwnd))
            SendMessageA((HWND)hwnd, WM_SYSCOMMAND, SC_RESTORE, 0);
        break;
    default: ShowWindow((HWND)hwnd, SW_HIDE); break;
    }
}

void sys_window_move(void *hwnd, int32_t x, int32_t y)
{
    if (hwnd)
        SetWindowPos((HWND)hwnd, nullptr, x, y, 0, 0, 0x21);
}

void sys_window_z_order(void *hwnd, int64_t z, void *behind)
{
    if (!hwnd)
        return;
    if (z == 1) {
        SetWindowPos((HWND)hwnd, HWND_TOPMOST, 0, 0, 0, 0, 0x233);
        return;
    }
    SetWindowPos((HWND)hwnd, HWND_NOTOPMOST, 0, 0, 0, 0, 0x233);
    HWND after = z == 0 ? HWND_TOP : z == 2 ? HWND_BOTTOM : z == 3 ? (HWND)behind : nullptr;
    if (after)
        SetWindowPos((HWND)hwnd, after, 0, 0, 0, 0, 0x233);
}

void sys_window_set_style(void *hwnd, int which, int on)
{
    if (!hwnd)
        return;
    HWND h = (HWND)hwnd;
    LONG_PTR bit = which == KV_STYLE_MAXIMIZE_BOX ? WS_MAXIMIZEBOX : WS_THICKFRAME;
    RECT rc;
    GetClientRect(h, &rc);
    LONG_PTR style = GetWindowLongPtrA(h, GWL_STYLE);
    SetWindowLongPtrA(h, GWL_STYLE, on ? (style | bit) : (style & ~bit));
    if (which == KV_STYLE_THICK_FRAME)
        sys_window_set_client_size(hwnd, rc.right - rc.left, rc.bottom - rc.top);
    SetWindowPos(h, nullptr, 0, 0, 0, 0, 0x233);
}

void sys_window_set_client_size(void *hwnd, int32_t w, int32_t h)
{
    if (!hwnd)
        return;
    HWND wnd = (HWND)hwnd;
    RECT rc = {0, 0, w, h};
    AdjustWindowRectEx(&rc, (DWORD)GetWindowLongPtrA(wnd, GWL_STYLE), FALSE,
                       (DWORD)GetWindowLongPtrA(wnd, GWL_EXSTYLE));
    RECT now;
    GetWindowRect(wnd, &now);
    int32_t ow = rc.right - rc.left, oh = rc.bottom - rc.top;
    // A menu bar that wraps makes the client lower than asked: grow once more.
    SetWindowPos(wnd, nullptr, now.left, now.top, ow, oh, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT got;
    if (GetClientRect(wnd, &got) && (got.right != w || got.bottom != h))
        SetWindowPos(wnd, nullptr, now.left, now.top, ow + (w - got.right), oh + (h - got.bottom),
                     SWP_NOZORDER | SWP_NOACTIVATE);
}

void sys_window_foreground(void *hwnd)
{
    if (hwnd)
        SetForegroundWindow((HWND)hwnd);
}

void sys_window_post_maximize(void *hwnd, int maximize)
{
    if (hwnd)
        PostMessageA((HWND)hwnd, WM_SYSCOMMAND, maximize ? SC_MAXIMIZE : SC_RESTORE, 0);
}

int sys_window_rects(void *hwnd, KvWindowRects *out)
{
    RECT w, c;
    if (!hwnd || !GetWindowRect((HWND)hwnd, &w) || !GetClientRect((HWND)hwnd, &c))
        return -1;
    out->x = w.left;
    out->y = w.top;
    out->client_w = c.right - c.left;
    out->client_h = c.bottom - c.top;
    out->iconic = IsIconic((HWND)hwnd) ? 1 : 0;
    return 0;
}
