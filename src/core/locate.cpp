// The file locator: memory cache, compiler hand-over list, disk and packs.
#include <cstring>

#include "core/locate.h"
#include "core/pack.h"
#include "core/tree.h"
#include "platform/sys_files.h"

LinkedFile *g_linked_files;
uint32_t g_linked_file_count;
FileCacheSet g_file_cache[KV_CACHE_SETS];

uint8_t g_image_ext_order[4] = {1, 2, 3, 4};
uint8_t g_sound_ext_order[2] = {1, 2};
const char *g_image_ext_list[4] = {".bmp", ".png", ".jpg", ".gif"};
uint32_t g_image_ext_count = 4;
const char *g_sound_ext_list[2] = {".wav", ".ogg"};
uint32_t g_sound_ext_count = 2;

void set_locator_extensions()
{
    static const char *images[4] = {".bmp", ".png", ".jpg", ".gif"};
    static const char *sounds[2] = {".wav", ".ogg"};
    std::memcpy(g_image_ext_list, images, sizeof images);
    std::memcpy(g_sound_ext_list, sounds, sizeof sounds);
    g_image_ext_count = 4;
    g_sound_ext_count = 2;
}

static int names_equal(const char *a, const char *b)
{
    return pack_name_equal(a, std::strlen(a), b, std::strlen(b));
}

int linked_file_find(FileSource *source, const char *name)
{
    for (uint32_t i = 0; i < g_linked_file_count; i++) {
        if (g_linked_files[i].name && names_equal(g_linked_files[i].name, name)) {
            source->kind = KV_SRC_LINKED;
            source->linked_index = i;
            return 1;
        }
    }
    return 0;
}

int memory_cache_find(FileSource *source, const char *name)
{
    for (uint32_t set = 0; set < KV_CACHE_SETS; set++) {
        const FileCacheSet &c = g_file_cache[set];
        int32_t count = c.count < 0 ? 0 : c.count > KV_CACHE_SLOTS ? KV_CACHE_SLOTS : c.count;
        for (int32_t slot = 0; slot < count; slot++) {
            if (c.name[slot] && names_equal(c.name[slot], name)) {
                source->kind = KV_SRC_CACHE;
                source->cache_set = set;
                source->cache_slot = (uint32_t)slot;
                source->format = (uint8_t)c.format[slot];
                return 1;
            }
        }
    }
    return 0;
}

static int disk_find(FileSource *source, const char *name)
{
    if (!file_exists(name))
        return 0;
    source->kind = KV_SRC_DISK;
    source->format = media_format_from_ext(name);
    return 1;
}

int locate_file(FileSource *source, const char *name)
{
    source->kind = KV_SRC_NONE;
    source->format = KV_FMT_OTHER;
    if (memory_cache_find(source, name))
        return KV_SRC_CACHE;
    if (linked_file_find(source, name))
        return KV_SRC_LINKED;
    if (!g_appended_pack_first && disk_find(source, name))
        return KV_SRC_DISK;
    int r = pack_find_hashed(source, name);
    if (r != 0)
        return r;
    if (g_appended_pack_first && disk_find(source, name))
        return KV_SRC_DISK;
    return 0;
}

static int ends_with_any(const char *name, const char *const *list, uint32_t count)
{
    for (uint32_t i = 0; i < count; i++)
        if (str_ends_with(name, list[i]))
            return 1;
    return 0;
}

// Probed extensions by order code (index 0 unused).
static const char *const k_image_probe[5] = {nullptr, ".png", ".bmp", ".jpg", ".gif"};
static const char *const k_sound_probe[3] = {nullptr, ".ogg", ".wav"};

int find_media_file(FileSource *source, char *out, char *name, int kind)
{
    char work[KV_PATH_MAX];
    sjis_replace_char(name, '\\', '/');
    if (normalize_script_path(work, name, "", 1) < 0)
        return -1;
    path_to_lower(work);
    sjis_replace_char(work, '/', '\\');
    size_t len = std::strlen(work);

    bool given = kind == 0 ? ends_with_any(work, g_image_ext_list, g_image_ext_count)
                           : ends_with_any(work, g_sound_ext_list, g_sound_ext_count);
    if (given) {
        std::memcpy(out, work, len + 1);
        int r = locate_file(source, out);
        return r == -2 ? -1 : r > 0 ? 0 : 1;
    }
    const uint8_t *order = kind == 0 ? g_image_ext_order : g_sound_ext_order;
    int steps = kind == 0 ? 4 : 2;
    uint8_t codes = kind == 0 ? 4 : 2;
    const char *const *probe = kind == 0 ? k_image_probe : k_sound_probe;
    for (int i = 0; i < steps; i++) {
        uint8_t code = order[i];
        if (code < 1 || code > codes || len + 5 > KV_PATH_MAX)
            continue;
        std::memcpy(out, work, len);
        std::memcpy(out + len, probe[code], 5);
        int r = locate_file(source, out);
        if (r == -2)
            return -1;
        if (r > 0)
            return 0;
    }
    return 1;
}

int file_exists(const char *path)
{
    return sys_path_kind(path) == 0 ? 1 : 0;
}

int file_exists_any_source(const char *name, uint8_t folder)
{
    if (folder)
        return sys_path_kind(name) == 1 ? 1 : 0;
    FileSource source;
    std::memset(&source, 0, sizeof source);
    return locate_file(&source, name) > 0 ? 1 : 0;
}

uint8_t media_format_from_ext(const char *name)
{
    static const struct {
        const char *suffix;
        uint8_t code;
    } k_formats[] = {
        {".bmp", KV_FMT_BMP}, {".png", KV_FMT_PNG}, {".jpg", KV_FMT_JPG}, {".gif", KV_FMT_GIF},
        {".psd", KV_FMT_PSD}, {".kcg", KV_FMT_KCG}, {".wav", KV_FMT_WAV}, {".ogg", KV_FMT_OGG},
    };
    for (const auto &f : k_formats)
        if (str_ends_with(name, f.suffix))
            return f.code;
    return KV_FMT_OTHER;
}

void sjis_replace_char(char *text, char from, char to)
{
    for (size_t i = 0; text[i]; i++) {
        if (sjis_is_lead((unsigned char)text[i])) {
            if (!text[i + 1])
                break;
            i++;
        } else if (text[i] == from) {
            text[i] = to;
        }
    }
}

int str_ends_with(const char *text, const char *suffix)
{
    size_t n = std::strlen(text), m = std::strlen(suffix);
    if (m > n)
        return 0;
    for (size_t i = 0; i < m; i++) {
        int a = (unsigned char)text[n - m + i], b = (unsigned char)suffix[i];
        if (a >= 'A' && a <= 'Z')
            a += 32;
        if (b >= 'A' && b <= 'Z')
            b += 32;
        if (a != b)
            return 0;
    }
    return 1;
}
