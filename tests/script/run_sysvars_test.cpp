// System variables read through the three getters: every group of ids, the
// index checks, reads with no running task.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/error_report.h"
#include "core/input.h"
#include "core/quit.h"
#include "core/tree.h"
#include "core/window.h"
#include "platform/sys.h"
#include "script/project.h"
#include "script/run_helpers.h"
#include "script/scheduler.h"
#include "script/sysvars.h"
#include "script/task.h"
#include "shell/main_loop.h"
#include "shell/startup.h"

namespace {

std::string sget(uint32_t id, int64_t e)
{
    char buf[4096];
    size_t n = sysvar_get_string(id, e, buf, sizeof buf);
    EXPECT_EQ(n, std::strlen(buf));
    return buf;
}

// Integer reads: id, element, the value expected.
struct IntRead {
    uint32_t id;
    int64_t elem;
    int64_t want;
};
void expect_ints(std::initializer_list<IntRead> reads)
{
    for (const IntRead &r : reads)
        EXPECT_EQ(sysvar_get_int(r.id, r.elem), r.want) << r.id << "[" << r.elem << "]";
}

uint32_t g_now;
uint32_t fixed_clock() { return g_now; }

class RunSysvars : public ::testing::Test {
protected:
    void SetUp() override
    {
        runtest::reset_engine();
        std::memset(g_key_hold, 0, sizeof g_key_hold);
        std::memset(g_key_presses, 0, sizeof g_key_presses);
        for (int i = 0; i < 256; i++)
            g_key_map[i] = (uint8_t)i;
    }
    void TearDown() override
    {
        g_script_clock = sys_milliseconds;
        g_cur_script = nullptr;
        g_cur_task_node = nullptr;
        for (int k = 0; k < 4; k++)
            g_timer_running[k] = 1;
    }
};

}  // namespace

TEST_F(RunSysvars, ConstantsCountersAndUnknownIds)
{
    g_frame_count = 1234;
    g_pass_count = 5678;
    expect_ints({{49, 0, 999}, {86, 0, 479}, {87, 0, 1234}, {88, 0, 5678}, {8, 0, 0}, {526, 0, 0},
                 {600, 0, 0}, {999, 0, 0}, {0xFFFFFFFFu, 0, 0}});
    EXPECT_DOUBLE_EQ(sysvar_get_float(10, 0), 3.141592653589793);
    EXPECT_EQ(sysvar_get_float(11, 0), 0.0);
    EXPECT_EQ(sget(11, 0), "");
    EXPECT_EQ(sget(110, 0), "");
}

TEST_F(RunSysvars, TimersStopAndWrap)
{
    g_script_clock = fixed_clock;
    g_now = 5000;
    g_timer_bases[1] = 1000;
    g_timer_running[1] = 0;
    g_timer_stop_times[1] = 3000;
    expect_ints({{1, 0, 5000}, {1, 2, 2000}});
    g_now = 9000;
    expect_ints({{1, 2, 2000}});   // stopped: unchanged
    g_timer_bases[0] = 0xFFFFFFF0u;
    g_now = 0x10;
    expect_ints({{1, 1, 0x20}, {89, 0, 0x20}, {1, 5, 0}, {1, -1, 0}});
}

TEST_F(RunSysvars, LocalTimeAndStartTime)
{
    g_start_time.year = 2001;
    g_start_time.month = 2;
    g_start_time.day = 3;
    g_start_time.day_of_week = 6;
    g_start_time.milliseconds = 999;
    expect_ints({{0, 8, 2001}, {0, 9, 2}, {0, 10, 3}, {0, 11, 6}, {0, 15, 999}, {0, 16, 0},
                 {0, -1, 0}});
}

TEST_F(RunSysvars, KeyCountersByMapAndJoystickSlots)
{
    g_key_map[128] = 200;
    g_key_presses[200] = 7;
    g_key_hold[13] = 5;
    g_key_hold[388 + 36 + 1] = -4;
    g_key_hold[384 + 36 * 2 + 3] = 9;
    g_key_presses[384 + 36 * 15] = 3;
    g_key_presses[388 + 36 * 3 + 31] = 11;
    // 387: the press count of g_key_map[128]; 393 + k: the map entry itself;
    // 258[33]: joystick 1, button 1; 257[2]: joystick 2, right.
    expect_ints({{387, 0, 7}, {125 + 13, 0, 5}, {393 + 13, 0, 13}, {258, 33, -4}, {257, 2, 9},
                 {388, 15, 3}, {392, 3 * 32 + 31, 11}, {521, 2, 384 + 72}, {524, 0, 387},
                 {525, 33, 388 + 36 + 1}});
    // Slots outside the sixteen sticks read 0.
    expect_ints({{254, 16, 0}, {254, -1, 0}, {258, 512, 0}, {258, -1, 0}, {521, 16, 0},
                 {525, -33, 0}});
    // Counter by number.
    g_key_hold[1000] = 42;
    expect_ints({{122, 1000, 42}, {122, 0, 0}, {122, 1024, 0}, {122, -5, 0}});
}

TEST_F(RunSysvars, WindowStateAndEventsStayPending)
{
    g_windows[0]->mouse_x = 10;
    g_windows[0]->mouse_y = 20;
    g_windows[2]->mouse_x = 30;
    g_windows[3]->mouse_y = 40;
    expect_ints({{111, 0, 10}, {112, 0, 10}, {114, 0, 30}, {116, 0, 20}, {117, 0, 20},
                 {120, 0, 40}, {121, 0, 0}});
    g_window_events.close = 1;
    g_window_events.maximize = 2;
    g_last_key = 65;
    g_last_mouse_button = 4;
    expect_ints({{97, 0, 1}, {97, 0, 1}, {95, 0, 2}, {123, 0, 65}, {124, 0, 4}});   // read twice: kept
    g_window_events = {};
}

TEST_F(RunSysvars, StringsAndOneByteString)
{
    EXPECT_EQ(sget(105, 65), "A");
    EXPECT_EQ(sget(105, 0x141), "A");   // the low byte
    EXPECT_EQ(sget(105, 0), "");
    EXPECT_EQ(sget(108, 0), g_tree_path_roots[KV_TREE_TASK]);
    EXPECT_EQ(sget(106, 0), g_tree_path_roots[KV_TREE_LAYER]);
    // A long text is cut at 4095 bytes, never beyond the buffer.
    std::string longname(5000, 'x');
    char *saved = g_argv_copy[1];
    g_argv_copy[1] = &longname[0];
    EXPECT_EQ(sget(12, 1).size(), 4095u);
    char small[8];
    EXPECT_EQ(sysvar_get_string(12, 1, small, sizeof small), 7u);
    g_argv_copy[1] = saved;
    EXPECT_EQ(sget(12, 9), "");
    EXPECT_EQ(sget(12, -1), "");
}

TEST_F(RunSysvars, DroppedFileIndexBeyondTheCountReports107010)
{
    static char a[] = "a.txt", b[] = "b.txt";
    static char *files[] = {a, b};
    char **saved = g_dropped_files;
    int32_t saved_count = g_dropped_file_count;
    g_dropped_files = files;
    g_dropped_file_count = 2;
    EXPECT_EQ(sysvar_get_int(15, 0), 2);
    EXPECT_EQ(sget(14, 1), "b.txt");
    EXPECT_EQ(g_last_error_code, 0u);
    EXPECT_EQ(sget(14, 2), "");
    EXPECT_EQ(g_last_error_code, 107010u);
    EXPECT_TRUE(g_quit_flag);
    g_dropped_files = saved;
    g_dropped_file_count = saved_count;
}

TEST_F(RunSysvars, FrameAndTaskValuesNeedARunningTask)
{
    // No running task: everything reads 0 or "".
    for (uint32_t id : {48u, 50u, 53u, 54u, 57u, 58u})
        EXPECT_EQ(sysvar_get_int(id, 1), 0) << id;
    for (uint32_t id : {51u, 55u, 59u})
        EXPECT_EQ(sysvar_get_float(id, 1), 0.0) << id;
    for (uint32_t id : {52u, 56u, 60u, 103u})
        EXPECT_EQ(sget(id, 1), "") << id;

    ScriptTask *t = script_task_create();
    TreeNode *node = create_tree_node(g_task_tree, "WORKER", 0, 5);
    node->payload = t;
    g_cur_script = t;
    g_cur_task_node = node;
    CallFrame *f = task_frame(t, 1);
    t->call_depth = 1;
    f->param_int[3] = 33;
    f->param_present[3] = 1;
    f->param_float[10] = 1.25;
    task_string_set(&f->param_str[2], "two", 3);
    f->ret_int[1] = -8;
    f->ret_present[1] = 1;
    f->ret_float[4] = 0.5;
    task_string_set(&f->ret_str[5], "five", 4);
    t->param_int[10] = 100;
    t->param_float[1] = 2.5;
    task_string_set(&t->param_str[7], "seven", 5);
    t->loop_depth = 2;
    t->loops[2].counter = 6;

    expect_ints({{48, 0, 6}, {50, 3, 33}, {53, 3, 1}, {53, 2, 0}, {54, 1, -8}, {57, 1, 1}, {58, 10, 100}});
    EXPECT_DOUBLE_EQ(sysvar_get_float(51, 10), 1.25);
    EXPECT_EQ(sget(52, 2), "two");
    EXPECT_EQ(sget(52, 1), "");       // never set
    EXPECT_DOUBLE_EQ(sysvar_get_float(55, 4), 0.5);
    EXPECT_EQ(sget(56, 5), "five");
    EXPECT_DOUBLE_EQ(sysvar_get_float(59, 1), 2.5);
    EXPECT_EQ(sget(60, 7), "seven");
    EXPECT_EQ(sget(103, 0), "WORKER");
    // Indices outside 1..10 read 0 / 0.0 / "".
    for (int64_t e : {0LL, 11LL, -1LL, 1LL << 40}) {
        EXPECT_EQ(sysvar_get_int(50, e), 0) << e;
        EXPECT_EQ(sysvar_get_int(58, e), 0) << e;
        EXPECT_EQ(sysvar_get_float(51, e), 0.0) << e;
        EXPECT_EQ(sget(52, e), "") << e;
        EXPECT_EQ(sget(60, e), "") << e;
    }
    EXPECT_EQ(sysvar_get_int(104, 0), (int64_t)g_task_tree->child_count);
}
