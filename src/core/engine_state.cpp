// Engine state filled by the start-up sequence.
#include "core/engine_state.h"

char *g_argv_copy[9];
int g_argv_count;

ScreenSize g_screen_size;
uint8_t g_fullscreen;
uint8_t *g_back_buffer;
size_t g_back_buffer_bytes;
int32_t g_fullscreen_bpp;
uint8_t g_sound_enabled;
uint8_t g_joysticks_present;
KvSystemTime g_start_time;
uint32_t g_timer_bases[4];
DesktopMode g_desktop_mode;
int32_t g_processor_count;
int32_t g_worker_count;
uint8_t g_sound_thread_done = 255;
uint8_t g_script_thread_done = 255;
uint8_t g_engine_switches[128];
