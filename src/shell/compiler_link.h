// The compiler link of a development run: the compiler is started and hands
// the compiled project over through two named shared-memory blocks.
//
// Block 1, "KAVRENCompilerFileMapObject", 512 bytes, little-endian:
//   0 u32 ready (compiler: 1 when the files are ready)
//   4 u32 acknowledge (engine: 1 once block 2 exists)   8 u32 reserved
//  12 u8 result (compiler: 1 when the compilation succeeded), 3 reserved
//  16 i32 file count   20 i32 size of block 2 (0 stands for 16)
//  24 104 reserved bytes
// 128 u32 engine version 479
// 132 380 bytes folder: the engine writes its own, the compiler may replace
//     it with the project's data folder (zero-terminated)
// Block 2, "KAVRENCompilerFileMapObject2", of the announced size: the
// records of core/linked_records.h.
#pragma once

#include "core/kv_base.h"

enum {
    KV_LINK_BLOCK1_SIZE = 512,
    KV_LINK_VERSION = 479,
    KV_LINK_FOLDER_OFFSET = 132,
    KV_LINK_FOLDER_SIZE = 380,
};
// Largest block 2 the engine takes (it is copied whole to the heap).
const int64_t KV_LINK_BLOCK2_MAX = (int64_t)1 << 30;

extern const char *const k_link_block1_name;
extern const char *const k_link_block2_name;
extern const char *const k_link_compiler_path;

// The size of block 2 to create for an announced size: 16 for 0, the size
// itself for 1..KV_LINK_BLOCK2_MAX (a hand-over of one small record may be
// shorter than 16 bytes), -1 for a negative or larger size.
int64_t link_block2_size(int32_t announced);

// Runs the compiler and takes its files: 0 (g_linked_files and
// g_data_folder set, the data folder is current), 1 or -1 to stop start-up.
int run_compiler_link();
