// The compiled project: the seven project-wide files of kvbin and the tables
// built from them, and the start of the main task "SYSTEM".
#pragma once

#include "core/kv_base.h"

// --- kvc.kbn: command definitions ---------------------------------------------
struct CommandDef {
    const char *name;              // into the kept file image
    uint8_t arg_count;
    const char **arg_names;        // arg_count entries, into the image
    uint8_t *arg_kinds;            // 0 number, 1 string, 2 raw expression code
    uint8_t *arg_classes;          // check class (0 = none)
};
enum { KV_ARG_NUMBER = 0, KV_ARG_STRING = 1, KV_ARG_RAW = 2 };

extern CommandDef *g_command_defs;   // g_command_def_count entries
extern uint32_t g_command_def_count;
extern const char *g_errno_texts[37];
extern uint8_t g_key_map[256];

// --- kvt.kbn: variable table header -------------------------------------------
extern uint32_t g_var_table_word;    // system integer variable 102

// --- kvt_list.kbn: script list ------------------------------------------------
extern uint32_t g_script_count;
extern char **g_script_names;        // per script number; "" when the list has none
extern uint32_t *g_script_values;    // per record position

// --- kvl.kbn: labels ----------------------------------------------------------
struct LabelRecord {
    char *name;
    uint32_t hash;
    uint32_t pc;
    uint16_t file;
    uint8_t block_depth;
    uint8_t loop_depth;
};
struct NameTable {
    uint32_t count;
    LabelRecord **labels;
    uint32_t buckets[256];
};
extern NameTable g_name_table;

// --- kvv.kbn: variable definitions (walked by script_file_init_vars) ----------
extern const uint8_t *g_var_defs;    // whole image plus one zero byte
extern uint32_t g_var_defs_size;     // bytes of the file

// --- kvcfg.kbn: project configuration -----------------------------------------
// The game size and show flag also go to g_windows[0] (game_width,
// game_height, show_flag), which later commands may change: readers of the
// current size use g_windows[0]. g_sound_enabled (core/engine_state.h) and
// g_debug_mode (core/error_report.h) are set here too.
extern uint32_t g_game_width, g_game_height;
extern char g_window_title[264];        // at most 128 bytes; "" becomes " "
extern uint8_t g_frame_thread_mode;     // 0 or 1
extern uint8_t g_window_resizable;      // main window keeps its sizing frame
extern uint8_t g_window_framed;         // main window has a caption (else pop-up)
extern uint8_t g_project_flags[3];
// Frame texture size (width, height): 0 until set; then 256..4096.
extern uint32_t g_frame_texture_size[2];

// --- kve.kbn: error texts ------------------------------------------------------
// Kept with the reporters: g_error_texts, g_project_error_texts and
// project_error_text (core/error_report.h).

// --- loaders -------------------------------------------------------------------
// Each gives 0 on success, non-zero after a reported failure (kvl.kbn: silent).
int load_project_config(void);
int load_error_messages(void);
int load_command_defs(void);
int load_variable_table(void);
int load_script_names(void);
int alloc_script_file_table(uint32_t count);
int load_variable_defs(void);
int load_labels(void);

// Reads the six project files and points the task "SYSTEM" at "SYSTEM_START":
// 0 when the main task is ready, non-zero after a reported failure.
int load_project_and_prime_system(void);

// Releases every table built here (for tests that load several projects).
void project_unload(void);

// The fatal report of a damaged project or script file: code and file name.
enum : uint32_t { KV_ERR_PROJECT_DATA = 901050 };
