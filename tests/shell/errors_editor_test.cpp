// The editor launch of the error dialog: every row of the editor table,
// base names, bounds and refused paths.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#ifndef _WIN32
#include "platform/null/error_null.h"
#endif
#include "core/error_report.h"

namespace {

std::string params(const char *exe, const char *path = "c:\\g\\scr\\a.txt", int line = 12)
{
    char out[600];
    if (!editor_parameters(exe, path, line, out, sizeof out))
        return "<refused>";
    return out;
}

TEST(ErrorEditor, EveryRowOfTheTable)
{
    const struct { const char *exe, *expect; } rows[] = {
        {"apsaly.exe", " /j12 c:\\g\\scr\\a.txt"},
        {"EmEditor.exe", " \"c:\\g\\scr\\a.txt\" /l 12"},
        {"Ginnie.exe", " \"c:\\g\\scr\\a.txt\" /r12"},
        {"GinnieFE.exe", " \"c:\\g\\scr\\a.txt\" /r12"},
        {"Jcref.exe", " \"c:\\g\\scr\\a.txt\" /r12"},
        {"JmEdit2.exe", " \"c:\\g\\scr\\a.txt\"/12"},
        {"K2Editor.exe", " c:\\g\\scr\\a.txt /j12"},
        {"MIW.exe", " \"c:\\g\\scr\\a.txt+12\""},
        {"oseditor2.exe", " /j12 c:\\g\\scr\\a.txt"},
        {"otbedit.exe", " c:\\g\\scr\\a.txt /r12"},
        {"QXW32.exe", " -J12 \"c:\\g\\scr\\a.txt\""},
        {"tepa.exe", " /j12 \"c:\\g\\scr\\a.txt\""},
        {"TeraPad.exe", " /jl=12 c:\\g\\scr\\a.txt"},
        {"whinny.exe", " \"c:\\g\\scr\\a.txt/12\""},
        {"WZEDITOR.exe", " c:\\g\\scr\\a.txt /j12"},
        {"sakura.exe", " \"c:\\g\\scr\\a.txt\" -Y=12"},
        {"hidemaru.exe", " /j12 \"c:\\g\\scr\\a.txt\""},
        {"notepad.exe", " c:\\g\\scr\\a.txt"},
        {"", " c:\\g\\scr\\a.txt"},
    };
    for (const auto &r : rows) {
        EXPECT_EQ(params(r.exe), r.expect) << r.exe;
        // The same row for the name in capitals and in small letters.
        std::string upper = r.exe, lower = r.exe;
        for (char &c : upper)
            c = (char)std::toupper((unsigned char)c);
        for (char &c : lower)
            c = (char)std::tolower((unsigned char)c);
        EXPECT_EQ(params(upper.c_str()), r.expect) << upper;
        EXPECT_EQ(params(lower.c_str()), r.expect) << lower;
    }
    // A name that only contains a table name is another editor.
    EXPECT_EQ(params("xsakura.exe"), " c:\\g\\scr\\a.txt");
    EXPECT_EQ(params("sakura.exe.bak"), " c:\\g\\scr\\a.txt");
}

TEST(ErrorEditor, NamesCompareWithoutCase)
{
    EXPECT_EQ(params("TERAPAD.EXE"), " /jl=12 c:\\g\\scr\\a.txt");
    EXPECT_EQ(params("SAKURA.EXE"), " \"c:\\g\\scr\\a.txt\" -Y=12");
    EXPECT_EQ(params("wzeditor.EXE"), " c:\\g\\scr\\a.txt /j12");
    EXPECT_EQ(params("Hidemaru.Exe"), " /j12 \"c:\\g\\scr\\a.txt\"");
}

TEST(ErrorEditor, BaseNameSkipsDoubleByteCharacters)
{
    EXPECT_STREQ(editor_base_name("C:\\Program Files\\sakura\\sakura.exe"), "sakura.exe");
    EXPECT_STREQ(editor_base_name("c:/tools/TeraPad.exe"), "TeraPad.exe");
    EXPECT_STREQ(editor_base_name("sakura.exe"), "");
    EXPECT_STREQ(editor_base_name("c:\\tools\\"), "");
    // 表 is 0x95 0x5C: its trail byte is not a separator.
    EXPECT_STREQ(editor_base_name("c:\\表\\ed.exe"), "ed.exe");
    EXPECT_STREQ(editor_base_name("c:\\ed表"), "ed表");
}

TEST(ErrorEditor, QuoteOrOverlongPathRefused)
{
    EXPECT_EQ(params("sakura.exe", "c:\\g\\a\" /evil \"b.txt"), "<refused>");
    char small[16];
    EXPECT_FALSE(editor_parameters("sakura.exe", "c:\\a\\very\\long\\path.txt", 1, small, sizeof small));
    EXPECT_STREQ(small, "");
}

#ifndef _WIN32
// The stand-in platform plays the file association and records the start.
TEST(ErrorEditor, LaunchUsesAssociationAndTable)
{
    null_register_executable(".kvtest", "C:\\Tools\\HIDEMARU.EXE");
    EXPECT_TRUE(open_in_editor("c:\\game\\", "scr\\main.kvtest", 33));
    EXPECT_STREQ(null_started_program(), "C:\\Tools\\HIDEMARU.EXE");
    EXPECT_STREQ(null_started_parameters(), " /j33 \"c:\\game\\scr\\main.kvtest\"");
    // No association: nothing starts.
    EXPECT_FALSE(open_in_editor("c:\\game\\", "scr\\main.txt", 1));
    // A quote in the script name, or a path beyond the path limit, is refused.
    EXPECT_FALSE(open_in_editor("c:\\game\\", "scr\\a\"b.kvtest", 1));
    std::string longname(300, 'a');
    longname += ".kvtest";
    EXPECT_FALSE(open_in_editor("c:\\game\\", longname.c_str(), 1));
    null_register_executable("", "");
}
#endif

}  // namespace
