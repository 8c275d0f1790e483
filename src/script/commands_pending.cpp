// Stand-ins for the command handlers that are not in the engine yet: each
// reports an undefined command (900050, fatal) like cmd_undefined. Each one
// leaves this file when its real handler arrives.
#include "script/commands.h"

int cmd_file_utility(void) { return cmd_undefined(); }  // 15
int cmd_find_file(void) { return cmd_undefined(); }  // 16
int cmd_set_input_switches(void) { return cmd_undefined(); }  // 35
int cmd_menu_set(void) { return cmd_undefined(); }  // 48
int cmd_menu_popup(void) { return cmd_undefined(); }  // 49
int cmd_menu_delete(void) { return cmd_undefined(); }  // 50
int cmd_menu_query(void) { return cmd_undefined(); }  // 51
int cmd_cursor(void) { return cmd_undefined(); }  // 55
int cmd_screen_setup(void) { return cmd_undefined(); }  // 76
int cmd_tray_icon(void) { return cmd_undefined(); }  // 83
int cmd_window_setup(void) { return cmd_undefined(); }  // 88
int cmd_window_hide(void) { return cmd_undefined(); }  // 89
int cmd_window_info(void) { return cmd_undefined(); }  // 90
int cmd_jpeg_frames_load(void) { return cmd_undefined(); }  // 92
int cmd_jpeg_frames_free(void) { return cmd_undefined(); }  // 93
int cmd_jpeg_frames_info(void) { return cmd_undefined(); }  // 94
int cmd_format_value(void) { return cmd_undefined(); }  // 95
