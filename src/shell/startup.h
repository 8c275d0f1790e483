// Start-up and shutdown sequences and the state they set up.
#pragma once

#include <cstddef>

#include "core/kv_base.h"
#include "platform/sys_shell.h"

// Command-line words: slots 0..g_argv_count are copies, the rest up to 8 are
// empty strings. Slot 1 is the first argument.
extern char *g_argv_copy[9];
extern int g_argv_count;

struct ScreenSize {
    int32_t width, height;                  // current game size
    int32_t initial_width, initial_height;  // game size at start-up
    int32_t shown_width, shown_height;      // client area and back buffer
};
extern ScreenSize g_screen_size;

// 32-bit pixels, pitch 4*W, one spare row and one spare pixel.
extern uint8_t *g_back_buffer;
extern size_t g_back_buffer_bytes;

extern int32_t g_fullscreen_bpp;
extern uint8_t g_sound_enabled;
extern uint8_t g_joysticks_present;
extern KvSystemTime g_start_time;
extern uint32_t g_timer_bases[4];

struct DesktopMode { int32_t width, height, bpp, refresh; };
extern DesktopMode g_desktop_mode;
extern int32_t g_processor_count;
extern int32_t g_worker_count;

// Done bytes of the sound and script threads: 255 never started, 0 running,
// 1 finished. Read and written under g_engine_lock. The creator sets 0
// before the thread starts (so that a shutdown right after still waits) and
// puts 255 back when the thread cannot be made; the thread sets 1 last.
extern uint8_t g_sound_thread_done;
extern uint8_t g_script_thread_done;

// The engine's 128 switches, all on at start-up.
extern uint8_t g_engine_switches[128];

enum { KV_MAX_SHOWN_SIZE = 8192 };

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
