// Instructions the scheduler runs in its own loop (assignments, ifs, block
// and loop ends with quick forms): the same results as their handlers, the
// paused gate still first, and every instruction counted in debug mode.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/entry.h"
#include "core/error_report.h"
#include "core/quit.h"
#include "core/window.h"
#include "script/commands.h"
#include "script/flow.h"
#include "script/project.h"
#include "script/quick_ops.h"
#include "script/run_helpers.h"
#include "script/scheduler.h"
#include "script/script_file.h"
#include "script/task.h"
#include "script/vars.h"

using runtest::E;
using runtest::ivar;

namespace {

std::string set(const std::string &target, const std::string &value, int op = 0)
{
    return "assign target:1:" + std::to_string(op) + "=" + target + " value=" + value + "\n";
}

// Flow with quick and general conditions mixed: nested ifs with elseif and
// else, break and continue, loop_break, assignments of every operator, a
// target that is an array element and a value of floating type.
std::string mixed_project()
{
    std::string body;
    body += "loop " + E(40) + "\n";
    body += set(E({"$1000"}), E({"$48"}), 1);                                   // s += i
    body += "if " + E({"$48", "3", "%", "0", "="}) + "\n";                      // general
    body += set(E({"$1001"}), E(7), 3);                                         // *= 7
    body += set(E({"$1001"}), E(1000003), 5);                                   // %=
    body += "elseif " + E({"$48", "5", ">"}) + "\n";                            // quick in elseif
    body += set(E({"$1002"}), E({"$1000"}), 8);                                 // ^=
    body += "if " + E({"$1002", "1", "A"}) + "\n";
    body += "loop_continue\n";
    body += "endif\n";
    body += "else\n";
    body += set(E({"$1003[", "2", "]"}), E({"$48"}), 1);                        // element target
    body += "endif\n";
    body += "if " + E({"$48", "37", "Z"}) + "\nloop_break\nendif\n";
    body += set(E({"$1004"}), E({"$1004", "$48", "+"}));
    body += set(E({"$1005"}), E({"1.5"}));
    body += set(E({"$1006"}), E({"$1000", "$1001", "-"}), 2);
    body += "endloop\n";
    body += set(E({"$1007"}), E({"$1000", "$1004", "!"}));
    body += "end\n";
    return "project width=640 height=480\n"
           "var 48 int global = 0\n"
           "var 1000 int global = 0\nvar 1001 int global = 1\nvar 1002 int global = 0\n"
           "var 1003 int global dims=4 = 0\nvar 1004 int global = 0\nvar 1005 float global = 0\n"
           "var 1006 int global = 0\nvar 1007 int global = 0\n"
           "script 0 \"main.kvs\"\nlabel SYSTEM_START\n" + body;
}

std::vector<int64_t> results()
{
    std::vector<int64_t> out;
    for (uint32_t id = 1000; id <= 1007; id++)
        out.push_back(ivar(id));
    out.push_back(ivar(1003, 2));
    out.push_back((int64_t)(runtest::fvar(1005) * 2));
    return out;
}

// Back to the handlers of the commands and to general runs only: what the
// file would be without quick forms.
void strip_quick_forms(void)
{
    for (uint32_t n = 0; n < g_script_file_count; n++) {
        ScriptFile *f = g_script_files[n];
        if (!f)
            continue;
        for (uint32_t i = 0; i < f->instr_count; i++) {
            f->quick_ops[i] = QUICK_OP_NONE;
            if (f->handlers[1][i] == cmd_if_quick)
                f->handlers[1][i] = cmd_if;
            if (f->handlers[1][i] == cmd_assign_quick)
                f->handlers[1][i] = cmd_assign;
        }
        for (uint32_t k = 0; k < f->arg_total; k++)
            f->arg_base[k].quick = nullptr;
    }
    ScriptTask *t = runtest::system_task();
    task_adopt_file(t, t->file_number, t->file);
}

class RunQuick : public ::testing::Test {
protected:
    void TearDown() override
    {
        g_paused = 0;
        g_run_inactive = 1;
        g_debug_mode = 0;
    }
};

}  // namespace

TEST_F(RunQuick, SameResultsAsTheHandlers)
{
    LOAD_OR_SKIP(mixed_project());
    const ScriptFile *f = g_script_files[0];
    int marked = 0;
    for (uint32_t i = 0; i < f->instr_count; i++)
        marked += f->quick_ops[i] != QUICK_OP_NONE;
    EXPECT_GE(marked, 10);
    runtest::run_until_quit(5);
    ASSERT_EQ(g_last_error_code, 0u) << g_error_text;
    std::vector<int64_t> quick = results();

    LOAD_OR_SKIP(mixed_project());
    strip_quick_forms();
    runtest::run_until_quit(5);
    ASSERT_EQ(g_last_error_code, 0u) << g_error_text;
    EXPECT_EQ(quick, results());
    EXPECT_EQ(quick[0], 703);   // 1 + 2 + ... + 37
}

TEST_F(RunQuick, PausedGateRunsFirst)
{
    // With the window active again the gate ends the pause (and moves the
    // timers) before the instruction runs.
    LOAD_OR_SKIP("project width=640 height=480\nvar 1000 int global = 0\n"
                 "script 0 \"main.kvs\"\nlabel SYSTEM_START\n" +
                 set(E({"$1000"}), E(1), 1) + "wait frames=" + E(100000) + "\n");
    ASSERT_EQ(QUICK_OP_ASSIGN, g_script_files[0]->quick_ops[0]);
    g_run_inactive = 0;
    g_paused = 1;
    g_windows[0]->active = 1;
    runtest::run_frame_passes();
    EXPECT_EQ(g_paused, 0);
    EXPECT_EQ(ivar(1000), 1);
}

TEST_F(RunQuick, DebugModeCountsEveryInstruction)
{
    // loop, 3 x (assign, if, endif, endloop), end: 14 instructions.
    LOAD_OR_SKIP("project width=640 height=480\nvar 1000 int global = 0\n"
                 "script 0 \"main.kvs\"\nlabel SYSTEM_START\nloop " + E(3) + "\n" +
                 set(E({"$1000"}), E(1), 1) + "if " + E({"$1000", "9", ">"}) + "\nendif\n"
                 "endloop\nend\n");
    g_debug_mode = 1;
    uint64_t before = g_debug_call_count;
    runtest::run_until_quit(5);
    EXPECT_EQ(g_last_error_code, 0u) << g_error_text;
    EXPECT_EQ(g_debug_call_count - before, 14u);
    EXPECT_EQ(ivar(1000), 3);
}

TEST_F(RunQuick, ChangedTargetTypeTakesTheGeneralPath)
{
    // The assignment's target is declared again as floating inside the
    // loop: the quick path must notice and leave it to the handler.
    LOAD_OR_SKIP("project width=640 height=480\nvar 48 int global = 0\nvar 1000 int global = 0\n"
                 "script 0 \"main.kvs\"\nlabel SYSTEM_START\nloop " + E(4) + "\n" +
                 set(E({"$1000"}), E(2), 1) +
                 "if " + E({"$48", "2", "="}) + "\nfloat variable=" + E({"$1000"}) +
                 " value=" + E(10) + "\nendif\nendloop\nend\n");
    runtest::run_until_quit(5);
    ASSERT_EQ(g_last_error_code, 0u) << g_error_text;
    EXPECT_DOUBLE_EQ(runtest::fvar(1000), 14.0);
}
