// Engine paths: the paths every part of the engine uses, the single-instance
// state and the appended-data probe.
#pragma once

#include "core/kv_base.h"

enum { KV_PATH_SIZE = 261 };   // 260 characters plus terminator

extern char g_exe_path[KV_PATH_SIZE];        // lower-cased module path
extern char g_instance_name[KV_PATH_SIZE];   // g_exe_path with '\' as ':'
extern char g_exe_folder[KV_PATH_SIZE];      // drive and folder, ends in '\'
extern char g_appdata_folder[KV_PATH_SIZE];
extern char g_documents_folder[KV_PATH_SIZE];
// Folder of the project's data: the executable's folder for a packed
// project, else the one the compiler link gives.
extern char g_data_folder[KV_PATH_SIZE];

extern void *g_hinstance;      // HINSTANCE
extern int g_show_command;
extern uint8_t g_running;      // cleared when the message pump meets WM_QUIT
extern uint8_t g_restart_request;
extern int32_t g_exit_code;

// Fills the five path globals from the module path and the special folders.
void init_paths();
// The string work of init_paths on a given module path (lower case with
// double-byte characters skipped, the instance name, the folder).
void init_paths_from(const char *module_path);
// Appends '\' unless the last character is a single-byte '\' (a trail
// byte 0x5C of a double-byte character does not count).
void append_folder_separator(char *s, size_t size);

// Appended data: the offset O from the KV_RES resource, the file size, the
// distance to the appended pack and the screen-saver mark.
extern uint32_t g_res_offset;
extern uint32_t g_exe_size;
extern uint64_t g_appended_pack_offset;
extern uint8_t g_screensaver_build;

uint32_t read_res_offset();
// Reads the header at g_res_offset of g_exe_path; returns the file size
// (0 when the file cannot be opened).
uint32_t read_appended_header();
int has_appended_data();
// The probe of process start: reads the offset and the header, shows "FS"
// when the resource is missing, marks an appended project.
void probe_appended_data();
// Screen-saver switches; -1 when the process is to end, 0 to run.
int run_screensaver_mode();
