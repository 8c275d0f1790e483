// Script commands 72-74 against a running sound thread: creating, loading,
// playing, fading, pausing, querying and deleting sounds and groups.
#include <chrono>
#include <filesystem>
#include <thread>

#include "core/locate.h"
#include "platform/sys.h"
#include "script/arg_slots.h"
#include "script/args.h"
#include "script/vars.h"
#include "sound_test_util.h"

using namespace sndtest;

namespace {

using cmdtest::Arg;

// Fills the argument slots as the loader would; variable 1000 + value is the
// target of 74.
void load_args(std::initializer_list<Arg> args)
{
    cmdtest::set_args_targets(args, 1000, true);
}

struct SoundCommands : SoundFixture {
    std::filesystem::path old_dir, dir;
    void SetUp() override
    {
        SoundFixture::SetUp();
#ifdef _WIN32
        static int device = create_direct_sound();
        if (!device)
            GTEST_SKIP() << "no sound device";
        g_direct_sound_ready = 1;
#endif
        g_error_shown = 1;
        set_locator_extensions();
        g_sound_ext_order[0] = 1, g_sound_ext_order[1] = 2;
        g_sound_enabled = 1;
        g_sound_clock = sys_milliseconds;   // ramps of the running thread progress
        old_dir = std::filesystem::current_path();
        dir = std::filesystem::temp_directory_path() / ("kv_sound_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
        std::filesystem::current_path(dir);
        write("bell.wav", make_wave(1000, 1, 16, 5000, ramp));
        write("gong.wav", make_wave(2000, 2, 16, 3000, ramp));
        var_table_alloc(1100);
        var_init_int(1000, 7);      // targets: 1000 int, 1001 float, 1002 string
        var_init_float(1001, 7.0);
        var_init_string(1002, "x", 1);
        ASSERT_EQ(start_sound_thread(0), 0);
    }
    void TearDown() override
    {
        g_quit_flag = 1;
        join_sound_thread();
        {
            std::lock_guard<std::recursive_mutex> lock(g_engine_lock);
            g_sound_thread_done = 255;
        }
        std::filesystem::current_path(old_dir);
        std::filesystem::remove_all(dir);
        var_table_free();
        g_sound_enabled = 0;
        SoundFixture::TearDown();
    }
    static void write(const char *name, const std::vector<uint8_t> &bytes)
    {
        FILE *f = std::fopen(name, "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    static TreeNode *find(const char *path)
    {
        char full[KV_PATH_MAX];
        int kind = normalize_script_path(full, path, g_tree_path_roots[KV_TREE_SOUND], 0);
        std::lock_guard<std::recursive_mutex> lock(g_engine_lock);
        return name_tree_lookup(g_sound_tree, full, kind == 1 ? KV_FIND_FOLDER : KV_FIND_LEAF);
    }
    static SoundRecord copy(TreeNode *n)
    {
        std::lock_guard<std::recursive_mutex> lock(g_engine_lock);
        return *rec(n);
    }
    // Waits until the thread has run everything posted so far.
    static void settle() { sound_post_wait(g_sound_tree, SND_EXISTS, nullptr, 0); }
    static int64_t info(const char *path, uint32_t q)
    {
        load_args({{0, 0, path}, {q, 1, nullptr}, {23, 0, nullptr}});
        EXPECT_EQ(sound_info_run(), 0);
        return var_get_int(1000, 0);
    }
};

TEST_F(SoundCommands, CreateLoadAndPlayWithRamp)
{
    load_args({{0, 0, "bgm"}, {2, 0, "bell"}, {3, 1, nullptr}, {5, 500, nullptr}});
    ASSERT_EQ(sound_control_run(), 0);
    TreeNode *n = find("bgm");
    ASSERT_NE(n, nullptr);
    SoundRecord r = copy(n);
    EXPECT_EQ(r.state, KV_SND_RAMPING) << "the play code has run when the command returns";
    EXPECT_EQ(r.fade_time, 500);
    EXPECT_EQ(r.format, KV_SND_WAV);
    EXPECT_STREQ(r.file_name, "bell.wav");
    EXPECT_EQ(info("bgm", 3), 1);
    EXPECT_EQ(info("bgm", 19), 1000);
}

TEST_F(SoundCommands, FadeOutAndVolumeTargets)
{
    load_args({{0, 0, "a"}, {2, 0, "bell"}, {3, 1, nullptr}});
    ASSERT_EQ(sound_control_run(), 0);
    load_args({{0, 0, "a"}, {10, 100, nullptr}});
    ASSERT_EQ(sound_control_run(), 0);
    settle();
    EXPECT_EQ(copy(find("a")).volume, 100) << "volume without play: at once";
    load_args({{0, 0, "a"}, {10, 200, nullptr}, {3, 1, nullptr}, {5, 1000, nullptr}});
    ASSERT_EQ(sound_control_run(), 0);
    EXPECT_EQ(copy(find("a")).fade_target, 200) << "volume with play: the target";
    load_args({{0, 0, "a"}, {3, 0, nullptr}, {5, 1000, nullptr}});
    ASSERT_EQ(sound_control_run(), 0);
    settle();
    EXPECT_EQ(copy(find("a")).state, KV_SND_FADING_OUT);
}

TEST_F(SoundCommands, NewFileStopsThenLoads)
{
    load_args({{0, 0, "a"}, {2, 0, "bell"}, {3, 1, nullptr}, {9, 3, nullptr}});
    ASSERT_EQ(sound_control_run(), 0);
    load_args({{0, 0, "a"}, {2, 0, "gong.wav"}});
    ASSERT_EQ(sound_control_run(), 0);
    SoundRecord r = copy(find("a"));
    EXPECT_EQ(r.state, KV_SND_LOADED);
    EXPECT_STREQ(r.file_name, "gong.wav");
    EXPECT_EQ(r.wave_format.channels, 2);
    EXPECT_EQ(info("a", 3), 0) << "loaded but stopped";
    EXPECT_EQ(info("a", 13), 3);
    load_args({{0, 0, "a"}, {8, 2, nullptr}, {23, 2, nullptr}});
    ASSERT_EQ(sound_info_run(), 0);
    EXPECT_STREQ(var_get_string(1002, 0), "gong.wav");
}

TEST_F(SoundCommands, PauseAndResume)
{
    load_args({{0, 0, "a"}, {2, 0, "bell"}, {3, 1, nullptr}});
    ASSERT_EQ(sound_control_run(), 0);
    load_args({{0, 0, "a"}, {4, 1, nullptr}});
    ASSERT_EQ(sound_control_run(), 0);
    EXPECT_EQ(info("a", 4), 1);
    EXPECT_EQ(copy(find("a")).buffer, nullptr);
    load_args({{0, 0, "a"}, {4, 0, nullptr}});
    ASSERT_EQ(sound_control_run(), 0);
    EXPECT_NE(copy(find("a")).buffer, nullptr);
    EXPECT_EQ(info("a", 3), 1);
}

TEST_F(SoundCommands, MissingThingsAndRefusals)
{
    load_args({{0, 0, "a"}, {2, 0, "nothing"}, {3, 1, nullptr}});
    ASSERT_EQ(sound_control_run(), 0);
    EXPECT_EQ(copy(find("a")).state, KV_SND_UNLOADED) << "not found: the rest is ignored";
    load_args({{0, 0, "b"}, {3, 1, nullptr}});
    ASSERT_EQ(sound_control_run(), 0);
    EXPECT_EQ(find("b"), nullptr) << "no sound without a file";
    load_args({{0, 0, "g/"}, {2, 0, "bell"}});
    EXPECT_EQ(sound_control_run(), -1);
    EXPECT_EQ(g_last_error_code, 101292u);
    g_quit_flag = 0;
    // Queries of a missing sound store 0, 0.0 and "".
    for (int64_t v = 0; v < 3; v++) {
        load_args({{0, 0, "none"}, {5, 1, nullptr}, {23, v, nullptr}});
        ASSERT_EQ(sound_info_run(), 0);
    }
    EXPECT_EQ(var_get_int(1000, 0), 0);
    EXPECT_EQ(var_get_float(1001, 0), 0.0);
    EXPECT_STREQ(var_get_string(1002, 0), "");
    EXPECT_EQ(info("a", 15), 0) << "position of nothing loaded";
}

TEST_F(SoundCommands, DeleteGroupRemovesEverySoundBelow)
{
    for (const char *p : {"g/", "g/h/"}) {
        load_args({{0, 0, p}, {10, 128, nullptr}});
        ASSERT_EQ(sound_control_run(), 0);
    }
    for (const char *p : {"g/a", "g/b", "g/h/c"}) {
        load_args({{0, 0, p}, {2, 0, "bell"}, {3, 1, nullptr}});
        ASSERT_EQ(sound_control_run(), 0) << p;
    }
    ASSERT_NE(find("g/h/c"), nullptr);
    load_args({{0, 0, "g/"}});
    ASSERT_EQ(sound_delete_run(), 0);
    EXPECT_EQ(find("g/"), nullptr);
    EXPECT_EQ(find("g/a"), nullptr);
    std::lock_guard<std::recursive_mutex> lock(g_engine_lock);
    TreeNode *s0 = g_sound_tree->first_child;
    EXPECT_EQ(s0->first_child, nullptr);
}

TEST_F(SoundCommands, LevelsAtThePlayCursor)
{
    write("lr.wav", make_wave(8000, 2, 16, 8000, [](uint32_t, uint16_t c) { return c ? -2000 : 1000; }));
    write("m.wav", make_wave(8000, 1, 8, 8000, [](uint32_t, uint16_t) { return 128 + 50; }));
    load_args({{0, 0, "lr"}, {2, 0, "lr"}, {3, 1, nullptr}});
    ASSERT_EQ(sound_control_run(), 0);
    EXPECT_EQ(info("lr", 20), 1000);
    EXPECT_EQ(info("lr", 21), 2000);
    load_args({{0, 0, "m"}, {2, 0, "m"}, {3, 1, nullptr}});
    ASSERT_EQ(sound_control_run(), 0);
    EXPECT_EQ(info("m", 20), 50);
    EXPECT_EQ(info("m", 21), 50) << "a mono sound: channel 1's level";
}

#ifndef _WIN32
// Streams refilled by the thread (outside the lock) while the script side
// posts codes and reads records: run under ThreadSanitizer (-DKV_TSAN=ON).
TEST_F(SoundCommands, StreamsPlayWhileScriptsPostAndRead)
{
    const char *names[] = {"s0", "s1", "s2", "s3"};
    for (const char *n : names) {
        load_args({{0, 0, n}, {2, 0, "bell"}, {3, 1, nullptr}, {9, 0, nullptr}});
        ASSERT_EQ(sound_control_run(), 0);
    }
    std::vector<TreeNode *> nodes;
    for (const char *n : names)
        nodes.push_back(find(n));
    int64_t seen = 0;
    for (int i = 0; i < 300; i++) {
        {
            std::lock_guard<std::recursive_mutex> lock(g_engine_lock);
            for (TreeNode *n : nodes) {
                if (rec(n)->buffer)
                    null_sound_advance(rec(n)->buffer, 200, nullptr);
                seen += rec(n)->audible_bytes + rec(n)->volume;
            }
        }
        sound_post(nodes[i % 4], i % 2 ? SND_PAN : SND_VOLUME, nullptr, 100 + i % 100);
        if (i % 50 == 0)
            sound_post_wait(nodes[(i / 50) % 4], SND_PAUSE, nullptr, (i / 50) % 2);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_GT(seen, 0);
    EXPECT_EQ(info("s0", 3), 1);
}
#endif

}  // namespace
