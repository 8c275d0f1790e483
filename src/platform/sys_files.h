// File-system services used by the pack finder and the file locator. Paths
// are Shift-JIS bytes with '\' separators, as the engine builds them.
#pragma once

#include <cstdint>
#include <cstdio>

// Attributes of a path: -1 missing, 0 file, 1 folder.
int sys_path_kind(const char *path);

// Calls visit(name, is_folder, ctx) for each entry of a folder in the order
// the system lists it ("." and ".." included); visit returns non-zero to stop.
// Result: 0, or -1 when the folder cannot be listed.
typedef int (*SysFolderVisit)(const char *name, int is_folder, void *ctx);
int sys_list_folder(const char *folder, SysFolderVisit visit, void *ctx);

// fopen for engine paths.
FILE *sys_fopen(const char *path, const char *mode);
// 64-bit positioning: 0 or -1; tell gives -1 on failure.
int sys_fseek64(FILE *f, int64_t pos, int whence);
int64_t sys_ftell64(FILE *f);

// Creates one folder level: 0 when it was created or already exists, -1 otherwise.
int sys_make_folder(const char *path);
// Replaces `to` by `from` in one step (the old `to` stays whole until then): 0 or -1.
int sys_replace_file(const char *from, const char *to);
// Deletes a file: 0 or -1.
int sys_remove_file(const char *path);
