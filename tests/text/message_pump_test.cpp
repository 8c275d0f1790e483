// The message window on a synthetic fixed-pitch face (a two-byte character
// advances the size, a one-byte one half of it) and a fake clock: delays and
// catch-up, skip and click handling, line breaking, the bottom cut-off, the
// end codes, display off, and the capacity of a block.
#include <gtest/gtest.h>

#include <string>

#include "core/error_report.h"
#include "core/frame_state.h"
#include "core/input.h"
#include "core/quit.h"
#include "core/tree.h"
#include "script/scheduler.h"
#include "script/task.h"
#include "text/message_window.h"
#include "text/text_commands.h"
#include "text_support.h"

using namespace texttest;

namespace {

uint32_t s_now;
uint32_t fake_clock()
{
    return s_now;
}

class MessagePump : public ::testing::Test {
protected:
    void SetUp() override
    {
        reset_error_reports();
        g_quit_flag = 0;
        use_fonts({{"Fixed", "日本語", 1}});
        ASSERT_EQ(create_message_window(), 0);
        saved_clock_ = g_script_clock;
        g_script_clock = fake_clock;
        s_now = 1000;
        for (int64_t &k : g_key_hold)
            k = -5;
        g_frame_count = 100;
        task_ = script_task_create();
        g_cur_script = task_;
        layer_ = new TestLayer(100, 200);
        g_message_window->layer = &layer_->node;
    }
    void TearDown() override
    {
        g_message_window->layer = nullptr;
        delete layer_;
        g_cur_script = nullptr;
        script_task_free(task_);
        g_script_clock = saved_clock_;
        release_font_slots();
        reset_error_reports();
        g_quit_flag = 0;
    }
    MessageWindow *w() { return g_message_window; }
    void set_end_flags(uint32_t c, uint32_t r, uint32_t p)
    {
        w()->end_c = c;
        w()->end_r = r;
        w()->end_p = p;
    }
    int append(const std::string &s) { return message_append_text(s.data(), s.size()); }
    void close_block() { EXPECT_EQ(text_end_args(), -1); }
    // One scheduler pass at time t (ms after the start).
    void pass_at(uint32_t t)
    {
        s_now = 1000 + t;
        message_wait_update(task_);
    }
    void next_frame() { g_frame_count++; }
    bool waiting_task() { return task_->message_wait != 0; }

    ScriptTask *task_ = nullptr;
    TestLayer *layer_ = nullptr;
    uint32_t (*saved_clock_)(void) = nullptr;
};

}  // namespace

TEST_F(MessagePump, DelaysAndCatchUp)
{
    struct Step {
        uint32_t t, code_index;
    };
    struct Case {
        int32_t delay;
        const char *text;
        std::vector<Step> steps;
    } cases[] = {
        // Two-byte characters wait the delay, one-byte ones half; the first draws at once.
        {40, "あいa", {{0, 1}, {39, 1}, {40, 2}, {59, 2}, {60, 4}}},
        // After 200 ms, five characters at once.
        {40, "あいうえおかき", {{0, 1}, {200, 6}, {239, 6}, {240, 8}}},
        {0, "あいうえお", {{0, 6}}},
    };
    for (const Case &c : cases) {
        w()->needs_reset = 1;
        reset_message_window();
        w()->pen_x = w()->pen_y = 0;
        task_->message_wait = 0;
        set_end_flags(0, 0, 0);
        w()->delay = c.delay;
        ASSERT_EQ(append(c.text), 0);
        close_block();
        for (const Step &s : c.steps) {
            uint32_t before = w()->code_count;
            pass_at(s.t);
            if (s.code_index >= before)
                EXPECT_FALSE(waiting_task()) << c.text << " at " << s.t;
            else
                EXPECT_EQ(w()->code_index, s.code_index) << c.text << " at " << s.t;
        }
    }
}

TEST_F(MessagePump, SkipHeldRunsThroughClickWaits)
{
    w()->delay = 40;
    set_end_flags(1, 0, 0);
    append("あい");
    set_args({{15, 1, 0, nullptr}});
    EXPECT_EQ(message_setup_args(), -1);   // a click wait while shown ends the turn
    append("うえ");
    close_block();
    g_key_hold[17] = 3;
    for (int i = 0; i < 4 && waiting_task(); i++) {
        pass_at(0);
        next_frame();
    }
    EXPECT_FALSE(waiting_task());
    EXPECT_EQ(w()->pen_x, 20);   // "え" did not fit in the last cell
    EXPECT_EQ(w()->pen_y, 20);
}

TEST_F(MessagePump, ClickWhileTypingThenClickAgain)
{
    w()->delay = 40;
    set_end_flags(0, 0, 0);
    append("あいう");
    set_args({{15, 1, 0, nullptr}});
    message_setup_args();
    append("え");
    close_block();
    pass_at(0);
    EXPECT_EQ(w()->code_index, 1u);
    next_frame();
    g_key_hold[1] = 1;          // click: the rest up to the wait at once
    pass_at(10);
    pass_at(10);                // a second pass of the same frame
    EXPECT_EQ(w()->code_index, 3u);
    EXPECT_EQ(w()->waiting, 1);
    EXPECT_EQ(w()->pen_x, 60);
    pass_at(11);                // same frame, the click is used up
    EXPECT_EQ(w()->waiting, 1);
    next_frame();
    g_key_hold[1] = 2;          // held, no new press
    pass_at(20);
    EXPECT_EQ(w()->waiting, 1);
    next_frame();
    g_key_hold[1] = 1;          // second click passes the wait
    pass_at(30);
    EXPECT_EQ(w()->waiting, 0);
    EXPECT_TRUE(waiting_task());
    next_frame();
    g_key_hold[1] = 2;
    pass_at(70);                // the timer restarts: "え" waits its delay from here
    EXPECT_TRUE(waiting_task());
    pass_at(110);
    EXPECT_FALSE(waiting_task());
    EXPECT_EQ(w()->pen_x, 20);
    EXPECT_EQ(w()->pen_y, 20);
}

TEST_F(MessagePump, LineBreaking)
{
    // Layer 100 wide, size 20: cells at 0, 20, 40, 60; 60 is the last cell.
    struct Case {
        const char *text;
        int32_t pen_x, pen_y;
    } cases[] = {
        {"あああ。", 80, 0},   // may hang in the last cell
        {"あああい", 20, 20},  // may not
        {"あああっ", 80, 0},
        {"あ「", 20, 20},      // never in the last three cells
        {"「", 20, 0},
        {"ああ！？", 80, 0},   // kept together
        {"ああ！あ", 20, 20},
        {"aaaaaaa", 10, 20},   // a one-byte character in the last cell moves on
        {"aaaaaa", 60, 0},
    };
    for (const Case &c : cases) {
        w()->needs_reset = 1;
        reset_message_window();
        w()->pen_x = w()->pen_y = 0;
        set_end_flags(0, 0, 0);
        append(c.text);
        close_block();
        pass_at(0);
        EXPECT_FALSE(waiting_task()) << c.text;
        EXPECT_EQ(w()->pen_x, c.pen_x) << c.text;
        EXPECT_EQ(w()->pen_y, c.pen_y) << c.text;
    }
}

TEST_F(MessagePump, BottomCutOffSkipsWithoutDelayAndKeepsTextAligned)
{
    delete layer_;
    layer_ = new TestLayer(100, 45);   // two lines fit, the third does not
    w()->layer = &layer_->node;
    w()->delay = 40;
    set_end_flags(0, 0, 0);
    append("ああああいいいいうう");
    set_args({{12, 1, 0, nullptr}});   // new page
    message_setup_args();
    append("え");
    close_block();
    pass_at(0);
    pass_at(5 * 40);   // three characters on each line
    EXPECT_EQ(w()->code_index, 6u);
    EXPECT_EQ(w()->pen_y, 20);
    pass_at(6 * 40);   // the seventh falls below; the rest go at once, up to "え"
    EXPECT_EQ(w()->code_index, 11u);
    EXPECT_EQ(w()->text_index, 20u);
    pass_at(7 * 40);   // after the page: "え" is drawn at the top
    EXPECT_FALSE(waiting_task());
    EXPECT_EQ(w()->pen_x, 20);
    EXPECT_EQ(w()->pen_y, 0);
}

TEST_F(MessagePump, EndCodesClickNewLineNewPage)
{
    layer_->fill(0x11111111);
    append("あ");
    close_block();
    const std::string codes((const char *)w()->codes, w()->code_count);
    EXPECT_EQ(codes, "2CRPE");
    pass_at(0);
    EXPECT_TRUE(waiting_task());
    EXPECT_EQ(w()->waiting, 1);
    next_frame();
    g_key_hold[13] = 1;
    pass_at(1);
    next_frame();
    g_key_hold[13] = 2;
    pass_at(2);
    EXPECT_FALSE(waiting_task());
    EXPECT_EQ(w()->pen_x, 0);
    EXPECT_EQ(w()->pen_y, 0);
    EXPECT_EQ(layer_->image(), std::vector<uint32_t>(100 * 200, 0));
    EXPECT_EQ(w()->code_count, 0u);   // reset after the block
}

TEST_F(MessagePump, DisplayOffDropsTheBlock)
{
    set_args({{1, 0, 0, nullptr}});
    message_setup_args();
    append("あいう");
    close_block();
    EXPECT_EQ(std::string((const char *)w()->codes), "222E");
    pass_at(0);
    EXPECT_FALSE(waiting_task());
    EXPECT_EQ(w()->text_length, 0u);
    EXPECT_EQ(w()->pen_x, 0);
}

TEST_F(MessagePump, NoLayerBoundPassesTheBlock)
{
    w()->layer = nullptr;
    append("あい");
    close_block();
    pass_at(0);
    EXPECT_FALSE(waiting_task());
}

TEST_F(MessagePump, CapacityOfABlock)
{
    struct Case {
        std::string first, second;
        int result;
        uint32_t codes_after;
    } cases[] = {
        {"", "", 0, 0},
        {std::string(4095 * 2, '\x82'), "", 0, 4095},     // 8190 bytes of two-byte text
        {std::string(4095 * 2, '\x82'), "a", -1, 4095},
        {std::string(8187, 'a'), "", 0, 8187},            // four entries kept for the end
        {std::string(8187, 'a'), "a", -1, 8187},
        {"a", std::string(1, '\x82'), 0, 2},             // a lone lead byte is one character
    };
    for (const Case &c : cases) {
        reset_error_reports();
        g_quit_flag = 0;
        w()->needs_reset = 1;
        reset_message_window();
        ASSERT_EQ(append(c.first), 0);
        EXPECT_EQ(append(c.second), c.result);
        EXPECT_EQ(g_last_error_code, c.result ? 102000u : 0u);
        EXPECT_EQ(w()->code_count, c.codes_after);
        if (c.result == 0 && c.codes_after > 0) {
            EXPECT_EQ(w()->codes[c.codes_after - 1], (c.first[0] == 'a') ? '1' : '2');
        }
    }
    // A full block still closes with all four codes and no write past the arrays.
    w()->needs_reset = 1;
    reset_message_window();
    append(std::string(8187, 'a'));
    set_args({{15, 1, 0, nullptr}});
    EXPECT_EQ(message_setup_args(), -1);
    EXPECT_EQ(g_last_error_code, 102000u);
    close_block();
    EXPECT_EQ(w()->code_count, 8191u);
    EXPECT_EQ(w()->codes[8191], 0);
}

TEST_F(MessagePump, SetupKeysDelayAndFlags)
{
    set_args({{2, 0, 0, nullptr}, {3, -5, 0, nullptr}, {4, 1024, 0, nullptr}, {5, 13, 0, nullptr},
              {6, 5000, 0, nullptr}, {7, 1023, 0, nullptr}, {10, 99999, 0, nullptr},
              {17, 0, 0, nullptr}, {18, 0, 0, nullptr}, {19, 0, 0, nullptr}});
    EXPECT_EQ(message_setup_args(), 0);
    const uint32_t advance[4] = {1023, 1023, 1023, 13};
    for (int k = 0; k < 4; k++)
        EXPECT_EQ(g_message_advance_keys[k], advance[k]) << k;
    EXPECT_EQ(g_message_skip_keys[0], 1023u);
    EXPECT_EQ(g_message_skip_keys[1], 1023u);
    EXPECT_EQ(w()->delay, 32767);
    set_args({{10, -3, 0, nullptr}});
    message_setup_args();
    EXPECT_EQ(w()->delay, 0);
    append("あ");
    close_block();
    EXPECT_EQ(std::string((const char *)w()->codes), "2E");
}

TEST_F(MessagePump, SetupBindsALayerByPath)
{
    init_path_special_chars();
    if (!g_layer_tree) {
        ASSERT_EQ(create_tree_roots(), 0);
    }
    char path[KV_PATH_MAX];
    ASSERT_GE(normalize_script_path(path, "msgwin", g_tree_path_roots[KV_TREE_LAYER], 0), 0);
    TreeNode *node = create_tree_node(g_layer_tree, path, 0, 5);
    ASSERT_TRUE(node);
    LayerState *s = layer_state_new();
    node->payload = s;
    set_args({{0, 0, 0, "msgwin"}});
    EXPECT_EQ(message_setup_args(), 0);
    EXPECT_EQ(w()->layer, node);
    EXPECT_EQ(s->message_window, 1);
    set_args({{0, 0, 0, "nowhere"}});
    EXPECT_EQ(message_setup_args(), -1);
    EXPECT_EQ(g_last_error_code, 101250u);
    EXPECT_EQ(s->message_window, 0);   // the old binding is let go
    EXPECT_EQ(w()->layer, nullptr);
    tree_node_unlink(node);
    std::free(node->name);
    std::free(node);
    layer_state_release_buffers(s);
    std::free(s);
}
