// Win32 input services: keyboard state, cursor, joysticks, window drag and
// the debug corner exit's question.
#include <windows.h>
#include <mmsystem.h>

#include "core/input.h"
#include "platform/sys_input.h"

int sys_keyboard_state(uint8_t out[256])
{
    return GetKeyboardState(out) ? 0 : -1;
}

void sys_clear_keyboard_state(void)
{
    BYTE zero[256] = {};
    SetKeyboardState(zero);
}

int sys_cursor_pos(int32_t *x, int32_t *y)
{
    POINT pt = {0, 0};
    BOOL ok = GetCursorPos(&pt);
    *x = pt.x;
    *y = pt.y;
    return ok ? 0 : -1;
}

int sys_screen_to_client(void *hwnd, int32_t *x, int32_t *y)
{
    POINT pt = {*x, *y};
    if (!ScreenToClient((HWND)hwnd, &pt))
        return -1;
    *x = pt.x;
    *y = pt.y;
    return 0;
}

int sys_window_is_iconic(void *hwnd)
{
    return IsIconic((HWND)hwnd) ? 1 : 0;
}

uint32_t sys_joystick_count(void)
{
    return joyGetNumDevs();
}

int sys_joystick_poll(uint32_t index, JoyReading *out)
{
    JOYINFOEX info;
    ZeroMemory(&info, sizeof info);
    info.dwSize = sizeof info;
    info.dwFlags = JOY_RETURNX | JOY_RETURNY | JOY_RETURNBUTTONS;
    MMRESULT r = joyGetPosEx(index, &info);
    if (r != JOYERR_NOERROR)
        return (int)r;
    out->x = info.dwXpos;
    out->y = info.dwYpos;
    out->buttons = info.dwButtons;
    return 0;
}

void sys_window_begin_drag(void *hwnd, uint32_t packed_pos)
{
    PostMessageA((HWND)hwnd, WM_NCLBUTTONDOWN, HTCAPTION, (LPARAM)packed_pos);
}

int sys_corner_exit_confirm(void *owner)
{
    int r = MessageBoxA((HWND)owner,
                        "マウスによる画面四隅への移動を検出しました。\n\n強制的に終了します。よろしいですか？",
                        "[デバッグ機能]", MB_YESNO | MB_ICONINFORMATION);
    return r == IDYES ? 1 : 0;
}

void sys_memory_status(uint64_t *total, uint64_t *avail, uint32_t *load)
{
    MEMORYSTATUSEX ms;
    ZeroMemory(&ms, sizeof ms);
    ms.dwLength = sizeof ms;
    if (!GlobalMemoryStatusEx(&ms)) {
        *total = *avail = 0;
        *load = 0;
        return;
    }
    *total = ms.ullTotalPhys;
    *avail = ms.ullAvailPhys;
    *load = ms.dwMemoryLoad;
}
