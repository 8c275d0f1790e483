// Pack streams: one open file per use, positions relative to the pack base.
#include <cstdio>
#include <cstring>

#include "core/byte_order.h"
#include "core/entry.h"
#include "core/pack.h"
#include "platform/sys_files.h"


static bool is_appended_marker(const char *path)
{
    return path[0] == '\x01' && path[1] == '\0';
}

int pack_open(PackStream *stream, const char *path)
{
    stream->is_open = 0;
    stream->base = 0;
    if (is_appended_marker(path)) {
        path = g_exe_path;
        stream->base = (uint64_t)g_res_offset + g_appended_pack_offset;
    }
    stream->file = sys_fopen(path, "rb");
    if (!stream->file)
        return -1;
    if (stream->base > (uint64_t)INT64_MAX || sys_fseek64(stream->file, (int64_t)stream->base, SEEK_SET) != 0) {
        std::fclose(stream->file);
        stream->file = nullptr;
        return -1;
    }
    stream->is_open = 1;
    return 0;
}

void pack_close(PackStream *stream)
{
    if (stream->is_open && stream->file)
        std::fclose(stream->file);
    stream->file = nullptr;
    stream->is_open = 0;
}

int pack_seek(PackStream *stream, uint64_t pos)
{
    uint64_t at = stream->base + pos;
    if (at < pos || at > (uint64_t)INT64_MAX)
        return -1;
    return sys_fseek64(stream->file, (int64_t)at, SEEK_SET);
}

uint64_t pack_tell(PackStream *stream)
{
    int64_t at = sys_ftell64(stream->file);
    return at < 0 ? 0 : (uint64_t)at - stream->base;
}

// Bytes from the current position to the end of the file (0 on failure).
uint64_t pack_remaining(PackStream *stream)
{
    int64_t here = sys_ftell64(stream->file);
    if (here < 0 || sys_fseek64(stream->file, 0, SEEK_END) != 0)
        return 0;
    int64_t end = sys_ftell64(stream->file);
    sys_fseek64(stream->file, here, SEEK_SET);
    return end > here ? (uint64_t)(end - here) : 0;
}

int pack_read(PackStream *stream, void *buffer, size_t n)
{
    return std::fread(buffer, 1, n, stream->file) == n ? 0 : -1;
}

int pack_read_byte(PackStream *stream, uint8_t *out)
{
    return pack_read(stream, out, 1);
}

int pack_read_u32(PackStream *stream, uint32_t *out)
{
    uint8_t b[4];
    if (pack_read(stream, b, 4) != 0)
        return -1;
    *out = get_le32(b);
    return 0;
}

int pack_read_u64(PackStream *stream, uint64_t *out)
{
    uint32_t lo, hi;
    if (pack_read_u32(stream, &lo) != 0 || pack_read_u32(stream, &hi) != 0)
        return -1;
    *out = (uint64_t)hi << 32 | lo;
    return 0;
}

void path_to_lower(char *path)
{
    for (size_t i = 0; path[i]; i++) {
        unsigned char c = (unsigned char)path[i];
        if (sjis_is_lead(c)) {
            if (!path[i + 1])
                break;
            i++;
        } else if (c >= 'A' && c <= 'Z') {
            path[i] = (char)(c + 32);
        }
    }
}

// The appended pack's path stays the marker (pack_open knows it); reports
// name the executable instead.
void pack_full_path(char *out, size_t size, uint32_t pack)
{
    const char *slot = pack < g_pack_count && g_pack_paths ? g_pack_paths[pack] : "";
    const char *prefix = (g_project_packed || is_appended_marker(slot)) ? "" : g_exe_folder;
    std::snprintf(out, size, "%s%s", prefix, slot);
}
