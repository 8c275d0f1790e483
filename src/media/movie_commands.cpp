// Script commands 56 (play a movie), 57 (stop and close it) and 58 (movie
// state, MPEG kind of a file), over the MCI or DirectShow player, and the
// movie calls of the window procedure and shutdown.
#include <cstdio>
#include <cstring>

#include "core/clamp.h"
#include "core/error_report.h"
#include "core/window.h"
#include "media/movie.h"
#include "script/args.h"
#include "script/commands.h"
#include "script/vars.h"

MovieState g_movie = {"", 0, 0, 0, 0, 0, 256};
std::atomic<uint32_t> g_movie_playing{0};
std::atomic<uint32_t> g_movie_mci_device{0};
std::recursive_mutex g_movie_lock;

// What the window procedure could not do while the lock was held: drain
// the graph's events (1), place the movie window (2).
static std::atomic<uint32_t> g_movie_deferred{0};

static bool use_dshow()
{
    return g_movie_draw_rule == 1;
}

static MovieRect current_rect(int fit_screen)
{
    return movie_place(movie_current_view(fit_screen), g_movie.x, g_movie.y, g_movie.width,
                       g_movie.height);
}

void movie_set_window_rect()
{
    std::lock_guard<std::recursive_mutex> lock(g_movie_lock);
    MovieRect dshow = current_rect(0), mci = current_rect(1);
    sys_dshow_movie_place(&dshow);
    if (g_movie_mci_device.load())
        sys_mci_movie_place(&mci);
}

static void drain_events_locked()
{
    if (sys_dshow_movie_drain_events())
        g_movie_playing = 0;
}

// Does what the window procedure deferred; called before the lock is let go.
static void finish_locked()
{
    uint32_t d = g_movie_deferred.exchange(0);
    if (d & 1)
        drain_events_locked();
    if (d & 2)
        movie_set_window_rect();
}

void movie_on_window_size()
{
    std::unique_lock<std::recursive_mutex> lock(g_movie_lock, std::try_to_lock);
    if (!lock.owns_lock()) {
        g_movie_deferred |= 2;
        return;
    }
    movie_set_window_rect();
}

void movie_on_graph_event()
{
    std::unique_lock<std::recursive_mutex> lock(g_movie_lock, std::try_to_lock);
    if (!lock.owns_lock()) {
        g_movie_deferred |= 1;
        return;
    }
    drain_events_locked();
}

void movie_on_mci_notify(uintptr_t code, uint32_t device)
{
    // 1 successful, 4 aborted, 8 failed; 2 (superseded) leaves it playing.
    // Device 0 counts as the current one: Wine's MPEGVideo driver names no
    // device in its notices.
    uint32_t current = g_movie_mci_device.load();
    if ((code == 1 || code == 4 || code == 8) && current && (device == current || device == 0))
        g_movie_playing = 0;
}

void release_movie_objects()
{
    std::lock_guard<std::recursive_mutex> lock(g_movie_lock);
    sys_dshow_movie_release();
    if (use_dshow())
        g_movie_playing = 0;
    g_movie_deferred = 0;
}

void close_mci_movie()
{
    std::lock_guard<std::recursive_mutex> lock(g_movie_lock);
    sys_mci_movie_close();
    g_movie_mci_device = 0;
    if (!use_dshow())
        g_movie_playing = 0;
}

int movie_window_exists()
{
    return sys_movie_window_exists();
}

int movie_playing()
{
    return g_movie_playing.load() != 0;
}

static void apply_volume()
{
    if (use_dshow())
        sys_dshow_movie_volume(movie_volume_db(g_movie.volume));
    else
        sys_mci_movie_volume(movie_volume_mci(g_movie.volume));
}

// Takes the file of argument 0 and the rectangle of arguments 2-5 (absent
// ones: the origin and the game size) into the given fields: 0, or -1 after
// the fatal report of a missing file. Shared by the movie and Flash commands.
int movie_take_file(char *file_name, int32_t *x, int32_t *y, int32_t *width, int32_t *height)
{
    char name[KV_MOVIE_NAME_SIZE];
    const char *given = arg_str(0);
    FILE *f = nullptr;
    if (movie_normalize_name(name, sizeof name, given))
        f = std::fopen(name, "rb");
    if (!f) {
        report_script_error(104060, 1, given);
        return -1;
    }
    std::fclose(f);
    const WindowObject *win = g_windows[0];
    if (!arg_present(2))
        *x = 0;
    if (!arg_present(3))
        *y = 0;
    if (!arg_present(4))
        *width = win ? win->game_width : 0;
    if (!arg_present(5))
        *height = win ? win->game_height : 0;
    std::memcpy(file_name, name, sizeof name);
    return 0;
}

void movie_apply_rect_args(int32_t *x, int32_t *y, int32_t *width, int32_t *height)
{
    int32_t *fields[] = {x, y, width, height};
    for (uint32_t id = 2; id <= 5; id++)
        if (arg_present(id))
            *fields[id - 2] = movie_apply_op(*fields[id - 2], g_arg_slots.op[arg_pos(id)], arg_int(id));
}

static int take_file()
{
    if (movie_take_file(g_movie.file_name, &g_movie.x, &g_movie.y, &g_movie.width,
                        &g_movie.height) < 0)
        return -1;
    g_movie.active = 0;
    return 1;
}

static void play_mci()
{
    MovieRect dest = current_rect(1);
    uint32_t device = 0;
    g_movie_playing = 0;
    if (!sys_mci_movie_open(g_movie.file_name, &dest, &device))
        return;
    // Known before play starts, so that even an at-once failure notice finds it.
    g_movie_mci_device = device;
    g_movie_playing = 1;
    if (!sys_mci_movie_start()) {
        g_movie_playing = 0;
        sys_mci_movie_close();
        g_movie_mci_device = 0;
        return;
    }
    apply_volume();
    g_movie.active = 1;
}

static int play_dshow()
{
    MovieRect dest = current_rect(0);
    g_movie_playing = 0;
    int r = g_movie.file_name[0]
                ? sys_dshow_movie_play(g_movie.file_name, &dest, movie_volume_db(g_movie.volume))
                : -1;
    if (r == -1) {
        report_script_error(101510, 0);
        return -1;
    }
    if (r == -2) {
        report_script_error(101520, 0);
        return -1;
    }
    g_movie_playing = 1;
    g_movie.active = 1;
    // Events that came before the flag was set.
    drain_events_locked();
    return 0;
}

int movie_play_run()
{
    std::lock_guard<std::recursive_mutex> lock(g_movie_lock);
    movie_apply_rect_args(&g_movie.x, &g_movie.y, &g_movie.width, &g_movie.height);
    int r = 0;
    if (arg_present(0) && take_file() < 0)
        r = -1;
    if (r == 0 && arg_present(6)) {
        g_movie.volume = clamp_int32(arg_int(6));
        apply_volume();
    }
    if (r == 0 && arg_present(1)) {
        int64_t play = arg_int(1);
        if (play == 0) {
            if (use_dshow())
                sys_dshow_movie_stop();
            else
                sys_mci_movie_stop();
            g_movie_playing = 0;
            g_movie.active = 0;
        } else if (play == 1) {
            if (use_dshow())
                r = play_dshow();
            else
                play_mci();
        }
    }
    finish_locked();
    return r;
}

int movie_stop_run()
{
    std::lock_guard<std::recursive_mutex> lock(g_movie_lock);
    sys_dshow_movie_release();
    sys_mci_movie_close();
    g_movie_mci_device = 0;
    g_movie.file_name[0] = 0;
    g_movie.active = 0;
    g_movie.volume = 256;
    g_movie_playing = 0;
    g_movie_deferred = 0;
    return 0;
}

int movie_info_run()
{
    uint32_t p = arg_pos(7);
    if (!p)
        return 0;
    int64_t value = 0;
    if (arg_present(0)) {
        value = g_movie.active;
    } else if (arg_present(1)) {
        value = g_movie.x;
    } else if (arg_present(2)) {
        value = g_movie.y;
    } else if (arg_present(3)) {
        value = g_movie.width;
    } else if (arg_present(4)) {
        value = g_movie.height;
    } else if (arg_present(5)) {
        value = g_movie.volume;
    } else if (arg_present(6)) {
        char name[KV_MOVIE_NAME_SIZE];
        value = movie_normalize_name(name, sizeof name, arg_str(6)) ? movie_mpeg_kind(name) : 0;
    }
    var_set_number(g_arg_slots.var_id[p], g_arg_slots.var_elem[p], value);
    return 0;
}

int cmd_movie_play(void) { return run_with_args(56, movie_play_run); }
int cmd_movie_stop(void) { return run_with_args(57, movie_stop_run); }
int cmd_movie_info(void) { return run_with_args(58, movie_info_run); }
