// Set-ups and services of engine parts that are not in this build yet. Each
// succeeds and does nothing; they go away as those parts arrive.
#pragma once

#include "core/kv_base.h"

struct WindowObject;
struct TreeNode;

// Display modes and full screen.
int enumerate_monitors();
int set_display_mode(int mode);
int window_set_fullscreen(int on);
// Random generator.
void mt_seed(uint32_t seed);
// Direct3D: d3d_init returns 0 ok, 1 fall back to CPU drawing, -1 stop.
int d3d_init();
void d3d_release_all();
// Fonts and the message window.
int enumerate_fonts();
void release_font_slots();
int create_message_window();
// Sound, movies, Flash.
void release_movie_objects();
void close_mci_movie();
void release_flash_control();
void destroy_flash_host_window();
int movie_window_exists();
int movie_playing();
// Layered main window (window command).
extern uint8_t g_layered_window;
// Full screen state.
int window_is_fullscreen();
int enter_windowed_mode(WindowObject *win);
