// Whole-file loaders, one per source kind.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/error_report.h"
#include "core/locate.h"
#include "core/pack.h"
#include "platform/sys_files.h"

int load_file_from_disk(FileSource *source, const char *name)
{
    source->size = 0;
    source->data = nullptr;
    FILE *f = sys_fopen(name, "rb");
    if (!f) {
        report_system_error(104010, 1, name);
        return -3;
    }
    std::setvbuf(f, nullptr, _IONBF, 0);
    int64_t size = -1;
    if (sys_fseek64(f, 0, SEEK_END) == 0)
        size = sys_ftell64(f);
    if (size < 0 || sys_fseek64(f, 0, SEEK_SET) != 0) {
        std::fclose(f);
        report_system_error(104010, 1, name);
        return -3;
    }
    uint8_t *data = nullptr;
    if ((uint64_t)size <= KV_FILE_SIZE_MAX)
        data = (uint8_t *)std::malloc(size ? (size_t)size : 1);
    if (!data) {
        std::fclose(f);
        report_system_error(104030, 1, name);
        return -3;
    }
    size_t got = std::fread(data, 1, (size_t)size, f);
    std::fclose(f);
    if (got != (size_t)size) {
        std::free(data);
        return -3;
    }
    source->size = (uint32_t)size;
    source->data = data;
    return 0;
}

static int copy_out(FileSource *source, const char *name, const uint8_t *bytes, uint32_t size)
{
    source->size = 0;
    source->data = nullptr;
    if (size && !bytes)
        return -3;   // a record that claims bytes it does not hold
    uint8_t *data = (uint8_t *)std::malloc(size ? size : 1);
    if (!data) {
        report_system_error(104030, 1, name);
        return -3;
    }
    if (size)
        std::memcpy(data, bytes, size);
    source->size = size;
    source->data = data;
    return 0;
}

int load_file_from_memory_table(FileSource *source, const char *name)
{
    if (source->linked_index >= g_linked_file_count)
        return -3;
    const LinkedFile &f = g_linked_files[source->linked_index];
    return copy_out(source, name, f.data, f.size);
}

int load_file_from_memory_cache(FileSource *source, const char *name)
{
    if (source->cache_set >= KV_CACHE_SETS || source->cache_slot >= KV_CACHE_SLOTS)
        return -3;
    const FileCacheSet &c = g_file_cache[source->cache_set];
    return copy_out(source, name, c.data[source->cache_slot], c.size[source->cache_slot]);
}

typedef int (*FileLoader)(FileSource *, const char *);
static const FileLoader k_loaders[5] = {
    nullptr, load_file_from_disk, load_file_from_pack, load_file_from_memory_table,
    load_file_from_memory_cache,
};

int load_resource(FileSource *source, const char *name)
{
    if (source->kind < 1 || source->kind > 4)
        return -2;
    return k_loaders[source->kind](source, name);
}
