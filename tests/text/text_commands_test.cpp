// The font list and the text style commands: preferred faces, the accessors,
// command 21's operators and bounds, command 22's queries, command 64's codes,
// command 82's state, and the errors of each.
#include <gtest/gtest.h>

#include <cstdint>

#include "script/expr_fixture.h"
#include "script/task.h"
#include "script/vars.h"
#include "text/message_window.h"
#include "text/text_commands.h"
#include "text_support.h"

using namespace texttest;

namespace {

class TextCommands : public exprtest::ExprFixture {
protected:
    void SetUp() override
    {
        ExprFixture::SetUp();
        use_fonts({{"Arial", "Western", 2}, {"ＭＳ 明朝", "日本語", 1}, {"標準明朝", "日本語", 1},
                   {"Odd", "日本語", 3}});
        ASSERT_EQ(create_message_window(), 0);
        def_int(1000, 0);
        def_string(1001, "");
    }
    void TearDown() override
    {
        release_font_slots();
        ExprFixture::TearDown();
    }
    int64_t info(std::initializer_list<Arg> args)
    {
        set_args(args);
        text_info_args();
        return var_get_int(1000, 0);
    }
};

}  // namespace

TEST_F(TextCommands, PreferredFaces)
{
    struct Case {
        std::vector<FakeFace> faces;
        const char *expect;
    } cases[] = {
        {{{"Arial", "Western", 2}, {"ＭＳ 明朝", "日本語", 1}, {"標準明朝", "日本語", 1}}, "ＭＳ 明朝"},
        {{{"Arial", "Western", 2}, {"Courier", "Western", 1}}, "Arial"},
        {{{"Foo", "Western", 2}, {"ＭＳ 明朝", "日本語", 1}, {"ＭＳ ゴシック", "日本語", 1}}, "ＭＳ ゴシック"},
        {{}, ""},
    };
    for (const Case &c : cases) {
        release_font_slots();
        fake_faces() = c.faces;
        enumerate_fonts();
        EXPECT_EQ(g_font_list.current_slot, 0u);
        for (uint32_t slot = 0; slot < KV_FONT_SLOTS; slot++) {
            font_slot_set_current(slot);
            EXPECT_STREQ(font_slot_face_name(), c.expect) << slot;
        }
    }
    EXPECT_EQ(font_slot_select_by_name(""), 0);   // empty list
}

TEST_F(TextCommands, ListAccessorsAndTables)
{
    EXPECT_EQ(font_count(), 4);
    EXPECT_EQ(font_slot_select_index(4), 0);
    EXPECT_EQ(font_slot_index(), 1u);
    EXPECT_EQ(font_slot_select_index(3), 1);
    EXPECT_EQ(font_slot_is_proportional(), -1);   // pitch value 3
    EXPECT_EQ(font_slot_select_by_name("arial"), 0);
    EXPECT_EQ(font_slot_select_by_name("Arial"), 1);
    EXPECT_EQ(font_slot_is_proportional(), 1);
    EXPECT_EQ(font_is_non_japanese_script(0), 1);
    EXPECT_EQ(font_is_non_japanese_script(1), 0);
    EXPECT_EQ(g_glyph_cell_size[0], 64u);
    EXPECT_EQ(g_glyph_cell_size[20], 128u);
    EXPECT_EQ(g_glyph_cell_size[24], 160u);
    EXPECT_EQ(g_glyph_cell_size[256], 1088u);
    EXPECT_EQ(g_coverage_alpha[14], 252);
    EXPECT_EQ(g_coverage_alpha[16], 255);
    EXPECT_EQ(g_nibble_ink[0xFF], 0u);
    EXPECT_EQ(g_nibble_ink[0x00], 0x404u);
    EXPECT_EQ(g_nibble_ink[0x0F], 0x400u);
}

TEST_F(TextCommands, SecondPassNeverStoresMoreThanTheFirstCounted)
{
    static int calls;
    calls = 0;
    g_font_enumerator = [](SysFontFn fn, void *user) {
        int n = ++calls == 1 ? 2 : 5;
        for (int i = 0; i < n; i++)
            fn(user, "F", "日本語", 1);
    };
    enumerate_fonts();
    EXPECT_EQ(font_count(), 2);
    g_font_enumerator = fake_enumerator;
}

TEST_F(TextCommands, StyleOperators)
{
    struct Case {
        uint32_t id, op;
        int64_t value, expect;
    } cases[] = {
        {9, 1, 300, 256},   {9, 2, 30, 0},     {9, 0, 300, 256},  {9, 0, -4, 0},
        {9, 4, 0, 20},      {9, 4, 3, 6},      {9, 3, 2, 40},     {9, 3, INT64_MAX, 256},
        {9, 3, INT64_MIN, 0}, {9, 1, INT64_MAX, 256}, {9, 2, INT64_MIN, 256}, {9, 7, 5, 20},
        {4, 1, 0x1000000, 0xFFFFFF}, {5, 0, -1, -1}, {5, 0, 0x123, 0x123}, {6, 1, 100, 8},
        {7, 0, 9, 3},       {8, 1, 1, 1},      {10, 2, 5, 15},    {11, 0, 7, 1},
    };
    for (const Case &c : cases) {
        ASSERT_EQ(create_message_window(), 0);
        init_glyph_tables();
        set_args({{0, 0, 0, nullptr}, {c.id, c.value, c.op, nullptr}});
        EXPECT_EQ(text_style_args(), 0);
        // The same value lands in slot 0 and in the window's style.
        MessageWindow *w = g_message_window;
        int64_t window[] = {0, 0, 0, 0, w->colour, (int32_t)w->colour2, w->gradient_dir, w->rotation,
                            w->blend_over, w->size, w->height, w->bold};
        int64_t slot[] = {0, 0, 0, 0, g_font_slots.colour[0], (int32_t)g_font_slots.colour2[0],
                          g_font_slots.gradient[0], g_font_slots.rotation[0], g_font_slots.blend_over[0],
                          g_font_slots.size[0], g_font_slots.height[0], g_font_slots.bold[0]};
        EXPECT_EQ(window[c.id], c.expect) << c.id << " op " << c.op << " " << c.value;
        EXPECT_EQ(slot[c.id], c.expect) << c.id << " op " << c.op << " " << c.value;
    }
}

TEST_F(TextCommands, OtherSlotsTakeTheWindowsValueAsBase)
{
    g_message_window->size = 30;
    set_args({{0, 3, 0, nullptr}, {9, 5, 1, nullptr}});
    EXPECT_EQ(text_style_args(), 0);
    EXPECT_EQ(g_font_slots.size[3], 35);
    EXPECT_EQ(g_font_slots.size[0], 20);
    EXPECT_EQ(g_message_window->size, 30);
    EXPECT_EQ(g_font_list.current_slot, 3u);
    EXPECT_EQ(info({{18, 1000, 0, nullptr}, {8, 0, 0, nullptr}}), 30);   // the window's value
}

TEST_F(TextCommands, SlotAndFontNumberErrors)
{
    struct Case {
        uint32_t id;
        int64_t value;
        uint32_t error;
        int32_t index_after;
    } cases[] = {
        {0, 8, 101000, 1}, {0, -1, 101000, 1}, {1, 0, 101010, 1}, {1, 5, 101240, 1},
        {1, 1, 0, 0},      {1, 4, 0, 3},
    };
    for (const Case &c : cases) {
        reset_error_reports();
        g_quit_flag = 0;
        font_slot_set_current(0);
        font_slot_select_index(1);
        set_args({{c.id, c.value, 0, nullptr}});
        EXPECT_EQ(text_style_args(), c.error ? -1 : 0) << c.id << " " << c.value;
        EXPECT_EQ(g_last_error_code, c.error);
        EXPECT_EQ(g_quit_flag != 0, c.error != 0);
        EXPECT_EQ(font_slot_index(), (uint32_t)c.index_after);
    }
    set_args({{2, 0, 0, "No such face"}});
    EXPECT_EQ(text_style_args(), 0);
    EXPECT_EQ(font_slot_index(), 3u);   // unchanged
    set_args({{2, 0, 0, "標準明朝"}});
    text_style_args();
    EXPECT_EQ(font_slot_index(), 2u);
}

TEST_F(TextCommands, InfoQueries)
{
    g_message_window->colour = 0x123456;
    EXPECT_EQ(info({{18, 1000, 0, nullptr}, {3, 0, 0, nullptr}}), 0x123456);
    EXPECT_EQ(info({{18, 1000, 0, nullptr}, {4, 0, 0, nullptr}}), -1);
    EXPECT_EQ(info({{18, 1000, 0, nullptr}, {9, 0, 0, nullptr}}), 20);
    EXPECT_EQ(info({{18, 1000, 0, nullptr}, {11, 1, 0, nullptr}}), 4);
    EXPECT_EQ(info({{18, 1000, 0, nullptr}, {11, 2, 0, nullptr}}), 0);
    EXPECT_EQ(info({{18, 1000, 0, nullptr}, {13, 1, 0, nullptr}, {0, 1, 0, nullptr}}), 1);
    EXPECT_EQ(info({{18, 1000, 0, nullptr}, {13, 1, 0, nullptr}}), 0);   // slot 0 is on "ＭＳ 明朝"
    EXPECT_EQ(info({{18, 1000, 0, nullptr}, {14, 0, 0, nullptr}, {17, 0, 0, "あ"}}), 20);
    EXPECT_EQ(info({{18, 1000, 0, nullptr}, {14, 0, 0, nullptr}, {17, 0, 0, "a"}}), 10);
    EXPECT_EQ(info({{18, 1000, 0, nullptr}, {15, 0, 0, nullptr}, {17, 0, 0, "a"}}), 20);
    set_args({{18, 1001, 0, nullptr}, {1, 1, 0, nullptr}, {0, 3, 0, nullptr}});
    EXPECT_EQ(text_info_args(), 0);
    EXPECT_STREQ(var_get_string(1001, 0), "標準明朝");
    set_args({{18, 1000, 0, nullptr}, {1, 1, 0, nullptr}, {0, 5, 0, nullptr}});
    EXPECT_EQ(text_info_args(), -1);
    EXPECT_EQ(g_last_error_code, 101240u);
}

TEST_F(TextCommands, TextEndAndMessageState)
{
    ScriptTask *task = script_task_create();
    g_cur_script = task;
    MessageWindow *w = g_message_window;
    w->end_c = w->end_r = w->end_p = 0;
    EXPECT_EQ(text_end_args(), -1);
    EXPECT_EQ(std::string((const char *)w->codes), "E");
    EXPECT_EQ(task->message_wait, 1);
    w->pen_x = 37;
    set_args({{0, 1000, 0, nullptr}, {2, 0, 0, nullptr}, {3, 0, 0, nullptr}});
    EXPECT_EQ(message_state_args(), 0);
    EXPECT_EQ(var_get_int(1000, 0), 37);
    set_args({{0, 1000, 0, nullptr}, {5, 0, 0, nullptr}});
    message_state_args();
    EXPECT_EQ(var_get_int(1000, 0), 0);
    g_cur_script = nullptr;
    script_task_free(task);
}
