// Script command dispatch: the 104 command slots and their handlers.
#pragma once

#include "core/kv_base.h"

// Every command handler takes no arguments and returns 0 to go on with the
// next instruction, non-zero to end the task's turn (-1 after a report).
typedef int (*CommandHandler)(void);

enum { KV_COMMAND_COUNT = 104 };

// Indexed by command number; every slot holds a handler (cmd_undefined for
// numbers that no command uses). Filled by command_table_fill.
extern CommandHandler g_command_table[KV_COMMAND_COUNT];

// One row of the registration table: the handler each command number gets.
struct CommandRegistration {
    uint8_t number;
    const char *name;
    CommandHandler handler;
};
extern const CommandRegistration g_command_registrations[KV_COMMAND_COUNT];

// Sets every slot to cmd_undefined, then the slots of the registration table.
void command_table_fill(void);

// Name of command c in kvc.kbn, for reports ("" when unknown).
const char *script_command_name(int c);

// --- handlers, by command number ----------------------------------------------
int cmd_args_only_0(void);          // 0
int cmd_layer_setup(void);          // 1
int cmd_layer_image_op(void);       // 2
int cmd_delete_object(void);        // 3
int cmd_get_object_property(void);  // 4
int cmd_copy_to_clipboard(void);    // 5
int cmd_paste_from_clipboard(void); // 6
int cmd_args_only_7(void);          // 7
int cmd_load_text_table(void);      // 8
int noop_handler(void);             // 9, 37, 60, 63, 65-67
int cmd_message_box(void);          // 10
int cmd_elseif(void);               // 11
int cmd_end(void);                  // 12
int cmd_set_switches(void);         // 13
int cmd_args_only_14(void);         // 14
int cmd_file_utility(void);         // 15
int cmd_find_file(void);            // 16
int cmd_flash_play(void);           // 17
int cmd_flash_close(void);          // 18
int cmd_flash_query(void);          // 19
int cmd_declare_float(void);        // 20
int cmd_set_text_style(void);       // 21
int cmd_get_text_info(void);        // 22
int cmd_set_frame_timing(void);     // 23
int cmd_undefined(void);            // 24-27, 45, 68, 96-103
int cmd_goto(void);                 // 28
int cmd_gosub(void);                // 29
int cmd_if(void);                   // 30
int cmd_else(void);                 // 31
int cmd_break(void);                // 32
int cmd_continue(void);             // 33
int cmd_end_block(void);            // 34
int cmd_set_input_switches(void);   // 35
int cmd_declare_int(void);          // 36
int cmd_label_exists(void);         // 38
int cmd_assign(void);               // 39
int cmd_load_slot(void);            // 40
int cmd_loop_begin(void);           // 41
int cmd_loop_break(void);           // 42
int cmd_loop_continue(void);        // 43
int cmd_loop_end(void);             // 44
int cmd_math(void);                 // 46
int cmd_camera_calc(void);          // 47
int cmd_menu_set(void);             // 48
int cmd_menu_popup(void);           // 49
int cmd_menu_delete(void);          // 50
int cmd_menu_query(void);           // 51
int cmd_args_only_52(void);         // 52
int cmd_args_only_53(void);         // 53
int cmd_args_only_54(void);         // 54
int cmd_cursor(void);               // 55
int cmd_movie_play(void);           // 56
int cmd_movie_stop(void);           // 57
int cmd_movie_info(void);           // 58
int cmd_args_only_59(void);         // 59
int cmd_reg_read(void);             // 61
int cmd_return(void);               // 62
int cmd_text_end(void);             // 64
int cmd_save_slot(void);            // 69
int cmd_save_cache_reset(void);     // 70
int cmd_args_only_71(void);         // 71
int cmd_sound_control(void);        // 72
int cmd_sound_delete(void);         // 73
int cmd_sound_info(void);           // 74
int cmd_declare_string(void);       // 75
int cmd_screen_setup(void);         // 76
int cmd_script_list_query(void);    // 77
int cmd_task_start(void);           // 78
int cmd_task_end(void);             // 79
int cmd_task_query(void);           // 80
int cmd_message_window_setup(void); // 81
int cmd_get_message_state(void);    // 82
int cmd_tray_icon(void);            // 83
int cmd_args_only_84(void);         // 84
int cmd_var_ops(void);              // 85
int cmd_var_info(void);             // 86
int cmd_wait(void);                 // 87
int cmd_window_setup(void);         // 88
int cmd_window_hide(void);          // 89
int cmd_window_info(void);          // 90
int cmd_text_append(void);          // 91
int cmd_jpeg_frames_load(void);     // 92
int cmd_jpeg_frames_free(void);     // 93
int cmd_jpeg_frames_info(void);     // 94
int cmd_format_value(void);         // 95
