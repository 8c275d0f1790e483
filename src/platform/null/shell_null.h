// Test hooks of the stand-in shell platform.
#pragma once

#include <cstdint>

// The command-line words that sys_command_words gives (argv[0] first); the
// array must outlive its use. null restores the default ("kavren.exe").
void null_set_command_words(int argc, char **argv);
// Windows created so far, and starts of the settings program.
int null_window_create_count();
int null_settings_program_starts();
// ShowWindow calls on windows so far.
int null_window_show_count();
// The value that sys_read_res_offset gives (default 4: nothing appended).
void null_set_res_offset(uint32_t offset);
