// The memory file cache that command 15 fills: four sets of up to 512 whole
// files that the file locator searches before every other source. The sound
// thread reads the cache under g_engine_lock, so every change takes it; the
// files themselves are read before the lock is taken.
#include <cstdlib>
#include <cstring>

#include "core/error_report.h"
#include "core/locate.h"
#include "core/pack.h"
#include "core/quit.h"
#include "core/tree.h"
#include "image/file_commands.h"

void cache_drop_entry(int set, int32_t slot)
{
    FileCacheSet &c = g_file_cache[set];
    std::free(c.name[slot]);
    for (int32_t k = slot; k + 1 < KV_CACHE_SLOTS; k++) {
        c.name[k] = c.name[k + 1];
        c.size[k] = c.size[k + 1];
        c.format[k] = c.format[k + 1];
        c.data[k] = c.data[k + 1];
    }
    c.name[KV_CACHE_SLOTS - 1] = nullptr;
    c.data[KV_CACHE_SLOTS - 1] = nullptr;
}

static int32_t find_in_set(const FileCacheSet &c, int32_t count, const char *name)
{
    size_t n = std::strlen(name);
    for (int32_t k = 0; k < count; k++)
        if (c.name[k] && pack_name_equal(c.name[k], std::strlen(c.name[k]), name, n))
            return k;
    return -1;
}

static void store_entry(FileCacheSet &c, int32_t slot, char *name, uint8_t *data, uint32_t size,
                        uint32_t format)
{
    c.name[slot] = name;
    c.data[slot] = data;
    c.size[slot] = size;
    c.format[slot] = format;
}

int cache_file_in_memory(int set, int32_t count, const char *name, uint8_t sound, uint8_t evict)
{
    if (set < 0 || set >= KV_CACHE_SETS || count < 0 || count > KV_CACHE_USED_MAX)
        return -1;
    char work[KV_PATH_MAX], found[KV_PATH_MAX];
    std::strncpy(work, name, sizeof work - 1);
    work[sizeof work - 1] = 0;
    FileSource src;
    std::memset(&src, 0, sizeof src);
    int r = find_media_file(&src, found, work, sound ? 1 : 0);
    if (r != 0)
        return r < 0 ? -1 : 0;
    if (std::strlen(found) >= KV_CACHE_NAME_SIZE) {
        report_script_error(104010, 1, found);
        return -1;
    }
    char *copy = (char *)std::calloc(1, KV_CACHE_NAME_SIZE);
    if (!copy) {
        report_system_error(100010, 1);
        return -1;
    }
    std::strcpy(copy, found);
    FileCacheSet &c = g_file_cache[set];
    int32_t k = find_in_set(c, count, found);
    if (k >= 0) {
        std::lock_guard<std::recursive_mutex> lock(g_engine_lock);
        uint8_t *data = c.data[k];
        uint32_t size = c.size[k], format = c.format[k];
        cache_drop_entry(set, k);
        store_entry(c, count - 1, copy, data, size, format);
        return 0;
    }
    if (load_resource(&src, found) != 0 || !src.data) {
        std::free(src.data);
        std::free(copy);
        if (!g_quit_flag)
            report_script_error(104010, 1, found);
        return -1;
    }
    std::lock_guard<std::recursive_mutex> lock(g_engine_lock);
    if (evict && count > 0) {
        std::free(c.data[0]);
        cache_drop_entry(set, 0);
        store_entry(c, count - 1, copy, src.data, src.size, src.format);
    } else {
        store_entry(c, count, copy, src.data, src.size, src.format);
        c.count = count + 1;
    }
    return 0;
}
