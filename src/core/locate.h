// File locator and whole-file loaders: one locator over the memory cache,
// the compiler hand-over list, the disk and the packs; one loader per source.
#pragma once

#include "core/kv_base.h"

// Source kinds.
enum { KV_SRC_NONE = 0, KV_SRC_DISK = 1, KV_SRC_PACK = 2, KV_SRC_LINKED = 3, KV_SRC_CACHE = 4 };

// Media format codes.
enum {
    KV_FMT_OTHER = 0, KV_FMT_BMP = 1, KV_FMT_PNG = 2, KV_FMT_JPG = 3, KV_FMT_GIF = 4,
    KV_FMT_WAV = 5, KV_FMT_OGG = 6, KV_FMT_PSD = 7, KV_FMT_KCG = 8,
};

struct FileSource {
    uint32_t size;
    uint8_t *data;          // heap buffer after a load; the caller frees it
    uint8_t kind;           // KV_SRC_*
    uint8_t format;         // KV_FMT_*
    uint32_t pack_entry;    // index in the pack index (pack)
    uint32_t pack_number;   // pack of the entry (pack)
    uint64_t entry_pos;     // position of the entry's compression byte (pack)
    uint32_t linked_index;  // index in g_linked_files (hand-over list)
    uint32_t cache_set;     // set 0-3 of the memory cache
    uint32_t cache_slot;
};

// Files handed over by the compiler link.
struct LinkedFile {
    const char *name;
    uint32_t size;
    const uint8_t *data;
};
extern LinkedFile *g_linked_files;
extern uint32_t g_linked_file_count;

// The memory file cache that scripts fill: 4 sets of at most 512 used slots.
// The sound thread reads it while loading a sound (under g_engine_lock): every
// change to it is made under g_engine_lock.
enum { KV_CACHE_SETS = 4, KV_CACHE_SLOTS = 513 };
struct FileCacheSet {
    char *name[KV_CACHE_SLOTS];
    uint32_t size[KV_CACHE_SLOTS];
    uint32_t format[KV_CACHE_SLOTS];
    uint8_t *data[KV_CACHE_SLOTS];
    int32_t count;
};
extern FileCacheSet g_file_cache[KV_CACHE_SETS];

// Probing orders from the project settings: image codes 1 ".png", 2 ".bmp",
// 3 ".jpg", 4 ".gif"; sound codes 1 ".ogg", 2 ".wav"; other values skip a step.
extern uint8_t g_image_ext_order[4];
extern uint8_t g_sound_ext_order[2];
// The extension lists set at start-up: ".bmp" ".png" ".jpg" ".gif" and ".wav" ".ogg".
extern const char *g_image_ext_list[4];
extern uint32_t g_image_ext_count;
extern const char *g_sound_ext_list[2];
extern uint32_t g_sound_ext_count;
void set_locator_extensions();

enum { KV_FILE_SIZE_MAX = 0xFFFFFFFFu };  // larger files are refused (104030)

int locate_file(FileSource *source, const char *name);
// out must hold KV_PATH_MAX bytes; name is changed in place ('\' -> '/').
int find_media_file(FileSource *source, char *out, char *name, int kind);
int load_resource(FileSource *source, const char *name);
int file_exists_any_source(const char *name, uint8_t folder);
int file_exists(const char *path);

// Finders: 1 found (source filled), 0 not found.
int linked_file_find(FileSource *source, const char *name);
int memory_cache_find(FileSource *source, const char *name);

// Loaders: 0, or -3 (-2 for a damaged pack entry).
int load_file_from_disk(FileSource *source, const char *name);
int load_file_from_memory_table(FileSource *source, const char *name);
int load_file_from_memory_cache(FileSource *source, const char *name);

uint8_t media_format_from_ext(const char *name);
void sjis_replace_char(char *text, char from, char to);
int str_ends_with(const char *text, const char *suffix);
