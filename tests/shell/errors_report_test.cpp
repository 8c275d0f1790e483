// Error reports: texts of codes, the location prefix, formatting of the
// engine's texts versus the project's, bounds and the first-report rule.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "core/error_format.h"
#include "core/error_report.h"
#include "core/error_texts.h"
#include "core/quit.h"
#include "platform/sys_error.h"

namespace {

const char *g_test_file;
int32_t g_test_line;

bool test_location(const char **file, int32_t *line)
{
    if (!g_test_file)
        return false;
    *file = g_test_file;
    *line = g_test_line;
    return true;
}

// A correct Shift-JIS text never ends in the middle of a character.
bool ends_on_boundary(const char *s)
{
    size_t i = 0, n = std::strlen(s);
    while (i < n)
        i += sjis_is_lead((unsigned char)s[i]) ? 2 : 1;
    return i == n;
}

class ErrorReport : public ::testing::Test {
protected:
    void SetUp() override
    {
        reset_error_reports();
        g_quit_flag = 0;
        g_error_text_count = 0;
        g_error_location_fn = test_location;
        g_test_file = nullptr;
        g_test_line = 0;
        g_debug_mode = 0;
    }
    void TearDown() override
    {
        g_error_location_fn = nullptr;
        g_error_text_count = 0;
        g_quit_flag = 0;
        reset_error_reports();
    }
};

TEST_F(ErrorReport, BuiltInTextWinsOverProjectTable)
{
    g_error_texts[0] = {100010, "project text"};
    g_error_texts[1] = {555555, "project only"};
    g_error_text_count = 2;
    EXPECT_STREQ(error_text(100010), "メモリ不足です。");
    EXPECT_STREQ(error_text(555555), "project only");
}

TEST_F(ErrorReport, UnknownCodeGivesInternalErrorText)
{
    EXPECT_STREQ(error_text(999999), g_internal_error_text);
    EXPECT_EQ(std::strncmp(error_text(999999), "[内部エラー]", std::strlen("[内部エラー]")), 0);
    // A count beyond the table is never trusted.
    g_error_text_count = 100000;
    EXPECT_STREQ(error_text(999998), g_internal_error_text);
}

TEST_F(ErrorReport, LocatedLayoutWithFileAndLine)
{
    g_test_file = "scr\\main.txt";
    g_test_line = 42;
    report_script_error(104060, 1, "bg.png");
    EXPECT_EQ(g_last_error_code, 104060u);
    EXPECT_STREQ(g_error_message,
                 "[対象ファイル]\nscr\\main.txt\n\n[場所]\n42 行目\n\n[内容]\n\n"
                 "[bg.png]ファイルが\n存在しません。");
    EXPECT_STREQ(g_error_location.file, "scr\\main.txt");
    EXPECT_EQ(g_error_location.line, 42);
    EXPECT_EQ(g_quit_flag.load(), 1);
}

TEST_F(ErrorReport, SystemReportHasNoPrefix)
{
    g_test_file = "scr\\main.txt";
    g_test_line = 3;
    report_system_error(104130, 0, 16);
    EXPECT_STREQ(g_error_message, "パックファイルを同時に扱えるのは 16 個までです。");
    EXPECT_EQ(g_error_location.file, nullptr);
    EXPECT_EQ(g_error_location.line, 1);
    EXPECT_EQ(g_quit_flag.load(), 0);
}

TEST_F(ErrorReport, OnlyFirstReportShownAndQuitNeverCleared)
{
    int before = sys_error_dialog_count();
    report_system_error_text(100010, 1);
    EXPECT_EQ(sys_error_dialog_count(), before + 1);
    EXPECT_STREQ(sys_error_dialog_last_caption(), "KAVREN Debug Info.");
    EXPECT_STREQ(sys_error_dialog_last_text(), "メモリ不足です。");
    report_system_error(104060, 0, "x.png");
    EXPECT_EQ(sys_error_dialog_count(), before + 1);
    EXPECT_EQ(g_last_error_code, 104060u);
    EXPECT_EQ(g_quit_flag.load(), 1);   // the non-fatal second report keeps the run ending
}

TEST_F(ErrorReport, PercentInFileNameAndProjectTextPrintsLiterally)
{
    g_test_file = "scr\\100%_%n%s.txt";
    g_test_line = 7;
    // A lone '%' (here "% d", a printf conversion with a blank flag) meets a
    // text argument and stays; %n is never a conversion; %s takes the second
    // text; %d has no argument left and stays.
    g_error_texts[0] = {123456, "50% done %n %s %d %%"};
    g_error_text_count = 1;
    report_script_error(123456, 0, "x", "arg");
    EXPECT_STREQ(g_error_message,
                 "[対象ファイル]\nscr\\100%_%n%s.txt\n\n[場所]\n7 行目\n\n[内容]\n\n"
                 "50% done %n arg %d %");
    reset_error_reports();
    report_script_error(104010, 0, "a%n%s%d.png");
    EXPECT_NE(std::strstr(g_error_message, "[a%n%s%d.png]ファイルを"), nullptr);
    // The no-argument reporters leave the conversions of a text as they stand.
    reset_error_reports();
    g_test_file = nullptr;
    report_system_error_text(104060, 0);
    EXPECT_STREQ(g_error_message, "[%s]ファイルが\n存在しません。");
}

// The project's texts hold the conversions of their codes: they are filled
// with the caller's arguments, each only by an argument of its own kind.
TEST_F(ErrorReport, ProjectTextTakesCallersArguments)
{
    g_error_texts[0] = {101010, "[%s]命令の%s引数が %d です。(%d〜%d)"};
    g_error_texts[1] = {101020, "%s=%d %x %u %5d|%-4s|%c %ld %I64d %lld %.2s"};
    g_error_texts[2] = {101030, "%d %s %p %n %*d"};
    g_error_text_count = 3;
    report_system_error(101010, 0, "lay", "X", -5, 0, 100);
    EXPECT_STREQ(g_error_message, "[lay]命令のX引数が -5 です。(0〜100)");
    reset_error_reports();
    int64_t big = 5000000000LL;
    report_system_error(101020, 0, "v", 7, 255u, -1, 42, "ab", 'Z', big, big, (uint64_t)1,
                        "あいう");
    EXPECT_STREQ(g_error_message, "v=7 ff 4294967295    42|ab  |Z 5000000000 5000000000 1 あ");
    // Wrong kinds never reach a conversion: %d does not take a text, %s does
    // not take a number (each still uses its argument up); %p, %n and %* are
    // never filled.
    reset_error_reports();
    report_system_error(101030, 0, "t", 3);
    EXPECT_STREQ(g_error_message, "%d %s %p %n %*d");
    reset_error_reports();
    report_system_error(101030, 0, 3, "t", 4, 5);
    EXPECT_STREQ(g_error_message, "3 t %p %n %*d");
    // A huge width is kept inside the message.
    g_error_texts[0] = {101010, "%999999999d|"};
    reset_error_reports();
    report_system_error(101010, 0, 1);
    EXPECT_LT(std::strlen(g_error_message), sizeof g_error_message);
}

TEST_F(ErrorReport, LongTextIsCutOnCharacterBoundary)
{
    // 5000 bytes of double-byte characters after an odd-length head, so a
    // plain byte cut would split a character.
    std::string text = "x";
    while (text.size() < 5000)
        text += "あ";
    g_error_texts[0] = {700001, text.c_str()};
    g_error_text_count = 1;
    g_test_file = "scr\\a.txt";
    g_test_line = 1;
    report_script_error_text(700001, 0);
    EXPECT_LT(std::strlen(g_error_text), sizeof g_error_text);
    EXPECT_LT(std::strlen(g_error_message), sizeof g_error_message);
    EXPECT_GT(std::strlen(g_error_message), sizeof g_error_message - 4);
    EXPECT_TRUE(ends_on_boundary(g_error_text));
    EXPECT_TRUE(ends_on_boundary(g_error_message));
    // A long argument to a built-in text is cut the same way.
    reset_error_reports();
    report_system_error(104060, 0, text.c_str());
    EXPECT_TRUE(ends_on_boundary(g_error_message));
    // A 5000-byte file name in the prefix too.
    reset_error_reports();
    g_test_file = text.c_str();
    report_script_error(100010, 0);
    EXPECT_TRUE(ends_on_boundary(g_error_message));
    EXPECT_LT(std::strlen(g_error_message), sizeof g_error_message);
}

TEST_F(ErrorReport, LicenseNoticeNamesEveryLibraryWhole)
{
    const char *t = error_text(KV_LICENSE_CODE);
    for (const char *name : {"zlib", "libpng", "libjpeg-turbo", "libogg", "libvorbis",
                             "Independent JPEG Group", "Xiph.org", "■ライセンスについて"})
        EXPECT_NE(std::strstr(t, name), nullptr) << name;
    EXPECT_FALSE(license_notice_was_cut());
    EXPECT_GT(license_notice_length(), (size_t)KV_ERROR_TEXT_SIZE);
    g_dialog_caption = "License Information";
    report_system_error_text(KV_LICENSE_CODE, 1);
    EXPECT_STREQ(sys_error_dialog_last_caption(), "License Information");
    EXPECT_EQ(std::strlen(sys_error_dialog_last_text()), license_notice_length());
    g_dialog_caption = "KAVREN Debug Info.";
}

TEST_F(ErrorReport, EditorButtonFollowsDebugModeAndLocation)
{
    report_system_error_text(100010, 0);
    EXPECT_EQ(error_dialog_editor_state(), 0);
    g_debug_mode = 1;
    EXPECT_EQ(error_dialog_editor_state(), 1);
    reset_error_reports();
    g_test_file = "scr\\a.txt";
    g_test_line = 9;
    report_script_error_text(100010, 0);
    EXPECT_EQ(error_dialog_editor_state(), 2);
    // A later report does not move the shown dialog's location.
    g_test_file = "scr\\b.txt";
    report_script_error_text(100010, 0);
    EXPECT_STREQ(error_dialog_location().file, "scr\\a.txt");
    EXPECT_EQ(error_dialog_location().line, 9);
}

TEST_F(ErrorReport, ReportsFromTwoThreadsAreWhole)
{
    g_error_texts[0] = {710001, "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"};
    g_error_texts[1] = {710002, "BBBBBBBBBBBBBBBBBBBBBBBBBBBBBB"};
    g_error_text_count = 2;
    auto run = [](uint32_t code) {
        for (int i = 0; i < 2000; i++)
            report_system_error_text(code, 0);
    };
    std::thread a(run, 710001u), b(run, 710002u);
    a.join();
    b.join();
    std::string m = g_error_message;
    EXPECT_TRUE(m == g_error_texts[0].text || m == g_error_texts[1].text) << m;
}

TEST(ErrorText, CrlfConversionIsBounded)
{
    char out[8];
    EXPECT_EQ(crlf_convert("a\nb", out, sizeof out), 4u);
    EXPECT_STREQ(out, "a\r\nb");
    EXPECT_EQ(crlf_convert("abcdef\nx", out, sizeof out), 6u);   // no half pair
    EXPECT_STREQ(out, "abcdef");
    char big[64];
    crlf_convert("あいう\nえ", big, sizeof big);
    EXPECT_STREQ(big, "あいう\r\nえ");
    char small[4];
    EXPECT_EQ(sjis_copy_bounded(small, sizeof small, "aあい"), 3u);
    EXPECT_STREQ(small, "aあ");
    EXPECT_EQ(sjis_copy_bounded(small, sizeof small, "abあ"), 2u);
}

}  // namespace
