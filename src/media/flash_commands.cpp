// Script commands 17 (show a Flash movie), 18 (close it) and 19 (its state),
// with the hosted control's reference count.
#include <cstdio>
#include <cstring>

#include "core/entry.h"
#include "core/error_report.h"
#include "core/window.h"
#include "media/movie.h"
#include "script/args.h"
#include "script/commands.h"
#include "script/vars.h"

FlashState g_flash = {};

static const char kFlashRootVariable[] = "kavrin";

void release_flash_control()
{
    if (g_flash.control_refs < 1)
        return;
    g_flash.control_refs--;
    sys_flash_release_control();
}

void destroy_flash_host_window()
{
    sys_flash_destroy_window();
}

static void close_flash()
{
    release_flash_control();
    sys_flash_destroy_window();
    g_flash.file_name[0] = 0;
    g_flash.active = 0;
    g_flash.user_value = 0;
    g_flash.total_frames = 0;
}

static MovieRect flash_rect()
{
    return movie_place(movie_current_view(0), g_flash.x, g_flash.y, g_flash.width, g_flash.height);
}

// From the window procedure: skipped while a command holds the lock.
void flash_set_window_rect()
{
    std::unique_lock<std::recursive_mutex> lock(g_movie_lock, std::try_to_lock);
    if (!lock.owns_lock() || !g_flash.active)
        return;
    MovieRect dest = flash_rect();
    sys_flash_place(&dest);
}

static int take_file()
{
    if (movie_take_file(g_flash.file_name, &g_flash.x, &g_flash.y, &g_flash.width,
                        &g_flash.height) < 0)
        return -1;
    g_flash.active = 0;
    return 0;
}

static int start_flash(int32_t user)
{
    // Only one movie: a second play without a close ends the first (the
    // file just named stays).
    release_flash_control();
    sys_flash_destroy_window();
    g_flash.active = 0;
    MovieRect dest = flash_rect();
    if (sys_flash_create_window(&dest) != 0) {
        message_box_printf(nullptr, "ウィンドウを生成できませんでした。");
        return 0;
    }
    char path[KV_PATH_SIZE];
    int n = std::snprintf(path, sizeof path, "%s%s", g_data_folder, g_flash.file_name);
    int32_t frames = 0;
    if (n < 0 || (size_t)n >= sizeof path || !sys_flash_create_control(path, &frames)) {
        sys_flash_destroy_window();
        g_flash.active = 0;
        g_flash.total_frames = 0;
        return 0;
    }
    g_flash.control_refs++;
    g_flash.total_frames = frames;
    g_flash.user_value = user;
    g_flash.active = 1;
    return 0;
}

int flash_play_run()
{
    std::lock_guard<std::recursive_mutex> lock(g_movie_lock);
    movie_apply_rect_args(&g_flash.x, &g_flash.y, &g_flash.width, &g_flash.height);
    int32_t user = movie_apply_op(0, 0, arg_int(6, 0));
    if (arg_present(0) && take_file() < 0)
        return -1;
    if (arg_present(1) && arg_int(1) == 1)
        return start_flash(user);
    return 0;
}

int flash_close_run()
{
    std::lock_guard<std::recursive_mutex> lock(g_movie_lock);
    close_flash();
    return 0;
}

static int64_t root_variable()
{
    int32_t value = 0;
    if (sys_flash_get_variable(kFlashRootVariable, &value))
        return value;
    message_box_printf(nullptr,
                       "変数 %s が見つかりませんでした。\r\nルートの変数になっているか、また整数が格納されているか、\r\n確認してください。",
                       kFlashRootVariable);
    return 0;
}

int flash_query_run()
{
    uint32_t p = arg_pos(9);
    if (!p)
        return 0;
    bool control = g_flash.control_refs > 0 && sys_flash_has_control();
    int64_t value = 0;
    if (arg_present(0))
        value = control ? sys_flash_is_playing() : 0;
    else if (arg_present(1))
        value = control ? root_variable() : 0;
    else if (arg_present(2))
        value = g_flash.x;
    else if (arg_present(3))
        value = g_flash.y;
    else if (arg_present(4))
        value = g_flash.width;
    else if (arg_present(5))
        value = g_flash.height;
    else if (arg_present(6))
        value = g_flash.active && control ? sys_flash_current_frame() : 0;
    else if (arg_present(7))
        value = g_flash.active ? g_flash.user_value : 0;
    else if (arg_present(8))
        value = g_flash.active ? g_flash.total_frames : 0;
    var_set_number(g_arg_slots.var_id[p], g_arg_slots.var_elem[p], value);
    return 0;
}

int cmd_flash_play(void) { return run_with_args(17, flash_play_run); }
int cmd_flash_close(void) { return run_with_args(18, flash_close_run); }
int cmd_flash_query(void) { return run_with_args(19, flash_query_run); }
