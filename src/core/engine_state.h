// Engine state set up at start-up and read by every subsystem: the command
// line, screen and back buffer, desktop, timers, thread states and switches.
// The sequences that fill it are in shell/startup.h.
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
    int32_t letterbox_x, letterbox_y;       // where the shown frame stands in the client area
};
extern ScreenSize g_screen_size;
// The main window is full screen (1).
extern uint8_t g_fullscreen;

// 32-bit pixels, pitch 4*W, one spare row and one spare pixel. Its capacity
// in bytes is g_back_buffer_bytes (0 while there is none).
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
