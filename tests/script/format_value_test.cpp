// Command 95 on generated scripts: values of every evaluation type appended to
// the message window as command 91 appends characters, the bytes shown as
// spaces, and the refusals (the block's text and code room, long values, an
// instruction without its expression, no window).
#include <gtest/gtest.h>

#include <string>

#include "core/error_report.h"
#include "core/quit.h"
#include "script/project.h"
#include "script/run_helpers.h"
#include "script/vars.h"
#include "text/message_window.h"

using runtest::ivar;

namespace {

const char *const k_head =
    "project width=640 height=480\nvar 1000 string global dims=8\nvar 1001 int global = 0\n"
    "script 0 \"main.kvs\"\nlabel SYSTEM_START\n";

std::string window_text()
{
    const MessageWindow *w = g_message_window;
    return std::string((const char *)w->text, w->text_length);
}
std::string window_codes()
{
    const MessageWindow *w = g_message_window;
    return std::string((const char *)w->codes, w->code_count);
}

// Loads the instructions (then a marker assignment and a long wait), makes a
// fresh window, fills element k of $1000 with texts[k], runs one frame.
void run(const std::string &instrs, std::initializer_list<std::string> texts = {})
{
    std::string desc = std::string(k_head) + instrs + "assign target:1:0=$1001 value=1\nwait frames=100000\n";
    std::string why = runtest::load_generated(desc);
    ASSERT_EQ(why, "");
    ASSERT_EQ(create_message_window(), 0);
    int64_t k = 0;
    for (const std::string &t : texts)
        var_set_string(1000, k++, t.data(), (uint32_t)t.size());
}

}  // namespace

TEST(VarOps, FormatValueAppendsEveryTypeAsText)
{
    if (!runtest::generator_available())
        GTEST_SKIP() << "the project generator does not run here";
    struct Case {
        const char *value;
        std::string text, codes;
    } cases[] = {
        {"-42", "-42", "111"},
        {"{7 2 /}", "3", "1"},                           // integer arithmetic
        {":2={7 2 /}", "3.500000", "11111111"},          // floating arithmetic
        {":2=-0.25", "-0.250000", "111111111"},
        {":3=$1000", "a b", "111"},                       // a tab
        {":3={[1000 1 ]}", "\x82\xa0  ~ ", "21111"},      // kana, 0x80, '~', 0x7F
        {":3={[1000 2 ]}", "z ", "11"},                   // a final lead byte
        {":4={[1000 3 ]}", "", ""},
    };
    std::string instrs, text, codes;
    for (const Case &c : cases) {
        instrs += std::string("format_value value") + (c.value[0] == ':' ? "" : "=") + c.value + "\n";
        text += c.text;
        codes += c.codes;
    }
    run(instrs, {"a\tb", "\x82\xa0\xb1\x80~\x7f", "z\x82", ""});
    runtest::run_frame_passes();
    EXPECT_EQ(g_last_error_code, 0u) << g_error_text;
    EXPECT_EQ(ivar(1001), 1);
    EXPECT_EQ(window_text(), text);
    EXPECT_EQ(window_codes(), codes);
    const MessageWindow *w = g_message_window;
    EXPECT_EQ(w->text[w->text_length], 0);
    EXPECT_EQ(w->codes[w->code_count], 0);
}

TEST(VarOps, FormatValueRefusals)
{
    if (!runtest::generator_available())
        GTEST_SKIP() << "the project generator does not run here";
    struct Case {
        const char *what;
        std::string instr, value;
        size_t fill, fill_two;   // one-byte and two-byte characters in the window first
        uint32_t code;
    } cases[] = {
        {"1024 bytes", "format_value value:3=$1000\n", std::string(1024, 'q'), 0, 0, 0},
        {"1025 bytes", "format_value value:3=$1000\n", std::string(1025, 'q'), 0, 0, 102030},
        {"text to 8189", "format_value value:3=$1000\n", std::string(189, 'q'), 0, 4000, 0},
        {"text past 8189", "format_value value:3=$1000\n", std::string(190, 'q'), 0, 4000, 102000},
        {"full before long", "format_value value:3=$1000\n", std::string(1025, 'q'), 0, 4000, 102000},
        {"code entries", "format_value value:3=$1000\n", std::string(988, 'q'), 7200, 0, 102000},
        {"no expression", "format_value\n", "", 0, 0, KV_ERR_PROJECT_DATA},
    };
    for (const Case &c : cases) {
        run(c.instr, {c.value});
        MessageWindow *w = g_message_window;
        std::string fill(c.fill, 'f');
        for (size_t k = 0; k < c.fill_two; k++)
            fill += "\x82\xa0";
        ASSERT_EQ(message_append_text(fill.data(), fill.size()), 0) << c.what;
        uint32_t len = w->text_length, count = w->code_count;
        runtest::run_frame_passes();
        EXPECT_EQ(g_last_error_code, c.code) << c.what << ": " << g_error_text;
        EXPECT_EQ(ivar(1001), c.code ? 0 : 1) << c.what;
        if (c.code) {
            EXPECT_EQ(w->text_length, len) << c.what;
            EXPECT_EQ(w->code_count, count) << c.what;
        }
    }
    // No window to append to.
    run("format_value value=5\n");
    MessageWindow *saved = g_message_window;
    g_message_window = nullptr;
    runtest::run_frame_passes();
    g_message_window = saved;
    EXPECT_EQ(g_last_error_code, 100010u);
    EXPECT_EQ(ivar(1001), 0);
}
