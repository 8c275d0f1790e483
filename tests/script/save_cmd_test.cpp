// Commands 69, 40 and 70 in a generated script: variables saved into slots
// (cached first, then written), changed, loaded back and checked by the
// script itself; the refusals of the commands.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/error_report.h"
#include "core/quit.h"
#include "script/run_helpers.h"
#include "script/save.h"

using runtest::ivar;

namespace {

const char *const k_head =
    "project width=640 height=480\n"
    "var 1000 int global dims=3 = 0\nvar 1001 string global dims=4\nvar 1002 int global = 0\n"
    "var 1003 float global = 0\n"
    "script 0 \"main.kvs\"\nlabel SYSTEM_START\n";

}  // namespace

TEST(SaveCmd, SavedVariablesComeBackInTheScript)
{
    std::string body =
        "assign target:1:0={[1000 0 ]} value=11\nassign target:1:0={[1000 2 ]} value=-5\n"
        "assign target:1:0={[1001 2 ]} value=\"text\"\nassign target:1:0=$1003 value=2.5\n"
        "save_slot slot=3 variable={&1000}\n"
        "save_slot slot=1 variable={[1001 2 ]}\n"
        "save_slot file=\"Game\" slot=9 variable=$1003\n"
        "assign target:1:0={[1000 0 ]} value=0\nassign target:1:0={[1000 2 ]} value=0\n"
        "assign target:1:0={[1001 2 ]} value=\"\"\nassign target:1:0=$1003 value=0\n"
        "load_slot file=\"game.sd\" slot=3 variable={&1000}\n"
        "load_slot file=\"game\" slot=1 variable={[1001 2 ]}\n"
        "load_slot file=\"game\" slot=9 variable=$1003\n"
        "if {[1000 0 ] 11 == [1000 2 ] -5 == && [1001 2 ] \"text\" == && @1003 2.5 == &&}\n"
        "assign target:1:0=$1002 value=1\nendif\n"
        // Slot 1 again: the file is rewritten; slot 5 cached then dropped.
        "save_slot slot=5 variable={&1000}\nsave_cache_reset\n"
        "assign target:1:0={[1001 2 ]} value=\"again\"\n"
        "save_slot file=\"game\" slot=1 variable={[1001 2 ]}\n"
        "assign target:1:0={[1001 2 ]} value=\"\"\n"
        "load_slot file=\"game\" slot=1 variable={[1001 3 ]}\n"
        "if {[1001 3 ] \"again\" == [1001 2 ] \"\" == &&}\nassign target:1:1=$1002 value=1\nendif\n"
        "wait frames=100000\n";
    LOAD_OR_SKIP(std::string(k_head) + body);
    runtest::run_frame_passes();
    EXPECT_EQ(g_last_error_code, 0u) << g_error_text;
    EXPECT_EQ(ivar(1002), 2);
    EXPECT_TRUE(std::filesystem::exists("save/game.sd"));
    for (int s = 0; s < KV_SAVE_SLOTS; s++)
        ASSERT_EQ(g_slot_size[s], 0) << s;
}

TEST(SaveCmd, Refusals)
{
    struct Case {
        std::string body;
        uint32_t code;
    } cases[] = {
        {"save_slot slot=2 variable=$1002\nsave_slot slot=2 variable=$1002\n", 102170},
        {"save_slot slot=0 variable=$1002\n", 101000},
        {"save_slot slot=1025 variable=$1002\n", 101000},
        {"save_slot slot=1\n", 108010},
        {"load_slot file=\"none\" slot=1 variable=$1002\n", 102100},
        {"save_slot file=\"a/b\" slot=1 variable=$1002\n", 102150},
        {"save_slot file=\"g\" slot=1 variable=$1002\nload_slot file=\"g\" slot=2 variable=$1002\n", 102110},
        {"save_slot file=\"g\" slot=1 variable=$1002\nload_slot file=\"g\" slot=1 variable=$1003\n", 102120},
        {"save_slot file=\"g\" slot=1 variable=$1002\nload_slot file=\"g\" slot=1 variable={&1000}\n", 108080},
        {"save_slot slot=1 variable=$1002 layer=\"nothing\"\n", 101250},
    };
    for (const Case &c : cases) {
        LOAD_OR_SKIP(std::string(k_head) + c.body + "wait frames=100000\n");
        runtest::run_frame_passes();
        EXPECT_EQ(g_last_error_code, c.code) << c.body << g_error_text;
        EXPECT_TRUE(g_quit_flag) << c.body;
        save_cache_free(-1);
    }
}
