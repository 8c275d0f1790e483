// The task commands on generated scripts: the order of tasks in a pass while
// tasks are started, ended, re-ordered and disabled during it; the queries;
// the state string restored into another task.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/error_report.h"
#include "core/quit.h"
#include "core/tree.h"
#include "script/run_helpers.h"
#include "script/task.h"
#include "script/task_state.h"
#include "script/vars.h"

using runtest::ivar;
using runtest::svar;

namespace {

// Task Tk appends digit k to $1000 once per pass (wait 1 frame, go round).
std::string digit_task(char k, const std::string &extra = "")
{
    std::string d(1, k);
    return "label T" + d + "\nassign target:1:0=$1000 value={@1000 10 * " + d + " +}\n" + extra +
           "wait frames=1\ngoto \"T" + d + "\"\n";
}

// SYSTEM starts tasks 1 (key 300), 2 (200), 3 (150) and waits; task 1 runs
// `extra1` after its digit.
std::string project(const std::string &extra1, const std::string &extra2 = "")
{
    return "project width=640 height=480\nvar 1000 int global = 0\nvar 1001 string global\n"
           "var 1002 int global dims=8 = 0\n"
           "script 0 \"main.kvs\"\nlabel SYSTEM_START\n"
           "task_start path=\"A\" label=\"T1\" order=300\n"
           "task_start path=\"B\" label=\"T2\" order=200\n"
           "task_start path=\"C\" label=\"T3\" order=150\n"
           "wait frames=100000\n" +
           digit_task('1', extra1) + digit_task('2', extra2) + digit_task('3') + digit_task('9');
}

// Runs frames 1 (SYSTEM starts the tasks) and 2; returns the digits of frame 2.
int64_t second_frame()
{
    runtest::run_frame_passes();
    EXPECT_EQ(ivar(1000), 0);
    runtest::run_frame_passes();
    return ivar(1000);
}

}  // namespace

TEST(TaskCmd, PassOrderSurvivesChangesDuringThePass)
{
    struct Case {
        const char *what;
        std::string extra1;
        int64_t frame2, frame3;
    } cases[] = {
        {"nothing", "", 123, 123123},
        // A new task with the lowest key: it waits for the next pass, and the
        // tasks below task 1 neither lose nor repeat their turn. (A wait of
        // one frame is one pass: the further pass runs all four.)
        {"start", "task_start path=\"X\" label=\"T9\" order=1\n", 123, 1231239},
        {"start with a further pass",
         "if {@1000 10 <}\ntask_start path=\"X\" label=\"T9\" order=1 pass=1\nendif\n",
         1231239, 12312391239},
        {"end a later task", "if {@1000 10 <}\ntask_end path=\"C\"\nendif\n", 12, 1212},
        // Task 3 moves above task 1: it still runs once in this pass, first
        // in the next.
        {"re-order", "task_start path=\"C\" order=400\n", 123, 123312},
        {"re-order by an operator", "task_start path=\"B\" order:1:1=1000\n", 123, 123213},
        {"disable itself", "task_start path=\"\" enable1=0\n", 123, 12323},
    };
    for (const Case &c : cases) {
        LOAD_OR_SKIP(project(c.extra1));
        EXPECT_EQ(second_frame(), c.frame2) << c.what;
        runtest::run_frame_passes();
        EXPECT_EQ(ivar(1000), c.frame3) << c.what;
        EXPECT_EQ(g_last_error_code, 0u) << c.what << ": " << g_error_text;
    }
}

TEST(TaskCmd, EndingTheRunningTaskByPathEndsItsTurn)
{
    LOAD_OR_SKIP(project("task_end path=\"A\"\nassign target:1:0=$1000 value=7\n"));
    EXPECT_EQ(second_frame(), 123);
    EXPECT_EQ(name_tree_lookup(g_task_tree, "A", KV_FIND_LEAF), nullptr);
}

TEST(TaskCmd, EndingTheMainTaskIsRefused)
{
    LOAD_OR_SKIP(project("task_end path=\"SYSTEM\"\n"));
    second_frame();
    EXPECT_EQ(g_last_error_code, 101420u);
    EXPECT_TRUE(g_quit_flag);
}

TEST(TaskCmd, QueriesAndTheStateStringRestoredIntoAnotherTask)
{
    // Task 1 keeps its state inside a loop and a block; task 2 starts task Y
    // from it: Y continues inside the same loop and block.
    std::string t1 = "loop 5\nif 1\ntask_query path=\"\" result=$1001 19=1\n"
                     "wait frames=100000\nendif\nendloop\n";
    std::string t2 = "task_start path=\"Y\" label=\"T9\" state=$1001\n"
                     "task_query path=\"Y\" result={[1002 0 ]} 16=1\n"
                     "task_query path=\"Y\" result={[1002 1 ]} 18=1\n"
                     "task_query path=\"Y\" result={[1002 2 ]} 17=1\n"
                     "task_query path=\"Y\" result={[1002 3 ]} 2=1\n"
                     "task_query path=\"Q\" result={[1002 4 ]} 2=1\n"
                     "task_query path=\"Y\" result={[1002 5 ]} 5=1\n"
                     "task_query path=\"\" result={[1002 6 ]} 7=1\n"
                     "wait frames=100000\n";
    LOAD_OR_SKIP(project(t1, t2));
    second_frame();
    EXPECT_EQ(g_last_error_code, 0u) << g_error_text;
    EXPECT_EQ(ivar(1002, 0), 1);   // block depth
    EXPECT_EQ(ivar(1002, 1), 1);   // loop depth
    EXPECT_EQ(ivar(1002, 2), 0);   // call depth
    EXPECT_EQ(ivar(1002, 3), 1);
    EXPECT_EQ(ivar(1002, 4), 0);   // no such task
    EXPECT_EQ(ivar(1002, 5), 1);   // default order key
    EXPECT_EQ(ivar(1002, 6), 0);
    EXPECT_EQ(svar(1001).substr(0, 8), std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8));
}

TEST(TaskCmd, ScriptListQueries)
{
    LOAD_OR_SKIP("project width=640 height=480\nvar 1000 int global dims=4 = 0\nvar 1001 string global dims=3\n"
                 "script 0 \"main.kvs\" value=7\nlabel SYSTEM_START\n"
                 "script_list_query count=1 result={[1000 0 ]}\n"
                 "script_list_query value=1 index=2 result={[1000 1 ]}\n"
                 "script_list_query value=1 index=1 result={[1000 2 ]}\n"
                 "script_list_query name=1 index=2 result={[1001 0 ]}\n"
                 "script_list_query name=1 index=3 result={[1001 1 ]}\n"
                 "wait frames=100000\n"
                 "script 1 \"sub.kvs\" value=9\nlabel X\nwait frames=1\n");
    runtest::run_frame_passes();
    EXPECT_EQ(g_last_error_code, 0u) << g_error_text;
    EXPECT_EQ(ivar(1000, 0), 2);
    EXPECT_EQ(ivar(1000, 1), 9);
    EXPECT_EQ(ivar(1000, 2), 7);
    EXPECT_EQ(svar(1001, 0), "sub.kvs");
    EXPECT_EQ(svar(1001, 1), "");
}

TEST(TaskCmd, DeepestStateRoundTripsThroughAStringVariable)
{
    // Task A calls itself 63 times, each level inside a block and a loop,
    // from a script whose name has the longest length a state keeps; at the
    // bottom it reads its state into $1001. SYSTEM gives that variable to a
    // new task Y, reads Y's state back into $1002 and copies $1001 to $1004.
    std::string name(KV_STATE_NAME_MAX - 4, 'd');
    LOAD_OR_SKIP("project width=640 height=480\nvar 1000 int global = 0\nvar 1001 string global\n"
                 "var 1002 string global\nvar 1003 string global dims=64 = \"D\"\nvar 1004 string global\n"
                 "script 0 \"" + name + ".kvs\"\nlabel SYSTEM_START\n"
                 "assign target={[1003 63 ]} value=\"Q\"\ntask_start path=\"A\" label=\"D\"\n"
                 "wait frames=3\ntask_start path=\"Y\" label=\"W\" state=$1001\n"
                 "task_query path=\"Y\" result=$1002 19=1\nassign target=$1004 value=$1001\n"
                 "wait frames=100000\n"
                 "label D\nassign target:1:1=$1000 value=1\nif 1\nloop 2\n"
                 "gosub label={[1003 @1000 ]}\nendloop\nendif\n"
                 "label Q\ntask_query path=\"\" result=$1001 19=1\nwait frames=100000\n"
                 "label W\nwait frames=100000\n");
    for (int f = 0; f < 5; f++)
        runtest::run_frame_passes();
    EXPECT_EQ(g_last_error_code, 0u) << g_error_text;
    EXPECT_EQ(svar(1001).size(), (size_t)KV_STATE_MAX);
    EXPECT_TRUE(svar(1002) == svar(1001)) << svar(1002).size();
    // Any other string value still ends at 4095 bytes.
    EXPECT_EQ(svar(1004), svar(1001).substr(0, 4095));
}

TEST(TaskCmd, QueriesOfFilesLinesCallsAndARestoredStateOutsideItsFile)
{
    // Y is created at the first instruction of sub.kvs (nothing has run: no
    // line before it), then calls into deep.kvs and waits inside a block;
    // started again at a new label it keeps its depths. Z gets Y's state
    // with a program counter past the end of deep.kvs.
    std::string q;
    for (auto [e, id] : {std::pair{0, 8}, {1, 11}, {2, 7}, {3, 3}, {4, 4}, {5, 12}, {6, 13}})
        q += "task_query path=\"Y\" result={[1002 " + std::to_string(e) + " ]} " + std::to_string(id) + "=1\n";
    std::string q2;
    for (auto [e, id] : {std::pair{7, 8}, {8, 11}, {9, 17}, {10, 7}, {11, 10}})
        q2 += "task_query path=\"Y\" result={[1002 " + std::to_string(e) + " ]} " + std::to_string(id) + "=1\n";
    LOAD_OR_SKIP("project width=640 height=480\nvar 1001 string global dims=4\n"
                 "var 1002 int global dims=16 = 0\nvar 1003 int global = 0\n"
                 "script 0 \"main.kvs\"\nlabel SYSTEM_START\n"
                 "task_start path=\"Y\" label=\"S0\" enable2=5\n" + q +
                 "task_query path=\"Y\" result={[1001 0 ]} 6=1\nwait frames=3\n" + q2 +
                 "task_query path=\"Y\" result={[1001 1 ]} 6=1\ntask_query path=\"Y\" result={[1001 2 ]} 9=1\n"
                 "task_start path=\"Y\" label=\"S3\"\n"
                 "task_query path=\"Y\" result={[1002 12 ]} 16=1\ntask_query path=\"Y\" result={[1002 13 ]} 17=1\n"
                 "wait frames=3\ntask_start path=\"Z\" label=\"S3\" state={[1001 3 ]}\n"
                 "assign target:1:0=$1003 value=1\nwait frames=100000\n"
                 "script 1 \"sub.kvs\"\nlabel S0\n@70 gosub label=\"S2\"\nlabel S3\nwait frames=100000\n"
                 "script 2 \"deep.kvs\"\nlabel S2\nif 1\n@80 wait frames=100000\nendif\nreturn\n");
    for (int f = 0; f < 4; f++)
        runtest::run_frame_passes();
    EXPECT_EQ(g_last_error_code, 0u) << g_error_text;
    const int64_t want[] = {0, 0, 1, 1, 5, 0, 0, 80, 70, 1, 2, 1, 1, 1};
    for (int k = 0; k < 14; k++)
        EXPECT_EQ(ivar(1002, k), want[k]) << k;
    EXPECT_EQ(svar(1001, 0), "sub.kvs");
    EXPECT_EQ(svar(1001, 1), "deep.kvs");
    EXPECT_EQ(svar(1001, 2), "sub.kvs");
    // Y's state (in sub.kvs), its program counter (the 8 letters before the
    // name length and the name) set far past the end of its file.
    TreeNode *y = name_tree_lookup(g_task_tree, "Y", KV_FIND_LEAF);
    ASSERT_TRUE(y);
    static char state[KV_STATE_MAX + 1];
    int n = task_state_encode(state, (ScriptTask *)y->payload);
    ASSERT_GT(n, 24);
    std::memset(state + n - std::strlen("sub.kvs") - 8 - 8, 'p', 8);
    store_string_element(1001, 3, state);
    for (int f = 0; f < 4 && !g_quit_flag; f++)
        runtest::run_frame_passes();
    EXPECT_EQ(g_last_error_code, 900000u);
    EXPECT_EQ(ivar(1003), 0);
}
