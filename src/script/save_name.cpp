// Save file names: the rules that turn a script's name into a path in the
// save folder, and the creation of that folder. Every check walks Shift-JIS
// characters: the trail byte of a double-byte character (which may be 0x5C
// or 0x7C) is never taken for a separator.
#include <cstring>

#include "core/error_report.h"
#include "core/settings.h"
#include "script/save.h"

// A byte Windows refuses in a file name (single-byte characters only).
static bool forbidden_byte(unsigned char c)
{
    return c < 0x20 || c == 0x7F || std::strchr(":*?\"<>|", c) != nullptr;
}

// The part before the first '.' is a device name (con, prn, aux, nul,
// com1-9, lpt1-9); name is lower-case already.
static bool device_name(const char *name)
{
    size_t n = std::strcspn(name, ".");
    while (n > 0 && name[n - 1] == ' ')
        n--;
    static const char *const fixed[] = {"con", "prn", "aux", "nul"};
    for (const char *d : fixed)
        if (n == 3 && std::memcmp(name, d, 3) == 0)
            return true;
    if (n == 4 && (std::memcmp(name, "com", 3) == 0 || std::memcmp(name, "lpt", 3) == 0))
        return name[3] >= '1' && name[3] <= '9';
    return false;
}

int save_file_path(const char *name, char *path, size_t size)
{
    char buf[KV_SAVE_NAME_MAX + 8];
    size_t n = std::strlen(name);
    if (n > KV_SAVE_NAME_MAX) {
        report_script_error(KV_ERR_SAVE_NAME_LONG, 1, name);
        return -1;
    }
    std::memcpy(buf, name, n + 1);
    bool bad = n == 0;
    for (size_t i = 0; i < n; i++) {
        unsigned char c = (unsigned char)buf[i];
        if (sjis_is_lead(c) && buf[i + 1]) {
            i++;
            continue;
        }
        if (c >= 'A' && c <= 'Z')
            buf[i] = (char)(c + 32);
        else if (c == '/' || c == '\\' || forbidden_byte(c))
            bad = true;
    }
    if (bad || device_name(buf)) {
        report_script_error(KV_ERR_SAVE_NAME, 1, name);
        return -1;
    }
    if (n < 3 || std::strcmp(buf + n - 3, ".sd") != 0)
        std::memcpy(buf + n, ".sd", 4);
    size_t folder = std::strlen(g_save_folder), len = std::strlen(buf);
    if (folder + len + 1 > size) {
        report_script_error(KV_ERR_SAVE_NAME_LONG, 1, name);
        return -1;
    }
    std::memcpy(path, g_save_folder, folder);
    std::memcpy(path + folder, buf, len + 1);
    return 0;
}

void save_dir_create(const char *folder)
{
    char part[KV_SAVE_FOLDER_SIZE + 64];
    size_t n = std::strlen(folder);
    if (n >= sizeof part)
        return;
    for (size_t i = 0; i < n; i++) {
        unsigned char c = (unsigned char)folder[i];
        if (sjis_is_lead(c) && folder[i + 1]) {
            i++;
            continue;
        }
        if ((c == '\\' || c == '/') && i > 0 && folder[i - 1] != ':') {
            std::memcpy(part, folder, i);
            part[i] = 0;
            if (g_save_file_ops.path_kind(part) != 1)
                g_save_file_ops.make_folder(part);
        }
    }
    if (n > 0 && g_save_file_ops.path_kind(folder) != 1)
        g_save_file_ops.make_folder(folder);
}
