// Win32 file and folder operations, shell opening and the registry reader.
#include <windows.h>
#include <shellapi.h>

#include <cstring>

#include "platform/sys_file_ops.h"

bool sys_copy_file(const char *from, const char *to)
{
    return CopyFileA(from, to, FALSE) != 0;
}

bool sys_remove_folder(const char *path)
{
    return RemoveDirectoryA(path) != 0;
}

int64_t sys_find_file_size(const char *name)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(name, &fd);
    if (h == INVALID_HANDLE_VALUE)
        return -1;
    FindClose(h);
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return -1;
    return (int64_t)(((uint64_t)fd.nFileSizeHigh << 32) | fd.nFileSizeLow);
}

bool sys_shell_open(const char *file, const char *parameters, void *owner, bool wait)
{
    SHELLEXECUTEINFOA info;
    std::memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.hwnd = (HWND)owner;
    info.lpFile = file;
    info.lpParameters = parameters && parameters[0] ? parameters : nullptr;
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExA(&info))
        return false;
    if (wait && info.hProcess && (INT_PTR)info.hInstApp > 32)
        WaitForSingleObject(info.hProcess, INFINITE);
    if (info.hProcess)
        CloseHandle(info.hProcess);
    return true;
}

int read_registry_value(uintptr_t root, const char *subkey, const char *value_name, char *buf,
                        uint32_t buf_size)
{
    if (!buf || buf_size == 0)
        return -1;
    buf[0] = 0;
    HKEY key;
    if (RegOpenKeyExA((HKEY)root, subkey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return -1;
    DWORD size = buf_size - 1;   // room for the terminator the value may lack
    LONG r = RegQueryValueExA(key, value_name, nullptr, nullptr, (BYTE *)buf, &size);
    RegCloseKey(key);
    if (r != ERROR_SUCCESS) {
        buf[0] = 0;
        return -1;
    }
    buf[size < buf_size ? size : buf_size - 1] = 0;
    return 0;
}
