// Program entry: single instance, paths, start-up, main loop, shutdown and the
// optional restart.
#include <windows.h>
#include <objbase.h>

#include "core/entry.h"
#include "platform/sys_shell.h"
#include "shell/main_loop.h"
#include "shell/startup.h"

// Slot 0 the start-up mutex "kavren1", slot 1 the per-executable mutex.
static HANDLE g_instance_mutexes[2];

static void close_mutex(int slot)
{
    if (g_instance_mutexes[slot]) {
        ReleaseMutex(g_instance_mutexes[slot]);
        CloseHandle(g_instance_mutexes[slot]);
        g_instance_mutexes[slot] = nullptr;
    }
}

// Brings the running engine of this executable to the front.
static void show_running_instance()
{
    HWND other = FindWindowA(g_instance_name, nullptr);
    if (!other)
        return;
    if (IsIconic(other))
        ShowWindow(other, SW_RESTORE);
    SetForegroundWindow(other);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command)
{
    // "kavren1" guards only the check: another engine is starting or running.
    g_instance_mutexes[0] = CreateMutexA(nullptr, FALSE, "kavren1");
    if (!g_instance_mutexes[0] || GetLastError() == ERROR_ALREADY_EXISTS) {
        if (g_instance_mutexes[0])
            CloseHandle(g_instance_mutexes[0]);
        return 0;
    }
    init_paths();
    g_instance_mutexes[1] = CreateMutexA(nullptr, FALSE, g_instance_name);
    if (!g_instance_mutexes[1]) {
        close_mutex(0);
        return 0;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(g_instance_mutexes[1]);
        g_instance_mutexes[1] = nullptr;
        show_running_instance();
        close_mutex(0);
        return 0;
    }
    close_mutex(0);

    g_hinstance = instance;
    g_show_command = show_command;
    sys_set_current_folder(g_exe_folder);
    probe_appended_data();
    if (g_screensaver_build && run_screensaver_mode() != 0) {
        close_mutex(1);
        return 0;
    }
    CoInitialize(nullptr);
    if (engine_startup() == 0) {
        drain_messages();
        run_main_loop();
    }
    engine_shutdown();
    CoUninitialize();
    close_mutex(1);
    if (g_restart_request)
        sys_restart_process(g_exe_path);
    return g_exit_code;
}
