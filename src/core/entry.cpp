// Engine paths of the engine and the appended-data probe.
#include "core/entry.h"

#include <cstdio>
#include <cstring>

#include "core/byte_order.h"
#include "core/error_report.h"
#include "core/pack.h"
#include "platform/sys_files.h"
#include "platform/sys_shell.h"

char g_exe_path[KV_PATH_SIZE];
char g_instance_name[KV_PATH_SIZE];
char g_exe_folder[KV_PATH_SIZE];
char g_appdata_folder[KV_PATH_SIZE];
char g_documents_folder[KV_PATH_SIZE];
char g_data_folder[KV_PATH_SIZE];

void *g_hinstance;
int g_show_command;
uint8_t g_running = 1;
uint8_t g_restart_request;
int32_t g_exit_code;

uint32_t g_res_offset;
uint32_t g_exe_size;
uint64_t g_appended_pack_offset;
uint8_t g_screensaver_build;

// Rewrites every single-byte character with f; a double-byte character is
// skipped whole, so its trail byte (which may look like 'A'..'Z' or a backslash)
// is never touched.
template <class F>
static void map_single_bytes(char *s, F f)
{
    for (unsigned char *p = (unsigned char *)s; *p; p++) {
        if (sjis_is_lead(*p)) {
            if (!p[1])
                break;
            p++;
            continue;
        }
        *p = f(*p);
    }
}

static void lower_sjis(char *s)
{
    map_single_bytes(s, [](unsigned char c) {
        return (unsigned char)(c >= 'A' && c <= 'Z' ? c + 32 : c);
    });
}

static void replace_sjis(char *s, char from, char to)
{
    map_single_bytes(s, [from, to](unsigned char c) {
        return c == (unsigned char)from ? (unsigned char)to : c;
    });
}

// Drive and folder of a path (as _splitpath splits it): everything up to and
// including the last single-byte separator, or the drive alone.
static void split_folder(const char *path, char *out, size_t size)
{
    size_t end = 0;
    const unsigned char *p = (const unsigned char *)path;
    if (p[0] && p[1] == ':' && !sjis_is_lead(p[0]))
        end = 2;
    for (size_t i = 0; p[i]; i++) {
        if (sjis_is_lead(p[i])) {
            if (!p[i + 1])
                break;
            i++;
            continue;
        }
        if (p[i] == '\\' || p[i] == '/')
            end = i + 1;
    }
    if (end >= size)
        end = size - 1;
    std::memcpy(out, path, end);
    out[end] = 0;
}

// Appends '\' unless the last character is a single-byte '\'. The string is
// walked character by character so that a trail byte 0x5C does not count.
void append_folder_separator(char *s, size_t size)
{
    const unsigned char *p = (const unsigned char *)s;
    bool last_is_sep = false;
    size_t n = 0;
    while (p[n]) {
        if (sjis_is_lead(p[n]) && p[n + 1]) {
            last_is_sep = false;
            n += 2;
        } else {
            last_is_sep = p[n] == '\\';
            n++;
        }
    }
    if (!last_is_sep && n + 1 < size) {
        s[n] = '\\';
        s[n + 1] = 0;
    }
}

void init_paths_from(const char *module_path)
{
    std::snprintf(g_exe_path, sizeof g_exe_path, "%s", module_path);
    lower_sjis(g_exe_path);
    std::memcpy(g_instance_name, g_exe_path, sizeof g_exe_path);
    replace_sjis(g_instance_name, '\\', ':');
    split_folder(g_exe_path, g_exe_folder, sizeof g_exe_folder);
    replace_sjis(g_exe_folder, '/', '\\');
    append_folder_separator(g_exe_folder, sizeof g_exe_folder);
}

void init_paths()
{
    char path[KV_PATH_SIZE];
    if (!sys_module_path(path, sizeof path))
        path[0] = 0;
    init_paths_from(path);
    sys_special_folder(26, g_appdata_folder, sizeof g_appdata_folder);
    sys_special_folder(5, g_documents_folder, sizeof g_documents_folder);
}

// --- appended data ---------------------------------------------------------------

uint32_t read_res_offset()
{
    return sys_read_res_offset();
}

uint32_t read_appended_header()
{
    FILE *f = sys_fopen(g_exe_path, "rb");
    if (!f)
        return 0;
    uint8_t head[12];
    if (g_res_offset && sys_fseek64(f, g_res_offset, SEEK_SET) == 0 &&
        std::fread(head, 1, sizeof head, f) == sizeof head &&
        std::memcmp(head, "KVER", 4) == 0) {
        g_appended_pack_offset = get_le32(head + 4);
        g_screensaver_build = get_le32(head + 8) != 0;
    }
    uint32_t size = 0;
    if (sys_fseek64(f, 0, SEEK_END) == 0) {
        int64_t end = sys_ftell64(f);
        size = end > 0 && end <= (int64_t)UINT32_MAX ? (uint32_t)end : 0;
    }
    std::fclose(f);
    return size;
}

int has_appended_data()
{
    if (g_res_offset == 0)
        return 0;
    FILE *f = sys_fopen(g_exe_path, "rb");
    if (!f)
        return 0;
    char magic[4];
    int found = sys_fseek64(f, g_res_offset, SEEK_SET) == 0 &&
                std::fread(magic, 1, 4, f) == 4 && std::memcmp(magic, "KVER", 4) == 0;
    std::fclose(f);
    return found;
}

void probe_appended_data()
{
    g_exe_size = 0;
    g_res_offset = 0;
    g_res_offset = read_res_offset();
    g_exe_size = read_appended_header();
    if (g_res_offset == 0)
        message_box_printf(nullptr, "FS");
    // 4 is the value of an executable whose offset was never filled in.
    // The pack must start inside the file: a header pointing past its end
    // is no appended project.
    if (g_res_offset != 4 && g_res_offset && g_exe_size && g_res_offset != g_exe_size &&
        (uint64_t)g_res_offset + g_appended_pack_offset < g_exe_size && has_appended_data()) {
        g_project_packed = 1;
        g_appended_pack_first = 1;
    }
}
