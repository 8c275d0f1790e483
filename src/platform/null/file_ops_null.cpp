// POSIX stand-in of the file operations; the registry holds nothing and the
// shell opens nothing.
#include "platform/sys_file_ops.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "core/kv_base.h"
#include "platform/null/path_null.h"

bool sys_copy_file(const char *from, const char *to)
{
    FILE *in = std::fopen(native_path(from).c_str(), "rb");
    if (!in)
        return false;
    FILE *out = std::fopen(native_path(to).c_str(), "wb");
    bool ok = out != nullptr;
    char buf[16384];
    size_t n;
    while (ok && (n = std::fread(buf, 1, sizeof buf, in)) > 0)
        ok = std::fwrite(buf, 1, n, out) == n;
    ok = ok && !std::ferror(in);
    std::fclose(in);
    if (out && std::fclose(out) != 0)
        ok = false;
    return ok;
}

bool sys_remove_folder(const char *path)
{
    return rmdir(native_path(path).c_str()) == 0;
}

int64_t sys_find_file_size(const char *name)
{
    struct stat st;
    if (stat(native_path(name).c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return -1;
    return (int64_t)st.st_size;
}

bool sys_shell_open(const char *, const char *, void *, bool)
{
    return false;
}

int read_registry_value(uintptr_t, const char *, const char *, char *buf, uint32_t buf_size)
{
    if (buf && buf_size)
        buf[0] = 0;
    return -1;
}
