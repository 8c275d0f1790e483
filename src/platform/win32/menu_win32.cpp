// Win32 menus: native menu building from the engine's entries, the menu bar
// of a window, pop-up tracking and the full-screen menu-bar window "kvMncl".
// Item ids travel in WM_COMMAND, whose word holds only their low 16 bits.
#include <windows.h>

#include "core/entry.h"
#include "core/window.h"
#include "platform/sys_menu.h"
#include "platform/win32/window_win32.h"

enum { KV_ICON_ID = 10001 };

void *sys_menu_create(int popup)
{
    return popup ? (void *)CreatePopupMenu() : (void *)CreateMenu();
}

int sys_menu_insert(void *menu, uint32_t pos, const MenuEntry *e)
{
    MENUITEMINFOA mi;
    ZeroMemory(&mi, sizeof mi);
    mi.cbSize = sizeof mi;
    mi.fMask = MIIM_STATE | MIIM_ID | MIIM_TYPE | (e->submenu ? MIIM_SUBMENU : 0);
    mi.fType = e->type;
    mi.fState = e->state;
    mi.wID = e->id;
    mi.hSubMenu = (HMENU)e->submenu;
    if (e->text) {
        mi.dwTypeData = (LPSTR)e->text;
        mi.cch = (UINT)lstrlenA(e->text);
    }
    return InsertMenuItemA((HMENU)menu, pos, TRUE, &mi) ? 0 : -1;
}

void sys_menu_destroy(void *menu)
{
    if (menu)
        DestroyMenu((HMENU)menu);
}

void sys_menu_attach(void *hwnd, void *menu)
{
    if (!hwnd)
        return;
    SetMenu((HWND)hwnd, (HMENU)menu);
    DrawMenuBar((HWND)hwnd);
}

static int track_menu(HMENU sub, HWND hwnd, int32_t x, int32_t y)
{
    // The owner comes to the foreground first, so that the menu takes the
    // keyboard and closes when the user clicks elsewhere.
    if (hwnd)
        SetForegroundWindow(hwnd);
    int id = (int)TrackPopupMenu(sub, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD | TPM_RIGHTBUTTON,
                                 x, y, 0, hwnd, nullptr);
    if (hwnd)
        PostMessageA(hwnd, WM_NULL, 0, 0);
    return id;
}

struct TrackRequest {
    HMENU sub;
    int32_t x, y;
};

LRESULT on_track_menu_message(HWND hwnd, LPARAM lp)
{
    const TrackRequest *r = (const TrackRequest *)lp;
    return r ? track_menu(r->sub, hwnd, r->x, r->y) : 0;
}

int sys_menu_track(void *menu, void *hwnd, int32_t x, int32_t y)
{
    HMENU sub = GetSubMenu((HMENU)menu, 0);
    if (!sub)
        return 0;
    // A menu belongs to the thread that owns its window: only there does it
    // get the keyboard (and, under Wine, the desktop the window is on). Frames
    // on the script thread hand it over and wait for the choice.
    HWND owner = (HWND)hwnd;
    if (owner && GetWindowThreadProcessId(owner, nullptr) != GetCurrentThreadId()) {
        TrackRequest r = {sub, x, y};
        return (int)SendMessageA(owner, KV_TRACK_MENU_MESSAGE, 0, (LPARAM)&r);
    }
    return track_menu(sub, owner, x, y);
}

static LRESULT CALLBACK menu_bar_wndproc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_COMMAND) {
        g_menu_command = LOWORD(wp);
        g_menu_command_companion = 0;
    } else if (msg == WM_SYSCOMMAND && (wp & 0xFFF0) == SC_CLOSE) {
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

static int menu_bar_height()
{
    typedef int(WINAPI * DpiMetric)(int, UINT);
    typedef UINT(WINAPI * DpiOf)(HWND);
    HMODULE user = GetModuleHandleA("user32.dll");
    DpiMetric metric = user ? (DpiMetric)(void *)GetProcAddress(user, "GetSystemMetricsForDpi") : nullptr;
    DpiOf dpi = user ? (DpiOf)(void *)GetProcAddress(user, "GetDpiForSystem") : nullptr;
    if (metric && dpi)
        return metric(SM_CYMENU, ((UINT(WINAPI *)())(void *)dpi)());
    return GetSystemMetrics(SM_CYMENU);
}

void *sys_menu_bar_window_create(void *owner, int32_t width, int32_t *height)
{
    *height = menu_bar_height();
    HINSTANCE inst = (HINSTANCE)g_hinstance;
    WNDCLASSEXA wc;
    ZeroMemory(&wc, sizeof wc);
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = menu_bar_wndproc;
    wc.hInstance = inst;
    wc.hIcon = LoadIconA(inst, MAKEINTRESOURCEA(KV_ICON_ID));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = "kvMncl";
    if (!RegisterClassExA(&wc))
        return nullptr;
    HWND bar = CreateWindowExA(0, "kvMncl", "kvMncl", WS_POPUP, 0, 0, width, *height,
                               (HWND)owner, nullptr, inst, nullptr);
    if (bar)
        SetWindowPos(bar, nullptr, 0, 0, 0, 0, 0x233);
    return bar;
}

void sys_menu_bar_window_show(void *bar, int show)
{
    if (bar)
        ShowWindow((HWND)bar, show ? SW_SHOW : SW_HIDE);
}
