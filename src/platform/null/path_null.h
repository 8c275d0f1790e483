// The POSIX form of an engine path: '\' separators become '/'.
#pragma once

#include <string>

#include "core/kv_base.h"

// The trail byte of a double-byte character may be 0x5C; only single-byte
// backslashes are separators.
inline std::string native_path(const char *path)
{
    std::string s(path);
    for (size_t i = 0; i < s.size(); i++) {
        if (sjis_is_lead((unsigned char)s[i]) && i + 1 < s.size())
            i++;
        else if (s[i] == '\\')
            s[i] = '/';
    }
    return s;
}
