// Screen-saver switches and the preview bitmap's checks.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "shell/screensaver.h"

TEST(ScreensaverSwitches, Classification)
{
    struct Case {
        std::vector<const char *> args;   // after the program
        ScreensaverAction expect;
        uint64_t parent;
    };
    const Case cases[] = {
        {{"/p", "1234"}, KV_SS_PREVIEW, 1234},
        {{"/P", "66"}, KV_SS_PREVIEW, 66},
        {{"-p", "7"}, KV_SS_PREVIEW, 7},
        {{"/preview", "9"}, KV_SS_PREVIEW, 9},
        {{"/p"}, KV_SS_RUN, 0},                 // no window given
        {{"/p", "1", "2"}, KV_SS_RUN, 0},
        {{"/a", "1234"}, KV_SS_PASSWORD, 0},
        {{"-A", "5"}, KV_SS_PASSWORD, 0},
        {{"/c:5678"}, KV_SS_ABOUT, 0},
        {{"/C"}, KV_SS_ABOUT, 0},
        {{"-c"}, KV_SS_ABOUT, 0},
        {{}, KV_SS_ABOUT, 0},
        {{"/c", "5678"}, KV_SS_RUN, 0},
        {{"/s"}, KV_SS_RUN, 0},
        {{"/S"}, KV_SS_RUN, 0},
        {{"p", "1"}, KV_SS_RUN, 0},
        {{"/"}, KV_SS_RUN, 0},
        {{""}, KV_SS_RUN, 0},
    };
    for (const Case &c : cases) {
        std::vector<char *> argv = {const_cast<char *>("game.scr")};
        for (const char *a : c.args)
            argv.push_back(const_cast<char *>(a));
        uint64_t parent = 0;
        std::string what = c.args.empty() ? "(none)" : c.args[0];
        EXPECT_EQ(classify_screensaver_args((int)argv.size(), argv.data(), &parent), c.expect) << what;
        EXPECT_EQ(parent, c.parent) << what;
    }
}

namespace {

void put(std::vector<uint8_t> &b, size_t at, uint32_t v, int n = 4)
{
    for (int i = 0; i < n; i++)
        b[at + i] = (uint8_t)(v >> (8 * i));
}

// A 24-bit BI_RGB bitmap with padded rows; fields changed by the cases.
std::vector<uint8_t> bitmap(int32_t w, int32_t h)
{
    uint32_t stride = ((uint32_t)w * 3 + 3) & ~3u;
    uint32_t rows = (uint32_t)(h < 0 ? -h : h);
    std::vector<uint8_t> b(54 + stride * rows, 0x33);
    b[0] = 'B';
    b[1] = 'M';
    put(b, 2, (uint32_t)b.size());
    put(b, 10, 54);
    put(b, 14, 40);
    put(b, 18, (uint32_t)w);
    put(b, 22, (uint32_t)h);
    put(b, 26, 1, 2);
    put(b, 28, 24, 2);
    put(b, 30, 0);
    return b;
}

}  // namespace

TEST(PreviewBitmap, OnlySoundBitmapsAreShown)
{
    struct Case {
        const char *what;
        int32_t w, h;
        void (*spoil)(std::vector<uint8_t> &);
        bool ok;
    };
    const Case cases[] = {
        {"bottom-up", 4, 3, nullptr, true},
        {"top-down", 4, -3, nullptr, true},
        {"padded rows", 5, 2, nullptr, true},
        {"one pixel", 1, 1, nullptr, true},
        {"larger info header", 2, 2, [](std::vector<uint8_t> &b) {
             put(b, 14, 56); put(b, 10, 70); b.resize(b.size() + 16); }, true},
        {"pixels after a gap", 2, 2, [](std::vector<uint8_t> &b) {
             put(b, 10, 60); b.resize(b.size() + 6); }, true},
        {"last byte missing", 5, 2, [](std::vector<uint8_t> &b) { b.pop_back(); }, false},
        {"no BM", 2, 2, [](std::vector<uint8_t> &b) { b[0] = 'X'; }, false},
        {"32 bits", 2, 2, [](std::vector<uint8_t> &b) { put(b, 28, 32, 2); }, false},
        {"8 bits", 2, 2, [](std::vector<uint8_t> &b) { put(b, 28, 8, 2); }, false},
        {"RLE", 2, 2, [](std::vector<uint8_t> &b) { put(b, 30, 1); }, false},
        {"bit fields", 2, 2, [](std::vector<uint8_t> &b) { put(b, 30, 3); }, false},
        {"width 0", 2, 2, [](std::vector<uint8_t> &b) { put(b, 18, 0); }, false},
        {"negative width", 2, 2, [](std::vector<uint8_t> &b) { put(b, 18, (uint32_t)-2); }, false},
        {"height 0", 2, 2, [](std::vector<uint8_t> &b) { put(b, 22, 0); }, false},
        {"height INT_MIN", 2, 2, [](std::vector<uint8_t> &b) { put(b, 22, 0x80000000u); }, false},
        {"huge width", 2, 2, [](std::vector<uint8_t> &b) { put(b, 18, 0x7FFFFFFF); }, false},
        {"huge height", 2, 2, [](std::vector<uint8_t> &b) { put(b, 22, 0x40000000); }, false},
        {"core header", 2, 2, [](std::vector<uint8_t> &b) { put(b, 14, 12); }, false},
        {"header past the bytes", 2, 2, [](std::vector<uint8_t> &b) { put(b, 14, 0xFFFFFFF0u); }, false},
        {"pixels inside the header", 2, 2, [](std::vector<uint8_t> &b) { put(b, 10, 20); }, false},
        {"pixels past the end", 2, 2, [](std::vector<uint8_t> &b) { put(b, 10, 0xFFFFFFFFu); }, false},
        {"too short for headers", 2, 2, [](std::vector<uint8_t> &b) { b.resize(53); }, false},
    };
    for (const Case &c : cases) {
        std::vector<uint8_t> b = bitmap(c.w, c.h);
        if (c.spoil)
            c.spoil(b);
        PreviewImage img = {};
        int rc = parse_preview_bitmap(b.data(), b.size(), &img);
        EXPECT_EQ(rc == 0, c.ok) << c.what;
        if (rc == 0) {
            uint64_t rows = img.height < 0 ? -(int64_t)img.height : img.height;
            EXPECT_EQ(img.stride % 4, 0u) << c.what;
            EXPECT_GE(img.stride, (uint32_t)img.width * 3) << c.what;
            EXPECT_LE((uint64_t)(img.pixels - b.data()) + img.stride * rows, b.size()) << c.what;
        }
    }
}
