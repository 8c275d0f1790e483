// Reading compiled project files: the whole file from the first source that
// has it (with one spare zero byte), and a bounds-checked cursor over it.
#pragma once

#include "core/byte_order.h"
#include "core/kv_base.h"

// A read project file. data holds size bytes plus a zero byte; the caller
// frees it with kbn_free.
struct KbnFile {
    uint8_t *data;
    uint32_t size;
};

// Results of kbn_read_file.
enum { KBN_OK = 0, KBN_MISSING = 1, KBN_FAILED = 2 };

// Reads `path` (relative to the data folder, e.g. "kvbin\\kvc.kbn") whole.
// silent = 0: a missing or unreadable file is reported (104060, 104010,
// 901040, fatal); silent = 1: nothing is reported.
int kbn_read_file(const char *path, KbnFile *file, int silent);
void kbn_free(KbnFile *file);

// A cursor that never reads past the end: any read beyond it sets `bad` and
// gives zeros; callers test `bad` once after a group of reads.
struct KbnCursor {
    const uint8_t *data;
    uint32_t size;
    uint32_t pos;
    uint8_t bad;
};

void kbn_cursor_init(KbnCursor *c, const uint8_t *data, uint32_t size, uint32_t pos);
uint8_t kbn_u8(KbnCursor *c);
uint16_t kbn_u16(KbnCursor *c);
uint32_t kbn_u32(KbnCursor *c);
uint64_t kbn_u64(KbnCursor *c);
// Skips n bytes; a pointer to them, or null (and bad) when they run off.
const uint8_t *kbn_bytes(KbnCursor *c, uint64_t n);
// A NUL-terminated string inside the file: its start, or null (and bad) when
// no NUL comes before the end of the file.
const char *kbn_string(KbnCursor *c);
// Bytes left after the cursor.
static inline uint32_t kbn_left(const KbnCursor *c)
{
    return c->pos <= c->size ? c->size - c->pos : 0;
}

// The fatal report of a damaged project file (KV_ERR_PROJECT_DATA with the
// path). Returns -1.
int kbn_report_damaged(const char *path);
// The engine's text of that code (a format taking the file's name), kept in
// the error table when the project has no text of its own for the code.
const char *kbn_damaged_text(void);
