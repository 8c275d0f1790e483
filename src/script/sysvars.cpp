// System variables: ids below 1000 read engine state at the moment of reading.
// Every index a script gives is checked: one outside its table reads 0, 0.0
// or "", and with no running task the task-bound ones read the same.
#include "script/sysvars.h"

#if defined(__GNUC__)
#define KV_NOINLINE __attribute__((noinline))
#else
#define KV_NOINLINE
#endif

#include <cstdio>
#include <cstring>

#include "core/engine_state.h"
#include "core/entry.h"
#include "core/error_report.h"
#include "core/frame_state.h"
#include "core/input.h"
#include "core/settings.h"
#include "core/tree.h"
#include "core/window.h"
#include "platform/sys.h"
#include "platform/sys_input.h"
#include "platform/sys_shell.h"
#include "script/project.h"
#include "script/scheduler.h"
#include "script/task.h"

enum : uint32_t { KV_ERR_INDEX = 107010 };

// The call frame of the running task's current depth, or null.
static const CallFrame *current_frame(void)
{
    const ScriptTask *t = g_cur_script;
    if (!t || t->call_depth >= KV_CALL_FRAMES)
        return nullptr;
    return t->frames[t->call_depth];
}

static int value_index_ok(int64_t e)
{
    return e >= 1 && e <= KV_CALL_VALUES;
}

static int64_t time_field(const KvSystemTime &st, int64_t f)
{
    switch (f) {
    case 0: return st.year;
    case 1: return st.month;
    case 2: return st.day;
    case 3: return st.day_of_week;
    case 4: return st.hour;
    case 5: return st.minute;
    case 6: return st.second;
    case 7: return st.milliseconds;
    }
    return 0;
}

// Id 0: fields 0..7 of the local time, 8..15 of the start time. Kept out of
// line (as is memory_value) so that the common reads need no stack frame.
static KV_NOINLINE int64_t clock_field(int64_t e)
{
    if (e < 0 || e > 15)
        return 0;
    if (e >= 8)
        return time_field(g_start_time, e - 8);
    KvSystemTime now;
    sys_local_time(&now);
    return time_field(now, e);
}

// Ids 5, 6, 7: total bytes, load in percent, available bytes.
static KV_NOINLINE int64_t memory_value(uint32_t id)
{
    uint64_t total, avail;
    uint32_t load;
    sys_memory_status(&total, &avail, &load);
    return id == 5 ? (int64_t)total : id == 6 ? (int64_t)load : (int64_t)avail;
}

static int64_t hold_at(int64_t key)
{
    return (key >= 0 && key < KV_KEY_COUNT) ? g_key_hold[key] : 0;
}

static int64_t presses_at(int64_t key)
{
    return (key >= 0 && key < KV_KEY_COUNT) ? (int64_t)g_key_presses[key] : 0;
}

// Counter index of axis/button entry k (0..3) of joystick e, or -1.
static int64_t joy_axis_index(int64_t e, int64_t k)
{
    if (e < 0 || e >= KV_JOY_MAX)
        return -1;
    return KV_JOY_BASE + KV_JOY_STRIDE * e + k;
}

// Counter index of button e mod 32 of joystick e div 32, or -1.
static int64_t joy_button_index(int64_t e)
{
    if (e < 0 || e >= (int64_t)KV_JOY_MAX * KV_JOY_BUTTONS)
        return -1;
    return KV_JOY_BASE + 4 + KV_JOY_STRIDE * (e / 32) + (e % 32);
}

static int64_t window_mouse(int w, int y)
{
    const WindowObject *win = g_windows[w];
    if (!win)
        return 0;
    return y ? win->mouse_y : win->mouse_x;
}

int64_t sysvar_get_int(uint32_t id, int64_t e64)
{
    // The element index is narrowed to 32 bits, as every reader gives it.
    int64_t e = (int32_t)e64;
    const CallFrame *f;
    switch (id) {
    case 0: return clock_field(e);
    case 1:
        if (e == 0)
            return g_script_clock();
        if (e >= 1 && e <= 4)
            return script_timer_elapsed((int)e - 1);
        return 0;
    case 2: return g_os_code;
    case 3: return g_directx_major;
    case 4: return g_sound_enabled;
    case 5: case 6: case 7: return memory_value(id);
    case 9: return g_folder_not_writable;
    case 11: return g_debug_mode;
    case 13: return g_argv_count;
    case 15: return g_dropped_file_count;
    case 48: return task_loop_counter(g_cur_script);
    case 49: return 999;
    case 50:
        f = current_frame();
        return (f && value_index_ok(e)) ? f->param_int[e] : 0;
    case 53:
        f = current_frame();
        return (f && value_index_ok(e)) ? f->param_present[e] : 0;
    case 54:
        f = current_frame();
        return (f && value_index_ok(e)) ? f->ret_int[e] : 0;
    case 57:
        f = current_frame();
        return (f && value_index_ok(e)) ? f->ret_present[e] : 0;
    case 58:
        return (g_cur_script && value_index_ok(e)) ? g_cur_script->param_int[e] : 0;
    case 86: return KV_ENGINE_VERSION;
    case 87: return (int64_t)g_frame_count;
    case 88: return (int64_t)g_pass_count;
    case 89: return script_timer_elapsed(0);
    case 90: return g_save_location;
    case 92: return g_desktop_mode.bpp;
    case 93: return g_desktop_mode.width;
    case 94: return g_desktop_mode.height;
    // The window events stay pending until a script writes them.
    case 95: return g_window_events.maximize;
    case 96: return g_window_events.minimize;
    case 97: return g_window_events.close;
    case 98: return g_window_events.fullscreen_toggle;
    case 99: return g_cfg_script_flag;
    case 102: return g_var_table_word;
    case 104: return g_task_tree ? g_task_tree->child_count : 0;
    case 110: return g_menu_command;
    case 111: case 112: return window_mouse(0, 0);
    case 113: case 114: case 115: return window_mouse((int)id - 112, 0);
    case 116: case 117: return window_mouse(0, 1);
    case 118: case 119: case 120: return window_mouse((int)id - 117, 1);
    case 121: return 0;
    case 122: return e >= 1 ? hold_at(e) : 0;
    case 123: return g_last_key;
    case 124: return g_last_mouse_button;
    case 254: case 255: case 256: case 257: return hold_at(joy_axis_index(e, id - 254));
    case 258: return hold_at(joy_button_index(e));
    case 388: case 389: case 390: case 391: return presses_at(joy_axis_index(e, id - 388));
    case 392: return presses_at(joy_button_index(e));
    case 521: case 522: case 523: case 524: {
        int64_t k = joy_axis_index(e, id - 521);
        return k < 0 ? 0 : k;
    }
    case 525: {
        int64_t k = joy_button_index(e);
        return k < 0 ? 0 : k;
    }
    }
    if (id >= 125 && id <= 253)
        return hold_at(g_key_map[id - 125]);
    if (id >= 259 && id <= 387)
        return presses_at(g_key_map[id - 259]);
    if (id >= 393 && id <= 520)
        return g_key_map[id - 393];
    return 0;
}

double sysvar_get_float(uint32_t id, int64_t e64)
{
    int64_t e = (int32_t)e64;
    const CallFrame *f;
    switch (id) {
    case 10:
        return 3.141592653589793;
    case 51:
        f = current_frame();
        return (f && value_index_ok(e)) ? f->param_float[e] : 0.0;
    case 55:
        f = current_frame();
        return (f && value_index_ok(e)) ? f->ret_float[e] : 0.0;
    case 59:
        return (g_cur_script && value_index_ok(e)) ? g_cur_script->param_float[e] : 0.0;
    }
    return 0.0;
}

// Copies text into buf, cut at size - 1 bytes on a character boundary.
static size_t copy_out(char *buf, size_t size, const char *text)
{
    if (!size)
        return 0;
    if (!text)
        text = "";
    size_t n = 0;
    while (text[n] && n + 1 < size) {
        if (sjis_is_lead((unsigned char)text[n])) {
            if (!text[n + 1] || n + 2 >= size)
                break;
            n += 2;
        } else {
            n++;
        }
    }
    std::memcpy(buf, text, n);
    buf[n] = 0;
    return n;
}

static const char *frame_string(int which, int64_t e)
{
    const CallFrame *f = current_frame();
    if (!f || !value_index_ok(e))
        return "";
    return task_string_get(which ? &f->ret_str[e] : &f->param_str[e]);
}

size_t sysvar_get_string(uint32_t id, int64_t e64, char *buf, size_t size)
{
    int64_t e = (int32_t)e64;
    if (size)
        buf[0] = 0;
    switch (id) {
    case 12:
        if (e < 0 || e >= (int64_t)KV_COUNTOF(g_argv_copy))
            return 0;
        return copy_out(buf, size, g_argv_copy[e]);
    case 14:
        if (e < 0 || e >= g_dropped_file_count || !g_dropped_files) {
            report_script_error_text(KV_ERR_INDEX, 1);
            return 0;
        }
        return copy_out(buf, size, g_dropped_files[e]);
    case 52: return copy_out(buf, size, frame_string(0, e));
    case 56: return copy_out(buf, size, frame_string(1, e));
    case 60:
        if (!g_cur_script || !value_index_ok(e))
            return 0;
        return copy_out(buf, size, task_string_get(&g_cur_script->param_str[e]));
    case 81: return copy_out(buf, size, g_exe_folder);
    case 82: return copy_out(buf, size, g_data_folder);
    case 83: return copy_out(buf, size, g_save_folder);
    case 84: return copy_out(buf, size, g_appdata_folder);
    case 85: return copy_out(buf, size, g_documents_folder);
    case 100: case 101:
        if (!g_message_window)
            return 0;
        return copy_out(buf, size, task_string_get(&g_message_window->text_fields[id - 100]));
    case 103:
        if (!g_cur_script || !g_cur_task_node || !g_cur_task_node->name)
            return 0;
        return copy_out(buf, size, g_cur_task_node->name);
    case 105: {
        if (size < 2)
            return 0;
        buf[0] = (char)(uint8_t)e;
        buf[1] = 0;
        return buf[0] ? 1 : 0;
    }
    case 106: return copy_out(buf, size, g_tree_path_roots[KV_TREE_LAYER]);
    case 107: return copy_out(buf, size, g_tree_path_roots[KV_TREE_SOUND]);
    case 108: return copy_out(buf, size, g_tree_path_roots[KV_TREE_TASK]);
    case 109: return copy_out(buf, size, g_tree_path_roots[KV_TREE_MENU]);
    }
    return 0;
}
