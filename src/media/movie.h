// Movies (script commands 56-58) and Flash movies (17-19): their state, the
// placement of the movie window over the game area, the MPEG sniff, and the
// entry points the window procedure and shutdown use.
#pragma once

#include <atomic>
#include <mutex>

#include "core/kv_base.h"
#include "core/settings.h"
#include "platform/sys_movie.h"

enum { KV_MOVIE_NAME_SIZE = 261, KV_MOVIE_WINDOW_STYLE = 0x56000000 };


struct MovieState {
    char file_name[KV_MOVIE_NAME_SIZE];
    uint8_t active;
    int32_t x, y, width, height;
    int32_t volume;              // 0..256
};
extern MovieState g_movie;
// Set when MCI play starts or the DirectShow graph runs; cleared when the
// movie completes, fails or is aborted, and by stop and close.
extern std::atomic<uint32_t> g_movie_playing;
// The MCI device that the completion notification must name.
extern std::atomic<uint32_t> g_movie_mci_device;
// Held while movie objects are made, moved or released; the window
// procedure only try-locks it, so a release that waits on the main window
// never deadlocks against it.
extern std::recursive_mutex g_movie_lock;

struct FlashState {
    uint8_t active;
    int32_t total_frames;
    int32_t user_value;
    int32_t x, y, width, height;
    char file_name[KV_MOVIE_NAME_SIZE];
    int32_t control_refs;
};
extern FlashState g_flash;

// --- geometry -----------------------------------------------------------------------
struct MovieView {
    int32_t game_w, game_h;      // G
    int32_t shown_w, shown_h;    // C
    int32_t offset_x, offset_y;  // O
};
// The main window's view; with fit_screen and the own scaler 2 the game is
// fitted into the screen (screen_w x screen_h) keeping its aspect, centred.
MovieView movie_view(int32_t game_w, int32_t game_h, int32_t shown_w, int32_t shown_h,
                     int32_t offset_x, int32_t offset_y, int fit_screen, int32_t screen_w,
                     int32_t screen_h);
// The game rectangle (x, y, w, h) in window pixels under a view.
MovieRect movie_place(const MovieView &v, int32_t x, int32_t y, int32_t w, int32_t h);
// movie_view from the engine's globals (main window, g_screen_size, the
// desktop and g_own_scaler).
MovieView movie_current_view(int fit_screen);

// DirectShow volume in hundredths of a decibel (-10000..0) and the MCI
// level (0..1000) of a volume 0..256.
int32_t movie_volume_db(int32_t volume);
int32_t movie_volume_mci(int32_t volume);

// 0 file missing, 1 MPEG-1 pack header, 2 MPEG-2, 255 anything else.
int movie_mpeg_kind(const char *path);
// Lower-cases (ASCII) and turns '/' into '\' outside two-byte characters;
// false when the name does not fit.
bool movie_normalize_name(char *out, size_t size, const char *name);
// The file (argument 0) and rectangle (arguments 2-5) of a play command into
// the given fields; file_name holds KV_MOVIE_NAME_SIZE bytes. 0, or -1 after
// the report of a missing file.
int movie_take_file(char *file_name, int32_t *x, int32_t *y, int32_t *width, int32_t *height);
// Applies the value operators of the rectangle arguments 2-5 of a play command
// to the given fields (absent arguments leave theirs as they are).
void movie_apply_rect_args(int32_t *x, int32_t *y, int32_t *width, int32_t *height);
// Applies a value operator (0 set, 1 add, 2 subtract, 3 multiply, 4 divide).
int32_t movie_apply_op(int32_t stored, uint32_t op, int64_t value);

// --- entry points -------------------------------------------------------------------
int movie_play_run();
int movie_stop_run();
int movie_info_run();
int flash_play_run();
int flash_close_run();
int flash_query_run();

void release_movie_objects();
void close_mci_movie();
int movie_window_exists();
int movie_playing();
void release_flash_control();
void destroy_flash_host_window();
// The window procedure's calls: a resize of the main window, the MCI
// notification (code and device) and the DirectShow event message.
void movie_on_window_size();
void movie_on_mci_notify(uintptr_t code, uint32_t device);
void movie_on_graph_event();
void movie_set_window_rect();
// Places the Flash window again after a resize.
void flash_set_window_rect();
