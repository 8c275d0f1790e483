// Start-up and shutdown sequences and the state they set up.
#pragma once

#include <cstddef>

#include "core/engine_state.h"

// 0: run the main loop; -1: stop (main loop skipped); 1: the project failed
// to start and a quit has been requested.
int engine_startup();
void engine_shutdown();
void app_shutdown();

void copy_command_line(int argc, char **argv);
void free_command_line();
void init_tables_once();
int create_window_objects();
void detect_system_caps();
int start_script_thread();
int engine_startup_stage2();
void set_timer_resolution();
void end_timer_period();

// Rules of start-up, kept apart so they can be checked alone.
// two_workers: kvcfg.dat word 4 non-zero (the default).
int32_t worker_count_rule(int32_t processors, int two_workers);
int32_t refresh_rule(int32_t refresh);
void shown_size_rule(int32_t game_w, int32_t game_h, int32_t desk_w, int32_t desk_h,
                     int32_t *shown_w, int32_t *shown_h);
bool shown_size_valid(int32_t w, int32_t h);
// Bytes of the back buffer for a shown size (4*W + 4*W*H + 4), 0 when the
// size is refused.
size_t back_buffer_bytes(int32_t w, int32_t h);
// Back buffer for the shown size: 0 ok; 100010 size refused (after the box);
// 104030 allocation failed. Both failures are reported as fatal.
uint32_t alloc_back_buffer(int32_t w, int32_t h);
void join_script_thread();
