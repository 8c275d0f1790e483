// The writers' output file: written beside the target under a temporary
// name and moved over it only when every byte reached the disk.
#include <cstring>

#include "image/image_writers.h"
#include "platform/sys.h"
#include "platform/sys_files.h"

static size_t default_write(const void *data, size_t size, FILE *f)
{
    return std::fwrite(data, 1, size, f);
}

static const ImageFileOps k_default_ops = {sys_fopen,        default_write,   std::fclose,
                                           sys_replace_file, sys_remove_file, sys_message_box};

ImageFileOps g_image_file_ops = k_default_ops;

void image_file_ops_reset()
{
    g_image_file_ops = k_default_ops;
}

bool image_out_open(ImageOutFile *o, const char *path)
{
    o->f = nullptr;
    o->failed = true;
    size_t n = std::strlen(path);
    if (n == 0 || n >= sizeof o->path)
        return false;
    std::memcpy(o->path, path, n + 1);
    std::memcpy(o->temp, path, n);
    std::memcpy(o->temp + n, ".tmp", 5);
    o->f = g_image_file_ops.open(o->temp, "wb");
    if (!o->f)
        return false;
    o->failed = false;
    return true;
}

bool image_out_write(ImageOutFile *o, const void *data, size_t size)
{
    if (o->failed)
        return false;
    if (size && g_image_file_ops.write(data, size, o->f) != size)
        o->failed = true;
    return !o->failed;
}

bool image_out_commit(ImageOutFile *o)
{
    if (!o->f)
        return false;
    bool ok = !o->failed;
    if (g_image_file_ops.close(o->f) != 0)
        ok = false;
    o->f = nullptr;
    if (ok && g_image_file_ops.replace(o->temp, o->path) == 0)
        return true;
    g_image_file_ops.remove(o->temp);
    return false;
}

void image_out_abandon(ImageOutFile *o)
{
    if (!o->f)
        return;
    g_image_file_ops.close(o->f);
    o->f = nullptr;
    g_image_file_ops.remove(o->temp);
}

int image_out_error()
{
    g_image_file_ops.message(nullptr, "File Create Error.");
    return -1;
}

int image_out_finish(ImageOutFile *o, int r)
{
    if (r != 0 && !o->failed) {
        image_out_abandon(o);
        return r;
    }
    if (r != 0 || !image_out_commit(o)) {
        image_out_abandon(o);
        return image_out_error();
    }
    return 0;
}
