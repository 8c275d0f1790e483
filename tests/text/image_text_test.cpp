// The text line of the layer image-operation command through the real glyph
// path, on a synthetic proportional face whose glyphs are solid blocks of a
// width given per character: where the ink lands, how the pen advances, the
// font slot afterwards, a lone lead byte at the end, and a missing text.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/error_report.h"
#include "image/layer_image_cmd.h"
#include "text/image_text.h"
#include "text_support.h"

using namespace texttest;

namespace {

enum { SIZE = 10 };

// Ink columns of each character's glyph, in output pixels (advance = w + 3).
const std::map<std::string, int> k_width = {
    {"A", 2}, {"B", 3}, {"\x82\xa0", 6}, {"\x88\x9f", 5}, {"\x82", 1}};

std::vector<std::string> s_drawn;

// A solid block w output pixels wide and SIZE tall in the 4x oversampled cell.
void ink_block(GlyphCell *g, const uint8_t *chars, int len)
{
    std::string ch((const char *)chars, (size_t)len);
    s_drawn.push_back(ch);
    auto it = k_width.find(ch);
    int w = it == k_width.end() ? 0 : it->second;
    for (int y = 0; y < 4 * SIZE; y++)
        for (int x = 0; x < 4 * w; x++)
            ink(g, x, y);
}

struct TextCase {
    const char *text;
    int64_t slot;      // argument 56, -1 absent
    int64_t edge;      // value 1
    int64_t x, y;      // arguments 8, 9
};

class ImageText : public ::testing::Test {
protected:
    void SetUp() override
    {
        use_fonts({{"Prop", "日本語", 0}});
        ink_fn() = ink_block;
        image_text_hooks_install();
        for (int s = 0; s < KV_FONT_SLOTS; s++) {
            g_font_slots.size[s] = g_font_slots.height[s] = SIZE;
            g_font_slots.colour[s] = 0x102030u + (uint32_t)s;
            g_font_slots.colour2[s] = 0xFFFFFFFFu;   // the same as colour
            g_font_slots.blend_over[s] = 1;
        }
        layer.node.parent = &parent.node;
        reset_error_reports();
        s_drawn.clear();
    }
    void TearDown() override
    {
        ink_fn() = nullptr;
        release_font_slots();
        reset_error_reports();
    }
    int run(const TextCase &t, const char *text)
    {
        ImageOpCall call{};
        call.a = &layer.node;
        call.present[57] = call.present[8] = call.present[9] = 1;
        call.arg[8] = t.x;
        call.arg[9] = t.y;
        if (t.slot >= 0) {
            call.present[56] = 1;
            call.arg[56] = t.slot;
        }
        call.value1 = t.edge;
        call.text = text;
        return run_image_op(&call);
    }

    TestLayer parent{200, 60}, layer{200, 60};
};

// Pixels that differ from the expectation: each character's block at the
// pen once per pass of the edge mode, opaque in the colour, every other pixel
// transparent; the pen moves by the block width + 3.
int wrong_pixels(const TextCase &t, TestLayer &layer, uint32_t colour)
{
    std::vector<uint8_t> want(200 * 60, 0);
    int64_t e = t.edge < -INT32_MAX ? -INT32_MAX : t.edge > INT32_MAX ? INT32_MAX : t.edge;
    int64_t d = e - 10;
    std::vector<std::pair<int64_t, int64_t>> passes;
    if (e == 0)
        passes = {{0, 0}};
    else if (e >= 11)
        passes = {{d, 0}, {0, d}, {d, d}};
    else
        for (int64_t dx : {e, (int64_t)0, -e})
            for (int64_t dy : {-e, (int64_t)0, e})
                passes.push_back({dx, dy});
    int64_t pen = t.x;
    for (size_t i = 0; t.text[i];) {
        uint8_t c = (uint8_t)t.text[i];
        bool lead = (c >= 0x81 && c <= 0x9F) || c >= 0xE0;
        if (lead && !t.text[i + 1])
            break;
        size_t n = lead ? 2 : 1;
        int w = k_width.at(std::string(t.text + i, n));
        for (auto p : passes) {
            int64_t x0 = pen + p.first, y0 = t.y + p.second;
            if (x0 < 0 || y0 < 0 || x0 + SIZE > 200 || y0 + SIZE > 60)
                continue;   // a glyph not wholly on the layer is left out
            for (int r = 0; r < SIZE; r++)
                for (int col = 0; col < w; col++)
                    want[(size_t)(y0 + r) * 200 + (size_t)(x0 + col)] = 1;
        }
        pen += w + 3;
        i += n;
    }
    int wrong = 0;
    for (int y = 0; y < 60; y++)
        for (int x = 0; x < 200; x++) {
            uint32_t px = layer.at(x, y);
            bool inked = want[(size_t)y * 200 + x] != 0;
            wrong += (px >> 24) != (inked ? 255u : 0u) || (inked && px != (0xFF000000u | colour));
        }
    return wrong;
}

}  // namespace

TEST_F(ImageText, InkLandsWhereThePenIsAndSlotZeroIsCurrentAfter)
{
    const TextCase cases[] = {
        {"AB", -1, 0, 4, 5},
        {"\x82\xa0\x88\x9f" "A", -1, 0, 20, 30},   // Shift-JIS
        {"A\x82\xa0" "B", 3, 0, 0, 0},            // slot 3's colour
        {"B\x88\x9f", -1, 12, 10, 10},            // shadow 2 to the right and down
        {"AB", -1, 2, 40, 20},                    // outline 2
        {"AB", -1, INT64_MIN, 30, 20},            // outline far off: the middle pass only
        {"AB", -1, INT64_MAX, 30, 20},            // shadow far off: nothing
        {"AAB", -1, 0, 186, 0},                   // the second A would pass the edge
    };
    for (const TextCase &t : cases) {
        layer.fill(0);
        parent.s->needs_redraw = 0;
        g_font_list.current_slot = 5;
        ASSERT_EQ(run(t, t.text), 0) << t.text;
        EXPECT_EQ(g_last_error_code, 0u);
        EXPECT_EQ(g_font_list.current_slot, 0u) << t.text;
        uint32_t colour = 0x102030u + (uint32_t)(t.slot >= 0 ? t.slot : 5);
        EXPECT_EQ(wrong_pixels(t, layer, colour), 0) << t.text << " " << t.edge;
        bool painted = false;
        for (uint32_t px : layer.image())
            painted = painted || px >> 24;
        EXPECT_EQ(parent.s->needs_redraw, painted ? 1 : 0) << t.text << " " << t.edge;
    }
}

TEST_F(ImageText, LoneLeadByteAtTheEndEndsTheLine)
{
    // Exactly as long as the text, so that a read past the terminator is caught.
    std::vector<char> text = {'A', '\x82', 0};
    TextCase t{"A\x82", -1, 0, 1, 1};
    ASSERT_EQ(run(t, text.data()), 0);
    EXPECT_EQ(s_drawn, (std::vector<std::string>{"A"}));
    EXPECT_EQ(wrong_pixels(t, layer, 0x102030u), 0);
}

TEST_F(ImageText, MissingTextFailsSilently)
{
    TextCase t{"", 2, 0, 0, 0};
    g_font_list.current_slot = 4;
    EXPECT_EQ(run(t, nullptr), -1);
    EXPECT_EQ(g_last_error_code, 0u);
    EXPECT_EQ(g_font_list.current_slot, 2u);   // the slot selector before it ran
    EXPECT_TRUE(s_drawn.empty());
    EXPECT_EQ(parent.s->needs_redraw, 0);
}
