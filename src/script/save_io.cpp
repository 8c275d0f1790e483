// The file operations of the save code: the platform's by default; tests put
// a fault-injecting layer here.
#include "platform/sys_files.h"
#include "script/save.h"

static size_t io_read(void *buf, size_t n, FILE *f)
{
    return std::fread(buf, 1, n, f);
}

static size_t io_write(const void *buf, size_t n, FILE *f)
{
    return std::fwrite(buf, 1, n, f);
}

static int io_close(FILE *f)
{
    return std::fclose(f);
}

static const SaveFileOps k_platform_ops = {
    sys_fopen, io_read, io_write, sys_fseek64, sys_ftell64, io_close,
    sys_replace_file, sys_remove_file, sys_make_folder, sys_path_kind,
};

SaveFileOps g_save_file_ops = k_platform_ops;

void save_file_ops_reset(void)
{
    g_save_file_ops = k_platform_ops;
}
