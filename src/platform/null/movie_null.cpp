// Movie and Flash playback of the stand-in platform: there is no player and
// no control, so nothing opens and every query answers "none".
#include "platform/sys_movie.h"

int sys_mci_movie_open(const char *, const MovieRect *, uint32_t *) { return 0; }
int sys_mci_movie_start() { return 0; }
void sys_mci_movie_place(const MovieRect *) {}
void sys_mci_movie_volume(int32_t) {}
void sys_mci_movie_stop() {}
void sys_mci_movie_close() {}

int sys_dshow_movie_play(const char *, const MovieRect *, int32_t) { return -1; }
void sys_dshow_movie_volume(int32_t) {}
void sys_dshow_movie_stop() {}
void sys_dshow_movie_release() {}
void sys_dshow_movie_place(const MovieRect *) {}
int sys_dshow_movie_drain_events() { return 0; }
int sys_movie_window_exists() { return 0; }

int sys_flash_create_window(const MovieRect *) { return 0; }
void sys_flash_destroy_window() {}
void sys_flash_place(const MovieRect *) {}
int sys_flash_create_control(const char *, int32_t *) { return 0; }
void sys_flash_release_control() {}
int sys_flash_has_control() { return 0; }
int sys_flash_is_playing() { return 0; }
int32_t sys_flash_current_frame() { return 0; }
int sys_flash_get_variable(const char *, int32_t *) { return 0; }
