// Glyphs from GDI under Wine, checked as relations (the system's glyph shapes
// differ between Wine and Windows): the preferred face is found through the
// prefix's font replacements, ink stays inside the footprint, every alpha is
// one of the coverage values, fixed pitch advances half the size.
#ifdef _WIN32
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/error_report.h"
#include "core/quit.h"
#include "text/font_list.h"
#include "text/glyph.h"
#include "text_support.h"

using texttest::TestLayer;

namespace {

class GlyphGdi : public ::testing::Test {
protected:
    void SetUp() override
    {
        reset_error_reports();
        g_quit_flag = 0;
        release_font_slots();
        g_glyph_source = &g_sys_glyph_source;
        g_font_enumerator = sys_enumerate_fonts;
        enumerate_fonts();
    }
    void TearDown() override { release_font_slots(); }
};

int find_face(int proportional)
{
    for (int32_t i = 0; i < font_count(); i++)
        if (g_font_list.proportional[i] == proportional && !g_font_list.non_japanese[i])
            return i;
    return -1;
}

}  // namespace

TEST_F(GlyphGdi, PreferredFaceThroughTheReplacements)
{
    ASSERT_GT(font_count(), 0);
    const std::set<std::string> preferred = {"ＭＳ ゴシック", "標準ゴシック", "ＭＳ Ｐゴシック", "ＭＳ 明朝",
                                             "標準明朝"};
    for (uint32_t slot = 0; slot < KV_FONT_SLOTS; slot++) {
        font_slot_set_current(slot);
        EXPECT_TRUE(preferred.count(font_slot_face_name())) << slot << ": " << font_slot_face_name();
    }
    font_slot_set_current(0);
    EXPECT_STREQ(font_slot_face_name(), "ＭＳ ゴシック");
}

TEST_F(GlyphGdi, InkInsideTheFootprintWithCoverageAlphas)
{
    std::set<uint32_t> alphas;
    for (int n = 0; n <= 16; n++)
        alphas.insert(g_coverage_alpha[n]);
    const char *texts[] = {"あ", "漢", "W", "g", "」"};
    for (int32_t size : {12, 20, 33}) {
        for (const char *t : texts) {
            TestLayer l(100, 100, 0x7F102030);
            int32_t adv = draw_text_char((const uint8_t *)t, 0xFFFFFF, -1, 0, 0, size, size, 0, 1, 0, 20, 30, 0,
                                         &l.node);
            EXPECT_GT(adv, 0) << t;
            EXPECT_LE(adv, size) << t;
            int inked = 0;
            for (int y = 0; y < 100; y++) {
                for (int x = 0; x < 100; x++) {
                    uint32_t v = l.at(x, y);
                    bool inside = x >= 20 && x < 20 + size && y >= 30 && y < 30 + size;
                    if (!inside) {
                        EXPECT_EQ(v, 0x7F102030u) << t << " at " << x << "," << y;
                        continue;
                    }
                    EXPECT_TRUE(alphas.count(v >> 24)) << t << " alpha " << (v >> 24);
                    inked += (v >> 24) != 0;
                }
            }
            EXPECT_GT(inked, size / 2) << t << " size " << size;
        }
    }
}

TEST_F(GlyphGdi, FixedPitchAdvancesHalfTheSize)
{
    int fixed = find_face(0);
    ASSERT_GE(fixed, 0) << "no fixed-pitch Japanese face";
    ASSERT_EQ(font_slot_select_index((uint32_t)fixed), 1);
    for (int32_t size : {16, 20, 31}) {
        int32_t adv, h;
        render_glyph_gdi((const uint8_t *)"a", size, size, 0, 1, &adv, &h);
        EXPECT_EQ(adv, size / 2);
        render_glyph_gdi((const uint8_t *)"あ", size, size, 0, 1, &adv, &h);
        EXPECT_EQ(adv, size);
    }
}

TEST_F(GlyphGdi, ProportionalAdvanceFollowsTheInk)
{
    int prop = find_face(1);
    ASSERT_GE(prop, 0) << "no proportional Japanese face";
    ASSERT_EQ(font_slot_select_index((uint32_t)prop), 1);
    int32_t narrow, wide, space, h;
    render_glyph_gdi((const uint8_t *)"i", 40, 40, 0, 1, &narrow, &h);
    render_glyph_gdi((const uint8_t *)"W", 40, 40, 0, 1, &wide, &h);
    render_glyph_gdi((const uint8_t *)" ", 40, 40, 0, 1, &space, &h);
    EXPECT_LT(narrow, wide);
    EXPECT_LE(wide, 40);
    EXPECT_EQ(space, 4);
    // Monochrome cells measure in output pixels too.
    render_glyph_gdi((const uint8_t *)"W", 40, 40, 0, 0, &wide, &h);
    EXPECT_GT(wide, narrow);
    EXPECT_LE(wide, 40);
}
#endif
