// File and folder operations of the script file commands (beside those of
// sys_files.h), the registry reader and shell opening. Paths are Shift-JIS bytes with '\' separators.
// Win32: src/platform/win32/file_ops_win32.cpp; stand-in: src/platform/null.
#pragma once

#include <cstddef>
#include <cstdint>

// Each gives true on success.
bool sys_copy_file(const char *from, const char *to);       // an existing `to` is overwritten
bool sys_remove_folder(const char *path);

// Size of the file a find for `name` hits first; -1 when there is none or
// the hit is a folder.
int64_t sys_find_file_size(const char *name);

// Opens a file with the shell (no verb, show normal); owner: a window or
// null. With wait, waits for the started process to end. True when started.
bool sys_shell_open(const char *file, const char *parameters, void *owner, bool wait);

// Registry roots by their HKEY numbers (0x80000000 HKEY_CLASSES_ROOT up).
// Reads a value (opened for query only) into buf; buf is always terminated
// (a string value longer than the buffer is cut). 0 success, -1 failure.
int read_registry_value(uintptr_t root, const char *subkey, const char *value_name, char *buf,
                        uint32_t buf_size);
