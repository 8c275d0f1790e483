// Registry reads over Win32: a key opened for reading only.
#include <windows.h>

#include "platform/sys_registry.h"

#ifndef HKEY_DYN_DATA
#define HKEY_DYN_DATA ((HKEY)(ULONG_PTR)((LONG)0x80000006))
#endif

static HKEY root_key(int root)
{
    static const HKEY roots[KV_REG_ROOT_COUNT] = {
        HKEY_CLASSES_ROOT, HKEY_CURRENT_USER,     HKEY_LOCAL_MACHINE, HKEY_USERS,
        HKEY_PERFORMANCE_DATA, HKEY_CURRENT_CONFIG, HKEY_DYN_DATA,
    };
    return (root >= 0 && root < KV_REG_ROOT_COUNT) ? roots[root] : nullptr;
}

int read_registry_value(int root, const char *subkey, const char *name, char *buffer,
                        uint32_t size, uint32_t *length)
{
    if (size)
        buffer[0] = 0;
    HKEY base = root_key(root), key;
    if (!base || RegOpenKeyExA(base, subkey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return -1;
    DWORD type = 0, n = size;
    LONG r = RegQueryValueExA(key, (name && name[0]) ? name : nullptr, nullptr, &type,
                              (BYTE *)buffer, &n);
    RegCloseKey(key);
    if (r != ERROR_SUCCESS || n > size)
        return -1;
    if (length)
        *length = n;
    return 0;
}
