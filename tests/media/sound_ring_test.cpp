// The ring of sound codes: capacity, order under retries, and waits that end
// when the sound thread is gone or the engine quits.
#include <atomic>
#include <thread>

#include "sound_test_util.h"

using namespace sndtest;

namespace {

std::vector<int32_t> g_ran;
int g_retry_param = -1;
int g_retries_left;

int recording_handler(TreeNode *, SoundRecord *, const char *, int32_t param)
{
    if (param == g_retry_param && g_retries_left > 0) {
        g_retries_left--;
        return 0;
    }
    g_ran.push_back(param);
    return 1;
}

struct SoundRing : SoundFixture {
    void SetUp() override
    {
        SoundFixture::SetUp();
        sound_command_table[SND_EXISTS] = recording_handler;
        g_ran.clear();
        g_retry_param = -1;
    }
};

TEST_F(SoundRing, FullRingRefusesWithoutLosingEntries)
{
    TreeNode *n = node("a");
    for (int i = 0; i < KV_SOUND_RING_SIZE - 1; i++)
        ASSERT_NE(sound_post(n, SND_EXISTS, nullptr, i), 0u) << i;
    EXPECT_EQ(sound_post(n, SND_EXISTS, nullptr, 9999), 0u);
    EXPECT_EQ(g_last_error_code, 110200u);
    EXPECT_EQ(g_quit_flag.load(), 0) << "a full ring is not fatal";
    ASSERT_EQ(tick(), 0);
    ASSERT_EQ(g_ran.size(), (size_t)KV_SOUND_RING_SIZE - 1);
    for (int i = 0; i < KV_SOUND_RING_SIZE - 1; i++)
        ASSERT_EQ(g_ran[i], i);
    EXPECT_NE(sound_post(n, SND_EXISTS, nullptr, 0), 0u) << "room again after the drain";
}

TEST_F(SoundRing, RetriedEntryHoldsBackTheRestInOrder)
{
    TreeNode *n = node("a");
    for (int i = 0; i < 10; i++)
        sound_post(n, SND_EXISTS, nullptr, i);
    g_retry_param = 4;
    g_retries_left = 3;
    for (int t = 0; t < 3; t++) {
        ASSERT_EQ(tick(), 0);
        EXPECT_EQ(g_ran, (std::vector<int32_t>{0, 1, 2, 3})) << "tick " << t;
    }
    ASSERT_EQ(tick(), 0);
    EXPECT_EQ(g_ran, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST_F(SoundRing, LongNamesAreRefusedNotCut)
{
    TreeNode *n = node("a");
    std::string name(KV_SOUND_RING_NAME, 'x');
    EXPECT_EQ(sound_post(n, SND_LOAD, name.c_str(), 0), 0u);
    EXPECT_EQ(g_last_error_code, 104010u);
    name.pop_back();
    EXPECT_NE(sound_post(n, SND_LOAD, name.c_str(), 0), 0u);
}

TEST_F(SoundRing, WaitsEndWithoutThread)
{
    TreeNode *n = node("a");
    {
        std::lock_guard<std::recursive_mutex> lock(g_engine_lock);
        g_sound_thread_done = 255;   // never started
    }
    EXPECT_EQ(sound_post_wait(n, SND_EXISTS, nullptr, 1), 0);
}

int retry_forever(TreeNode *, SoundRecord *, const char *, int32_t) { return 0; }

#ifndef _WIN32   // the fatal box would wait for a click
int fatal_handler(TreeNode *, SoundRecord *, const char *, int32_t) { return -1; }

TEST_F(SoundRing, WaitEndsWhenThreadDies)
{
    TreeNode *n = node("a");
    sound_command_table[SND_EXISTS] = fatal_handler;
    ASSERT_EQ(start_sound_thread(0), 0);
    EXPECT_EQ(sound_post_wait(n, SND_EXISTS, nullptr, 1), 0);
    join_sound_thread();
    EXPECT_EQ(g_sound_thread_done, 1);
    EXPECT_EQ(g_quit_flag.load(), 1) << "a fatal sound error ends the engine";
}
#endif

TEST_F(SoundRing, WaitEndsOnQuit)
{
    TreeNode *n = node("a");
    sound_command_table[SND_EXISTS] = retry_forever;
    ASSERT_EQ(start_sound_thread(0), 0);
    std::thread quitter([] {
        while (!sound_thread_running())
            std::this_thread::yield();
        g_quit_flag = 1;
    });
    EXPECT_EQ(sound_post_wait(n, SND_EXISTS, nullptr, 1), 0);
    quitter.join();
    join_sound_thread();
    EXPECT_EQ(g_sound_thread_done, 1);
}

TEST_F(SoundRing, ThreadRunsPostsInOrder)
{
    TreeNode *n = node("a");
    ASSERT_EQ(start_sound_thread(0), 0);
    for (int i = 0; i < 50; i++) {
        if (i % 10 == 9)
            EXPECT_EQ(sound_post_wait(n, SND_EXISTS, nullptr, i), 1);
        else
            sound_post(n, SND_EXISTS, nullptr, i);
    }
    g_quit_flag = 1;
    join_sound_thread();
    std::vector<int32_t> expect;
    for (int i = 0; i < 50; i++)
        expect.push_back(i);
    std::lock_guard<std::recursive_mutex> lock(g_engine_lock);
    EXPECT_EQ(std::vector<int32_t>(g_ran.begin(), g_ran.begin() + std::min<size_t>(g_ran.size(), 50)),
              expect);
}

TEST(SoundFatal, BoxTexts)
{
    struct Case {
        int code;
        const char *text;
    };
    const Case cases[] = {
        {-1045, "複数曲連結OGGには対応していません。"},
        {-320, "エラー番号：320\n\nサウンド再生位置取得エラーです。"},
        {-90002, "エラー番号：90002\n\noggデコードエラーです。"},
        {-10031, "エラー番号：10031\n\nサウンド関係で内部エラーが発生しました。"},
    };
    for (const Case &c : cases) {
        char text[1024];
        sound_fatal_text(text, sizeof text, c.code);
        EXPECT_EQ(std::string(text).compare(0, std::strlen(c.text), c.text), 0) << c.code;
    }
}

}  // namespace
