// Win32 file services (ANSI code page names: Shift-JIS bytes as they stand).
#include <windows.h>

#include <cstring>
#include <string>

#include "platform/sys_files.h"

int sys_path_kind(const char *path)
{
    DWORD a = GetFileAttributesA(path);
    if (a == INVALID_FILE_ATTRIBUTES)
        return -1;
    return (a & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
}

int sys_list_folder(const char *folder, SysFolderVisit visit, void *ctx)
{
    std::string pattern = std::string(folder) + "\\*.*";
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(pattern.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return -1;
    do {
        if (visit(fd.cFileName, (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0, ctx))
            break;
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return 0;
}

FILE *sys_fopen(const char *path, const char *mode)
{
    return std::fopen(path, mode);
}

int sys_fseek64(FILE *f, int64_t pos, int whence)
{
    return _fseeki64(f, pos, whence) == 0 ? 0 : -1;
}

int64_t sys_ftell64(FILE *f)
{
    return _ftelli64(f);
}

int sys_make_folder(const char *path)
{
    if (CreateDirectoryA(path, nullptr))
        return 0;
    return sys_path_kind(path) == 1 ? 0 : -1;
}

int sys_replace_file(const char *from, const char *to)
{
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 0 : -1;
}

int sys_remove_file(const char *path)
{
    return DeleteFileA(path) ? 0 : -1;
}
