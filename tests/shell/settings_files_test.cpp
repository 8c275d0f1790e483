// Engine settings files and system checks: full, short and missing files,
// the value rules of each word, the save folder, OS codes, DirectX, and
// how the engine starts with the settings file beside it.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/settings.h"

namespace {

std::vector<uint8_t> words(std::initializer_list<std::pair<unsigned, uint32_t>> set,
                           size_t count = 32)
{
    std::vector<uint8_t> b(count * 4, 0);
    for (auto &w : set)
        if (w.first < count)
            for (int i = 0; i < 4; i++)
                b[w.first * 4 + i] = (uint8_t)(w.second >> (8 * i));
    return b;
}

std::string temp_path(const char *name)
{
    return std::string(::testing::TempDir()) + name;
}

void write_file(const std::string &path, const std::vector<uint8_t> &data)
{
    FILE *f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    if (!data.empty())
        std::fwrite(data.data(), 1, data.size(), f);
    std::fclose(f);
}

class Settings : public ::testing::Test {
protected:
    void SetUp() override { reset_engine_settings(); g_save_location = 0; }
    void TearDown() override { reset_engine_settings(); g_save_location = 0; }
};

TEST_F(Settings, MissingFileKeepsDefaults)
{
    EXPECT_EQ(load_engine_settings_file(temp_path("no_such_kvcfg.dat").c_str()), 0);
    EXPECT_EQ(g_gpu_mode, 0);           // CPU drawing
    EXPECT_EQ(g_render_mode, 0);
    EXPECT_EQ(g_smooth_scaling, 1);     // smooth scaling
    EXPECT_EQ(g_best_fit_mode, 1);      // fit to the aspect
    EXPECT_EQ(g_own_scaler, 1);
    EXPECT_EQ(g_movie_rule, 1);
    EXPECT_EQ(g_cfg_sse_enabled, 1);
    EXPECT_EQ(g_cfg_sse2_enabled, 1);
    EXPECT_EQ(g_cfg_two_workers, 1);
    EXPECT_EQ(g_texture_format, 21u);
    EXPECT_EQ(g_texture_options_fixed, 0);
}

TEST_F(Settings, FullFileOfZeros)
{
    std::string path = temp_path("kvcfg_zero.dat");
    write_file(path, words({}));
    load_engine_settings_file(path.c_str());
    EXPECT_EQ(g_movie_rule, 0);
    EXPECT_EQ(g_cfg_sse_enabled, 0);
    EXPECT_EQ(g_cfg_sse2_enabled, 0);
    EXPECT_EQ(g_cfg_two_workers, 0);
    EXPECT_EQ(g_best_fit_mode, 1);      // 0 sets it
    EXPECT_EQ(g_own_scaler, 1);         // 0 gives 1
    EXPECT_EQ(g_render_mode, 3);        // Direct3D, bicubic
    EXPECT_EQ(g_gpu_mode, 1);
    EXPECT_EQ(g_smooth_scaling, 1);
    EXPECT_EQ(g_texture_options_fixed, 1);
    std::remove(path.c_str());
}

TEST_F(Settings, WordRules)
{
    apply_engine_settings(words({{6, 1}, {7, 3}, {8, 3}, {9, 1}, {10, 1}, {13, 1}, {4, 1}}).data(), 128);
    EXPECT_EQ(g_best_fit_mode, 0);
    EXPECT_EQ(g_own_scaler, 0);         // frame unscaled and centred
    EXPECT_EQ(g_render_mode, 0);
    EXPECT_EQ(g_smooth_scaling, 0);
    EXPECT_EQ(g_gpu_mode, 0);
    EXPECT_EQ(g_caption_dblclick_fullscreen, 1);
    EXPECT_EQ(g_cfg_script_flag, 1);
    EXPECT_EQ(g_texture_16bit, 0);      // textures stay 32-bit
    EXPECT_EQ(g_texture_format, 21u);
    EXPECT_EQ(g_cfg_two_workers, 1);    // only 0 limits the workers
    apply_engine_settings(words({{7, 1}, {8, 1}}).data(), 128);
    EXPECT_EQ(g_own_scaler, 2);
    EXPECT_EQ(g_render_mode, 2);
    EXPECT_EQ(g_gpu_mode, 1);
    apply_engine_settings(words({{7, 2}, {8, 2}}).data(), 128);
    EXPECT_EQ(g_own_scaler, 3);
    EXPECT_EQ(g_render_mode, 1);
    EXPECT_EQ(g_gpu_mode, 0);
    EXPECT_EQ(g_smooth_scaling, 1);
}

TEST_F(Settings, OutOfRangeValuesLeaveSettings)
{
    apply_engine_settings(words({{0, 2}, {2, 7}, {3, 0xFFFFFFFF}, {6, 2}, {7, 4}, {8, 4},
                                 {9, 2}, {4, 5}}).data(), 128);
    EXPECT_EQ(g_movie_rule, 1);
    EXPECT_EQ(g_cfg_sse_enabled, 1);
    EXPECT_EQ(g_cfg_sse2_enabled, 1);
    EXPECT_EQ(g_best_fit_mode, 1);
    EXPECT_EQ(g_own_scaler, 1);
    EXPECT_EQ(g_render_mode, 0);        // word 8 = 4 leaves the default
    EXPECT_EQ(g_gpu_mode, 0);
    EXPECT_EQ(g_caption_dblclick_fullscreen, 0);
    EXPECT_EQ(g_cfg_two_workers, 1);
}

TEST_F(Settings, ShortFileKeepsDefaultsForMissingWords)
{
    // Three whole words and half of the fourth: SSE2, the workers and the
    // drawing method keep their defaults.
    std::string path = temp_path("kvcfg_short.dat");
    std::vector<uint8_t> b = words({{0, 0}, {1, 0}, {2, 0}}, 3);
    b.push_back(0);
    b.push_back(0);
    write_file(path, b);
    load_engine_settings_file(path.c_str());
    EXPECT_EQ(g_movie_rule, 0);
    EXPECT_EQ(g_cfg_sse_enabled, 0);
    EXPECT_EQ(g_cfg_sse2_enabled, 1);
    EXPECT_EQ(g_cfg_two_workers, 1);
    EXPECT_EQ(g_gpu_mode, 0);
    EXPECT_EQ(g_render_mode, 0);
    EXPECT_EQ(g_texture_options_fixed, 1);
    // An empty file changes nothing but the fixed texture options.
    reset_engine_settings();
    write_file(path, {});
    load_engine_settings_file(path.c_str());
    EXPECT_EQ(g_cfg_sse_enabled, 1);
    EXPECT_EQ(g_cfg_two_workers, 1);
    std::remove(path.c_str());
}

TEST_F(Settings, SaveFolderRule)
{
    char out[KV_SAVE_FOLDER_SIZE];
    build_save_folder(0, "C:\\AppData", "C:\\Docs", out, sizeof out);
    EXPECT_STREQ(out, "save\\");
    build_save_folder(1, "C:\\AppData", "C:\\Docs", out, sizeof out);
    EXPECT_STREQ(out, "C:\\AppData\\MySoftware_SaveData\\MyGame\\save\\");
    build_save_folder(2, "C:\\AppData", "C:\\Docs", out, sizeof out);
    EXPECT_STREQ(out, "C:\\Docs\\MySoftware_SaveData\\MyGame\\save\\");
    build_save_folder(3, "C:\\AppData", "C:\\Docs", out, sizeof out);
    EXPECT_STREQ(out, "C:\\Docs\\My Games\\MySoftware_SaveData\\MyGame\\save\\");
    // A special folder that could not be found: the folder beside the executable.
    build_save_folder(3, "C:\\AppData", "", out, sizeof out);
    EXPECT_STREQ(out, "save\\");
    build_save_folder(1, nullptr, "C:\\Docs", out, sizeof out);
    EXPECT_STREQ(out, "save\\");
    char small[20];
    build_save_folder(2, "C:\\AppData", "C:\\Docs", small, sizeof small);
    EXPECT_STREQ(small, "save\\");
}

TEST_F(Settings, SaveSettingsFile)
{
    std::string path = temp_path("kvsfs.dat");
    write_file(path, words({{21, 3}}));
    load_save_settings_file(path.c_str(), "C:\\AppData", "C:\\Docs");
    EXPECT_EQ(g_save_location, 3);
    EXPECT_STREQ(g_save_folder, "C:\\Docs\\My Games\\MySoftware_SaveData\\MyGame\\save\\");
    write_file(path, words({{21, 4}}));
    load_save_settings_file(path.c_str(), "C:\\AppData", "C:\\Docs");
    EXPECT_EQ(g_save_location, 3);      // 4 is not a location
    g_save_location = 0;
    write_file(path, words({{21, 2}}, 21));   // word 21 missing
    load_save_settings_file(path.c_str(), "C:\\AppData", "C:\\Docs");
    EXPECT_EQ(g_save_location, 0);
    EXPECT_STREQ(g_save_folder, "save\\");
    std::remove(path.c_str());
    load_save_settings_file(path.c_str(), "C:\\AppData", "C:\\Docs");
    EXPECT_STREQ(g_save_folder, "save\\");
}

TEST(SystemChecks, OsCodes)
{
    // build number, code
    const uint32_t cases[][2] = {{950, 1},   {1381, 13}, {2195, 40}, {2257, 45},
                                 {2600, 50}, {5743, 65}, {6002, 70}, {7600, 80},
                                 {9200, 90}, {9600, 91}, {10240, 255}, {0, 255}};
    for (const auto &c : cases)
        EXPECT_EQ(os_code_from_build(c[0]), (int)c[1]) << c[0];
}

TEST(SystemChecks, Versions)
{
    uint64_t v = make_version64(4, 8, 1, 2);
    EXPECT_EQ(v, 0x0004000800010002ull);
    EXPECT_EQ(compare_version64(v, make_version64(4, 8, 1, 2)), 0);
    EXPECT_EQ(compare_version64(v, make_version64(4, 7, 9, 9)), 1);
    EXPECT_EQ(compare_version64(make_version64(4, 8, 0, 9), v), -1);
    EXPECT_EQ(directx_generation_of("\\ddraw.dll", 1, make_version64(4, 2, 95, 0)), 1u);
    EXPECT_EQ(directx_generation_of("\\ddraw.dll", 1, make_version64(4, 5, 0, 0)), 5u);
    EXPECT_EQ(directx_generation_of("\\ddraw.dll", 1, make_version64(4, 8, 0, 0)), 8u);
    EXPECT_EQ(directx_generation_of("\\ddraw.dll", 1, make_version64(6, 1, 0, 0)), 0u);
    EXPECT_EQ(directx_generation_of("\\dinput.dll", 1, make_version64(4, 6, 0, 0)), 0u);
    EXPECT_EQ(directx_generation_of("\\d3d9.dll", 1, 0), 9u);
    EXPECT_EQ(directx_generation_of("\\d3d9.dll", 0, 0), 0u);
    EXPECT_EQ(get_file_version(nullptr, &v), KV_E_INVALIDARG);
}

}  // namespace

#include "platform/sys_settings.h"

namespace {

TEST(SystemChecks, FolderWriteTest)
{
    EXPECT_TRUE(sys_folder_writable(::testing::TempDir().c_str()));
    EXPECT_FALSE(sys_folder_writable((::testing::TempDir() + "no_such_folder_kv").c_str()));
}

#ifdef _WIN32
TEST(SystemChecks, DirectXGenerationOfThisSystem)
{
    uint32_t major = 0, minor = 0;
    char letter = 0;
    ASSERT_EQ(detect_directx_version(&major, &minor, &letter), 0);
    EXPECT_EQ(major, 9u);   // d3d9.dll is there
    EXPECT_NE(get_os_version_code(), 0);
    EXPECT_EQ(is_windows_nt(), 1);
}
#endif

}  // namespace

namespace {

TEST(SystemChecks, SystemReportRemovesInfoFile)
{
    FILE *f = std::fopen(".\\info.txt", "wb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    write_system_report();
    f = std::fopen(".\\info.txt", "rb");
    EXPECT_EQ(f, nullptr);
    if (f)
        std::fclose(f);
}

}  // namespace

#ifndef _WIN32
#include <unistd.h>

#include <cstdlib>

#include "core/engine_state.h"
#include "core/entry.h"
#include "core/error_report.h"
#include "core/quit.h"
#include "platform/null/display_null.h"
#include "shell/main_loop.h"
#include "shell/startup.h"

namespace {

// Runs one frame; g_fullscreen after it, or -1 when the run ended.
int frame_fullscreen()
{
    return run_frame() == 0 && !g_quit_flag ? g_fullscreen : -1;
}

// The engine on the stand-in platform, started once in a new folder that
// holds a packed generated project and kvcfg.dat with word 11 = 1 (CPU
// drawing). The stand-in engine folder "c:\kavren\" is no folder here: the
// settings file is the file of that whole name in the current folder. The
// script asks for full screen after its fifth frame, which shows that the
// switch works here.
TEST(SettingsAtStart, Word11StartsWindowed)
{
    char dir[] = "/tmp/kv_start_XXXXXX";
    char old[4096];
    ASSERT_TRUE(mkdtemp(dir) && getcwd(old, sizeof old));
    std::string d = dir;
    const char desc[] = "project width=640 height=480 show=1\nscript 0 \"main.kvs\"\n"
                        "label SYSTEM_START\n    wait frames=5\n    window_setup window=0 arg13=1\n"
                        "label IDLE\n    wait frames=1\n    goto IDLE\n";
    write_file(d + "/desc.kvp", std::vector<uint8_t>(desc, desc + sizeof desc - 1));
    write_file(d + "/c:\\kavren\\kvcfg.dat",
               words({{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {8, 2}, {11, 1}}));
    std::string gen = "python3 '" KV_GENERATOR "' project '" + d + "/desc.kvp' '" + d + "/p' --pack '" +
                      d + "/data.kpf' >/dev/null";
    ASSERT_EQ(std::system(gen.c_str()), 0);
    ASSERT_EQ(chdir(dir), 0);
    null_display_reset();
    g_null_display.modes[0] = {1920, 1080, 32};
    g_null_display.modes[1] = {1280, 720, 32};
    g_null_display.modes[2] = {640, 480, 32};
    g_null_display.mode_count = 3;
    init_paths();
    EXPECT_EQ(engine_startup(), 0);
    EXPECT_EQ(g_render_mode, 1);        // the file was read
    EXPECT_EQ(frame_fullscreen(), 0);
    EXPECT_EQ(g_null_display.changed_mode, -1);
    int fullscreen = 0;
    for (int i = 0; i < 10 && fullscreen == 0; i++)
        fullscreen = frame_fullscreen();
    EXPECT_EQ(fullscreen, 1);
    EXPECT_EQ(g_null_display.changed_mode, 1);   // 1280 x 720
    app_shutdown();
    // Tests share the process.
    g_quit_flag = 0;
    reset_error_reports();
    reset_engine_settings();
    null_display_reset();
    g_exe_folder[0] = g_data_folder[0] = 0;
    EXPECT_EQ(chdir(old), 0);
    std::system(("rm -rf '" + d + "'").c_str());
}

}  // namespace
#endif
