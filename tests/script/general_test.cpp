// General commands: text-table splitting and counting, switches, frame
// timing, the registry path, clipboard filtering, message-box flags and
// answers; on the stand-in platform also the clipboard, box, input-dialog
// and registry round trips into script variables.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cmd_args.h"
#include "core/engine_state.h"
#include "core/error_report.h"
#include "core/frame_state.h"
#include "core/quit.h"
#include "platform/sys_dialog.h"
#include "platform/sys_registry.h"
#include "script/general.h"
#include "script/text_table.h"
#ifndef _WIN32
#include "platform/null/desktop_null.h"
#endif

using namespace cmdtest;
using runtest::ivar;
using runtest::fvar;
using runtest::svar;

namespace {

int collect(void *ctx, uint32_t index, const char *text, uint32_t length)
{
    auto *out = (std::vector<std::string> *)ctx;
    EXPECT_EQ(index, out->size());
    out->emplace_back(text, length);
    return 0;
}

std::vector<std::string> split(const std::string &s)
{
    std::vector<std::string> out;
    text_table_split(s.data(), s.size(), collect, &out);
    return out;
}

struct SplitCase {
    const char *text;
    std::vector<std::string> fields;
};

}  // namespace

TEST(TextTable, SplitRules)
{
    const SplitCase cases[] = {
        {"a,b\r\n", {"a", "b"}},
        {"\r\n", {""}},                                  // an empty line is blank
        {" \t \r\n", {""}},                              // so is one of blanks only
        {"word\r\n", {}},                                // text without a comma
        {"\"a,b\",c\r\n", {"\"a,b\"", "c"}},             // quotes stay in the field
        {"'a,b',c\r\n", {"'a,b'", "c"}},
        {",x\r\n", {"", "x"}},                           // a comma first ends an empty field
        {"a,,b\r\n", {"a", "", "b"}},
        {"  a , b \r\n", {"a ", "b "}},                  // leading blanks only are skipped
        {"a,b\nc,d\re,f\r\n", {"a", "b", "c", "d", "e", "f"}},
        {"a,b\r\n\r\nc\r\n", {"a", "b", ""}},
        {"\"a\r\nb,c\r\n", {"b", "c"}},                  // a double quote closes at the line end
        {"'a\r\nb,c',d\r\n", {"b,c'", "d"}},             // a single quote stays open
        {"\x82\xa0,\x82\xa2\r\n", {"\x82\xa0", "\x82\xa2"}},
        {"\x81\",b\r\n", {"\x81\"", "b"}},               // the pair's second byte opens no quote
        {"\x82,b\r\n", {"\x82", "b"}},                   // a lead byte before a comma stands alone
        {"a,\x82\r\n", {"a", "\x82"}},                   // ... and before a line end
        {"a,b", {"a"}},                                  // no line end: the last field is not given
    };
    for (const SplitCase &c : cases)
        EXPECT_EQ(split(c.text), c.fields) << c.text;
}

TEST(TextTable, CountRules)
{
    const struct {
        const char *text;
        int64_t count;
    } cases[] = {
        {"a,b", 2}, {"a,b\r\n", 3}, {"", 1}, {"\r\n", 2}, {"a\r\n", 1}, {"\"x,y\"", 1},
        {"a,\x82", 2}, {"\x82", 1}, {"a,b\r\n \t\r\nc", 4}, {"'a\nb,c", 1},
    };
    for (const auto &c : cases)
        EXPECT_EQ(text_table_count(c.text, std::strlen(c.text)), c.count) << c.text;
}

TEST(TextTable, LongFieldsAreCutOnACharacterBoundary)
{
    EXPECT_EQ(split(std::string(5000, 'a') + ",\r\n")[0].size(), 4095u);
    std::string kanji = "ab";
    for (int i = 0; i < 2500; i++)
        kanji += "\x82\xa0";
    std::string f = split(kanji + ",\r\n")[0];
    EXPECT_EQ(f.size(), 4094u);
    EXPECT_EQ(f.substr(4092), "\x82\xa0");
}

TEST(GeneralCommands, RegistryPathRoots)
{
    const struct {
        const char *path;
        int root;
        const char *subkey;
    } cases[] = {
        {"HKEY_CURRENT_USER\\Software\\Kv", KV_REG_CURRENT_USER, "Software\\Kv"},
        {"HKEY_CURRENT_USER/Software/Kv", KV_REG_CURRENT_USER, "Software\\Kv"},
        {"HKEY_CLASSES_ROOT\\.txt", KV_REG_CLASSES_ROOT, ".txt"},
        {"HKEY_LOCAL_MACHINE\\a", KV_REG_LOCAL_MACHINE, "a"},
        {"HKEY_USERS\\", KV_REG_USERS, ""},
        {"HKEY_PERFORMANCE_DATA\\p", KV_REG_PERFORMANCE_DATA, "p"},
        {"HKEY_CURRENT_CONFIG\\c", KV_REG_CURRENT_CONFIG, "c"},
        {"HKEY_DYN_DATA\\d", KV_REG_DYN_DATA, "d"},
        {"HKEY_CURRENT_USER/\x83/x", KV_REG_CURRENT_USER, "\x83/x"},   // a pair's second byte stays
        {"hkey_current_user\\a", -1, nullptr},
        {"HKEY_CURRENT_USER", -1, nullptr},
        {"HKCU\\a", -1, nullptr},
        {"", -1, nullptr},
    };
    for (const auto &c : cases) {
        char path[256];
        std::snprintf(path, sizeof path, "%s", c.path);
        const char *sub = nullptr;
        EXPECT_EQ(registry_path_split(path, &sub), c.root) << c.path;
        if (c.root >= 0) {
            EXPECT_STREQ(sub, c.subkey) << c.path;
        }
    }
}

TEST(GeneralCommands, ClipboardFilter)
{
    const struct {
        std::string in, out;
    } cases[] = {
        {"ab\tc\r\nd", "abcd"},
        {"\x82\xa0" "x", "\x82\xa0" "x"},
        {"ab\x82", "ab"},                          // a lead byte without its second byte
        {std::string("ab\x82\0z", 5), "ab"},       // never the terminator as a second byte
        {std::string("ab\0cd", 5), "ab"},
        {std::string(1023, 'a') + "\x82\xa0" "b", std::string(1023, 'a') + "\x82\xa0"},
        {std::string(1030, 'a'), std::string(1024, 'a')},
    };
    for (const auto &c : cases) {
        char out[KV_CLIP_TAKE + 2];
        size_t n = clipboard_filter_text(c.in.data(), c.in.size(), out);
        EXPECT_EQ(std::string(out, n), c.out);
        EXPECT_EQ(out[n], 0);
    }
}

TEST(GeneralCommands, MessageBoxFlagsAndChoices)
{
    EXPECT_EQ(message_box_flags(false, false, false, 0, 0), 0u);
    EXPECT_EQ(message_box_flags(true, true, false, 2, 1), KV_MB_YESNO | 0x100u | 0x40u);
    EXPECT_EQ(message_box_flags(true, false, true, 3, 4), KV_MB_YESNOCANCEL | 0x200u | 0x10u);
    EXPECT_EQ(message_box_flags(true, false, false, 1, 2), KV_MB_OKCANCEL | 0x20u);
    EXPECT_EQ(message_box_flags(false, false, false, 7, 3), 0x30u);
    EXPECT_EQ(message_box_flags(false, false, false, -1, 5), 0u);
    EXPECT_EQ(message_box_choice(KV_MB_OKCANCEL, KV_IDOK), 1);
    EXPECT_EQ(message_box_choice(KV_MB_OKCANCEL, KV_IDCANCEL), 2);
    EXPECT_EQ(message_box_choice(KV_MB_YESNO | 0x40, KV_IDNO), 2);
    EXPECT_EQ(message_box_choice(KV_MB_YESNOCANCEL, KV_IDCANCEL), 3);
    EXPECT_EQ(message_box_choice(KV_MB_YESNOCANCEL, KV_IDYES), 1);
    EXPECT_EQ(message_box_choice(KV_MB_OK, 0), 0);
}

TEST(GeneralCommands, SwitchesAndFrameTiming)
{
    fresh_engine();
    std::memset(g_engine_switches, 1, sizeof g_engine_switches);
    set_args({num(5, 0x1207)});
    set_switches_run();
    for (int k = 0; k < 128; k++)
        EXPECT_EQ(g_engine_switches[k], k == 4 ? 7 : 1) << k;
    set_args({num(2, 3), num(105, 9), num(106, 5)});   // 106 is no switch
    set_switches_run();
    EXPECT_EQ(g_engine_switches[1], 3);
    EXPECT_EQ(g_engine_switches[104], 9);
    EXPECT_EQ(g_engine_switches[105], 1);

    const struct {
        int64_t rate;
        int32_t target;
    } rates[] = {{30, 30}, {0, 1}, {-5, 1}, {INT64_MIN, 1}, {(int64_t)1 << 32, (int32_t)KV_FPS_MAX},
                 {KV_FPS_MAX + 1, (int32_t)KV_FPS_MAX}, {KV_FPS_MAX, (int32_t)KV_FPS_MAX}};
    for (const auto &r : rates) {
        set_args({num(0, r.rate)});
        set_frame_timing_run();
        EXPECT_EQ(g_fps_target, r.target) << r.rate;
        EXPECT_GT(65536000 / g_fps_target, 0);
    }
    set_args({num(1, (int64_t)1 << 32)});
    set_frame_timing_run();
    EXPECT_EQ(g_frame_skip_enabled, 1);
    EXPECT_EQ(g_fps_target, (int32_t)KV_FPS_MAX);   // id 0 absent: unchanged
    set_args({num(1, 0)});
    set_frame_timing_run();
    EXPECT_EQ(g_frame_skip_enabled, 0);
    g_fps_target = 60;
    g_frame_skip_enabled = 1;
}

#ifndef _WIN32

class GeneralPlatform : public ::testing::Test {
protected:
    void SetUp() override
    {
        fresh_engine();
        null_dialogs_reset();
        null_clipboard_clear();
        null_registry_clear();
        define_var(1000, VAR_TYPE_STRING, {4});
        define_var(1001, VAR_TYPE_INT, {4});
        define_var(1002, VAR_TYPE_FLOAT, {4});
    }
};

TEST_F(GeneralPlatform, ClipboardRoundTripDropsControlBytes)
{
    set_args({num(0, 1), str(1, "ab\tc\r\n\x82\xa0")});
    ASSERT_EQ(copy_to_clipboard_run(), 0);
    ASSERT_NE(null_clipboard_block(), nullptr);
    EXPECT_EQ(*null_clipboard_block(), std::string("ab\tc\r\n\x82\xa0", 9));
    set_args({num(0, 1), ref(1, 1000, 2)});
    ASSERT_EQ(paste_from_clipboard_run(), 0);
    EXPECT_EQ(svar(1000, 2), "abc\x82\xa0");
    null_clipboard_put("xyz", 3);   // a block without a terminator
    ASSERT_EQ(paste_from_clipboard_run(), 0);
    EXPECT_EQ(svar(1000, 2), "xyz");
    null_clipboard_clear();
    EXPECT_EQ(paste_from_clipboard_run(), -1);
    EXPECT_EQ(svar(1000, 2), "xyz");
    set_args({num(1, 0), str(1, "only text")});   // without id 0 nothing happens
    EXPECT_EQ(copy_to_clipboard_run(), 0);
    EXPECT_EQ(null_clipboard_block(), nullptr);
    null_clipboard_fail_next(-1);
    set_args({num(0, 1), str(1, "x")});
    EXPECT_EQ(copy_to_clipboard_run(), -1);
    EXPECT_EQ(g_last_error_code, 100010u);
}

TEST_F(GeneralPlatform, MessageBoxAnswers)
{
    null_answer_box(KV_IDNO);
    set_args({str(0, "cap"), str(1, "text"), num(14, 1), num(19, 2), ref(11, 1001, 1)});
    ASSERT_EQ(message_box_run(), 0);
    EXPECT_EQ(ivar(1001, 1), 2);
    EXPECT_EQ(null_last_box().flags, KV_MB_YESNO | KV_MB_ICONQUESTION);
    EXPECT_EQ(null_last_box().caption, "cap");
    null_answer_box(KV_IDCANCEL);
    set_args({num(14, 1), num(15, 1), num(18, 3), ref(11, 1002, 3)});
    ASSERT_EQ(message_box_run(), 0);
    EXPECT_EQ(fvar(1002, 3), 3.0);
    EXPECT_EQ(null_last_box().flags, KV_MB_YESNOCANCEL | KV_MB_DEFBUTTON3);
    EXPECT_EQ(null_last_box().caption, "");
    null_answer_box(KV_IDOK);
    set_args({ref(11, 1000, 0)});   // a string result variable
    EXPECT_EQ(message_box_run(), 0);
    EXPECT_EQ(g_last_error_code, 101140u);
}

TEST_F(GeneralPlatform, InputDialogTextReachesTheVariable)
{
    null_answer_input("hello world");
    set_args({num(16, 1), str(0, "cap"), str(1, "prompt"), str(9, "init"), num(17, 5),
              ref(10, 1000, 1), ref(11, 1001, 0)});
    ASSERT_EQ(message_box_run(), 0);
    EXPECT_EQ(svar(1000, 1), "hello");   // the edit control's limit
    EXPECT_EQ(ivar(1001, 0), 1);
    EXPECT_EQ(null_last_input().prompt, "prompt");
    EXPECT_EQ(null_last_input().initial, "init");
    EXPECT_EQ(null_last_input().max_length, 5);
    null_answer_input("", false);   // could not be shown: nothing stored
    set_args({num(16, 1), ref(10, 1000, 1), ref(11, 1001, 2)});
    ASSERT_EQ(message_box_run(), 0);
    EXPECT_EQ(svar(1000, 1), "hello");
    EXPECT_EQ(ivar(1001, 2), 0);
}

TEST_F(GeneralPlatform, RegistryReads)
{
    null_registry_put(KV_REG_CURRENT_USER, "Software\\Kv", "Name", std::string("value\0junk", 10));
    null_registry_put(KV_REG_CURRENT_USER, "Software\\Kv", "", "default");
    null_registry_put(KV_REG_CURRENT_USER, "Software\\Kv", "Bin", std::string(1024, 'b'));
    set_args({str(0, "HKEY_CURRENT_USER/Software/Kv"), str(1, "Name"), ref(2, 1000, 0)});
    EXPECT_EQ(reg_read_run(), 0);
    EXPECT_EQ(svar(1000, 0), "value");
    set_args({str(0, "HKEY_CURRENT_USER\\Software\\Kv"), ref(2, 1000, 1)});
    EXPECT_EQ(reg_read_run(), 0);
    EXPECT_EQ(svar(1000, 1), "default");
    set_args({str(0, "HKEY_CURRENT_USER\\Software\\Kv"), str(1, "Bin"), ref(2, 1000, 2)});
    EXPECT_EQ(reg_read_run(), 0);
    EXPECT_EQ(svar(1000, 2), std::string(1024, 'b'));   // a full buffer still ends
    // Success leaves numbers alone; failure clears every kind.
    var_set_number(1001, 0, 5);
    var_set_float(1002, 0, 5.5);
    set_args({str(0, "HKEY_CURRENT_USER\\Software\\Kv"), str(1, "Name"), ref(2, 1001, 0)});
    reg_read_run();
    EXPECT_EQ(ivar(1001, 0), 5);
    for (uint32_t var : {1000u, 1001u, 1002u}) {
        set_args({str(0, "HKEY_CURRENT_USER\\Software\\Kv"), str(1, "Missing"), ref(2, var, 0)});
        EXPECT_EQ(reg_read_run(), 0);
    }
    EXPECT_EQ(svar(1000, 0), "");
    EXPECT_EQ(ivar(1001, 0), 0);
    EXPECT_EQ(fvar(1002, 0), 0.0);
    var_set_number(1001, 0, 5);
    set_args({str(0, "HKCU\\Software\\Kv"), str(1, "Name"), ref(2, 1001, 0)});
    EXPECT_EQ(reg_read_run(), 0);   // an unknown root does nothing
    EXPECT_EQ(ivar(1001, 0), 5);
    EXPECT_EQ(g_last_error_code, 0u);
}

TEST_F(GeneralPlatform, TextTableFileIntoAnArray)
{
    std::FILE *f = std::fopen("kv_table_test.csv", "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("a,\"b,c\"\r\n\r\nword\r\nd,e", f);
    std::fclose(f);
    set_args({str(0, "KV_TABLE_TEST.CSV"), num(2, 1), ref(3, 1000, 0)});
    ASSERT_EQ(load_text_table_run(), 0) << g_error_text;
    EXPECT_EQ(svar(1000, 0), "a");
    EXPECT_EQ(svar(1000, 1), "\"b,c\"");
    EXPECT_EQ(svar(1000, 2), "");
    EXPECT_EQ(svar(1000, 3), "d");   // "e" lies beyond the array
    set_args({str(0, "kv_table_test.csv"), num(1, 1), ref(3, 1001, 2)});
    ASSERT_EQ(load_text_table_run(), 0);
    EXPECT_EQ(ivar(1001, 2), 5);
    set_args({str(0, "kv_table_test.csv"), num(2, 1), ref(3, 1001, 0)});
    EXPECT_EQ(load_text_table_run(), -1);   // not a string array
    EXPECT_EQ(g_last_error_code, 101140u);
    std::remove("kv_table_test.csv");
    set_args({str(0, "kv_no_such_table.csv"), num(2, 1), ref(3, 1000, 0)});
    EXPECT_EQ(load_text_table_run(), -1);
    EXPECT_EQ(g_last_error_code, 104060u);
}

#endif

#ifndef _WIN32

// A generated script drives the commands through the loader: the typed
// text, the pasted text and the registry value reach its variables, and it
// answers with a box whose text the test reads.
TEST_F(GeneralPlatform, ScriptRunsTheDesktopCommands)
{
    LOAD_OR_SKIP("project width=320 height=240\n"
                 "var 1000 string global dims=4\n"
                 "var 1001 int global dims=4 = 0\n"
                 "script 0 \"main.kvs\"\n"
                 "label SYSTEM_START\n"
                 "    copy_to_clipboard flag=1 text=\"copied\"\n"
                 "    message_box caption=\"one\" text=\"t\" yes_no=1 result={[1001 0 ]}\n"
                 "    paste_from_clipboard flag=1 variable={[1000 0 ]}\n"
                 "    message_box input_dialog=1 caption=\"in\" input={[1000 1 ]} result={[1001 1 ]}\n"
                 "    reg_read key=\"HKEY_CURRENT_USER/Software/KvTest\" value=\"Name\" variable={[1000 2 ]}\n"
                 "    message_box caption=\"two\" text={[1000 0 ] [1000 1 ] + [1000 2 ] +}\n"
                 "    end restart=0\n");
    null_registry_put(KV_REG_CURRENT_USER, "Software\\KvTest", "Name", "R");
    null_answer_box(KV_IDNO);
    null_answer_input("typed");
    runtest::run_until_quit(5);
    EXPECT_EQ(g_last_error_code, 0u) << g_error_text;
    EXPECT_EQ(ivar(1001, 0), 2);
    EXPECT_EQ(ivar(1001, 1), 1);
    EXPECT_EQ(null_last_box().caption, "two");
    EXPECT_EQ(null_last_box().text, "copiedtypedR");
}

#endif
