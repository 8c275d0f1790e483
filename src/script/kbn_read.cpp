// Project-file reading: locate over the four sources, load whole, add one
// spare zero byte; and the bounds-checked cursor every loader reads through.
#include "script/kbn_read.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/error_report.h"
#include "core/locate.h"
#include "core/pack.h"
#include "script/project.h"

static int load_by_kind(FileSource *src, const char *path)
{
    switch (src->kind) {
    case KV_SRC_DISK: return load_file_from_disk(src, path);
    case KV_SRC_PACK: return load_file_from_pack(src, path);
    case KV_SRC_LINKED: return load_file_from_memory_table(src, path);
    case KV_SRC_CACHE: return load_file_from_memory_cache(src, path);
    default: return -2;
    }
}

int kbn_read_file(const char *path, KbnFile *file, int silent)
{
    file->data = nullptr;
    file->size = 0;
    FileSource src;
    std::memset(&src, 0, sizeof src);
    int kind = locate_file(&src, path);
    if (kind <= 0) {
        if (!silent) {
            if (kind == 0)
                report_system_error(104060, 1, path);
            else if (kind == -1)
                report_system_error(104010, 1, path);
            else if (kind == -2)
                report_system_error(901040, 1, path);
        }
        return kind == 0 ? KBN_MISSING : KBN_FAILED;
    }
    if (load_by_kind(&src, path) != 0 || (!src.data && src.size)) {
        std::free(src.data);
        return KBN_FAILED;
    }
    // One spare zero byte behind the data: a string that runs to the end of
    // the file still ends, whatever a reader does.
    uint8_t *data = (uint8_t *)std::malloc((size_t)src.size + 1);
    if (!data) {
        std::free(src.data);
        if (!silent)
            report_system_error(104030, 1, path);
        return KBN_FAILED;
    }
    if (src.size)
        std::memcpy(data, src.data, src.size);
    data[src.size] = 0;
    std::free(src.data);
    file->data = data;
    file->size = src.size;
    return KBN_OK;
}

void kbn_free(KbnFile *file)
{
    std::free(file->data);
    file->data = nullptr;
    file->size = 0;
}

// The engine's text for damaged project data, used when the project has none
// of its own. Every report of the code passes the file's name as its argument.
static const char g_damaged_text[] = "[%s]ファイルのデータが壊れています。";

const char *kbn_damaged_text(void)
{
    return g_damaged_text;
}

int kbn_report_damaged(const char *path)
{
    // Before kve.kbn is read (kvcfg.kbn comes first) the table may lack it.
    bool listed = false;
    for (uint32_t i = 0; i < g_error_text_count && !listed; i++)
        listed = g_error_texts[i].code == KV_ERR_PROJECT_DATA;
    if (!listed && g_error_text_count < KV_ERROR_TABLE_MAX)
        g_error_texts[g_error_text_count++] = {KV_ERR_PROJECT_DATA, g_damaged_text};
    report_system_error(KV_ERR_PROJECT_DATA, 1, path);
    return -1;
}

// --- the cursor ------------------------------------------------------------------

void kbn_cursor_init(KbnCursor *c, const uint8_t *data, uint32_t size, uint32_t pos)
{
    c->data = data;
    c->size = size;
    c->pos = pos;
    c->bad = pos > size;
}

const uint8_t *kbn_bytes(KbnCursor *c, uint64_t n)
{
    if (c->bad || n > kbn_left(c)) {
        c->bad = 1;
        return nullptr;
    }
    const uint8_t *p = c->data + c->pos;
    c->pos += (uint32_t)n;
    return p;
}

uint8_t kbn_u8(KbnCursor *c)
{
    const uint8_t *p = kbn_bytes(c, 1);
    return p ? p[0] : 0;
}

uint16_t kbn_u16(KbnCursor *c)
{
    const uint8_t *p = kbn_bytes(c, 2);
    return p ? get_le16(p) : 0;
}

uint32_t kbn_u32(KbnCursor *c)
{
    const uint8_t *p = kbn_bytes(c, 4);
    return p ? get_le32(p) : 0;
}

uint64_t kbn_u64(KbnCursor *c)
{
    const uint8_t *p = kbn_bytes(c, 8);
    return p ? ((uint64_t)get_le32(p) | (uint64_t)get_le32(p + 4) << 32) : 0;
}

const char *kbn_string(KbnCursor *c)
{
    if (c->bad)
        return nullptr;
    uint32_t left = kbn_left(c);
    const uint8_t *p = c->data + c->pos;
    const void *nul = left ? std::memchr(p, 0, left) : nullptr;
    if (!nul) {
        c->bad = 1;
        return nullptr;
    }
    c->pos += (uint32_t)((const uint8_t *)nul - p) + 1;
    return (const char *)p;
}
