// Stand-ins for the command handlers that are not in the engine yet: each
// reports an undefined command (900050, fatal) like cmd_undefined. Each one
// leaves this file when its real handler arrives.
#include "script/commands.h"

int cmd_copy_to_clipboard(void) { return cmd_undefined(); }  // 5
int cmd_paste_from_clipboard(void) { return cmd_undefined(); }  // 6
int cmd_load_text_table(void) { return cmd_undefined(); }  // 8
int cmd_message_box(void) { return cmd_undefined(); }  // 10
int cmd_set_switches(void) { return cmd_undefined(); }  // 13
int cmd_file_utility(void) { return cmd_undefined(); }  // 15
int cmd_find_file(void) { return cmd_undefined(); }  // 16
int cmd_flash_play(void) { return cmd_undefined(); }  // 17
int cmd_flash_close(void) { return cmd_undefined(); }  // 18
int cmd_flash_query(void) { return cmd_undefined(); }  // 19
int cmd_set_text_style(void) { return cmd_undefined(); }  // 21
int cmd_get_text_info(void) { return cmd_undefined(); }  // 22
int cmd_set_frame_timing(void) { return cmd_undefined(); }  // 23
int cmd_set_input_switches(void) { return cmd_undefined(); }  // 35
int cmd_math(void) { return cmd_undefined(); }  // 46
int cmd_camera_calc(void) { return cmd_undefined(); }  // 47
int cmd_menu_set(void) { return cmd_undefined(); }  // 48
int cmd_menu_popup(void) { return cmd_undefined(); }  // 49
int cmd_menu_delete(void) { return cmd_undefined(); }  // 50
int cmd_menu_query(void) { return cmd_undefined(); }  // 51
int cmd_cursor(void) { return cmd_undefined(); }  // 55
int cmd_movie_play(void) { return cmd_undefined(); }  // 56
int cmd_movie_stop(void) { return cmd_undefined(); }  // 57
int cmd_movie_info(void) { return cmd_undefined(); }  // 58
int cmd_reg_read(void) { return cmd_undefined(); }  // 61
int cmd_text_end(void) { return cmd_undefined(); }  // 64
int cmd_screen_setup(void) { return cmd_undefined(); }  // 76
int cmd_message_window_setup(void) { return cmd_undefined(); }  // 81
int cmd_get_message_state(void) { return cmd_undefined(); }  // 82
int cmd_tray_icon(void) { return cmd_undefined(); }  // 83
int cmd_window_setup(void) { return cmd_undefined(); }  // 88
int cmd_window_hide(void) { return cmd_undefined(); }  // 89
int cmd_window_info(void) { return cmd_undefined(); }  // 90
int cmd_text_append(void) { return cmd_undefined(); }  // 91
int cmd_jpeg_frames_load(void) { return cmd_undefined(); }  // 92
int cmd_jpeg_frames_free(void) { return cmd_undefined(); }  // 93
int cmd_jpeg_frames_info(void) { return cmd_undefined(); }  // 94
int cmd_format_value(void) { return cmd_undefined(); }  // 95
