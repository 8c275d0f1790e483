// Shutdown sequence: waits for the threads, then releases in a fixed order.
#include <cstdlib>

#include "core/error_report.h"
#include "core/quit.h"
#include "core/settings.h"
#include "core/window.h"
#include "graphics/render_workers.h"
#include "media/movie.h"
#include "media/sound.h"
#include "platform/sys.h"
#include "platform/sys_gpu.h"
#include "platform/sys_shell.h"
#include "platform/sys_window.h"
#include "script/save.h"
#include "shell/startup.h"
#include "shell/display_modes.h"
#include "shell/menu.h"
#include "text/font_list.h"

// Waits until a started thread has set its done byte. The quit flag is set
// before, so the thread is on its way out.
static void wait_thread_done(uint8_t *done)
{
    for (;;) {
        uint8_t v;
        {
            std::lock_guard<std::recursive_mutex> lock(g_engine_lock);
            v = *done;
        }
        if (v != 0)
            return;
        // A frame on the script thread may be waiting for this thread's
        // windows (a sent message): keep serving them.
        sys_pump_messages();
        sys_sleep(1);
    }
}

void app_shutdown()
{
    // Every loop ends on the flag; the waits below rely on it.
    g_quit_flag = 1;
    wait_thread_done(&g_sound_thread_done);
    wait_thread_done(&g_script_thread_done);
    join_sound_thread();
    join_script_thread();
    stop_render_workers();
    if (g_gpu_mode)
        d3d_release_all();
    release_movie_objects();
    close_mci_movie();
    release_direct_sound();
    destroy_all_menus();
    WindowObject *w0 = g_windows[0];
    if (window_is_fullscreen() && w0)
        enter_windowed_mode(w0);
    sys_show_cursor(true);
    end_timer_period();
    release_font_slots();
    save_cache_free(-1);
    release_flash_control();
    destroy_flash_host_window();
}

void engine_shutdown()
{
    app_shutdown();
}
