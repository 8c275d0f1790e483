// Shared set-up of the movie and Flash command tests: argument slots filled
// as the loader would, a target variable, a main window of 640x480 and a
// private working folder.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/engine_state.h"
#include "core/error_report.h"
#include "core/quit.h"
#include "core/window.h"
#include "media/movie.h"
#include "script/arg_slots.h"
#include "script/args.h"
#include "script/vars.h"

namespace movietest {

using cmdtest::Arg;

// Variable 1000 is the target of the queries.
inline void load_args(std::initializer_list<Arg> args)
{
    cmdtest::set_args_targets(args, 1000, false);
}

inline void write_file(const std::string &name, const std::vector<uint8_t> &bytes)
{
    FILE *f = std::fopen(name.c_str(), "wb");
    ASSERT_TRUE(f);
    if (!bytes.empty())
        std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// Message boxes are recorded, never shown.
inline std::vector<std::string> &boxes()
{
    static std::vector<std::string> list;
    return list;
}
inline int record_box(const char *, const char *text)
{
    boxes().push_back(text);
    return 1;
}

struct MovieFixture : ::testing::Test {
    std::filesystem::path old_dir, dir;
    WindowObject main_window = {};
    void SetUp() override
    {
        g_error_shown = 1;
        reset_error_reports();
        boxes().clear();
        g_message_box_hook = record_box;
        g_quit_flag = 0;
        old_dir = std::filesystem::current_path();
        dir = std::filesystem::temp_directory_path() /
              ("kv_movie_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(dir);
        std::filesystem::current_path(dir);
        main_window.game_width = 640;
        main_window.game_height = 480;
        g_windows[0] = &main_window;
        g_screen_size.shown_width = 640, g_screen_size.shown_height = 480;
        g_screen_size.letterbox_x = g_screen_size.letterbox_y = 0;
        var_table_alloc(1100);
        var_init_int(1000, 7);
    }
    void TearDown() override
    {
        movie_stop_run();
        flash_close_run();
        g_movie_draw_rule = 0;
        g_windows[0] = nullptr;
        g_message_box_hook = nullptr;
        var_table_free();
        g_quit_flag = 0;
        std::filesystem::current_path(old_dir);
        std::filesystem::remove_all(dir);
    }
    static int64_t result() { return var_get_int(1000, 0); }
    // Command 58 or 19 with one query id.
    static int64_t movie_info(uint32_t id, const char *text = nullptr)
    {
        var_set_number(1000, 0, 7);
        load_args({{id, 1, text, 0}, {7, 0, nullptr, 0}});
        EXPECT_EQ(movie_info_run(), 0);
        return result();
    }
    static int64_t flash_query(uint32_t id)
    {
        var_set_number(1000, 0, 7);
        load_args({{id, 1, nullptr, 0}, {9, 0, nullptr, 0}});
        EXPECT_EQ(flash_query_run(), 0);
        return result();
    }
};

}  // namespace movietest
