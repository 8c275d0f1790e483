// Movie and Flash playback of the platform: the MCI "MPEGVideo" device, a
// DirectShow filter graph and the hosted Shockwave Flash control. All are
// called from the script thread; the window procedure reaches the movie
// through sys_movie_on_size / sys_movie_drain_events.
#pragma once

#include <cstdint>

struct MovieRect { int32_t x, y, w, h; };

// --- MCI, device alias "kvmcimovie" ----------------------------------------------
// Stops and closes a previous device, opens the file as a child of the main
// window and puts the destination: 1 with the device id in *device, 0 when
// it could not be opened (nothing left open).
int sys_mci_movie_open(const char *file, const MovieRect *dest, uint32_t *device);
// Plays the open device with completion notification to the main window:
// 1 started, 0 failed.
int sys_mci_movie_start();
void sys_mci_movie_place(const MovieRect *dest);
// "setaudio kvmcimovie volume to N".
void sys_mci_movie_volume(int32_t level);
void sys_mci_movie_stop();
// "stop kvmcimovie" then "close kvmcimovie".
void sys_mci_movie_close();

// --- DirectShow -----------------------------------------------------------------------
// Builds and runs a graph for the file: 0 running, -1 the graph could not be
// made or the file not rendered, -2 the video window could not be set up.
// Everything obtained is released on failure.
int sys_dshow_movie_play(const char *file, const MovieRect *dest, int32_t volume_db);
void sys_dshow_movie_volume(int32_t volume_db);
void sys_dshow_movie_stop();
void sys_dshow_movie_release();
// Places the video window (no graph: nothing).
void sys_dshow_movie_place(const MovieRect *dest);
// Drains the graph's events: 1 when the movie completed or was aborted.
int sys_dshow_movie_drain_events();

// A movie window (MCI or DirectShow) exists.
int sys_movie_window_exists();

// --- Flash ------------------------------------------------------------------------------
// Creates the "kv_fls" child window: 0, or -1 when it could not be made.
int sys_flash_create_window(const MovieRect *dest);
void sys_flash_destroy_window();
void sys_flash_place(const MovieRect *dest);
// Hosts the control in the window and starts the movie at path: 1 with the
// total frames in *frames, 0 when no control could be made (a message box
// has been shown when atl.dll is missing).
int sys_flash_create_control(const char *path, int32_t *frames);
void sys_flash_release_control();
int sys_flash_has_control();
// 1 when the control reports playing.
int sys_flash_is_playing();
int32_t sys_flash_current_frame();
// The movie's variable as an integer: 1 found, 0 not found.
int sys_flash_get_variable(const char *name, int32_t *value);
