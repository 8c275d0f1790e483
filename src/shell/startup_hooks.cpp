// Set-ups and services of engine parts not in this build: each succeeds and
// does nothing (see startup_hooks.h).
#include "shell/startup_hooks.h"

#include <cstring>

#include "core/entry.h"
#include "core/window.h"
#include "display/present.h"
#include "platform/sys_window.h"

uint8_t g_layered_window;

int enumerate_monitors() { return 0; }
int set_display_mode(int) { return 0; }
int window_set_fullscreen(int) { return 0; }
int window_is_fullscreen() { return 0; }
int enter_windowed_mode(WindowObject *) { return 0; }


void mt_seed(uint32_t) {}

int d3d_init() { return 0; }
void d3d_release_all() {}

int enumerate_fonts() { return 0; }
void release_font_slots() {}
int create_message_window() { return 0; }

void release_movie_objects() {}
void close_mci_movie() {}
void release_flash_control() {}
void destroy_flash_host_window() {}
int movie_window_exists() { return 0; }
int movie_playing() { return 0; }

// No Direct3D presenter yet: every frame falls back to the CPU presenter.
int d3d_present_frame(const uint8_t *) { return 1; }

