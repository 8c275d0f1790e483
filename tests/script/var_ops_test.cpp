// Commands 85 and 86 on generated scripts, table-driven: every string
// operation on ASCII, Shift-JIS and mixed text, the array edits, the
// queries, and the refusals.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/error_report.h"
#include "core/quit.h"
#include "script/run_helpers.h"
#include "script/vars.h"

using runtest::fvar;
using runtest::ivar;
using runtest::svar;

namespace {

const char *const k_vars =
    "project width=640 height=480\n"
    "var 1000 string global dims=64\nvar 1001 string global dims=64\n"
    "var 1002 int global dims=64 = 0\nvar 1003 float global dims=64 = 0\n"
    "var 1004 int global dims=3 = 0\nvar 1005 int global dims=3 = 0\n"
    "var 1006 string global dims=3\nvar 1007 int global dims=4 = 7\n"
    "var 1008 int global dims=4 = 7\nvar 1009 int global dims=4 = 7\n"
    "var 1010 int global = 0\n"
    "script 0 \"main.kvs\"\nlabel SYSTEM_START\n";

std::string el(int id, int k)
{
    return "{[" + std::to_string(id) + " " + std::to_string(k) + " ]}";
}

// Source text, the operation's arguments (source and dest added), result.
struct StrCase {
    const char *source;
    const char *args;
    std::string want;
};

const char *const A = "abc";
const char *const J = "\x82\xa0\x82\xa2\x82\xa4";   // three double-byte characters
const char *const M = "a\x82\xa0" "b\xb1";          // a, double-byte, b, half-width kana

std::vector<StrCase> string_cases()
{
    return {
        {A, "extract=1 start=2 length=1", "b"},
        {A, "extract=1 start=1 length=0", ""},
        {A, "extract=1 start=2 length=2", "bc"},
        {A, "extract=1 start=3 length=-4", ""},
        {J, "extract=1 start=2 length=1", "\x82\xa2"},
        {M, "extract=1 start=2 length=2", "\x82\xa0" "b"},
        {M, "extract=1 start=0 length=1", "a"},
        {J, "delete=1 start=2 length=1", "\x82\xa0\x82\xa4"},
        {M, "delete=1 start=1 length=2", "b\xb1"},
        {"x\x83\x61y", "7=1", "X\x83\x61Y"},             // trail byte 'a' kept
        {"a\x82\x81", "8=1", "A\x82\x60"},                // ａ to Ａ
        {"AB\x83\x41", "9=1", "ab\x83\x41"},             // trail byte 'A' kept
        {"A\x82\x60", "10=1", "a\x82\x81"},
        {"\x83\xbf\x84\x80\xfa\x40", "8=1", "\x83\x9f\x84\x4f\x87\x54"},   // α о ⅰ
        {"\x83\x9f\x84\x4f\x87\x54", "10=1", "\x83\xbf\x84\x80\xfa\x40"},
        {"A 1\xb1~", "11=1", "\x82\x60\x81\x40\x82\x50\x83\x41\x81\x50"},
        {"\x82\x60\x81\x40\x83\x41\x83\x4b\x81\x5b", "12=1", "A \xb1\x83\x4b\xb0"},
        {"\x81\x7c\x82\x9a", "12=1", "-z"},
        {"ab\x82", "11=1", "\x82\x81\x82\x82\x82"},       // a final lead byte ends the walk
        {std::string(3000, 'q').c_str(), "11=1", ""},      // cut below; filled in the test
    };
}

// Message boxes are recorded, never shown.
std::string g_box;
int record_box(const char *, const char *text)
{
    g_box = text;
    return 1;
}
struct BoxRecorder {
    BoxRecorder() { g_message_box_hook = record_box; }
    ~BoxRecorder() { g_message_box_hook = nullptr; }
};

void run_one_frame()
{
    g_box.clear();
    runtest::run_frame_passes();
}

// Element count of a variable (0 when there is none, as in a run that only
// writes the project descriptions).
int64_t count_of(uint32_t id)
{
    const VarDescriptor *v = var_descriptor(id);
    return v ? v->count : 0;
}

}  // namespace

TEST(VarOps, StringOperationsOnEveryKindOfText)
{
    BoxRecorder boxes;
    std::vector<StrCase> cases = string_cases();
    static std::string long_text(3000, 'q');
    cases.back().source = long_text.c_str();
    std::string wide;
    for (int k = 0; k < 2047; k++)
        wide += "\x82\x91";
    cases.back().want = wide;   // cut at 4095 bytes on a character boundary
    std::string desc = k_vars;
    for (size_t k = 0; k < cases.size(); k++)
        desc += "var_ops source=" + el(1000, (int)k) + " dest=" + el(1001, (int)k) + " " +
                cases[k].args + "\n";
    desc += "wait frames=100000\n";
    LOAD_OR_SKIP(desc);
    for (size_t k = 0; k < cases.size(); k++)
        store_string_element(1000, (int64_t)k, cases[k].source);
    run_one_frame();
    EXPECT_EQ(g_last_error_code, 0u) << g_error_text;
    for (size_t k = 0; k < cases.size(); k++)
        EXPECT_EQ(svar(1001, (int64_t)k), cases[k].want) << k << ": " << cases[k].args;
}

TEST(VarOps, ConversionsArraysAndQueries)
{
    BoxRecorder boxes;
    std::string desc = k_vars;
    auto conv = [&](const std::string &src, const std::string &dst) {
        desc += "var_ops source=" + src + " dest=" + dst + " convert=1\n";
    };
    conv(el(1002, 0), el(1001, 0));      // -42
    conv(el(1003, 0), el(1001, 1));      // 1.5
    conv(el(1000, 0), el(1002, 1));      // "12.5" into an integer
    conv(el(1000, 1), el(1002, 2));      // "-17"
    conv(el(1000, 2), el(1002, 3));      // "0x1F"
    conv(el(1000, 3), el(1003, 1));      // "3.25"
    conv(el(1000, 4), el(1002, 4));      // "0xffffffffffffffff"
    desc += "var_ops source={&1004} insert=0\n"
            "var_ops source={&1005} remove=0\n"
            "var_ops source={&1006} insert=1\n"
            "var_ops source={&1007} resize=6\n"
            "var_ops source={&1008} resize:1:4=0\n"
            "var_ops source={&1009} insert=4\n"
            "var_ops source={&1009} resize:1:3=2\n"
            "var_ops source={[1000 6 ]} delete=1 start=1 length=1\n";
    auto info = [&](const std::string &src, const std::string &dst, const std::string &q) {
        desc += "var_info source=" + src + " dest=" + dst + " " + q + "\n";
    };
    info(el(1003, 0), el(1002, 10), "2=1");
    info(el(1000, 7), el(1002, 11), "3=1");       // J: 2
    info(el(1000, 8), el(1002, 12), "3=1");       // half-width kana: 1
    info(el(1000, 7), el(1003, 10), "3=1");       // 2.0 into a float
    info("{&1001}", el(1002, 13), "4=1");
    info("{&1001}", el(1002, 14), "5=1");
    info("{&1001}", el(1002, 15), "6=1");
    info(el(1000, 9), el(1002, 16), "13=1");      // M: 4 characters
    info("{&1004}", el(1002, 17), "14=1 int=1");
    info("{&1006}", el(1002, 18), "14=1 text=\"b\"");
    info("{&1004}", el(1002, 19), "14=1 int=99");
    info("{&1004}", el(1002, 20), "14=1 int=1 start=2");
    info("{&1003}", el(1002, 21), "14=1 float=1.5");
    conv(el(1000, 5), el(1002, 5));      // "0x" alone: the command ends, nothing stored
    desc += "wait frames=100000\n";
    LOAD_OR_SKIP(desc);
    var_set_number(1002, 0, -42);
    var_set_float(1003, 0, 1.5);
    const char *texts[] = {"12.5", "-17", "0x1F", "3.25", "0xffffffffffffffff", "0x", "xyz", J, "\xb1", M};
    for (int k = 0; k < 10; k++)
        store_string_element(1000, k, texts[k]);
    for (int k = 0; k < 3; k++) {
        var_set_number(1004, k, k + 1);
        var_set_number(1005, k, k + 1);
        store_string_element(1006, k, std::string(1, (char)('a' + k)).c_str());
    }
    run_one_frame();
    EXPECT_EQ(svar(1001, 0), "-42");
    EXPECT_EQ(svar(1001, 1), "1.500000");
    EXPECT_EQ(ivar(1002, 1), 12);
    EXPECT_EQ(ivar(1002, 2), -17);
    EXPECT_EQ(ivar(1002, 3), 31);
    EXPECT_EQ(fvar(1003, 1), 3.25);
    EXPECT_EQ(ivar(1002, 4), -1);
    EXPECT_EQ(ivar(1002, 5), 0);
    auto ints = [](uint32_t id) {
        std::vector<int64_t> v;
        for (int64_t k = 0; k < count_of(id); k++)
            v.push_back(ivar(id, k));
        return v;
    };
    EXPECT_EQ(ints(1004), (std::vector<int64_t>{0, 1, 2}));
    EXPECT_EQ(ints(1005), (std::vector<int64_t>{2, 3, 0}));
    EXPECT_EQ(svar(1006, 0) + "|" + svar(1006, 1) + "|" + svar(1006, 2), "a||b");
    EXPECT_EQ(ints(1007), (std::vector<int64_t>{7, 7, 7, 7, 0, 0}));
    EXPECT_EQ(ints(1008), (std::vector<int64_t>{7, 7, 7, 7}));   // divide by 0: unchanged
    EXPECT_EQ(ints(1009), (std::vector<int64_t>{7, 7, 7, 7, 0, 0, 0, 0}));  // insert at 4: nothing
    EXPECT_EQ(svar(1000, 6), "yz");    // delete without a destination: in place
    EXPECT_EQ(ivar(1002, 10), 2);
    EXPECT_EQ(ivar(1002, 11), 2);
    EXPECT_EQ(ivar(1002, 12), 1);
    EXPECT_EQ(fvar(1003, 10), 2.0);
    EXPECT_EQ(ivar(1002, 13), 1);
    EXPECT_EQ(ivar(1002, 14), 64);
    EXPECT_EQ(ivar(1002, 15), 0);
    EXPECT_EQ(ivar(1002, 16), 4);
    EXPECT_EQ(ivar(1002, 17), 1);
    EXPECT_EQ(ivar(1002, 18), 2);
    EXPECT_EQ(ivar(1002, 19), -1);
    EXPECT_EQ(ivar(1002, 20), -1);
    EXPECT_EQ(ivar(1002, 21), 0);
    EXPECT_EQ(g_last_error_code, 0u) << g_error_text;
}

TEST(VarOps, Refusals)
{
    BoxRecorder boxes;
    struct Case {
        const char *source;
        std::string instr;
        uint32_t code;   // 0: a message box, the engine goes on
    } cases[] = {
        // A start one past the last character is refused, even for length 0.
        {"abc", "var_ops source=" + el(1000, 0) + " dest=" + el(1001, 0) + " extract=1 start=4 length=0", 120010},
        {"abc", "var_ops source=" + el(1000, 0) + " dest=" + el(1001, 0) + " extract=1 start=2 length=3", 120020},
        {J, "var_ops source=" + el(1000, 0) + " delete=1 start=4 length=1", 120110},
        {J, "var_ops source=" + el(1000, 0) + " delete=1 start=3 length=2", 120120},
        {"12a", "var_ops source=" + el(1000, 0) + " dest=" + el(1002, 0) + " convert=1", 108210},
        {"1\x82\xa0", "var_ops source=" + el(1000, 0) + " dest=" + el(1002, 0) + " convert=1", 108210},
        {"1", "var_ops source=" + el(1000, 0) + " dest=" + el(1001, 0) + " convert=1", 108200},
        {"1", "var_ops source=" + el(1002, 0) + " dest=" + el(1003, 0) + " convert=1", 108200},
        {"1", "var_ops source=" + el(1002, 0) + " dest=" + el(1001, 0) + " extract=1 start=1 length=1", 108220},
        {"1", "var_ops source=" + el(1000, 0) + " 7=1", 101140},
        {"1", "var_info source=" + el(1002, 0) + " dest=" + el(1002, 1) + " 3=1", 108220},
        {"", "var_info source=" + el(1000, 0) + " dest=" + el(1002, 1) + " 3=1", 101450},
        {"1", "var_info source=" + el(1002, 0) + " dest=" + el(1002, 1) + " 13=1", 108220},
        {"1", "var_ops source={&1004} resize=4000001", 101100},
        {"1", "var_ops source={&1004} resize:1:3=9223372036854775807", 101100},
        {"1", "var_ops source={&1004} resize=0", 0},
        {"1", "var_ops source=$1010 insert=0", 0},
    };
    for (const Case &c : cases) {
        LOAD_OR_SKIP(std::string(k_vars) + c.instr + "\nassign target:1:0=$1010 value=5\nwait frames=100000\n");
        store_string_element(1000, 0, c.source);
        run_one_frame();
        EXPECT_EQ(g_last_error_code, c.code) << c.instr << ": " << g_error_text;
        EXPECT_EQ(g_quit_flag != 0, c.code != 0) << c.instr;
        EXPECT_EQ(ivar(1010), 0) << c.instr;   // the turn ended at the command
        EXPECT_EQ(count_of(1004), 3) << c.instr;
        EXPECT_EQ(!g_box.empty(), c.code == 0) << c.instr;
    }
}
