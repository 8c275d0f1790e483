// Win32 shell services: paths, desktop, timers, processes, resources.
#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>

#include "core/byte_order.h"
#include "platform/sys_error.h"
#include "platform/sys_link.h"
#include "platform/sys_shell.h"

bool sys_module_path(char *out, size_t size)
{
    DWORD n = GetModuleFileNameA(nullptr, out, (DWORD)size);
    if (n == 0 || n >= size) {
        if (size)
            out[0] = 0;
        return false;
    }
    return true;
}

void sys_special_folder(int csidl, char *out, size_t size)
{
    char buf[MAX_PATH + 1] = "";
    if (!SHGetSpecialFolderPathA(nullptr, buf, csidl, FALSE))
        buf[0] = 0;
    std::snprintf(out, size, "%s", buf);
}

bool sys_set_current_folder(const char *folder)
{
    return SetCurrentDirectoryA(folder) != 0;
}

void sys_command_words(int *argc, char ***argv)
{
    *argc = __argc;
    *argv = __argv;
}

int sys_processor_count()
{
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    return (int)si.dwNumberOfProcessors;
}

void sys_desktop_mode(int32_t *width, int32_t *height, int32_t *bpp, int32_t *refresh)
{
    HDC dc = GetDC(nullptr);
    *width = GetDeviceCaps(dc, HORZRES);
    *height = GetDeviceCaps(dc, VERTRES);
    *bpp = GetDeviceCaps(dc, BITSPIXEL);
    *refresh = GetDeviceCaps(dc, VREFRESH);
    ReleaseDC(nullptr, dc);
}

void sys_local_time(KvSystemTime *out)
{
    SYSTEMTIME st;
    GetLocalTime(&st);
    out->year = st.wYear;
    out->month = st.wMonth;
    out->day_of_week = st.wDayOfWeek;
    out->day = st.wDay;
    out->hour = st.wHour;
    out->minute = st.wMinute;
    out->second = st.wSecond;
    out->milliseconds = st.wMilliseconds;
}

uint32_t sys_timer_begin_period()
{
    TIMECAPS tc;
    if (timeGetDevCaps(&tc, sizeof tc) != TIMERR_NOERROR)
        return 0;
    if (timeBeginPeriod(tc.wPeriodMin) != TIMERR_NOERROR)
        return 0;
    return tc.wPeriodMin;
}

void sys_timer_end_period(uint32_t period)
{
    if (period)
        timeEndPeriod(period);
}

void sys_init_common_controls()
{
    InitCommonControls();
}

void sys_show_cursor(bool show)
{
    ShowCursor(show ? TRUE : FALSE);
}

// Relative to the current folder, which is the executable's.
bool sys_start_settings_program(void *owner)
{
    return sys_shell_execute("エンジン設定.exe", "/kvcfg", owner);
}

// The path is quoted: unquoted, a path with a blank could start another
// program ("c:\program.exe" for "c:\program files\...").
bool sys_restart_process(const char *exe_path)
{
    char cmd[MAX_PATH + 8];
    std::snprintf(cmd, sizeof cmd, "\"%s\"", exe_path);
    void *process = sys_process_start(cmd);
    sys_process_close(process);
    return process != nullptr;
}

uint32_t sys_read_res_offset()
{
    HRSRC res = FindResourceA(nullptr, MAKEINTRESOURCEA(201), "KV_RES");
    if (!res || SizeofResource(nullptr, res) < 4)
        return 0;
    HGLOBAL mem = LoadResource(nullptr, res);
    const uint8_t *p = mem ? (const uint8_t *)LockResource(mem) : nullptr;
    if (!p)
        return 0;
    return get_le32(p);
}

void sys_set_thread_ideal_processor(int processor)
{
    SetThreadIdealProcessor(GetCurrentThread(), (DWORD)processor);
}
