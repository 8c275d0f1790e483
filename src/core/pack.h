// Pack archives (.kpf): discovery, the global entry index, update packs, and
// entry reading with checksum, repair and inflation.
//
// File layout (little-endian):
//   0  "KPF\0"          4  u32 version (>= 234 accepted)
//   8  u32 entry count  12 u32 index size     16 16 reserved bytes
//   32 the index, entries back to back:
//      +0 u32 murmur2 of the decoded name   +4 u8 length code c,
//      L = g_pack_name_table[255 - c]       +5 L name bytes, each complemented
//      +5+L u8 format code   +6+L u8 compression (0 stored, 1 zlib)
//      +7+L u32 unpacked size U   +11+L u32 stored size P   +15+L u64 offset
//      +23+L u32 murmur2 of the stored bytes
//   After each entry's stored bytes, its recovery block:
//      u32 parity size (1024, else no recovery data), u32 block count B,
//      B x u16 low half of crc32 of each 1024-byte block, then 1024 parity
//      bytes (XOR of all blocks, the last one zero-padded).
// Decoded names are lower case with '\' separators ("kvbin\kvcfg.kbn").
//
// g_pack_name_table is the identity with these twelve byte pairs swapped,
// so it is its own inverse (pack writers use the same table):
//   (0x01,0x5a) (0x03,0x47) (0x07,0x3c) (0x0b,0x66) (0x10,0x2d) (0x14,0x71)
//   (0x19,0x88) (0x22,0x9b) (0x29,0xc4) (0x33,0xae) (0x41,0xd7) (0x52,0xf0)
// g_script_key is crc32 of the six characters "KVscr1", stored high byte
// first: crc32("KVscr1") = 0x1cc20022 -> { 0x1c, 0xc2, 0x00, 0x22 }.
#pragma once

#include <cstdio>

#include "core/kv_base.h"

struct FileSource;

enum {
    KV_PACK_MAX = 100,            // packs registered at once
    KV_PACK_ENTRY_MAX = 100000,   // entries over all packs
    KV_PACK_MIN_VERSION = 234,
    KV_PACK_HEADER_SIZE = 32,
    KV_PACK_PARITY_SIZE = 1024,
    KV_PACK_FOLDER_QUEUE = 1000,
    KV_PACK_FOLDER_DEPTH = 32,
};

struct PackStream {
    FILE *file;
    uint8_t is_open;
    uint64_t base;    // every position of a pack is relative to this
};

extern char **g_pack_paths;           // KV_PACK_MAX slots
extern uint32_t g_pack_count;
extern char *g_update_pack_paths[10]; // slots 1..9: update1.kpf..update9.kpf

// The index: three parallel arrays of g_pack_index_count entries, sorted by
// hash after build_pack_index.
extern uint32_t *g_pack_index_hash;
extern uint32_t *g_pack_index_pack;
extern uint32_t *g_pack_index_pos;    // code byte position: 32 + offset in index + 4
extern uint32_t g_pack_index_count;

extern uint8_t g_pack_name_table[256];
extern uint8_t g_script_key[4];
extern uint8_t g_project_packed;
extern uint8_t g_appended_pack_first;
extern uint32_t g_pack_search_depth;  // 1: "." and its "pac" folder
extern const char g_pack_folder_name[];

// The appended pack is read from g_exe_path at g_res_offset +
// g_appended_pack_offset (core/entry.h); when the project is not packed,
// pack paths are prefixed with g_exe_folder at lookup and read time.

uint32_t crc32_compute(const void *data, size_t len);

int init_pack_name_table();
int build_pack_index();
// The same, with the pack files searched for from folder instead of the
// current one (tools and fuzzing, which must not change the current folder).
int build_pack_index_from(const char *folder);
int find_pack_files(int max_depth, const char *start);
int add_pack(const char *path);
// Frees the paths and the index (start-up can run again, as tests do).
void reset_pack_index();

int pack_open(PackStream *stream, const char *path);
void pack_close(PackStream *stream);
int pack_seek(PackStream *stream, uint64_t pos);
uint64_t pack_tell(PackStream *stream);
// Bytes between the current position and the end of the file.
uint64_t pack_remaining(PackStream *stream);
// Read exactly n bytes: 0, or -1 on a short read.
int pack_read(PackStream *stream, void *buffer, size_t n);
int pack_read_byte(PackStream *stream, uint8_t *out);
int pack_read_u32(PackStream *stream, uint32_t *out);
int pack_read_u64(PackStream *stream, uint64_t *out);

void pack_index_sort(uint32_t first, uint32_t last);
void pack_index_swap(uint32_t i, uint32_t j);
void path_to_lower(char *path);

// The path a pack is opened by at lookup and read time (out: KV_PACK_PATH_MAX).
enum { KV_PACK_PATH_MAX = 1300 };
void pack_full_path(char *out, size_t size, uint32_t pack);

int pack_find_hashed(FileSource *source, const char *name);
int load_file_from_pack(FileSource *source, const char *name);
// ASCII case-insensitive equality of two names; the second byte of a
// double-byte character compares exactly.
int pack_name_equal(const char *a, size_t alen, const char *b, size_t blen);
int verify_and_repair_pack_data(PackStream *stream, uint8_t *data, uint32_t length,
                                uint32_t expected, const char *name);
