// Win32 compiler-link services: page-file backed mappings and the compiler
// process.
#include <windows.h>

#include <cstring>

#include "platform/sys_link.h"

int sys_shared_create(SysSharedBlock *block, const char *name, uint32_t size)
{
    *block = {};
    HANDLE map = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, name);
    if (!map)
        return -1;
    // A block left by another engine: its compiler would answer that one.
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(map);
        return -1;
    }
    void *view = MapViewOfFile(map, FILE_MAP_ALL_ACCESS, 0, 0, size);
    if (!view) {
        CloseHandle(map);
        return -1;
    }
    block->handle = map;
    block->view = (uint8_t *)view;
    block->size = size;
    return 0;
}

void sys_shared_close(SysSharedBlock *block)
{
    if (block->view)
        UnmapViewOfFile(block->view);
    if (block->handle)
        CloseHandle((HANDLE)block->handle);
    *block = {};
}

void *sys_process_start(const char *command_line)
{
    char cmd[MAX_PATH + 16];
    size_t n = std::strlen(command_line);
    if (n >= sizeof cmd)
        return nullptr;
    std::memcpy(cmd, command_line, n + 1);
    STARTUPINFOA si;
    GetStartupInfoA(&si);
    si.cb = sizeof si;
    si.dwFlags |= STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, cmd, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                        nullptr, &si, &pi))
        return nullptr;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

int sys_process_running(void *process)
{
    // The handle's state, not the exit code: a compiler that ends with code
    // 259 (STILL_ACTIVE) would otherwise be waited for forever.
    return process && WaitForSingleObject((HANDLE)process, 0) == WAIT_TIMEOUT;
}

void sys_process_close(void *process)
{
    if (process)
        CloseHandle((HANDLE)process);
}
