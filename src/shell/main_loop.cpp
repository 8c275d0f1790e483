// Main loop and frame step.
#include "shell/main_loop.h"

#include "core/entry.h"
#include "core/input.h"
#include "core/quit.h"
#include "core/settings.h"
#include "core/tree.h"
#include "core/window.h"
#include "display/present.h"
#include "graphics/compose.h"
#include "graphics/layer.h"
#include "media/movie.h"
#include "platform/sys.h"
#include "platform/sys_window.h"
#include "script/project.h"
#include "script/scheduler.h"
#include "shell/screen_layout.h"
#include "shell/startup.h"
#include "shell/menu.h"

static void run_countdowns()
{
    if (g_redraw_countdown) {
        g_redraw_countdown--;
        sys_redraw_all();
    }
    // Counts down only from above: a negative value would run on for ever.
    if (g_frame_style_countdown > 0) {
        g_frame_style_countdown--;
        if (g_frame_style_countdown == 0 && !g_window_resizable && g_windows[0])
            sys_window_remove_thick_frame(g_windows[0]);
    }
}

// Drawing waits while the skip flag is in force, and, by kvcfg.dat word 0,
// while a movie window exists (0) or a movie plays (1).
static bool drawing_allowed()
{
    if (g_skip_in_force)
        return false;
    if (g_movie_rule == 0)
        return !movie_window_exists();
    if (g_movie_rule == 1)
        return !movie_playing();
    return true;
}

// The back buffer grows on the thread that presents: while frames run on the
// script thread the window procedure only records the shown size.
static void fit_back_buffer()
{
    int32_t w = g_screen_size.shown_width, h = g_screen_size.shown_height;
    if (back_buffer_bytes(w, h))
        grow_back_buffer(w, h);
}

static int open_popup()
{
    int id = track_popup_request(g_popup_request, g_popup_x, g_popup_y);
    g_popup_request = 0;
    if (g_windows[0])
        sys_window_post_command(g_windows[0], id);
    return 0;
}

int run_frame()
{
    g_frame_count++;
    if (g_pause_frames)
        return 0;
    if (g_quit_flag)
        return 1;
    run_countdowns();
    update_input_state();
    do {
        g_pass_request = 0;
        g_pass_count++;
        g_quit_flag |= (uint8_t)(run_script_tasks(g_task_tree) != 0);
        if (g_quit_flag)
            return 1;
    } while (g_pass_request);
    apply_pending_layer_state(g_layer_tree ? g_layer_tree->first_child : nullptr);

    bool draw = drawing_allowed();
    if (draw) {
        for (WindowObject *w : g_windows)
            if (w && window_compose_if_dirty(w) != 0)
                return 1;
    }
    if (!g_first_frame_done) {
        g_first_frame_done = 1;
        if (g_windows[0] && g_windows[0]->show_flag == 1 && !g_main_visibility_set)
            sys_window_show(g_windows[0]);
    }
    g_skip_decision = (uint8_t)frame_limiter();
    update_fullscreen_menu_bar();
    if (draw) {
        fit_back_buffer();
        for (WindowObject *w : g_windows)
            if (w && window_present(w) != 0)
                return 1;
        reset_dirty_rects(g_layer_tree ? g_layer_tree->first_child : nullptr);
    }
    if (g_popup_request)
        open_popup();
    g_skip_in_force = g_skip_decision;
    return g_quit_flag;
}

// The node, its following siblings and (for groups) their children.
void reset_dirty_rects(TreeNode *node)
{
    reset_layer_dirty_rects(node);
}

void drain_messages()
{
    if (!sys_pump_messages())
        g_running = 0;
}

// A quit that arrived outside a frame step (a fatal report from a window
// message or from start-up) still has to reach the close request; with no
// main window left nothing would end the loop, so it ends here.
static void follow_quit()
{
    if (!request_quit_pending())
        request_quit();
    if (!g_windows[0] || !sys_window_exists(g_windows[0]))
        g_running = 0;
}

void run_main_loop()
{
    while (g_running) {
        if (!g_quit_flag) {
            poll_window_input();
            if (g_frame_thread_mode) {
                sys_sleep(1);
            } else if (run_frame() != 0) {
                request_quit();
            }
        } else {
            follow_quit();
            sys_sleep(1);
        }
        drain_messages();
    }
}

static thread_local bool t_runs_frames;

bool runs_frames_here()
{
    return !g_frame_thread_mode || t_runs_frames;
}

void run_frames_until_quit()
{
    t_runs_frames = true;
    // A paused frame returns 0 even once the quit flag is set, so the flag
    // is tested here too: shutdown waits for this thread.
    while (run_frame() == 0 && !g_quit_flag) {
        // A paused frame returns at once; sleep instead of spinning.
        if (g_pause_frames)
            sys_sleep(1);
    }
}
