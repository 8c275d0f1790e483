// Script commands 15 (save a layer's image, copy, delete, make and remove
// folders, open with the shell, preload into the memory cache) and 16
// (exists, size and associated program of a file). Paths are copied into
// bounded buffers of their own before anything is appended to them.
#include <cstring>

#include "core/error_report.h"
#include "core/locate.h"
#include "core/pack.h"
#include "core/tree.h"
#include "core/window.h"
#include "graphics/layer.h"
#include "image/file_commands.h"
#include "image/image_writers.h"
#include "platform/sys_error.h"
#include "platform/sys_file_ops.h"
#include "platform/sys_files.h"
#include "script/args.h"
#include "script/commands.h"
#include "script/vars.h"

// Room for a path and an appended ".png" or ".sd" within the writers' limit.
enum { FILE_ARG_MAX = KV_WRITE_PATH_MAX - 5 };

// Copies argument id lower-cased with '\' separators. False (after 104010)
// when it is too long.
static bool file_arg(uint32_t id, char *out)
{
    const char *s = arg_str(id);
    size_t n = std::strlen(s);
    if (n >= FILE_ARG_MAX) {
        report_script_error(104010, 1, s);
        return false;
    }
    std::memcpy(out, s, n + 1);
    path_to_lower(out);
    sjis_replace_char(out, '/', '\\');
    return true;
}

static bool append_if_missing(char *path, const char *ext)
{
    if (str_ends_with(path, ext))
        return true;
    size_t n = std::strlen(path), m = std::strlen(ext);
    if (n + m >= KV_WRITE_PATH_MAX)
        return false;
    std::memcpy(path + n, ext, m + 1);
    return true;
}

void create_directory_path(const char *path)
{
    char part[KV_WRITE_PATH_MAX];
    for (size_t i = 0; path[i] && i < sizeof part; i++) {
        if (sjis_is_lead((unsigned char)path[i])) {
            if (!path[i + 1])
                break;
            i++;
            continue;
        }
        if (path[i] == '\\' && i > 0) {
            std::memcpy(part, path, i);
            part[i] = 0;
            sys_make_folder(part);
        }
    }
}

// Arg 14 / 15: a set 1..4 (0 nothing); anything else is refused (101000).
static int preload(uint32_t id, const char *a, uint8_t sound)
{
    int64_t s = arg_int(id);
    if (s == 0)
        return 0;
    if (s < 0 || s > KV_CACHE_SETS) {
        report_script_error(101000, 1, "file_utility", sound ? "cache_sound" : "cache_image",
                            (int)s, 0, (int)KV_CACHE_SETS);
        return -1;
    }
    int32_t count = g_file_cache[s - 1].count;
    return cache_file_in_memory((int)s - 1, count, a, sound, count >= KV_CACHE_USED_MAX);
}

static int save_layer(char *a)
{
    char path[KV_PATH_MAX];
    if (normalize_script_path(path, arg_str(10), "W0", 0) < 0)
        return -1;
    TreeNode *node = name_tree_lookup(g_layer_tree, path, KV_FIND_LEAF);
    if (!node || !node->payload) {
        report_script_error(101250, 1, path);
        return -1;
    }
    int format = 2;   // 1 BMP, 2 PNG, 3 JPEG: a later argument wins
    if (arg_int(11) == 1)
        format = 1;
    if (arg_int(12) == 1)
        format = 2;
    if (arg_int(13) == 1)
        format = 3;
    static const char *const ext[4] = {"", ".bmp", ".png", ".jpg"};
    if (!append_if_missing(a, ext[format])) {
        report_script_error(104010, 1, a);
        return -1;
    }
    LayerState *s = (LayerState *)node->payload;
    int64_t q = arg_int(9, format == 3 ? 90 : 5);
    int r;
    if (format == 1)
        r = save_image_bmp(s, a);
    else if (format == 2)
        r = save_image_png(s, a, (int)(q < 0 ? 0 : q > 9 ? 9 : q));
    else
        r = save_image_jpeg(s, a, (int)(q < 1 ? 1 : q > 100 ? 100 : q));
    return r != 0 ? -1 : 0;
}

static void *main_window()
{
    return g_windows[0] ? g_windows[0]->hwnd : nullptr;
}

int file_utility_run()
{
    char a[KV_WRITE_PATH_MAX], b[KV_WRITE_PATH_MAX], folder[KV_WRITE_PATH_MAX];
    if (!file_arg(0, a) || !file_arg(1, b) || !file_arg(2, folder))
        return -1;
    if (folder[0] && !append_if_missing(folder, "\\"))
        return -1;
    if (preload(14, a, 0) < 0 || preload(15, a, 1) < 0)
        return -1;
    bool have_a = arg_present(0) && a[0];
    if (arg_present(10) && have_a && save_layer(a) < 0)
        return -1;
    if (arg_present(3) && folder[0])
        create_directory_path(folder);
    if (arg_present(4) && have_a && b[0])
        sys_copy_file(a, b);
    if (arg_present(5)) {
        if (have_a && append_if_missing(a, ".sd"))
            sys_remove_file(a);
        if (folder[0])
            sys_remove_folder(folder);
    }
    if ((arg_present(6) || arg_present(7)) && have_a)
        sys_shell_open(a, arg_str(8), main_window(), !arg_present(6));
    return 0;
}

// --- command 16 ------------------------------------------------------------------

enum { FIND_FOLDER = 0, FIND_FILE = 1, FIND_IMAGE = 2, FIND_SOUND = 3 };

static int exists_with(const char *name, const char *const *ext, int n)
{
    if (file_exists_any_source(name, 0))
        return 1;
    char probe[KV_PATH_MAX];
    size_t len = std::strlen(name);
    for (int i = 0; i < n; i++) {
        size_t m = std::strlen(ext[i]);
        if (len + m >= sizeof probe)
            continue;
        std::memcpy(probe, name, len);
        std::memcpy(probe + len, ext[i], m + 1);
        if (file_exists_any_source(probe, 0))
            return 1;
    }
    return 0;
}

static int file_query_exists(int kind, const char *name)
{
    static const char *const images[] = {".bmp", ".png", ".jpg", ".gif", ".psd"};
    static const char *const sounds[] = {".ogg", ".wav"};
    switch (kind) {
    case FIND_FOLDER: return file_exists_any_source(name, 1);
    case FIND_FILE: return file_exists_any_source(name, 0);
    case FIND_IMAGE: return exists_with(name, images, 5);
    default: return exists_with(name, sounds, 2);
    }
}

int find_file_run()
{
    int kind = -1;
    for (int k = FIND_SOUND; k >= FIND_FOLDER && kind < 0; k--)
        if (arg_present((uint32_t)k))
            kind = k;
    uint32_t p = arg_pos(7);
    if (kind < 0 || !p)
        return 0;
    char name[KV_PATH_MAX] = "";
    const char *given = arg_str((uint32_t)kind);
    if (std::strlen(given) < sizeof name)   // a longer name names no file
        std::strcpy(name, given);
    path_to_lower(name);
    sjis_replace_char(name, '/', '\\');
    uint32_t id = g_arg_slots.var_id[p];
    int64_t elem = g_arg_slots.var_elem[p];
    if (arg_present(4)) {
        var_set_number(id, elem, file_query_exists(kind, name));
    } else if (arg_present(5)) {
        int64_t size = kind == FIND_FILE ? sys_find_file_size(name) : 0;
        var_set_number(id, elem, size < 0 ? 0 : size);
    } else if (arg_present(6)) {
        const VarDescriptor *v = var_descriptor(id);
        char program[264];
        std::memset(program, 0, sizeof program);
        if (kind != FIND_FOLDER && !sys_find_executable(name, program, sizeof program))
            program[0] = 0;
        if (v && v->type == VAR_TYPE_STRING)
            store_string_element(id, elem, program);
        else
            var_set_number(id, elem, 0);
    }
    return 0;
}

int cmd_file_utility(void) { return run_with_args(15, file_utility_run); }
int cmd_find_file(void) { return run_with_args(16, find_file_run); }
