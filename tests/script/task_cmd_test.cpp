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
#include "script/script_file.h"
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

// Queries of task `path` for each (element, query id): into that element
// of $1002, or of $1003 for the string queries 6 and 9.
std::string queries(const char *path, std::initializer_list<std::pair<int, int>> list)
{
    std::string q;
    for (auto [e, id] : list) {
        const char *v = id == 6 || id == 9 ? "1003 " : "1002 ";
        q += std::string("task_query path=\"") + path + "\" result={[" + v + std::to_string(e) + " ]} " +
             std::to_string(id) + "=1\n";
    }
    return q;
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
    // with a program counter past the end of sub.kvs (where its block level,
    // opened in deep.kvs, lies past the end as well).
    std::string q = queries("Y", {{0, 8}, {1, 11}, {2, 7}, {3, 3}, {4, 4}, {5, 12}, {6, 13}});
    std::string q2 = queries("Y", {{7, 8}, {8, 11}, {9, 17}, {10, 7}, {11, 10}});
    LOAD_OR_SKIP("project width=640 height=480\nvar 1001 string global dims=4\n"
                 "var 1002 int global dims=16 = 0\nvar 1003 int global = 0\n"
                 "script 0 \"main.kvs\"\nlabel SYSTEM_START\n"
                 "task_start path=\"Y\" label=\"S0\" enable2=5\n" + q +
                 "task_query path=\"Y\" result={[1001 0 ]} 6=1\nwait frames=3\n" + q2 +
                 "task_query path=\"Y\" result={[1001 1 ]} 6=1\ntask_query path=\"Y\" result={[1001 2 ]} 9=1\n"
                 "task_start path=\"Y\" label=\"S3\"\n" + queries("Y", {{12, 16}, {13, 17}}) +
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

namespace {

// Task A parks in a call into the two-instruction short.kvs from inside a
// block, a counted loop's second turn and a block of it in main.kvs; a new
// task Y gets A's state, returns into main.kvs and finishes the loop and
// both blocks, writing digits to $1000 as it goes. Then Z, waiting at W, is
// offered the state the test puts in $1001[1]; its queries 3-18 go to
// elements 10-25 of $1002 (strings: $1003) before and 30-45 after.
std::string call_state_project()
{
    std::string z_before, z_after;
    for (int q = 3; q <= 18; q++) {
        z_before += queries("Z", {{q + 7, q}});
        z_after += queries("Z", {{q + 27, q}});
    }
    auto digit = [](const char *d) {
        return std::string("assign target:1:0=$1000 value={@1000 10 * ") + d + " +}\n";
    };
    return "project width=640 height=480\nvar 48 int global = 0\nvar 1000 int global = 0\n"
           "var 1001 string global dims=2\nvar 1002 int global dims=50 = 0\nvar 1003 string global dims=50\n"
           "script 0 \"main.kvs\"\nlabel SYSTEM_START\ntask_start path=\"A\" label=\"L\"\nwait frames=2\n"
           "task_query path=\"A\" result={[1001 0 ]} 19=1\ntask_start path=\"Y\" label=\"W\" state={[1001 0 ]}\n" +
           queries("Y", {{0, 6}, {0, 16}, {1, 18}, {2, 17}}) +
           "task_start path=\"Z\" label=\"W\" enable2=3 order=7\n"
           "label BAD\nif {[1001 1 ] \"\" ==}\nwait frames=1\ngoto BAD\nendif\n" + z_before +
           "task_start path=\"Z\" state={[1001 1 ]}\n" + z_after + "wait frames=100000\n"
           "label W\nwait frames=100000\n"
           "label L\nif 1\nloop 3\n" + digit("@48") + "if {@48 2 =}\ngosub S\n" + digit("7") +
           "endif\nendloop\n" + digit("8") + "endif\n" + digit("9") +
           queries("", {{1, 6}, {3, 16}, {4, 18}, {5, 17}}) + "return\n"
           "script 1 \"short.kvs\"\nlabel S\nwait frames=100000\nreturn\n";
}

// The state string with fields changed by edit (on a scratch task with two
// call frames).
std::string edited_state(const std::string &state, void (*edit)(ScriptTask *))
{
    ScriptTask *t = script_task_create();
    EXPECT_GT(task_state_decode(state.c_str(), t), 0);
    task_frame(t, 1);
    edit(t);
    static char buf[KV_STATE_MAX + 1];
    int n = task_state_encode(buf, t);
    script_task_free(t);
    return std::string(buf, (size_t)n);
}

// Makes the state's task call once more, from depth 1 with block depth
// `block` and loop depth 1, out of file `file` at pc 1.
void second_call(ScriptTask *t, uint8_t block, uint16_t file)
{
    t->call_depth = 2;
    *t->frames[1] = {};
    t->frames[1]->block_depth = block;
    t->frames[1]->loop_depth = 1;
    t->frames[1]->return_pc = 1;
    t->frames[1]->return_file = t->file_number;
    t->file_number = file;
}

// What a task shows of itself: its state string, its file and call frames 0-1.
std::string task_snapshot(const ScriptTask *t)
{
    static char buf[KV_STATE_MAX + 1];
    std::string s(buf, (size_t)task_state_encode(buf, t));
    s += "|" + std::to_string(t->instr_count) + (t->file ? "f" : "-");
    for (int k = 0; k < 2 && t->frames[k]; k++) {
        const CallFrame *f = t->frames[k];
        s += "," + std::to_string(f->block_depth) + "," + std::to_string(f->loop_depth) + "," +
             std::to_string(f->return_pc) + "," + std::to_string(f->return_file);
    }
    return s;
}

}  // namespace

TEST(TaskCmd, StateInsideACallIntoAShorterFileRoundTrips)
{
    LOAD_OR_SKIP(call_state_project());
    for (int f = 0; f < 4; f++)
        runtest::run_frame_passes();
    EXPECT_EQ(g_last_error_code, 0u) << g_error_text;
    // Turns 1 and 2 before the call, the rest of turn 2 after the return,
    // turn 3, the end of the loop, the end of the outer block.
    EXPECT_EQ(ivar(1000), 127389);
    EXPECT_EQ(svar(1003, 0), "short.kvs");
    EXPECT_EQ(svar(1003, 1), "main.kvs");
    const int64_t depths[] = {2, 1, 1, 0, 0, 0};   // block, loop, call: restored, at the end
    for (int k = 0; k < 6; k++)
        EXPECT_EQ(ivar(1002, k), depths[k]) << k;
    // A's state with block level 2 moved above the call: it would run in
    // short.kvs, past its end. Z is refused it and stays as it was.
    std::string bad = edited_state(svar(1001, 0), [](ScriptTask *t) { t->frames[0]->block_depth = 1; });
    store_string_element(1001, 1, bad.c_str());
    runtest::run_until_quit(4);
    EXPECT_EQ(g_last_error_code, 900000u);
    reset_error_reports();
    g_quit_flag = 0;
    runtest::run_frame_passes();   // the queries after the refused start
    EXPECT_EQ(g_last_error_code, 0u) << g_error_text;
    EXPECT_EQ(ivar(1002, 11), 3);   // enable byte 2, as Z was started
    EXPECT_EQ(svar(1003, 13), "main.kvs");
    for (int q = 3; q <= 18; q++) {
        EXPECT_EQ(ivar(1002, q + 7), ivar(1002, q + 27)) << q;
        EXPECT_EQ(svar(1003, q + 7), svar(1003, q + 27)) << q;
    }
}

TEST(TaskCmd, RestoredStatesAreCheckedPartByPartInTheirOwnFiles)
{
    // A's state: blocks 1-2 and loop 1 in main.kvs below call frame 0 (which
    // returns into main.kvs), the pc in short.kvs (2 instructions).
    LOAD_OR_SKIP(call_state_project());
    for (int f = 0; f < 3; f++)
        runtest::run_frame_passes();
    ASSERT_EQ(g_last_error_code, 0u) << g_error_text;
    const std::string state = svar(1001, 0);
    ASSERT_TRUE(g_script_files && g_script_files[0] && !state.empty());
    static uint32_t main_n;
    main_n = g_script_files[0]->instr_count;
    using Edit = void (*)(ScriptTask *);
    // The current file main.kvs; frame 0 returns into short.kvs at pc 0.
    static const Edit in_main = [](ScriptTask *t) {
        t->file_number = 0;
        t->pc = 3;
        t->frames[0]->return_file = 1;
        t->frames[0]->return_pc = 0;
    };
    struct Case {
        const char *what;
        Edit edit;
        uint32_t code;
    } cases[] = {
        {"as it is", [](ScriptTask *) {}, 0},
        {"a second call that opened nothing", [](ScriptTask *t) { second_call(t, 2, 1); }, 0},
        {"the levels in main.kvs above a call from short.kvs",
         [](ScriptTask *t) { in_main(t); t->frames[0]->block_depth = t->frames[0]->loop_depth = 0; }, 0},
        {"levels of short.kvs inside main.kvs only", in_main, 900000},
        {"block 2 above the call", [](ScriptTask *t) { t->frames[0]->block_depth = 1; }, 900000},
        {"loop 1 above the call", [](ScriptTask *t) { t->frames[0]->loop_depth = 0; }, 900000},
        // A subroutine that closed levels of its caller: saved depths past
        // the state's, or falling from one call to the next.
        {"saved block depth past the state's", [](ScriptTask *t) { t->frames[0]->block_depth = 3; }, 0},
        {"saved loop depth past the state's", [](ScriptTask *t) { t->frames[0]->loop_depth = 2; }, 0},
        {"block 2 reopened in main.kvs after a call that had closed it",
         [](ScriptTask *t) { second_call(t, 1, 0); t->pc = 3; }, 0},
        {"block 2 reopened in short.kvs after a call that had closed it",
         [](ScriptTask *t) { second_call(t, 1, 1); }, 900000},
        {"block 1 ends past main.kvs", [](ScriptTask *t) { t->blocks[1].end_pc = main_n; }, 900000},
        {"loop 1 starts past main.kvs", [](ScriptTask *t) { t->loops[1].start_pc = main_n; }, 900000},
        {"return pc past main.kvs", [](ScriptTask *t) { t->frames[0]->return_pc = main_n; }, 900000},
        {"return file outside the script list", [](ScriptTask *t) { t->frames[0]->return_file = 2; }, 900000},
        {"pc past short.kvs", [](ScriptTask *t) { t->pc = 2; }, 900000},
    };
    for (const Case &c : cases) {
        reset_error_reports();
        g_quit_flag = 0;
        std::string text = edited_state(state, c.edit);
        ScriptTask *t = script_task_create();
        ASSERT_EQ(task_switch_file(t, 0), 0);
        t->pc = 4;
        std::string before = task_snapshot(t);
        EXPECT_EQ(task_state_restore(text.c_str(), t), c.code ? -1 : 0) << c.what;
        EXPECT_EQ(g_last_error_code, c.code) << c.what << ": " << g_error_text;
        EXPECT_EQ(task_snapshot(t).substr(0, c.code ? std::string::npos : text.size()), c.code ? before : text)
            << c.what;
        EXPECT_EQ(t->instr_count, g_script_files[t->file_number]->instr_count) << c.what;
        script_task_free(t);
    }
}
