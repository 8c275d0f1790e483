// Win32 side of display modes and full screen: the monitor functions of
// USER32 (looked up at run time, with a one-monitor fall-back), display
// devices and modes, mode changes, the window's styles and the placements of
// the other top-level windows.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "platform/sys_display.h"

enum { KV_PRIMARY_MONITOR = 0x12340042, KV_MAX_SAVED_WINDOWS = 1024 };

typedef HMONITOR(WINAPI *MonitorFromPointFn)(POINT, DWORD);
typedef BOOL(WINAPI *EnumDisplayMonitorsFn)(HDC, LPCRECT, MONITORENUMPROC, LPARAM);
typedef BOOL(WINAPI *GetMonitorInfoFn)(HMONITOR, LPMONITORINFO);
typedef BOOL(WINAPI *EnumDisplayDevicesFn)(LPCSTR, DWORD, PDISPLAY_DEVICEA, DWORD);

static struct {
    int state;  // 0 not looked up, 1 present, -1 missing
    MonitorFromPointFn from_point;
    EnumDisplayMonitorsFn enum_monitors;
    GetMonitorInfoFn info;
    EnumDisplayDevicesFn enum_devices;
} g_mon;

int sys_init_monitor_api()
{
    if (g_mon.state)
        return g_mon.state == 1;
    g_mon.state = -1;
    HMODULE u = GetModuleHandleA("USER32");
    if (!u)
        return 0;
    static const char *const names[] = {"GetSystemMetrics", "MonitorFromWindow",
                                        "MonitorFromRect", "MonitorFromPoint",
                                        "EnumDisplayMonitors", "GetMonitorInfoA",
                                        "EnumDisplayDevicesA"};
    FARPROC f[7];
    for (int i = 0; i < 7; i++)
        if (!(f[i] = GetProcAddress(u, names[i])))
            return 0;
    g_mon.from_point = (MonitorFromPointFn)(void *)f[3];
    g_mon.enum_monitors = (EnumDisplayMonitorsFn)(void *)f[4];
    g_mon.info = (GetMonitorInfoFn)(void *)f[5];
    g_mon.enum_devices = (EnumDisplayDevicesFn)(void *)f[6];
    g_mon.state = 1;
    return 1;
}

void sys_primary_screen_size(int32_t *w, int32_t *h)
{
    *w = GetSystemMetrics(SM_CXSCREEN);
    *h = GetSystemMetrics(SM_CYSCREEN);
}

struct MonitorFill { SysMonitor *out; int max, count; };

static BOOL CALLBACK monitor_proc(HMONITOR, HDC, LPRECT rc, LPARAM lp)
{
    MonitorFill *f = (MonitorFill *)lp;
    if (f->count >= f->max)
        return FALSE;
    f->out[f->count++] = {rc->left, rc->top, rc->right - rc->left, rc->bottom - rc->top};
    return f->count < f->max;
}

int sys_enum_monitors(SysMonitor *out, int max)
{
    if (max <= 0)
        return 0;
    if (!sys_init_monitor_api()) {
        out[0] = {0, 0, 0, 0};
        sys_primary_screen_size(&out[0].width, &out[0].height);
        return 1;
    }
    MonitorFill f = {out, max, 0};
    g_mon.enum_monitors(nullptr, nullptr, monitor_proc, (LPARAM)&f);
    return f.count;
}

static bool window_centre(void *hwnd, POINT *c)
{
    RECT wr;
    if (!hwnd || !GetWindowRect((HWND)hwnd, &wr))
        return false;
    *c = {wr.left + (wr.right - wr.left) / 2, wr.top + (wr.bottom - wr.top) / 2};
    return true;
}

void *sys_window_monitor(void *hwnd)
{
    POINT c;
    if (!window_centre(hwnd, &c))
        return nullptr;
    if (!sys_init_monitor_api())
        return (void *)(uintptr_t)KV_PRIMARY_MONITOR;
    return g_mon.from_point(c, MONITOR_DEFAULTTONEAREST);
}

bool sys_window_monitor_device(void *hwnd, char *name, size_t size)
{
    POINT c;
    if (!window_centre(hwnd, &c))
        return false;
    MONITORINFOEXA mi = {};
    mi.cbSize = sizeof mi;
    if (sys_init_monitor_api()) {
        HMONITOR mon = g_mon.from_point(c, MONITOR_DEFAULTTONEAREST);
        if (!mon || !g_mon.info(mon, &mi))
            return false;
    } else {
        std::strcpy(mi.szDevice, "DISPLAY");
    }
    if (!mi.szDevice[0])
        return false;
    std::snprintf(name, size, "%s", mi.szDevice);
    return true;
}

bool sys_display_device_name(int index, char *name, size_t size)
{
    if (!sys_init_monitor_api() || index < 0)
        return false;
    DISPLAY_DEVICEA dd;
    std::memset(&dd, 0, sizeof dd);
    dd.cb = sizeof dd;
    if (!g_mon.enum_devices(nullptr, (DWORD)index, &dd, 0))
        return false;
    std::snprintf(name, size, "%s", dd.DeviceName);
    return true;
}

static bool read_mode(const char *device, int index, DEVMODEA *dm)
{
    std::memset(dm, 0, sizeof *dm);
    dm->dmSize = sizeof *dm;
    return EnumDisplaySettingsA(device && *device ? device : nullptr, (DWORD)index, dm) != 0;
}

bool sys_display_mode(const char *device, int index, SysDisplayMode *mode)
{
    DEVMODEA dm;
    if (!read_mode(device, index, &dm))
        return false;
    *mode = {(int32_t)dm.dmPelsWidth, (int32_t)dm.dmPelsHeight, (int32_t)dm.dmBitsPerPel};
    return true;
}

// CDS_FULLSCREEN: the change is not stored, so a process that ends without
// leaving full screen does not leave the desktop in its mode.
int sys_change_display_mode(const char *device, int index)
{
    DEVMODEA dm;
    if (!read_mode(device, index, &dm))
        return -1;
    dm.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    LONG r = ChangeDisplaySettingsExA(device && *device ? device : nullptr, &dm, nullptr,
                                      CDS_FULLSCREEN, nullptr);
    return r == DISP_CHANGE_SUCCESSFUL ? 0 : -1;
}

void sys_restore_display_mode()
{
    ChangeDisplaySettingsA(nullptr, 0);
}

void sys_window_set_popup(void *hwnd, bool popup)
{
    const LONG_PTR frame = 0x00CE0000;  // caption, system menu, sizing border, minimise box
    LONG_PTR style = GetWindowLongPtrA((HWND)hwnd, GWL_STYLE);
    style = popup ? (style & ~frame) | WS_POPUP : (style & ~(LONG_PTR)WS_POPUP) | frame;
    SetWindowLongPtrA((HWND)hwnd, GWL_STYLE, style);
}

void sys_window_remove_menu(void *hwnd)
{
    if (hwnd)
        SetMenu((HWND)hwnd, nullptr);
}

void sys_window_place_top(void *hwnd, int32_t x, int32_t y)
{
    SetWindowPos((HWND)hwnd, HWND_TOP, x, y, 0, 0, SWP_NOSIZE | SWP_FRAMECHANGED);
}

void sys_window_centre_and_restore(void *hwnd, int32_t w, int32_t h)
{
    RECT work = {0, 0, 0, 0};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    int x = work.left + (work.right - work.left - w) / 2;
    int y = work.top + (work.bottom - work.top - h) / 2;
    SetWindowPos((HWND)hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    PostMessageA((HWND)hwnd, WM_SYSCOMMAND, SC_RESTORE, 0);
}

void sys_set_cursor_pos(int32_t x, int32_t y)
{
    SetCursorPos(x, y);
}

// --- the other windows ---------------------------------------------------------

struct SavedPlacement { HWND hwnd; WINDOWPLACEMENT wp; };
static SavedPlacement *g_saved;
static int g_saved_count;
static DWORD g_probe_deadline;

static BOOL CALLBACK save_proc(HWND hwnd, LPARAM)
{
    if (g_saved_count >= KV_MAX_SAVED_WINDOWS || !IsWindowVisible(hwnd))
        return TRUE;
    LONG left = (LONG)(g_probe_deadline - GetTickCount());
    if (left <= 0)
        return FALSE;
    DWORD_PTR len = 0;
    UINT wait = left < 2000 ? (UINT)left : 2000;
    if (!SendMessageTimeoutA(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, wait, &len) ||
        !len)
        return TRUE;
    char cls[16];
    if (GetClassNameA(hwnd, cls, sizeof cls) && std::strcmp(cls, "Progman") == 0)
        return TRUE;
    SavedPlacement &s = g_saved[g_saved_count];
    s.hwnd = hwnd;
    s.wp.length = sizeof s.wp;
    if (GetWindowPlacement(hwnd, &s.wp))
        g_saved_count++;
    return TRUE;
}

void sys_save_other_windows(uint32_t budget_ms)
{
    g_saved_count = 0;
    if (!g_saved)
        g_saved = (SavedPlacement *)calloc(KV_MAX_SAVED_WINDOWS, sizeof *g_saved);
    if (!g_saved)
        return;
    g_probe_deadline = GetTickCount() + budget_ms;
    EnumWindows(save_proc, 0);
}

static BOOL CALLBACK restore_proc(HWND hwnd, LPARAM)
{
    for (int i = 0; i < g_saved_count; i++)
        if (g_saved[i].hwnd == hwnd) {
            SetWindowPlacement(hwnd, &g_saved[i].wp);
            break;
        }
    return TRUE;
}

void sys_restore_other_windows()
{
    if (g_saved && g_saved_count)
        EnumWindows(restore_proc, 0);
}
