// Playing through the sound codes with a clock the test moves: fades, the
// play count with its loop-back, the focus rule, pausing and resuming in
// place, reloads and plays that wait for a tick, the device unit maps.
#include "sound_test_util.h"

using namespace sndtest;

namespace {

TEST(SoundMaps, VolumePanPitchUnits)
{
    const int32_t volume[][2] = {{0, -10000}, {-5, -10000}, {256, 0}, {128, -1204}, {64, -2408},
                                 {1, -9632}, {300, 0}};
    for (auto &c : volume)
        EXPECT_EQ(sound_volume_units(c[0]), c[1]) << c[0];
    const int32_t pan[][2] = {{0, -10000}, {512, 10000}, {256, 0}, {128, -1204}, {384, 1204},
                              {-1, 0}, {513, 0}};
    for (auto &c : pan)
        EXPECT_EQ(sound_pan_units(c[0]), c[1]) << c[0];
    EXPECT_EQ(sound_frequency_hz(44100, 0), 22050u);
    EXPECT_EQ(sound_frequency_hz(44100, 256), 44100u);
    EXPECT_EQ(sound_frequency_hz(44100, 512), 66150u);
    EXPECT_EQ(sound_frequency_hz(44100, 9999), 44100u);
}

#ifndef _WIN32
struct SoundPlay : SoundFixture {
    // 1000 Hz 16-bit mono ramp: one frame per ms, 2000 bytes a second.
    TreeNode *playing(const char *name, int32_t ms_long, int32_t ramp_ms = 0)
    {
        TreeNode *n = node(name);
        EXPECT_EQ(load(n, make_wave(1000, 1, 16, (uint32_t)ms_long, ramp), KV_SND_WAV), 0);
        EXPECT_EQ(run(n, SND_PLAY, ramp_ms), 0);
        return n;
    }
    static int32_t device_volume(TreeNode *n) { return null_sound_view(rec(n)->buffer)->volume; }
    static void advance_ms(TreeNode *n, uint32_t ms)
    {
        if (rec(n)->buffer)
            null_sound_advance(rec(n)->buffer, ms * 2, nullptr);
        g_now += ms;
        ASSERT_EQ(tick(), 0);
    }
};

TEST_F(SoundPlay, RampsOfZeroAndNMilliseconds)
{
    TreeNode *a = playing("a", 5000, 0);
    EXPECT_EQ(rec(a)->state, KV_SND_RAMPING);
    advance_ms(a, 10);
    EXPECT_EQ(rec(a)->state, KV_SND_PLAYING);
    EXPECT_EQ(rec(a)->volume, 256);
    EXPECT_EQ(device_volume(a), 0);

    TreeNode *b = playing("b", 5000, 1000);
    advance_ms(b, 500);
    EXPECT_NEAR(rec(b)->volume, 128, 1);
    EXPECT_EQ(device_volume(b), sound_volume_units(rec(b)->volume));
    advance_ms(b, 510);
    EXPECT_EQ(rec(b)->state, KV_SND_PLAYING);
    EXPECT_EQ(rec(b)->volume, 256);
}

TEST_F(SoundPlay, LongFadesEnd)
{
    TreeNode *a = playing("a", 60000, 600000);   // 256 * 1024 / 600000 rounds to 0
    EXPECT_NE(rec(a)->fade_rate, 0);
    for (int i = 0; i < 300 && rec(a)->state == KV_SND_RAMPING; i++)
        advance_ms(a, 1000);
    EXPECT_EQ(rec(a)->state, KV_SND_PLAYING);
}

TEST_F(SoundPlay, FadeOutOfZeroEndsOnNextTick)
{
    TreeNode *a = playing("a", 5000);
    advance_ms(a, 10);
    ASSERT_EQ(run(a, SND_FADE_OUT, 0), 0);
    EXPECT_EQ(rec(a)->state, KV_SND_FADING_OUT);
    advance_ms(a, 10);
    EXPECT_EQ(rec(a)->state, KV_SND_UNLOADED);
    EXPECT_EQ(rec(a)->buffer, nullptr);
}

TEST_F(SoundPlay, PlayWhileRampingStartsFromCurrentVolume)
{
    TreeNode *a = playing("a", 5000, 1000);
    advance_ms(a, 500);
    int32_t v = rec(a)->volume;
    ASSERT_EQ(run(a, SND_PLAY, 1000), 0);
    advance_ms(a, 1);
    EXPECT_NEAR(rec(a)->volume, v, 1) << "no jump";
    advance_ms(a, 1010);
    EXPECT_EQ(rec(a)->volume, 256);
}

TEST_F(SoundPlay, PlayCountTwoWithLoopBack)
{
    TreeNode *a = node("a");
    ASSERT_EQ(load(a, make_wave(1000, 1, 16, 4000, ramp), KV_SND_WAV), 0);
    rec(a)->loop_back = 1000;
    rec(a)->play_count = 2;
    rec(a)->decoder_loops = 2;
    ASSERT_EQ(run(a, SND_PLAY, 0), 0);
    std::vector<uint8_t> first = listen(a, 4000 * 2 + 100, 200);
    EXPECT_EQ(rec(a)->passes_done, 1);
    EXPECT_NEAR((double)rec(a)->audible_bytes, 1000 * 2 + 100, 2);
    std::vector<uint8_t> rest = listen(a, 3000 * 2, 200);
    EXPECT_EQ(rec(a)->state, KV_SND_UNLOADED) << "stopped after the second pass";
    EXPECT_EQ(rec(a)->buffer, nullptr);
    first.insert(first.end(), rest.begin(), rest.end());
    for (size_t i = 0; i + 1 < first.size() && i < 14000; i += 2) {
        int frame = (first[i] | first[i + 1] << 8) / 2;
        int expect = i < 8000 ? (int)i / 2 : 1000 + (int)(i - 8000) / 2;
        ASSERT_EQ(frame, expect) << "byte " << i;
    }
}

TEST_F(SoundPlay, FocusRule)
{
    struct Case {
        int r, g, a, f_before, f_after;
    };
    const Case cases[] = {
        {1, 1, 1, 0, 1}, {1, 0, 1, 1, 0}, {1, 0, 0, 0, 0}, {1, 1, 0, 1, 1},
        {0, 1, 1, 0, 1}, {0, 1, 1, 1, 1}, {0, 0, 0, 0, 1}, {0, 0, 1, 1, 0},
        {0, 0, 0, 1, 1}, {0, 0, 1, 0, 0},
    };
    int k = 0;
    for (const Case &c : cases) {
        TreeNode *n = playing(("f" + std::to_string(k++)).c_str(), 5000);
        if (c.f_before) {
            g_run_inactive = 0, g_paused = 1;
            ASSERT_EQ(tick(), 0);
            ASSERT_EQ(g_sounds_focus_paused, 1);
        }
        g_run_inactive = (uint8_t)c.r, g_paused = (uint8_t)c.g, set_active(c.a);
        ASSERT_EQ(tick(), 0);
        EXPECT_EQ(g_sounds_focus_paused, c.f_after) << "case " << k;
        EXPECT_EQ(rec(n)->pause_stamp != 0, c.f_after == 1) << "case " << k;
        EXPECT_EQ(rec(n)->buffer == nullptr, c.f_after == 1) << "case " << k;
        // Back to a playing, unpaused engine for the next case.
        g_run_inactive = 0, g_paused = 0, set_active(1);
        ASSERT_EQ(tick(), 0);
        ASSERT_EQ(g_sounds_focus_paused, 0);
    }
}

TEST_F(SoundPlay, FocusPauseResumesWhereItStopped)
{
    TreeNode *a = playing("a", 5000);
    std::vector<uint8_t> before = listen(a, 1200, 300);
    set_active(0);
    ASSERT_EQ(tick(), 0);
    ASSERT_EQ(rec(a)->buffer, nullptr);
    g_now += 5000;
    ASSERT_EQ(tick(), 0);
    set_active(1);
    ASSERT_EQ(tick(), 0);
    ASSERT_NE(rec(a)->buffer, nullptr);
    EXPECT_EQ(rec(a)->audible_bytes, 1200) << "the position survives the pause";
    std::vector<uint8_t> after = listen(a, 400, 200);
    EXPECT_EQ((after[0] | after[1] << 8) / 2, 600);
}

TEST_F(SoundPlay, ScriptPauseOfAGroupAndResume)
{
    TreeNode *g = node("g/");
    TreeNode *a = node("g/a");
    ASSERT_EQ(load(a, make_wave(1000, 1, 16, 5000, ramp), KV_SND_WAV), 0);
    ASSERT_EQ(run(a, SND_PLAY, 0), 0);
    listen(a, 1000, 250);
    ASSERT_EQ(run(g, SND_PAUSE, 1), 0);
    EXPECT_EQ(rec(a)->buffer, nullptr);
    ASSERT_EQ(run(a, SND_PAUSE, 0), 0);
    EXPECT_EQ(rec(a)->buffer, nullptr) << "the group still pauses it";
    ASSERT_EQ(run(g, SND_PAUSE, 0), 0);
    ASSERT_NE(rec(a)->buffer, nullptr);
    std::vector<uint8_t> after = listen(a, 200, 200);
    EXPECT_EQ((after[0] | after[1] << 8) / 2, 500);
}

TEST_F(SoundPlay, GroupVolumeAndEnable)
{
    TreeNode *g = node("g/");
    TreeNode *a = node("g/a");
    ASSERT_EQ(load(a, make_wave(1000, 1, 16, 5000, ramp), KV_SND_WAV), 0);
    ASSERT_EQ(run(a, SND_PLAY, 0), 0);
    advance_ms(a, 10);
    ASSERT_EQ(run(g, SND_VOLUME, 128), 0);
    EXPECT_EQ(device_volume(a), -1204);
    rec(g)->enabled = 0;
    ASSERT_EQ(run(g, SND_VOLUME, 128), 0);
    EXPECT_EQ(device_volume(a), -10000);
}

TEST_F(SoundPlay, ReloadAndPlayAfterFadeOutTakeTwoTicks)
{
    TreeNode *root = create_tree_node(g_sound_tree, "ROOT", 0, KV_SOUND_ROOT_KEY);
    attach_sound_payload(root);
    ASSERT_EQ(start_sound_root(rec(root)), 0);
    ASSERT_EQ(tick(), 0);
    EXPECT_EQ(rec(root)->state, KV_SND_RAMPING);
    EXPECT_EQ(rec(root)->buffer_bytes, 8000u);
    // A reload of a playing sound: unload, then load on the next tick.
    sound_post(root, SND_LOAD, " ", 0);
    ASSERT_EQ(tick(), 0);
    EXPECT_EQ(rec(root)->state, KV_SND_UNLOADED);
    ASSERT_EQ(tick(), 0);
    EXPECT_EQ(rec(root)->state, KV_SND_LOADED);
    // Play of a sound that fades out: stop, then start afresh.
    ASSERT_EQ(run(root, SND_PLAY, 0), 0);
    g_now += 10;
    ASSERT_EQ(tick(), 0);
    ASSERT_EQ(run(root, SND_FADE_OUT, 1000), 0);
    EXPECT_EQ(rec(root)->state, KV_SND_FADING_OUT);
    sound_post(root, SND_PLAY, nullptr, 0);
    ASSERT_EQ(tick(), 0);
    EXPECT_EQ(rec(root)->state, KV_SND_UNLOADED);
    ASSERT_EQ(tick(), 0);
    EXPECT_EQ(rec(root)->state, KV_SND_RAMPING);
    EXPECT_EQ(rec(root)->fade_target, 2) << "the target from before the fade-out";
    for (uint8_t b : null_sound_view(rec(root)->buffer)->data)
        ASSERT_EQ(b, 128);
}

TEST_F(SoundPlay, QuitSilencesEverySound)
{
    TreeNode *a = playing("a", 5000);
    advance_ms(a, 10);
    g_quit_flag = 1;
    ASSERT_EQ(tick(), 0);
    EXPECT_EQ(rec(a)->state, KV_SND_UNLOADED);
    EXPECT_EQ(device_volume(a), sound_volume_units(2));
}
#endif

}  // namespace
