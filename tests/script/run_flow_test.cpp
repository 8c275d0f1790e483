// Flow control on generated scripts: blocks, loops, jumps, calls, wait, end,
// and the fatal reports of broken structure.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/entry.h"
#include "core/error_report.h"
#include "core/quit.h"
#include "platform/sys.h"
#include "script/project.h"
#include "script/run_helpers.h"
#include "script/scheduler.h"
#include "script/task.h"

using runtest::E;
using runtest::ivar;

namespace {

// The project frame around a script body: the system variables the tests
// read and a few user variables, script 0 starting at SYSTEM_START.
std::string project(const std::string &body, const std::string &extra = "")
{
    return "project width=640 height=480\n"
           "var 48 int global = 0\n"
           "var 50 int global dims=11 = 0\n"
           "var 51 float global dims=11 = 0\n"
           "var 52 string global dims=11\n"
           "var 53 int global dims=11 = 0\n"
           "var 54 int global dims=11 = 0\n"
           "var 55 float global dims=11 = 0\n"
           "var 56 string global dims=11\n"
           "var 57 int global dims=11 = 0\n"
           "var 1000 int global dims=64 = 0\n"
           "var 1001 int global = 0\n"
           "var 1002 int global = 0\n"
           "var 1003 float global dims=16 = 0\n"
           "var 1004 string global dims=16\n" +
           extra + "script 0 \"main.kvs\"\nlabel SYSTEM_START\n" + body;
}

std::string set(const std::string &target, const std::string &value, int op = 0)
{
    return "assign target:1:" + std::to_string(op) + "=" + target + " value=" + value + "\n";
}

// $id[k]
std::string el(int id, int k)
{
    std::string v = "$" + std::to_string(id) + "[", kk = std::to_string(k);
    return E({v.c_str(), kk.c_str(), "]"});
}

void expect_error(uint32_t code)
{
    EXPECT_EQ(g_last_error_code, code) << g_error_text;
    EXPECT_TRUE(g_quit_flag);
}

class RunFlow : public ::testing::Test {
protected:
    void TearDown() override { g_script_clock = sys_milliseconds; }
};

}  // namespace

// Scripts that end normally: the elements they counted into, and every block,
// loop and call level closed again.
TEST_F(RunFlow, StructuredFlowOutcomes)
{
    const std::string inc0 = set(E({"$1000"}), E(1), 1), inc1 = set(E({"$1001"}), E(1), 1),
                      inc2 = set(E({"$1002"}), E(1), 1);
    // For $48 = 1..5 the chain picks 1, 2, 3, 4 and the else branch 9.
    std::string chain = "if " + E({"$48", "1", "="}) + "\n" + set(E({"$1002"}), E(1)) +
                        "elseif " + E({"$48", "2", "="}) + "\n" + set(E({"$1002"}), E(2)) +
                        "elseif " + E({"$48", "3", "="}) + "\n" + set(E({"$1002"}), E(3)) +
                        "elseif " + E({"$48", "4", "="}) + "\n" + set(E({"$1002"}), E(4)) +
                        "else\n" + set(E({"$1002"}), E(9)) + "endif\n";
    struct Want {
        uint32_t id;
        int64_t element, value;
    };
    const struct {
        const char *what;
        std::string body;
        std::vector<Want> want;
    } cases[] = {
        {"loop runs count times, $48 counts iterations",
         "loop " + E(3) + "\n" + inc0 + set(E({"$1001"}), E({"$1001", "10", "*", "$48", "+"})) +
             "endloop\n" + set(E({"$1002"}), E({"$48"})) + "end\n",
         {{1000, 0, 3}, {1001, 0, 123}, {1002, 0, 0}}},   // no loop open at the end
        {"loop of zero skips, endless loop runs until break",
         "loop " + E(0) + "\n" + inc0 + "endloop\nloop " + E(-1) + "\n" + inc1 + "if " +
             E({"$1001", "7", "Z"}) + "\nloop_break\nendif\nendloop\n" + set(E({"$1002"}), E(1)) + "end\n",
         {{1000, 0, 0}, {1001, 0, 7}, {1002, 0, 1}}},
        {"negative count runs once, loop_continue counts",
         "loop " + E(-5) + "\n" + inc0 + "endloop\nloop " + E(4) + "\n" + inc1 + "if " +
             E({"$48", "2", "Z"}) + "\nloop_continue\nendif\n" + inc2 + "endloop\nend\n",
         {{1000, 0, 1}, {1001, 0, 4}, {1002, 0, 1}}},   // only the first iteration reached the end
        {"nested loop_break of two levels",
         "loop " + E(3) + "\nloop " + E(3) + "\n" + inc0 + "loop_break levels=" + E(2) +
             "\nendloop\n" + inc1 + "endloop\n" + set(E({"$1002"}), E(1)) + "end\n",
         {{1000, 0, 1}, {1001, 0, 0}, {1002, 0, 1}}},
        {"break of two leaves both blocks",
         "if " + E(1) + "\nif " + E(1) + "\nbreak levels=" + E(2) + "\n" + set(E({"$1000"}), E(99)) +
             "endif\n" + set(E({"$1000"}), E(98)) + "endif\n" + set(E({"$1001"}), E(1)) + "end\n",
         {{1000, 0, 0}, {1001, 0, 1}}},
        {"continue evaluates the condition again",
         "if " + E({"$1000", "3", "<"}) + "\n" + inc0 + "continue\nendif\n" + set(E({"$1001"}), E(1)) +
             "end\n",
         {{1000, 0, 3}, {1001, 0, 1}}},
        {"elseif chain takes one branch",
         "loop " + E(5) + "\n" + chain + set(E({"$1001"}), E({"$1001", "10", "*", "$1002", "+"})) +
             "endloop\nend\n",
         {{1001, 0, 12349}}},
        {"gosub with parameters 1 and 3 marks 2 absent",
         "gosub SUB int1=" + E(5) + " int2=" + E(6) + "\ngosub SUB int1=" + E(1) + " int3=" + E(3) +
             "\nend\nlabel SUB\n" + set(el(1000, 1), el(53, 1)) + set(el(1000, 2), el(53, 2)) +
             set(el(1000, 3), el(53, 3)) + set(el(1000, 4), el(50, 2)) + "return\n",
         {{1000, 1, 1}, {1000, 2, 0}, {1000, 3, 1}, {1000, 4, 0}}},   // [4] cleared, not left at 6
        // Inside the subroutine a goto leaves two open blocks for a label at
        // depth 0 of the subroutine: the depths become the ones at the call.
        {"goto restores the depths relative to the call",
         "if " + E(1) + "\ngosub SUB\n" + set(E({"$1001"}), E(1)) + "endif\ngoto DONE\n" +
             set(E({"$1001"}), E(50)) + "label DONE\nend\nlabel SUB\nif " + E(1) + "\nif " + E(1) +
             "\ngoto OUT\nendif\nendif\nlabel OUT\n" + set(E({"$1002"}), E({"$1002", "1", "+"})) +
             "return\n",
         {{1001, 0, 1}, {1002, 0, 1}}},
        {"return with one value",
         "gosub SUB int1=" + E(7) + "\n" + set(E({"$1000"}), el(54, 1)) + set(E({"$1001"}), el(57, 1)) +
             "end\nlabel SUB\nreturn int1=" + E({"$50[", "1", "]", "$50[", "1", "]", "*"}) + "\n",
         {{1000, 0, 49}, {1001, 0, 1}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        LOAD_OR_SKIP(project(c.body));
        runtest::run_until_quit(5);
        EXPECT_EQ(g_last_error_code, 0u) << g_error_text;
        for (const Want &w : c.want)
            EXPECT_EQ(ivar(w.id, w.element), w.value) << w.id << "[" << w.element << "]";
        const ScriptTask *t = runtest::system_task();
        EXPECT_EQ(t->loop_depth, 0);
        EXPECT_EQ(t->block_depth, 0);
        EXPECT_EQ(t->call_depth, 0);
        EXPECT_EQ(g_restart_request, 0);
    }
}

TEST_F(RunFlow, GosubPassesThirtyParametersAndReturnsValues)
{
    std::string all;
    for (int k = 1; k <= 10; k++) {
        std::string n = std::to_string(k);
        all += " int" + n + "=" + E(100 + k) + " float" + n + ":2=" + std::to_string(k) + ".5" +
               " str" + n + "=\"s" + n + "\"";
    }
    // Mixed: ints for 1-3, floats for 4-6, strings for 7-9, nothing for 10.
    std::string mixed = " int1=" + E(1) + " int2=" + E(2) + " int3=" + E(3) +
                        " float4:2=4.25 float5:2=5.25 float6:2=6.25" +
                        " str7=\"x7\" str8=\"x8\" str9=\"x9\"";
    std::string sub = "label SUB\n";
    for (int k = 1; k <= 10; k++) {
        sub += set(el(1000, k), el(50, k));
        sub += set(el(1000, 10 + k), el(53, k));
        sub += set(el(1003, k), el(51, k));
        sub += "assign target:3=" + el(1004, k) + " value=" + el(52, k) + "\n";
    }
    sub += "return int1=" + E(7) + " float2:2=2.5 str3=\"back\"\n";
    std::string body = "gosub SUB" + all + "\n" +
                       set(el(1000, 30), E({"$1000[", "10", "]", "$1000[", "1", "]", "+"})) +
                       set(el(1000, 31), E({"$1000[", "20", "]"})) +
                       set(el(1000, 32), el(54, 1)) + set(el(1000, 33), el(57, 1)) +
                       set(el(1000, 34), el(57, 2)) + set(el(1000, 35), el(57, 4)) +
                       set(el(1003, 12), el(55, 2)) +
                       "assign target:3=" + el(1004, 12) + " value=" + el(56, 3) + "\n" +
                       "gosub SUB" + mixed + "\nend\n" + sub;
    LOAD_OR_SKIP(project(body));
    runtest::run_until_quit(5);
    ASSERT_EQ(g_last_error_code, 0u) << g_error_text;
    // After the first call: $1000[30] = 110 + 101 (the sum was taken then).
    EXPECT_EQ(ivar(1000, 30), 110 + 101);
    EXPECT_EQ(ivar(1000, 31), 1);          // parameter 10 was present
    EXPECT_EQ(ivar(1000, 32), 7);          // integer return value 1
    EXPECT_EQ(ivar(1000, 33), 1);
    EXPECT_EQ(ivar(1000, 34), 1);          // float return value 2 present
    EXPECT_EQ(ivar(1000, 35), 0);          // return value 4 absent
    EXPECT_DOUBLE_EQ(runtest::fvar(1003, 12), 2.5);
    EXPECT_EQ(runtest::svar(1004, 12), "back");
    // The second call's parameters (the subroutine stored them last).
    EXPECT_EQ(ivar(1000, 1), 1);
    EXPECT_EQ(ivar(1000, 3), 3);
    EXPECT_EQ(ivar(1000, 4), 0);
    EXPECT_DOUBLE_EQ(runtest::fvar(1003, 4), 4.25);
    EXPECT_DOUBLE_EQ(runtest::fvar(1003, 1), 0.0);
    EXPECT_EQ(runtest::svar(1004, 7), "x7");
    EXPECT_EQ(runtest::svar(1004, 1), "");
    for (int k = 1; k <= 9; k++)
        EXPECT_EQ(ivar(1000, 10 + k), 1) << k;
    EXPECT_EQ(ivar(1000, 20), 0);
    EXPECT_EQ(runtest::system_task()->call_depth, 0);
}

TEST_F(RunFlow, BrokenStructureIsAFatalReport)
{
    // Raw command numbers for else (31), endif (34) and endloop (44): the
    // generator would refuse unbalanced blocks.
    const struct {
        const char *body;
        uint32_t code;
    } cases[] = {
        {"goto NOWHERE", 108180}, {"return", 101300},     {"31", 101300},         {"34", 101300},
        {"break", 101300},        {"continue", 101300},   {"loop_break", 101300}, {"loop_continue", 101300},
        {"44", 108120},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.body);
        LOAD_OR_SKIP(project(std::string(c.body) + "\nend\n"));
        runtest::run_until_quit(5);
        expect_error(c.code);
    }
}

TEST_F(RunFlow, SixtyFourLevelsAreAFatalReportNotAnOverflow)
{
    std::string ifs, loops;
    for (int i = 0; i < 64; i++) {
        ifs = "if " + E(1) + "\n" + ifs + "endif\n";
        loops = "loop " + E(1) + "\n" + loops + "endloop\n";
    }
    const struct {
        std::string body;
        uint8_t ScriptTask::*depth;
    } cases[] = {{ifs, &ScriptTask::block_depth},
                 {loops, &ScriptTask::loop_depth},
                 {"label R\ngosub R\n", &ScriptTask::call_depth}};
    for (const auto &c : cases) {
        LOAD_OR_SKIP(project(c.body + "end\n"));
        runtest::run_until_quit(5);
        expect_error(101600);
        EXPECT_EQ(runtest::system_task()->*c.depth, 63);
    }
}

TEST_F(RunFlow, RunningOffTheEndIsAProjectDataReport)
{
    LOAD_OR_SKIP(project(set(E({"$1000"}), E(1))));
    runtest::run_until_quit(5);
    expect_error(KV_ERR_PROJECT_DATA);
    EXPECT_EQ(ivar(1000), 1);
}

TEST_F(RunFlow, EndSetsTheRestartRequest)
{
    LOAD_OR_SKIP(project("end restart=" + E(1) + "\n"));
    g_restart_request = 0;
    runtest::run_until_quit(5);
    EXPECT_EQ(g_last_error_code, 0u) << g_error_text;
    EXPECT_TRUE(g_quit_flag);
    EXPECT_EQ(g_restart_request, 1);
    g_restart_request = 0;
}

TEST_F(RunFlow, WaitFramesSkipsPasses)
{
    LOAD_OR_SKIP(project(set(E({"$1000"}), E(1), 1) + "wait frames=" + E(3) + "\n" +
                         set(E({"$1000"}), E(1), 1) + "wait frames=" + E(0) + " ms=" + E(0) + "\n" +
                         set(E({"$1000"}), E(1), 1) + "wait frames=" + E(100000) + "\n"));
    runtest::run_frame_passes();
    EXPECT_EQ(ivar(1000), 1);
    runtest::run_frame_passes();
    runtest::run_frame_passes();
    EXPECT_EQ(ivar(1000), 1);
    runtest::run_frame_passes();   // the third pass after the wait
    EXPECT_EQ(ivar(1000), 3);      // a wait of 0 and 0 did not end the turn
    EXPECT_EQ(g_last_error_code, 0u) << g_error_text;
}

namespace {
uint32_t g_fake_now;
uint32_t fake_clock() { return g_fake_now; }
}  // namespace

// Millisecond waits on a clock the test sets: the clock before each frame step
// and the count of $1000 after it.
TEST_F(RunFlow, MillisecondWaitsOnTheClock)
{
    const std::string inc = set(E({"$1000"}), E(1), 1), hold = "wait frames=" + E(100000) + "\n";
    struct Step {
        uint32_t now;
        int64_t count;
    };
    struct Case {
        std::string what, body;
        std::vector<Step> steps;
    };
    std::vector<Case> cases = {
        // The deadline 0x10 lies after the wrap; reached, the task runs in the
        // pass that clears it.
        {"clock wrap", inc + "wait ms=" + E(32) + "\n" + inc + "wait ms=" + E(16) + "\n" + inc + hold,
         {{0xFFFFFFF0u, 1}, {0xFFFFFFFFu, 1}, {0x0Fu, 1}, {0x10u, 2}}},
        {"deadline of zero", "wait ms=" + E(16) + "\n" + inc + hold,
         {{0xFFFFFFF0u, 0}, {0xFFFFFFFAu, 0}, {0, 1}}},
        {"longer than the signed range", "wait ms=" + E(3000000000LL) + "\n" + inc + hold,
         {{1000, 0}, {1001, 0}, {1000u + 0x7FFFFFFEu, 0}, {1000u + 0x7FFFFFFFu, 1}}},
    };
    // Negative waits only end the turn.
    for (const char *arg : {"ms=", "frames="})
        for (int64_t v : {-1LL, -2147483648LL, -3000000000LL})
            cases.push_back({arg + std::to_string(v), "wait " + std::string(arg) + E(v) + "\n" + inc + hold,
                             {{5000, 0}, {5010, 1}}});
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        LOAD_OR_SKIP(project(c.body));
        g_script_clock = fake_clock;
        for (const Step &s : c.steps) {
            g_fake_now = s.now;
            runtest::run_frame_passes();
            EXPECT_EQ(ivar(1000), s.count) << std::hex << s.now;
            if (c.what == "deadline of zero" && s.now == 0xFFFFFFF0u) {
                EXPECT_EQ(runtest::system_task()->wait_deadline, 0u);
                EXPECT_TRUE(runtest::system_task()->deadline_set);
            }
        }
    }
}
