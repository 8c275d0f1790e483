// The script file commands (15 file utility, 16 find file), the memory file
// cache that command 15 fills and the folder-path creator.
#pragma once

#include "core/kv_base.h"

enum { KV_CACHE_USED_MAX = 512, KV_CACHE_NAME_SIZE = 261 };

// Preloads a file into cache set 0-3. The set's entries stay in order of
// arrival: a name already in the set moves to the end; with evict (a full
// set) the oldest entry leaves. 0 (also when the file is not found), or -1
// after a report. Every change is made under g_engine_lock.
int cache_file_in_memory(int set, int32_t count, const char *name, uint8_t sound, uint8_t evict);
// Frees the slot's name and moves the later slots down one place; the count
// and the slot's data are left to the caller (who holds g_engine_lock).
void cache_drop_entry(int set, int32_t slot);

// The commands after their arguments are loaded (for tests: the slots filled
// by hand).
int file_utility_run();
int find_file_run();

// Creates each folder of a '\'-separated path that ends before a '\' (so the
// last folder only when the path ends in '\'). Errors are ignored.
void create_directory_path(const char *path);
