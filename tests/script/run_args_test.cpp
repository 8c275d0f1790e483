// The argument loader: every check class at and beyond its bounds, the id map,
// argument kinds, and failures. Instructions are built in memory, so these
// run in every build.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/error_report.h"
#include "core/quit.h"
#include "core/window.h"
#include "script/args.h"
#include "script/project.h"
#include "script/run_helpers.h"
#include "script/script_file.h"
#include "script/task.h"

namespace {

struct Bound {
    int cls;
    int64_t lo, hi;
};

// Classes 3..23 and their ranges.
const Bound k_ranges[] = {
    {3, 0, 1}, {4, 0, 2}, {5, 0, 3}, {6, 1, 3}, {7, 0, 4}, {8, 0, 8}, {9, 1, 8},
    {10, 0, 15}, {11, 0, 18}, {12, 0, 256}, {13, 1, 256}, {14, 0, 512}, {15, 0, 1024},
    {16, 1, 1024}, {17, 128, 1024}, {18, 0, 2048}, {19, 1, 2048}, {20, 0, 8192},
    {21, 1, 8192}, {22, 16, 8192}, {23, 128, 8192},
};

uint32_t check(int cls, int64_t v, int64_t *stored = nullptr, int64_t *lo = nullptr,
               int64_t *hi = nullptr)
{
    int64_t l, h;
    uint32_t r = arg_check_class(cls, &v, &l, &h);
    if (stored)
        *stored = v;
    if (lo)
        *lo = l;
    if (hi)
        *hi = h;
    return r;
}

}  // namespace

TEST(RunArgs, RangeClassesAtAndBeyondTheirBounds)
{
    for (const Bound &b : k_ranges) {
        int64_t lo, hi;
        EXPECT_EQ(check(b.cls, b.lo), 0u) << b.cls;
        EXPECT_EQ(check(b.cls, b.hi), 0u) << b.cls;
        EXPECT_EQ(check(b.cls, b.lo - 1, nullptr, &lo, &hi), 101000u) << b.cls;
        EXPECT_EQ(lo, b.lo);
        EXPECT_EQ(hi, b.hi);
        EXPECT_EQ(check(b.cls, b.hi + 1), 101000u) << b.cls;
        EXPECT_EQ(check(b.cls, -1), 101000u) << b.cls;
        EXPECT_EQ(check(b.cls, INT64_MAX), 101000u) << b.cls;   // low 32 bits: 0xFFFFFFFF
    }
}

// One value through one class: the result, the value stored back and the
// bounds given for the report.
TEST(RunArgs, ClassChecksAndStoredValues)
{
    runtest::reset_engine();
    g_windows[0]->game_width = 800;   // classes 26 and 27 follow window 0
    g_windows[0]->game_height = 600;
    const int64_t X = INT64_MIN + 1, big = -((int64_t)5 << 40), p40 = (int64_t)1 << 40;
    const struct {
        int cls;
        int64_t value;
        uint32_t code;
        int64_t stored, lo, hi;   // X: not looked at
    } cases[] = {
        // Minimum classes compare the whole value and do not narrow it.
        {1, 0, 0, 0, X, X}, {1, -1, 101010, X, X, X}, {1, INT64_MIN, 101010, X, X, X},
        {1, p40, 0, X, X, X}, {2, 1, 0, X, X, X}, {2, 0, 101010, X, 1, X}, {2, p40, 0, p40, X, X},
        // The low 32 bits are checked and stored back.
        {3, ((int64_t)1 << 32) + 1, 0, 1, X, X}, {12, ((int64_t)7 << 32) + 256, 0, 256, X, X},
        {25, ((int64_t)1 << 33) + 0xABCDEF, 0, 0xABCDEF, X, X},
        {24, ((int64_t)5 << 32) + 0xFFFFFFFF, 0, -1, X, X},
        // Colours.
        {24, -1, 0, -1, X, X}, {24, 0, 0, X, X, X}, {24, 0xFFFFFF, 0, X, X, X},
        {24, 0x1000000, 101020, X, X, X}, {24, -2, 101020, X, X, X}, {25, 0xFFFFFF, 0, X, X, X},
        {25, 0, 0, X, X, X}, {25, 0x1000000, 101030, X, X, X}, {25, -1, 101030, X, X, X},
        // The game size of window 0.
        {26, 799, 0, X, X, X}, {26, 800, 101000, X, 0, 799}, {26, -1, 101000, X, X, X},
        {27, 599, 0, X, X, X}, {27, 600, 101000, X, X, 599}, {27, 0, 0, X, X, X},
        // Quarters, and classes that check nothing.
        {28, 0, 0, X, X, X}, {28, 3, 0, X, X, X}, {28, 4, 101210, X, X, 3}, {28, -1, 101220, X, X, X},
        {0, big, 0, big, X, X}, {29, big, 0, big, X, X}, {30, big, 0, big, X, X},
        {200, big, 0, big, X, X}, {255, big, 0, big, X, X},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(::testing::Message() << "class " << c.cls << " value " << c.value);
        int64_t stored, lo, hi;
        EXPECT_EQ(check(c.cls, c.value, &stored, &lo, &hi), c.code);
        EXPECT_TRUE(c.stored == X || stored == c.stored) << stored;
        EXPECT_TRUE(c.lo == X || lo == c.lo) << lo;
        EXPECT_TRUE(c.hi == X || hi == c.hi) << hi;
    }
}

// --- the loader on instructions built in memory ------------------------------------------

namespace {

// A one-file program in memory: instructions with records and their code.
struct MemScript {
    std::vector<uint8_t> code;
    std::vector<ArgRecord> records;
    std::vector<uint8_t> counts;
    std::vector<ArgRecord *> firsts;
    std::vector<uint32_t> lines;
    std::vector<CommandHandler> h0, h1;
    ScriptFile file{};
    ScriptTask *task = nullptr;
    ~MemScript()
    {
        if (!task)
            return;
        if (g_cur_script == task)
            g_cur_script = nullptr;
        std::free(task->frames[0]);
        std::free(task);
    }

    // Expression pushing a 64-bit number.
    std::pair<uint32_t, uint32_t> num(int64_t v)
    {
        uint32_t off = (uint32_t)code.size();
        code.push_back('L');
        code.push_back(8);
        code.push_back(0);
        for (int i = 0; i < 8; i++)
            code.push_back((uint8_t)((uint64_t)v >> (8 * i)));
        return {off, 11};
    }
    std::pair<uint32_t, uint32_t> str(const char *s)
    {
        uint32_t off = (uint32_t)code.size();
        size_t n = std::strlen(s) + 2;
        code.push_back('M');
        code.push_back((uint8_t)n);
        code.push_back(0);
        code.push_back('"');
        code.insert(code.end(), s, s + n - 2);
        code.push_back('"');
        return {off, (uint32_t)(3 + n)};
    }
    std::pair<uint32_t, uint32_t> bad()
    {
        uint32_t off = (uint32_t)code.size();
        code.push_back(0x01);   // no such opcode
        code.push_back(0);
        code.push_back(0);
        return {off, 3};
    }
    // One instruction: records as {id, type, expression}.
    void add(std::initializer_list<std::tuple<uint8_t, uint8_t, std::pair<uint32_t, uint32_t>>> args)
    {
        counts.push_back((uint8_t)args.size());
        for (auto &a : args) {
            ArgRecord r{};
            r.id = std::get<0>(a);
            r.eval_type = std::get<1>(a);
            r.offset = std::get<2>(a).first;
            r.length = std::get<2>(a).second;
            records.push_back(r);
        }
        lines.push_back((uint32_t)lines.size() + 1);
    }
    void finish()
    {
        size_t next = 0;
        firsts.clear();
        for (uint8_t c : counts) {
            firsts.push_back(records.data() + next);
            next += c;
        }
        h0.assign(counts.size(), nullptr);
        h1.assign(counts.size(), nullptr);
        file.instr_count = (uint32_t)counts.size();
        file.handlers[0] = h0.data();
        file.handlers[1] = h1.data();
        file.arg_counts = counts.data();
        file.arg_records = firsts.data();
        file.expr_code = code.data();
        file.expr_size = (uint32_t)code.size();
        file.line_table = lines.data();
        task = script_task_create();
        task_adopt_file(task, 0, &file);
        g_cur_script = task;
    }
};

// Command 0 with 40 number arguments; 1 with string arguments; the classes set
// by each test.
struct Defs {
    CommandDef defs[3];
    const char *names[40];
    uint8_t kinds[3][40], classes[3][40];
    CommandDef *saved;
    uint32_t saved_count;
    Defs()
    {
        saved = g_command_defs;
        saved_count = g_command_def_count;
        static const char *arg_names[40] = {"a0", "a1", "a2", "a3", "a4", "a5", "a6", "a7"};
        for (int i = 0; i < 40; i++)
            names[i] = arg_names[i] ? arg_names[i] : "ax";
        std::memset(kinds, 0, sizeof kinds);
        std::memset(classes, 0, sizeof classes);
        for (int c = 0; c < 3; c++) {
            defs[c].name = c == 0 ? "cmd0" : c == 1 ? "cmd1" : "cmd2";
            defs[c].arg_count = 40;
            defs[c].arg_names = names;
            defs[c].arg_kinds = kinds[c];
            defs[c].arg_classes = classes[c];
        }
        g_command_defs = defs;
        g_command_def_count = 3;
    }
    ~Defs()
    {
        g_command_defs = saved;
        g_command_def_count = saved_count;
    }
};

class RunArgsLoader : public ::testing::Test {
protected:
    void SetUp() override { runtest::reset_engine(); }
    void TearDown() override
    {
        g_cur_script = nullptr;
        g_quit_flag = 0;
    }
};

}  // namespace

TEST_F(RunArgsLoader, LoadsByIdAndLeavesOthersAbsent)
{
    Defs d;
    MemScript s;
    s.add({{3, 1, s.num(30)}, {0, 1, s.num(-7)}, {105, 1, s.num(9)}});
    s.add({});
    s.finish();
    g_cur_instr = 0;
    g_arg_slots.value[3] = 12345;
    ASSERT_EQ(load_command_args(0), 0);
    EXPECT_EQ(g_arg_slots.count, 3);
    EXPECT_EQ(arg_pos(3), 1u);
    EXPECT_EQ(arg_pos(0), 2u);
    EXPECT_EQ(arg_pos(105), 3u);   // ids beyond the 40 defined are kept in the map
    EXPECT_EQ(arg_int(3), 30);
    EXPECT_EQ(arg_int(0), -7);
    EXPECT_EQ(g_arg_slots.value[3], 12345);   // "other" kind: not evaluated
    EXPECT_FALSE(arg_present(1));
    // An instruction without arguments leaves every id absent.
    g_cur_instr = 1;
    ASSERT_EQ(load_command_args(0), 0);
    EXPECT_EQ(g_arg_slots.count, 0);
    for (uint32_t id = 0; id < KV_ARG_SLOTS; id++)
        EXPECT_FALSE(arg_present(id)) << id;
    EXPECT_EQ(arg_value_at(1), 0);
}

TEST_F(RunArgsLoader, IdBeyondTheDefinitionIsNotChecked)
{
    Defs d;
    d.classes[0][39] = 1;
    MemScript s;
    s.add({{200, 1, s.num(-5)}, {39, 1, s.num(-5)}});
    s.finish();
    g_error_shown = 1;
    EXPECT_EQ(load_command_args(0), -1);
    EXPECT_EQ(g_last_error_code, 101010u);
    EXPECT_EQ(arg_pos(200), 1u);
}

TEST_F(RunArgsLoader, CheckFailureIsAFatalReport)
{
    Defs d;
    d.classes[0][2] = 17;
    MemScript s;
    s.add({{2, 1, s.num(127)}});
    s.add({{2, 1, s.num(128)}});
    s.finish();
    g_cur_instr = 1;
    EXPECT_EQ(load_command_args(0), 0);
    g_cur_instr = 0;
    EXPECT_EQ(load_command_args(0), -1);
    EXPECT_EQ(g_last_error_code, 101000u);
    EXPECT_TRUE(g_quit_flag);
}

TEST_F(RunArgsLoader, CheckedValueIsStoredBackForTheHandler)
{
    Defs d;
    d.classes[0][0] = 3;
    d.classes[0][1] = 24;
    MemScript s;
    s.add({{0, 1, s.num(((int64_t)1 << 32) + 1)}, {1, 1, s.num(-1)}});
    s.add({{1, 1, s.num(16777216)}});
    s.finish();
    ASSERT_EQ(load_command_args(0), 0);
    EXPECT_EQ(arg_int(0), 1);
    EXPECT_EQ(arg_int(1), -1);
    g_cur_instr = 1;
    EXPECT_EQ(load_command_args(0), -1);
    EXPECT_EQ(g_last_error_code, 101020u);
}

TEST_F(RunArgsLoader, StringsRawCodeAndClassesOnNumbersOnly)
{
    Defs d;
    d.kinds[1][0] = KV_ARG_STRING;
    d.classes[1][0] = 2;   // a class on a string argument: not applied
    d.kinds[1][1] = KV_ARG_RAW;
    d.classes[1][1] = 2;
    MemScript s;
    auto text = s.str("hello");
    auto raw = s.num(0);
    s.add({{0, 3, text}, {1, 1, raw}});
    s.finish();
    g_arg_slots.value[1] = -100;   // whatever an earlier instruction left
    g_arg_slots.value[2] = -100;
    ASSERT_EQ(load_command_args(1), 0);
    EXPECT_STREQ(arg_str(0), "hello");
    EXPECT_EQ(g_arg_slots.code[2], s.code.data() + raw.first);
    EXPECT_EQ(g_last_error_code, 0u);
}

TEST_F(RunArgsLoader, CallArgumentsEvaluateStringsAsTypeThree)
{
    Defs d;
    d.kinds[1][0] = KV_ARG_STRING;
    MemScript s;
    // Type bytes 0x05 0x00 stand for a pre-resolved label index.
    s.add({{0, 5, s.str("LABEL")}});
    s.finish();
    ASSERT_EQ(unpack_call_args(1), 0);
    EXPECT_STREQ(arg_str(0), "LABEL");
}

TEST_F(RunArgsLoader, FatalEvaluationErrorFailsTheLoader)
{
    Defs d;
    MemScript s;
    s.add({{0, 1, s.bad()}, {1, 1, s.num(4)}});
    s.finish();
    EXPECT_EQ(load_command_args(0), -1);
    EXPECT_TRUE(g_quit_flag);
    EXPECT_NE(g_last_error_code, 0u);
}

TEST_F(RunArgsLoader, RecordOutsideTheCodeSectionIsProjectDataError)
{
    Defs d;
    MemScript s;
    s.add({{0, 1, {0, 4000}}});
    s.num(1);
    s.finish();
    EXPECT_EQ(load_command_args(0), -1);
    EXPECT_EQ(g_last_error_code, (uint32_t)KV_ERR_PROJECT_DATA);
}

TEST_F(RunArgsLoader, FileWithoutItsArraysHasNoInstructions)
{
    MemScript s;
    s.add({{0, 1, s.num(1)}});
    s.finish();
    ScriptFile broken = s.file;
    broken.arg_records = nullptr;   // a file the loader left incomplete
    task_adopt_file(s.task, 0, &broken);
    EXPECT_EQ(s.task->instr_count, 0u);
    uint32_t n = 7;
    EXPECT_EQ(task_instr_args(s.task, 0, &n), nullptr);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(load_command_args(0), 0);
    EXPECT_EQ(g_arg_slots.count, 0);
}

TEST_F(RunArgsLoader, UnknownCommandLoadsNothingButTheMap)
{
    Defs d;
    MemScript s;
    s.add({{0, 1, s.num(5)}});
    s.finish();
    ASSERT_EQ(load_command_args(77), 0);
    EXPECT_TRUE(arg_present(0));
    EXPECT_EQ(g_arg_slots.count, 1);
}

TEST_F(RunArgsLoader, ArgumentOnlyHandlersReturnMinusOneOnFailure)
{
    Defs d;
    d.classes[0][0] = 3;
    MemScript s;
    s.add({{0, 1, s.num(1)}});
    s.add({{0, 1, s.num(2)}});
    s.finish();
    EXPECT_EQ(cmd_args_only_0(), 0);
    g_cur_instr = 1;
    EXPECT_EQ(cmd_args_only_0(), -1);
}
