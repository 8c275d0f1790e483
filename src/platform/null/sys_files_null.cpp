// POSIX stand-in of the file services: '\' separators become '/'.
#include "platform/sys_files.h"

#include <dirent.h>
#include <sys/stat.h>

#include <string>

#include "core/kv_base.h"
#include "platform/null/path_null.h"

int sys_path_kind(const char *path)
{
    struct stat st;
    if (stat(native_path(path).c_str(), &st) != 0)
        return -1;
    return S_ISDIR(st.st_mode) ? 1 : 0;
}

int sys_list_folder(const char *folder, SysFolderVisit visit, void *ctx)
{
    std::string dir = native_path(folder);
    DIR *d = opendir(dir.c_str());
    if (!d)
        return -1;
    while (struct dirent *e = readdir(d)) {
        std::string full = dir + "/" + e->d_name;
        struct stat st;
        int is_folder = stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        if (visit(e->d_name, is_folder, ctx))
            break;
    }
    closedir(d);
    return 0;
}

FILE *sys_fopen(const char *path, const char *mode)
{
    return std::fopen(native_path(path).c_str(), mode);
}

int sys_fseek64(FILE *f, int64_t pos, int whence)
{
    return fseeko(f, (off_t)pos, whence) == 0 ? 0 : -1;
}

int64_t sys_ftell64(FILE *f)
{
    return (int64_t)ftello(f);
}

int sys_make_folder(const char *path)
{
    if (mkdir(native_path(path).c_str(), 0777) == 0)
        return 0;
    return sys_path_kind(path) == 1 ? 0 : -1;
}

int sys_replace_file(const char *from, const char *to)
{
    return std::rename(native_path(from).c_str(), native_path(to).c_str()) == 0 ? 0 : -1;
}

int sys_remove_file(const char *path)
{
    return std::remove(native_path(path).c_str()) == 0 ? 0 : -1;
}
