// Start-up sequence: brings the engine up in one fixed order.
#include "shell/startup.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <thread>

#include "core/entry.h"
#include "core/error_report.h"
#include "core/input.h"
#include "core/locate.h"
#include "core/pack.h"
#include "core/quit.h"
#include "core/settings.h"
#include "core/tree.h"
#include "core/window.h"
#include "display/scale.h"
#include "graphics/blend.h"
#include "graphics/kernels.h"
#include "graphics/render_workers.h"
#include "graphics/save_layer.h"
#include "image/image_decoders.h"
#include "media/sound.h"
#include "platform/sys.h"
#include "platform/sys_gpu.h"
#include "platform/sys_shell.h"
#include "platform/sys_window.h"
#include "script/expr.h"
#include "script/math_random.h"
#include "script/project.h"
#include "script/vars.h"
#include "shell/main_loop.h"
#include "shell/compiler_link.h"
#include "shell/display_modes.h"
#include "shell/cursor.h"
#include "shell/menu.h"
#include "text/font_list.h"
#include "text/image_text.h"
#include "text/message_window.h"

static uint32_t g_timer_period;
static std::thread g_script_thread;

// --- rules -----------------------------------------------------------------------

int32_t worker_count_rule(int32_t processors, int two_workers)
{
    int32_t n = processors < 1 ? 1 : processors;
    int32_t most = two_workers ? 2 : 1;
    return n > most ? most : n;
}

// Refresh rates below 60 (0 and 1 mean the hardware default) are stored as -1.
int32_t refresh_rule(int32_t refresh)
{
    return refresh < 60 ? -1 : refresh;
}

void shown_size_rule(int32_t game_w, int32_t game_h, int32_t desk_w, int32_t desk_h,
                     int32_t *shown_w, int32_t *shown_h)
{
    if (game_w > desk_w || game_h > desk_h) {
        *shown_w = desk_w / 2;
        *shown_h = desk_h / 2;
    } else {
        *shown_w = game_w;
        *shown_h = game_h;
    }
}

bool shown_size_valid(int32_t w, int32_t h)
{
    return w >= 1 && w <= KV_MAX_SHOWN_SIZE && h >= 1 && h <= KV_MAX_SHOWN_SIZE;
}

// In size_t: at most about 256 MiB, no 32-bit overflow.
size_t back_buffer_bytes(int32_t w, int32_t h)
{
    if (!shown_size_valid(w, h))
        return 0;
    return 4 * (size_t)w + 4 * (size_t)w * (size_t)h + 4;
}

uint32_t alloc_back_buffer(int32_t w, int32_t h)
{
    size_t bytes = back_buffer_bytes(w, h);
    if (!bytes) {
        message_box_printf("", "ＣＧサイズが大きすぎます。X=%d, Y=%d", w, h);
        report_system_error_text(100010, 1);
        return 100010;
    }
    uint8_t *p = (uint8_t *)std::realloc(g_back_buffer, bytes);
    if (!p) {
        report_system_error_text(104030, 1);
        return 104030;
    }
    std::memset(p, 0, bytes);
    g_back_buffer = p;
    g_back_buffer_bytes = bytes;
    return 0;
}

// --- steps -----------------------------------------------------------------------

static bool first_argument_is(const char *sw)
{
    const char *a = g_argv_copy[1] ? g_argv_copy[1] : "";
    for (; *a && *sw; a++, sw++) {
        char c = *a >= 'A' && *a <= 'Z' ? (char)(*a + 32) : *a;
        if (c != *sw)
            return false;
    }
    return *a == 0 && *sw == 0;
}

void detect_system_caps()
{
    g_os_code = get_os_version_code();
    g_processor_count = sys_processor_count();
    g_worker_count = worker_count_rule(g_processor_count, g_cfg_two_workers);
    sys_desktop_mode(&g_desktop_mode.width, &g_desktop_mode.height, &g_desktop_mode.bpp,
                     &g_desktop_mode.refresh);
    g_desktop_mode.refresh = refresh_rule(g_desktop_mode.refresh);
    enumerate_monitors();
}

void init_tables_once()
{
    static bool done;
    if (done)
        return;
    done = true;
    mt_seed(sys_milliseconds());
    std::srand((unsigned)std::time(nullptr));
    init_path_special_chars();
    build_blend_product_tables();
    init_blend_fn_table();
    register_key_callbacks();
    init_assign_op_table();
    init_expr_op_table(1);
    std::memset(g_engine_switches, 1, sizeof g_engine_switches);
    create_message_window();
    enumerate_fonts();
    image_text_hooks_install();
    uint32_t major = 0, minor = 0;
    char letter = 0;
    if (detect_directx_version(&major, &minor, &letter) == 0)
        g_directx_major = major;
    set_locator_extensions();
    register_image_decoders();
    save_layer_hooks_install();
}

int create_window_objects()
{
    for (int i = 0; i < KV_WINDOW_COUNT; i++) {
        if (!g_windows[i]) {
            g_windows[i] = (WindowObject *)std::calloc(1, sizeof(WindowObject));
            if (!g_windows[i])
                return -1;
        }
        window_object_init(g_windows[i], i);
        g_window_slots[i] = -1;
    }
    return 0;
}

void set_timer_resolution()
{
    g_timer_period = sys_timer_begin_period();
}

void end_timer_period()
{
    sys_timer_end_period(g_timer_period);
    g_timer_period = 0;
}

static void script_thread_proc()
{
    run_frames_until_quit();
    request_quit();
    std::lock_guard<std::recursive_mutex> lock(g_engine_lock);
    g_script_thread_done = 1;
}

// The done byte is set here, before the thread exists, so that a shutdown
// that comes at once still waits for it.
int start_script_thread()
{
    if (!g_frame_thread_mode)
        return 0;
    {
        std::lock_guard<std::recursive_mutex> lock(g_engine_lock);
        g_script_thread_done = 0;
    }
    try {
        g_script_thread = std::thread(script_thread_proc);
    } catch (...) {
        std::lock_guard<std::recursive_mutex> lock(g_engine_lock);
        g_script_thread_done = 255;
        return -1;
    }
    return 0;
}

void join_script_thread()
{
    if (g_script_thread.joinable())
        g_script_thread.join();
}

int engine_startup_stage2()
{
    init_sound_command_table();
    start_sound_thread(g_processor_count - 1);
    if (g_sound_enabled && create_sound_root() != 0)
        return -1;
    return 0;
}

// Steps 15 and 16: game and shown sizes, back buffer. Non-zero stops.
static int setup_sizes()
{
    WindowObject *w0 = g_windows[0];
    if (g_screensaver_build) {
        w0->game_width = g_desktop_mode.width;
        w0->game_height = g_desktop_mode.height;
    }
    g_screen_size.width = g_screen_size.initial_width = w0->game_width;
    g_screen_size.height = g_screen_size.initial_height = w0->game_height;
    shown_size_rule(w0->game_width, w0->game_height, g_desktop_mode.width,
                    g_desktop_mode.height, &g_screen_size.shown_width,
                    &g_screen_size.shown_height);
    uint32_t code = alloc_back_buffer(g_screen_size.shown_width, g_screen_size.shown_height);
    // A size that cannot be shown ends start-up after its report; a failed
    // allocation has set the quit flag and the run ends at the first frame.
    return code == 100010 ? -1 : 0;
}

int engine_startup()
{
    int argc = 0;
    char **argv = nullptr;
    sys_command_words(&argc, &argv);
    copy_command_line(argc, argv);
    load_engine_settings();
    load_save_settings();
    init_pixel_kernels();
    init_scale_tables();
    detect_system_caps();
    if (g_os_code >= 1 && g_os_code <= 19) {
        message_box_printf("エラー", "Windows95/NT3.5/NT4 では起動できません。");
        return -1;
    }
    if (init_pack_name_table() != 0)
        return -1;
    if (first_argument_is("/kvcfg")) {
        WindowObject *w0 = g_windows[0];
        sys_start_settings_program(w0 ? w0->hwnd : nullptr);
        return -1;
    }
    if (first_argument_is("/info")) {
        g_dialog_caption = "License Information";
        report_system_error_text(100000, 1);
        return -1;
    }
    if (build_pack_index() != 0)
        return -1;
    if (g_project_packed)
        std::memcpy(g_data_folder, g_exe_folder, sizeof g_exe_folder);
    else if (run_compiler_link() != 0)
        return -1;
    init_tables_once();
    check_folder_writable();
    sys_init_common_controls();
    if (create_window_objects() != 0 || load_project_config() != 0)
        return -1;
    if (setup_sizes() != 0)
        return -1;

    WindowObject *w0 = g_windows[0];
    window_object_setup(w0, g_window_title);
    g_window_slots[0] = 1;
    if (!window_create(w0, g_hinstance, g_show_command, g_instance_name, g_window_title)) {
        message_box_printf("エラー", "ウィンドウが生成できませんでした。");
        return -1;
    }
    sys_show_cursor(false);
    sys_show_cursor(true);
    if (g_screensaver_build)
        sys_window_detach_ime(w0);
    set_timer_resolution();
    set_display_mode(0);
    g_fullscreen_bpp = g_desktop_mode.bpp;
    create_menu_bar_window();
    desktop_hooks_init();
    create_tree_roots();
    if (g_sound_enabled)
        g_sound_enabled = (uint8_t)create_direct_sound();
    g_joysticks_present = (uint8_t)detect_joysticks();
    g_frame_time = 0;
    sys_local_time(&g_start_time);
    if (g_gpu_mode)
        write_system_report();
    if (load_project_and_prime_system() != 0) {
        request_quit();
        return 1;
    }
    start_render_workers();
    if (engine_startup_stage2() != 0)
        return -1;
    // Without its thread the frames would never run: they run on the main
    // thread instead.
    if (start_script_thread() != 0)
        g_frame_thread_mode = 0;
    window_set_fullscreen(0);
    uint32_t now = sys_milliseconds();
    for (uint32_t &t : g_timer_bases)
        t = now;
    if (g_gpu_mode) {
        int r = d3d_init();
        if (r == 1 || r == -1) {
            g_render_mode = 0;
            g_smooth_scaling = 1;
            g_gpu_mode = 0;
        }
        if (r == 1) {
            message_box_printf("", "GPU描画が出来ませんでした。CPU描画に移行します。");
        } else if (r == -1) {
            g_quit_flag = 1;
            return -1;
        }
    }
    return 0;
}
