// The "/kvcfg" and "/info" switches end start-up before any window exists.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "core/error_report.h"
#include "core/quit.h"
#include "platform/null/link_null.h"
#include "platform/null/shell_null.h"
#include "shell/startup.h"

namespace {

int start_with(const char *arg)
{
    static char prog[] = "kavren.exe";
    static char word[32];
    std::snprintf(word, sizeof word, "%s", arg);
    static char *argv[] = {prog, word, nullptr};
    null_set_command_words(2, argv);
    int r = engine_startup();
    null_set_command_words(0, nullptr);
    return r;
}

}  // namespace

TEST(StartupSwitches, KvcfgInAnyCaseStartsSettingsProgramOnly)
{
    int windows = null_window_create_count();
    int starts = null_settings_program_starts();
    EXPECT_EQ(start_with("/KvCfg"), -1);
    EXPECT_EQ(null_settings_program_starts(), starts + 1);
    EXPECT_EQ(start_with("/kvcfg"), -1);
    EXPECT_EQ(null_settings_program_starts(), starts + 2);
    EXPECT_EQ(null_window_create_count(), windows);
}

TEST(StartupSwitches, InfoShowsLicenceNotice)
{
    int windows = null_window_create_count();
    EXPECT_EQ(start_with("/INFO"), -1);
    EXPECT_STREQ(g_dialog_caption, "License Information");
    EXPECT_EQ(g_last_error_code, 100000u);
    EXPECT_EQ(null_window_create_count(), windows);
    // The notice is a fatal report; tests share the process.
    g_quit_flag = 0;
    g_dialog_caption = "KAVREN Debug Info.";
    reset_error_reports();
}

TEST(StartupSwitches, WordThatOnlyBeginsLikeASwitchIsNone)
{
    // Start-up goes on to the compiler link, whose compiler ends at once.
    char old[4096];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    std::string dir = ::testing::TempDir() + "kv_switch_XXXXXX";
    ASSERT_TRUE(mkdtemp(&dir[0]));
    ASSERT_EQ(chdir(dir.c_str()), 0);
    mkdir("system", 0755);
    mkdir("system/RODaz", 0755);
    std::fclose(std::fopen("system/RODaz/RODaz.exe", "wb"));
    null_set_compiler([](int) { return 0; });
    int starts = null_settings_program_starts();
    EXPECT_EQ(start_with("/kvcfg2"), -1);
    EXPECT_EQ(start_with("/inf"), -1);
    null_set_compiler(nullptr);
    EXPECT_EQ(chdir(old), 0);
    EXPECT_EQ(null_settings_program_starts(), starts);
    EXPECT_STREQ(g_dialog_caption, "KAVREN Debug Info.");
    EXPECT_NE(g_last_error_code, 100000u);
    g_quit_flag = 0;
    reset_error_reports();
}
#endif
