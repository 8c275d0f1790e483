// The scheduler on generated scripts: the order of tasks in a pass, passes
// requested during a frame, task groups, the pause gate and its timers.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "core/entry.h"
#include "core/error_report.h"
#include "core/quit.h"
#include "core/tree.h"
#include "core/window.h"
#include "graphics/layer.h"
#include "platform/sys.h"
#include "platform/sys_window.h"
#include "script/project.h"
#include "script/run_helpers.h"
#include "script/scheduler.h"
#include "script/script_file.h"
#include "script/task.h"
#include "shell/main_loop.h"
#include "shell/startup.h"
#include "text/message_window.h"

using runtest::E;
using runtest::ivar;

namespace {

// SYSTEM waits for ever; TA and TB append their digit to $1000 and wait.
std::string tasks_project(const std::string &system_body = "wait frames=" + E(100000) + "\n")
{
    std::string append1 = "assign target:1:0=" + E({"$1000"}) + " value=" +
                          E({"$1000", "10", "*", "1", "+"}) + "\n";
    std::string append2 = "assign target:1:0=" + E({"$1000"}) + " value=" +
                          E({"$1000", "10", "*", "2", "+"}) + "\n";
    return "project width=640 height=480\nvar 1000 int global = 0\nvar 1001 int global = 0\n"
           "script 0 \"main.kvs\"\nlabel SYSTEM_START\n" + system_body +
           "label TA\n" + append1 + "wait frames=" + E(100000) + "\n" +
           "label TB\n" + append2 + "wait frames=" + E(100000) + "\n";
}

const LabelRecord *label(const char *name)
{
    int i = name_table_find(name, (uint32_t)std::strlen(name));
    return i < 0 ? nullptr : g_name_table.labels[i];
}

// A task node at `path` running from label `lab`.
ScriptTask *start_task(const char *path, const char *lab, int64_t key)
{
    TreeNode *node = create_tree_node(g_task_tree, path, 0, key);
    if (!node)
        return nullptr;
    ScriptTask *t = script_task_create();
    node->payload = t;
    const LabelRecord *l = label(lab);
    if (!l || task_switch_file(t, l->file) != 0)
        return nullptr;
    t->pc = l->pc;
    return t;
}

int start_tb_and_request_pass(void)
{
    start_task("TB", "TB", 500);
    g_pass_request = 1;
    return 0;
}

}  // namespace

TEST(RunSched, SiblingsRunLastAddedFirst)
{
    LOAD_OR_SKIP(tasks_project());
    ASSERT_TRUE(start_task("A", "TA", 200));
    ASSERT_TRUE(start_task("B", "TB", 200));
    EXPECT_EQ(runtest::run_frame_passes(), 1);
    EXPECT_EQ(ivar(1000), 21);
    runtest::run_frame_passes();   // each ran once: both wait now
    EXPECT_EQ(ivar(1000), 21);
    EXPECT_EQ(g_last_error_code, 0u) << g_error_text;
}

TEST(RunSched, TaskStartedDuringAPassRunsInAFurtherPassOfTheFrame)
{
    LOAD_OR_SKIP(tasks_project("noop_9\nwait frames=" + E(100000) + "\n"));
    // The first instruction of SYSTEM stands for the task-start command.
    ScriptTask *sys = runtest::system_task();
    ASSERT_TRUE(sys && sys->file && g_script_files);
    script_file_set_handler(g_script_files[sys->file_number], sys->pc, start_tb_and_request_pass);
    EXPECT_EQ(runtest::run_frame_passes(), 2);
    EXPECT_EQ(ivar(1000), 2);
    EXPECT_EQ(g_last_error_code, 0u) << g_error_text;
}

TEST(RunSched, TaskRunsAtMostOncePerPass)
{
    LOAD_OR_SKIP(tasks_project());
    ScriptTask *a = start_task("A", "TA", 200);
    ASSERT_TRUE(a);
    runtest::run_frame_passes();
    EXPECT_EQ(a->pass_stamp, g_pass_count);
    // The same pass number again: the task is skipped even though it could run.
    a->wait_frames = 0;
    a->pc = label("TA")->pc;
    run_script_tasks(g_task_tree);   // g_pass_count unchanged
    EXPECT_EQ(ivar(1000), 1);
}

// A task runs only while both its enable bytes and those of every group
// above it are set (their AND is not 0).
TEST(RunSched, DisabledTaskOrGroupDoesNotRun)
{
    for (bool group : {false, true}) {
        SCOPED_TRACE(group ? "group" : "task");
        LOAD_OR_SKIP(tasks_project());
        ScriptTask *gate = nullptr;
        if (group) {
            TreeNode *g = create_tree_node(g_task_tree, "G", 1, 300);
            ASSERT_TRUE(g);
            g->payload = gate = script_task_create();
        }
        ScriptTask *a = start_task(group ? "G/A" : "A", "TA", group ? 1 : 200);
        ASSERT_TRUE(a);
        if (!group)
            gate = a;
        const struct {
            uint8_t enable1, enable2;
            int64_t digits;
        } steps[] = {{0, 1, 0}, {3, 4, 0}, {3, 1, 1}};
        for (const auto &s : steps) {
            gate->enable1 = s.enable1;
            gate->enable2 = s.enable2;
            runtest::run_frame_passes();
            EXPECT_EQ(ivar(1000), s.digits) << (int)s.enable1 << " " << (int)s.enable2;
        }
    }
}

TEST(RunSched, MessageWaitHoldsTheTask)
{
    LOAD_OR_SKIP(tasks_project());
    ScriptTask *a = start_task("A", "TA", 200);
    ASSERT_TRUE(a);
    ASSERT_EQ(create_message_window(), 0);
    TreeNode *layer = create_tree_node(g_layer_tree, "msg", 0, 0);
    ASSERT_TRUE(layer);
    layer->payload = layer_state_new();
    g_message_window->layer = layer;
    message_append_code('C', false);   // the block waits for a click
    a->message_wait = 1;
    runtest::run_frame_passes();
    EXPECT_EQ(ivar(1000), 0);
    g_message_window->display_enabled = 0;   // the block is dropped: the wait ends
    runtest::run_frame_passes();
    EXPECT_EQ(ivar(1000), 1);
    g_message_window->layer = nullptr;
}

TEST(RunSched, UndefinedCommandReports900050AndStops)
{
    LOAD_OR_SKIP(tasks_project("undefined_24\nassign target:1:0=" + E({"$1001"}) + " value=" + E(1) +
                               "\n"));
    runtest::run_until_quit(3);
    EXPECT_EQ(g_last_error_code, 900050u);
    EXPECT_TRUE(g_quit_flag);
    EXPECT_EQ(ivar(1001), 0);
}

TEST(RunSched, CornerMaskCollectsTheFourCorners)
{
    g_corner_mask = 0;
    corner_mask_add(0, 0, 1280, 1024);
    EXPECT_EQ(g_corner_mask, 1);
    corner_mask_add(8, 1015, 1280, 1024);
    EXPECT_EQ(g_corner_mask, 3);
    corner_mask_add(1271, 8, 1280, 1024);
    EXPECT_EQ(g_corner_mask, 7);
    corner_mask_add(1270, 1014, 1280, 1024);   // not quite in the corner
    EXPECT_EQ(g_corner_mask, 7);
    corner_mask_add(1279, 1023, 1280, 1024);
    EXPECT_EQ(g_corner_mask, 15);
    g_corner_mask = 0;
}

namespace {
std::atomic<uint32_t> g_pause_now{1000};
uint32_t pause_clock() { return g_pause_now.load(); }
}  // namespace

TEST(RunSched, PauseAccountingLeavesStoppedTimersAlone)
{
    runtest::reset_engine();
    g_script_clock = pause_clock;
    g_pause_now = 1000;
    for (int k = 0; k < 4; k++) {
        g_timer_bases[k] = 0;
        g_timer_running[k] = 1;
        g_timer_stop_times[k] = 0;
    }
    g_timer_running[2] = 0;
    g_timer_stop_times[2] = 400;
    g_run_inactive = 0;
    g_windows[0]->active = 0;
    pause_check();
    EXPECT_EQ(g_paused, 1);
    g_pause_now = 6000;
    g_windows[0]->active = 1;
    pause_check();
    EXPECT_EQ(g_paused, 0);
    EXPECT_EQ(script_timer_elapsed(0), 1000u);   // 5000 ms of pause left out
    EXPECT_EQ(script_timer_elapsed(2), 400u);    // stopped: its stop time
    // Running while inactive: never paused.
    g_run_inactive = 1;
    g_windows[0]->active = 0;
    pause_check();
    EXPECT_EQ(g_paused, 0);
    g_script_clock = sys_milliseconds;
    for (int k = 0; k < 4; k++)
        g_timer_running[k] = 1;
}

TEST(RunSched, TimerDifferencesWrapAsUnsigned)
{
    runtest::reset_engine();
    g_script_clock = pause_clock;
    g_timer_bases[1] = 0xFFFFFF00u;
    g_timer_running[1] = 1;
    g_pause_now = 0x100;
    EXPECT_EQ(script_timer_elapsed(1), 0x200u);
    g_script_clock = sys_milliseconds;
}

TEST(RunSched, PausedGateHoldsTheNextInstructionUntilTheWindowIsActive)
{
#if defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the test flips the window's active flag from another thread";
#endif
    LOAD_OR_SKIP(tasks_project());
    ScriptTask *a = start_task("A", "TA", 200);
    ASSERT_TRUE(a);
    g_script_clock = pause_clock;
    g_pause_now = 1000;
    g_timer_bases[0] = 0;
    g_run_inactive = 0;
    g_windows[0]->active = 0;
    pause_check();
    ASSERT_EQ(g_paused, 1);
    std::atomic<bool> done{false};
    std::thread runner([&] {
        runtest::run_frame_passes();
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(done.load());
    EXPECT_EQ(ivar(1000), 0);
    g_pause_now = 3000;
    __atomic_store_n(&g_windows[0]->active, (uint8_t)1, __ATOMIC_SEQ_CST);
    for (int i = 0; i < 500 && !done.load(); i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!done.load())
        g_running = 0;   // the gate must not hold the test for ever
    runner.join();
    g_running = 1;
    EXPECT_EQ(ivar(1000), 1);
    EXPECT_EQ(g_paused, 0);
    EXPECT_EQ(script_timer_elapsed(0), 1000u);
    g_run_inactive = 1;
    g_script_clock = sys_milliseconds;
}

TEST(RunSched, QuitMetByThePausedGateEndsTheRun)
{
#ifdef _WIN32
    GTEST_SKIP() << "posts the quit through the stand-in platform's window";
#endif
    LOAD_OR_SKIP(tasks_project());
    ASSERT_TRUE(start_task("A", "TA", 200));
    sys_window_create(g_windows[0], nullptr, 0, "", "");
    g_run_inactive = 0;
    g_windows[0]->active = 0;
    pause_check();
    ASSERT_EQ(g_paused, 1);
    g_windows[0]->close_mode = KV_CLOSE_ASK;
    sys_window_post_close(g_windows[0]);   // WM_QUIT waits in the queue
    runtest::run_frame_passes();
    EXPECT_TRUE(g_quit_flag);
    EXPECT_EQ(g_running, 0);
    EXPECT_EQ(ivar(1000), 0);
    g_running = 1;
    g_run_inactive = 1;
    g_paused = 0;
}

TEST(RunSched, TaskWithoutAScriptIsSkipped)
{
    LOAD_OR_SKIP(tasks_project());
    TreeNode *node = create_tree_node(g_task_tree, "EMPTY", 0, 300);
    ASSERT_TRUE(node);
    node->payload = script_task_create();   // enabled, but no script file yet
    ASSERT_TRUE(start_task("A", "TA", 200));
    runtest::run_frame_passes();
    EXPECT_EQ(ivar(1000), 1);
    EXPECT_EQ(g_quit_flag.load(), 0);
    EXPECT_EQ(g_last_error_code, 0u) << g_error_text;
}

TEST(RunSched, StartedTaskThatReturnsAtTopLevelEnds)
{
    LOAD_OR_SKIP(tasks_project() + "label TR\nreturn\n");
    uint32_t before = g_task_tree->child_count;
    ScriptTask *r = start_task("R", "TR", 200);
    ASSERT_TRUE(r);
    ASSERT_TRUE(name_tree_lookup(g_task_tree, "R", KV_FIND_LEAF));
    runtest::run_frame_passes();
    // Gone from the tree and released (the leak checker of the sanitizer
    // build sees to the release).
    EXPECT_EQ(g_task_tree->child_count, before);
    EXPECT_EQ(nullptr, name_tree_lookup(g_task_tree, "R", KV_FIND_LEAF));
    EXPECT_NE(g_cur_script, r);   // nothing reads the ended task as running
    EXPECT_EQ(g_quit_flag.load(), 0);
    EXPECT_EQ(g_last_error_code, 0u) << g_error_text;
}
