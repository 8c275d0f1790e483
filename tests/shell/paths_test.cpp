// Paths of the executable: lower case, instance name and folder.
#include <gtest/gtest.h>

#include <cstring>

#include "core/entry.h"

// "ソ" is 0x83 0x5C and "ア" 0x83 0x41 in Shift-JIS: trail bytes that look
// like '\' and 'A'.
TEST(InitPaths, LowerCaseSkipsDoubleByteCharacters)
{
    ASSERT_STREQ("ソ", "\x83\x5C");
    ASSERT_STREQ("ア", "\x83\x41");
    init_paths_from("C:\\Games\\アソビ\\KAVREN.EXE");
    EXPECT_STREQ(g_exe_path, "c:\\games\\アソビ\\kavren.exe");
    EXPECT_STREQ(g_instance_name, "c::games:アソビ:kavren.exe");
    EXPECT_STREQ(g_exe_folder, "c:\\games\\アソビ\\");
}

TEST(InitPaths, TrailByte5CAsLastCharacterOfFolder)
{
    init_paths_from("D:\\ソ\\Game.exe");
    EXPECT_STREQ(g_instance_name, "d::ソ:game.exe");
    EXPECT_STREQ(g_exe_folder, "d:\\ソ\\");

    // A file name ending in the double-byte character: the folder is the
    // drive's root, not cut at the trail byte.
    init_paths_from("E:\\ゲームソ");
    EXPECT_STREQ(g_exe_path, "e:\\ゲームソ");
    EXPECT_STREQ(g_instance_name, "e::ゲームソ");
    EXPECT_STREQ(g_exe_folder, "e:\\");
}

TEST(InitPaths, FolderSeparatorRule)
{
    char a[32] = "c:\\ソ";            // ends in the trail byte 0x5C
    append_folder_separator(a, sizeof a);
    EXPECT_STREQ(a, "c:\\ソ\\");
    char b[32] = "c:\\x\\";
    append_folder_separator(b, sizeof b);
    EXPECT_STREQ(b, "c:\\x\\");
    char c[32] = "c:";
    append_folder_separator(c, sizeof c);
    EXPECT_STREQ(c, "c:\\");
}

TEST(InitPaths, SlashesBecomeBackslashesInFolder)
{
    init_paths_from("C:/Data/Sub/K.exe");
    EXPECT_STREQ(g_exe_folder, "c:\\data\\sub\\");
    EXPECT_STREQ(g_instance_name, "c:/data/sub/k.exe");
}

TEST(InitPaths, HalfWidthKatakanaIsSingleByte)
{
    // 0xB1 (half-width katakana) is one byte: the '\' after it is a separator.
    init_paths_from("C:\\\xB1\\A.EXE");
    EXPECT_STREQ(g_instance_name, "c::\xB1:a.exe");
    EXPECT_STREQ(g_exe_folder, "c:\\\xB1\\");
}
