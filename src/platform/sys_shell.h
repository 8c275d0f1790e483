// Platform services of the engine shell: process, paths, desktop, timers and
// the few system calls that start-up and shutdown make. Implemented over Win32
// in src/platform/win32/shell_win32.cpp; src/platform/null/shell_null.cpp is
// the stand-in for native builds and unit tests.
#pragma once

#include <cstddef>
#include <cstdint>

// Full path of the running executable; false when it cannot be read.
bool sys_module_path(char *out, size_t size);
// A special folder by its CSIDL number (26 application data, 5 documents),
// never created; empty string when unknown.
void sys_special_folder(int csidl, char *out, size_t size);
bool sys_set_current_folder(const char *folder);

// The process's command-line words (argv[0] is the program).
void sys_command_words(int *argc, char ***argv);

int sys_processor_count();
// The desktop's mode: width, height, bits per pixel, refresh rate (Hz, as
// reported; 0 or 1 mean the hardware default).
void sys_desktop_mode(int32_t *width, int32_t *height, int32_t *bpp, int32_t *refresh);

// Local time in the layout of SYSTEMTIME.
struct KvSystemTime {
    uint16_t year, month, day_of_week, day, hour, minute, second, milliseconds;
};
void sys_local_time(KvSystemTime *out);

// Timer resolution: begins the finest period; returns the period (0: none).
uint32_t sys_timer_begin_period();
void sys_timer_end_period(uint32_t period);

void sys_init_common_controls();
void sys_show_cursor(bool show);

// Starts the settings program with the switch "/kvcfg" (no wait).
// owner: the main window or null. Returns true when it started.
bool sys_start_settings_program(void *owner);

// Starts the executable again: the quoted path alone, no arguments.
bool sys_restart_process(const char *exe_path);

// The value of the KV_RES resource 201 (the offset of appended data), 0 when
// the resource is missing or unreadable.
uint32_t sys_read_res_offset();

// Sets the ideal processor of the calling thread (a hint; may do nothing).
void sys_set_thread_ideal_processor(int processor);
