// Save slots and save files: the slot cache that command 69 fills, the
// writer that puts the cached slots into a save file (create, append,
// rewrite), the loader of command 40, and the file-name rules.
//
// Save file ".sd" in the save folder, little-endian throughout:
//
//     offset  width  field
//          0      4  magic "KVSD"
//          4      4  u32 version, 312
//          8      4  u32 number of records in the file
//         12      4  u32 number of table entries, 1024 (written, never checked)
//         16   4096  slot table: 1024 u32 file offsets; entry k (0-based)
//                    belongs to slot k+1; 0 = slot empty
//       4112    ...  slot entries, back to back
//
// Slot entry, at the offset its table entry gives:
//
//          0      4  u32 slot number (1..1024)
//          4      1  u8 kind: 0 variable record, 1 image record
//          5      1  u8 1
//          6      2  two bytes 0
//          8      4  u32 P, length of the compressed body
//         12      4  u32 U, length of the body before compression
//         16      P  the body: a zlib stream (compress2, level 1)
//
// A cached record (g_slot_data) is the entry without its slot number: kind,
// 1, 0, 0, P, U and the compressed body; its length (g_slot_size) is 12 + P.
//
// Variable body (U bytes):
//
//     u32 type: 1 integer (i64), 2 float (double), 3 string
//     u32 dims: number of dimensions of the stored data, 0 for one element
//     dims x u32: the size of each dimension, in the variable's order
//     u32 data length, then the data: integers and floats as 8-byte values
//         in element order; strings as a u32 length and that many bytes per
//         element, no terminator
//
// A whole variable stores its dimensions and all its elements; one element
// stores dims 0 and one value.
//
// Image body (U = 1544 + 4 x width x height bytes):
//
//          0      4  u32 1536, the size of the layer-state block
//          4      4  u32 pixel bytes, 4 x width x height
//          8   1536  the layer-state block (graphics/layer.h), width at
//                    block offset 112 and height at 116 (i32)
//       1544    ...  the pixels, B G R A, rows top to bottom, no padding
//
// A rewrite keeps the old entries in their order, replaces the cached slots
// in place and appends the rest; it is written to "<file>.tmp", which then
// replaces the file, so that a failure at any point leaves the old file.
#pragma once

#include <cstdio>

#include "core/byte_order.h"
#include "core/kv_base.h"

struct LayerState;
struct TreeNode;

enum {
    KV_SAVE_SLOTS = 1024,
    KV_SAVE_VERSION = 312,
    KV_SAVE_HEAD = 16,
    KV_SAVE_ENTRIES = 4112,        // first entry: after the head and the table
    KV_SAVE_ENTRY_HEAD = 16,
    KV_SAVE_RECORD_HEAD = 12,
    KV_SAVE_NAME_MAX = 32,
    KV_SAVE_STATE_SIZE = 1536,
    KV_SAVE_IMAGE_HEAD = 8 + 1536,
    KV_SAVE_LEVEL = 1
};
// Largest variable data the loader takes (and the writer makes).
static const int64_t KV_SAVE_DATA_MAX = 40000000;

// An entry's unpacked size U against its packed size P: a zlib stream
// inflates to at most about 1032 times its size, and no body is larger than
// the largest image.
static inline bool save_unpacked_plausible(uint64_t packed, uint64_t unpacked)
{
    return unpacked <= packed * 1032 + 64 &&
           unpacked <= (uint64_t)KV_SAVE_IMAGE_HEAD + 4ULL * 8192 * 8192;
}

enum : uint32_t {
    KV_ERR_SAVE_OPEN = 102100,       // file to load not found
    KV_ERR_SAVE_EMPTY_SLOT = 102110,
    KV_ERR_SAVE_TYPE = 102120,
    KV_ERR_SAVE_IO = 102140,         // create, write, seek or close failed
    KV_ERR_SAVE_NAME = 102150,       // name with a separator or a forbidden part
    KV_ERR_SAVE_NAME_LONG = 102160,
    KV_ERR_SAVE_CACHED = 102170,     // slot cached twice
    KV_ERR_SAVE_MAGIC = 108030,      // not a save file, or a damaged one
    KV_ERR_SAVE_VERSION = 108040,
    KV_ERR_SAVE_KIND_IMAGE = 108050,
    KV_ERR_SAVE_TOO_LARGE = 108070,
    KV_ERR_SAVE_DIMS = 108080,
    KV_ERR_SAVE_SIZES = 108090,
    KV_ERR_SAVE_KIND_VAR = 108100,
    KV_ERR_SAVE_STATE = 108110,
    KV_ERR_SAVE_DAMAGED = 900000,
    KV_ERR_SAVE_NO_LAYER = 101250,
    KV_ERR_SAVE_RANGE = 101000
};

// --- the slot cache ---------------------------------------------------------------
extern uint8_t *g_slot_data[KV_SAVE_SLOTS];
extern int32_t g_slot_size[KV_SAVE_SLOTS];

// Index 0..1023 frees that slot's record; -1 frees all.
void save_cache_free(int index);
// Uncompressed length of a record with its 12-byte head (64-bit), or -1
// after a report (108070 for a record the loader would refuse).
int64_t save_record_size(int slot_index, int is_image, uint32_t var_id, int64_t element,
                         int whole, const LayerState *layer);
// Builds the record into the cache. 0, or -1 (reported, or "Compress Error."
// shown and the record dropped).
int save_record_build(int slot_index, int is_image, uint32_t var_id, int64_t element,
                      int whole, const LayerState *layer, int64_t length);

// --- files ------------------------------------------------------------------------
// The file operations of the save code (the platform's, or a test's).
struct SaveFileOps {
    FILE *(*open)(const char *path, const char *mode);
    size_t (*read)(void *buf, size_t n, FILE *f);
    size_t (*write)(const void *buf, size_t n, FILE *f);
    int (*seek)(FILE *f, int64_t pos, int whence);   // 0 or -1
    int64_t (*tell)(FILE *f);
    int (*close)(FILE *f);                           // 0 or EOF
    int (*replace)(const char *from, const char *to);
    int (*remove)(const char *path);
    int (*make_folder)(const char *path);
    int (*path_kind)(const char *path);              // -1 missing, 0 file, 1 folder
};
extern SaveFileOps g_save_file_ops;
// Back to the platform's operations.
void save_file_ops_reset(void);

// The file-name rules: lower-case, '/' to '\', at most 32 bytes, no '\',
// ':', control bytes, characters Windows refuses or device names, ".sd"
// appended. Writes the save folder and the name into path (size bytes).
// 0, or -1 after the report (102150, 102160).
int save_file_path(const char *name, char *path, size_t size);
// Creates the folder of path with every missing level.
void save_dir_create(const char *folder);

// Writes every cached slot into the file at path (create, append or
// rewrite). 0, or -1 after a report; the cache is emptied on success.
int save_file_write(const char *path);

// Reads slot `slot` (1..1024) of the file at path: its kind and its
// inflated body (malloc'd, *size bytes). 0, or -1 after a report or a
// message box.
int save_file_read_slot(const char *path, int slot, uint8_t *kind, uint8_t **body,
                        uint32_t *size);
// Loads a variable body into a variable reference. 0, or -1 after a report.
int save_load_variable(const uint8_t *body, uint32_t size, uint32_t var_id, int64_t element,
                       int whole);
// Checks an image body and hands it to the layer hooks. 0, or -1.
int save_load_image(const uint8_t *body, uint32_t size, TreeNode *old, const char *path);

// --- image records: filled at start-up by the layer code --------------------------
struct SaveLayerHooks {
    // Pixel bytes of the layer's image (4 x width x height), -1 when none.
    int64_t (*image_bytes)(const LayerState *s);
    // Writes the image body (1544 + pixel bytes) to out.
    void (*image_write)(const LayerState *s, uint8_t *out);
    // Replaces the layer `old` (at the normalised path) by a new leaf of
    // w x h pixels copied from pixels. 0, or -1 after a report.
    int (*image_replace)(TreeNode *old, const char *path, int32_t w, int32_t h,
                         const uint8_t *pixels);
};
extern SaveLayerHooks g_save_layer_hooks;
