// Platform side of registry reads. Win32: src/platform/win32/registry_win32.cpp;
// stand-in: src/platform/null/desktop_null.cpp (values a test put there).
#pragma once

#include <cstdint>

// The predefined root keys, in the order of their names' prefixes.
enum {
    KV_REG_CLASSES_ROOT, KV_REG_CURRENT_USER, KV_REG_LOCAL_MACHINE, KV_REG_USERS,
    KV_REG_PERFORMANCE_DATA, KV_REG_CURRENT_CONFIG, KV_REG_DYN_DATA, KV_REG_ROOT_COUNT
};

// Reads the value `name` (null or "": the key's default value) of the key
// `subkey` under root (KV_REG_*), opened for reading only, into buffer of
// `size` bytes. buffer[0] is 0 before the query. 0 with *length = the bytes
// of the value (at most size; the buffer is not necessarily terminated), or
// -1 when the key or value cannot be read or does not fit.
int read_registry_value(int root, const char *subkey, const char *name, char *buffer,
                        uint32_t size, uint32_t *length);
