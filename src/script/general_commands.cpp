// Commands 5, 6, 13, 23 and 61: clipboard text, engine switches, frame
// timing and registry reads; the eight argument-only commands live with the
// argument loader.
#include <cstdio>
#include <cstring>

#include "core/engine_state.h"
#include "core/error_report.h"
#include "core/frame_state.h"
#include "core/locate.h"
#include "core/window.h"
#include "platform/sys_clipboard.h"
#include "platform/sys_registry.h"
#include "script/args.h"
#include "script/commands.h"
#include "script/general.h"
#include "script/vars.h"

void *script_owner_window()
{
    return g_windows[0] ? g_windows[0]->hwnd : nullptr;
}

void restart_frame_timer(int64_t rate)
{
    if (rate < 1)
        rate = 1;
    if (rate > KV_FPS_MAX)
        rate = KV_FPS_MAX;
    g_fps_target = (int32_t)rate;
}

size_t clipboard_filter_text(const char *in, size_t n, char *out)
{
    size_t o = 0;
    for (size_t i = 0; i < n && i < KV_CLIP_TAKE && in[i]; i++) {
        unsigned char c = (unsigned char)in[i];
        if (sjis_is_lead(c)) {
            if (i + 1 >= n || !in[i + 1])
                break;   // no second byte: the lead byte alone is dropped
            out[o++] = in[i];
            out[o++] = in[++i];
        } else if (c >= 0x20) {
            out[o++] = in[i];
        }
    }
    out[o] = 0;
    return o;
}

int copy_to_clipboard_run()
{
    if (!arg_present(0) || !arg_present(1))
        return 0;
    const char *text = arg_str(1);
    if (sys_clipboard_set_text(script_owner_window(), text, std::strlen(text)) == KV_CLIP_NO_MEMORY) {
        report_script_error_text(VAR_ERR_NO_MEMORY, 1);
        return -1;
    }
    return 0;
}

int paste_from_clipboard_run()
{
    if (!arg_present(0))
        return 0;
    char raw[KV_CLIP_TAKE + 1], text[KV_CLIP_TAKE + 2];
    int64_t n = sys_clipboard_get_text(script_owner_window(), raw, sizeof raw);
    if (n < 0)
        return -1;
    clipboard_filter_text(raw, (size_t)n, text);
    if (uint32_t p = arg_pos(1))
        store_string_element(g_arg_slots.var_id[p], g_arg_slots.var_elem[p], text);
    return 0;
}

void set_switches_run()
{
    for (uint32_t k = 1; k <= 104; k++)
        if (arg_present(k + 1))
            g_engine_switches[k] = (uint8_t)arg_int(k + 1);
}

void set_frame_timing_run()
{
    if (arg_present(0))
        restart_frame_timer(arg_int(0));
    if (arg_present(1))
        g_frame_skip_enabled = arg_int(1) != 0;   // 2^32 stays "on"
}

int registry_path_split(char *path, const char **subkey)
{
    static const char *const prefixes[KV_REG_ROOT_COUNT] = {
        "HKEY_CLASSES_ROOT\\", "HKEY_CURRENT_USER\\",  "HKEY_LOCAL_MACHINE\\",
        "HKEY_USERS\\",        "HKEY_PERFORMANCE_DATA\\", "HKEY_CURRENT_CONFIG\\",
        "HKEY_DYN_DATA\\",
    };
    sjis_replace_char(path, '/', '\\');
    for (int root = 0; root < KV_REG_ROOT_COUNT; root++) {
        size_t n = std::strlen(prefixes[root]);
        if (std::strncmp(path, prefixes[root], n) == 0) {
            *subkey = path + n;
            return root;
        }
    }
    return -1;
}

enum { KV_REG_BUFFER = 1024 };

int reg_read_run()
{
    char path[KV_ARG_STRING_SIZE];
    std::snprintf(path, sizeof path, "%s", arg_str(0));
    const char *subkey;
    int root = registry_path_split(path, &subkey);
    uint32_t p = arg_pos(2);
    if (root < 0 || !p)
        return 0;
    uint32_t id = g_arg_slots.var_id[p];
    int64_t elem = g_arg_slots.var_elem[p];
    const VarDescriptor *v = var_descriptor(id);
    char value[KV_REG_BUFFER];
    uint32_t length = 0;
    if (read_registry_value(root, subkey, arg_present(1) ? arg_str(1) : nullptr, value,
                            sizeof value, &length) != 0) {
        store_empty_result(id, elem);
        return 0;
    }
    // Every type is taken as text: the bytes up to the first NUL inside the
    // value (a value that fills the buffer has no terminator of its own).
    if (v && v->type == VAR_TYPE_STRING)
        var_set_string(id, elem, value, (uint32_t)strnlen(value, length));
    return 0;
}

int cmd_copy_to_clipboard(void)
{
    return (load_command_args(5) & 0xFF) ? -1 : copy_to_clipboard_run();
}

int cmd_paste_from_clipboard(void)
{
    return (load_command_args(6) & 0xFF) ? -1 : paste_from_clipboard_run();
}

int cmd_set_switches(void)
{
    if (load_command_args(13) & 0xFF)
        return -1;
    set_switches_run();
    return 0;
}

int cmd_set_frame_timing(void)
{
    if (load_command_args(23) & 0xFF)
        return -1;
    set_frame_timing_run();
    return 0;
}

int cmd_reg_read(void)
{
    return (load_command_args(61) & 0xFF) ? -1 : reg_read_run();
}
