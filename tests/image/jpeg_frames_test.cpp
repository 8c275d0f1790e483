// JPEG frame containers: frames and alpha planes decode as the library
// decodes their JPEGs, frame numbers are clamped, and every container whose
// tables reach outside the file is refused whole.
#include <climits>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#if !defined(_WIN32)
#include <unistd.h>
#endif

#include "core/tree.h"
#include "image/image_decode_fixture.h"
#include "image/jpeg_frames.h"
#include "image/jpeg_frames_support.h"

using namespace kvimg;

namespace {

struct Held {
    Bytes file;
    LayerHolder layer;
    TreeNode node = {};
    explicit Held(Bytes b) : file(std::move(b)) { node.payload = layer.s; }
    ~Held()
    {
        free_jpeg_frames();
        g_file_cache[0].count = 0;
        g_file_cache[0].data[0] = nullptr;
    }
    int load()
    {
        quiet_reports();
        static char name[] = "anim.kjf";
        FileCacheSet &set = g_file_cache[0];
        set.name[0] = name;
        set.data[0] = file.data();
        set.size[0] = (uint32_t)file.size();
        set.format[0] = KV_FMT_OTHER;
        set.count = 1;
        return load_jpeg_frames_file(name);
    }
};

Image grey_of(const Image &im)
{
    return reference_jpeg(write_jpeg(im, 1, false));
}

// Three frames of different sizes, each with an alpha JPEG.
std::vector<FrameSpec> three_frames(std::vector<Image> *colour, std::vector<Image> *alpha)
{
    std::vector<FrameSpec> frames;
    for (int i = 0; i < 3; i++) {
        Image im = gradient_image(16 + 8 * i, 9 + i, false, i + 1);
        Image a = gradient_image(16 + 8 * i, 9 + i, false, i + 10);
        frames.push_back({write_jpeg(im, i == 1 ? 1 : 3, i == 2), write_jpeg(a, 1, false)});
        colour->push_back(reference_jpeg(frames.back().colour));
        alpha->push_back(grey_of(a));
    }
    return frames;
}

}  // namespace

TEST(JpegFrames, FramesDecodeAndClamp)
{
    std::vector<Image> colour, alpha;
    Held h(write_container(three_frames(&colour, &alpha), 1, 7, 8, 9));
    ASSERT_EQ(h.load(), 0);
    EXPECT_EQ(g_jpeg_frames.count, 3u);
    EXPECT_EQ(g_jpeg_frames.header_values[2], 9u);
    const struct {
        int64_t asked;
        int frame;
    } cases[] = {{1, 1}, {-5, 0}, {6, 2}, {INT64_MIN, 0}, {INT64_MAX, 2}, {0, 0}};
    for (auto &c : cases) {
        SCOPED_TRACE(c.asked);
        decode_jpeg_frame(&h.node, c.asked);
        Image want = colour[c.frame];
        for (size_t i = 0; i < want.px.size(); i += 4)
            want.px[i + 3] = alpha[c.frame].px[i];
        EXPECT_EQ(h.layer.s->has_alpha, 1);
        EXPECT_LE(max_difference(h.layer.s, want), 1);
    }
}

TEST(JpegFrames, AlphaFlagAndBufferReuse)
{
    Image im = gradient_image(20, 10, false, 3);
    FrameSpec f{write_jpeg(im, 3, false), write_jpeg(im, 1, false)};
    for (uint32_t flag : {0u, 1u, 2u}) {
        SCOPED_TRACE(flag);
        Held h(write_container({f, f}, flag));
        ASSERT_EQ(h.load(), 0);
        decode_jpeg_frame(&h.node, 0);
        uint8_t *first = h.layer.s->pixels;
        decode_jpeg_frame(&h.node, 1);
        EXPECT_EQ(h.layer.s->pixels, first);   // same size: the buffer is kept
        EXPECT_EQ(h.layer.s->has_alpha, flag == 1);   // 2: alpha bytes, opaque layer
        Image want = reference_jpeg(f.colour);
        if (flag)
            for (size_t i = 0; i < want.px.size(); i += 4)
                want.px[i + 3] = reference_jpeg(f.alpha).px[i];
        EXPECT_LE(max_difference(h.layer.s, want), 1);
    }
}

// An alpha JPEG larger or smaller than its frame writes inside the layer only.
TEST(JpegFrames, AlphaPlaneIsClipped)
{
    Image im = gradient_image(24, 12, false, 4);
    const int sizes[][2] = {{40, 30}, {8, 5}, {24, 40}, {60, 2}};
    for (auto &s : sizes) {
        SCOPED_TRACE(testing::Message() << s[0] << "x" << s[1]);
        Image a = gradient_image(s[0], s[1], false, 5);
        Held h(write_container({{write_jpeg(im, 3, false), write_jpeg(a, 1, false)}}, 1));
        ASSERT_EQ(h.load(), 0);
        decode_jpeg_frame(&h.node, 0);
        Image grey = grey_of(a);
        LayerState *l = h.layer.s;
        ASSERT_EQ(l->width, 24);
        for (int y = 0; y < l->height; y++)
            for (int x = 0; x < l->width; x++) {
                uint8_t want = (x < a.w && y < a.h) ? grey.at(x, y)[0] : 255;
                ASSERT_EQ(l->pixels[((size_t)y * l->width + x) * 4 + 3], want) << x << "," << y;
            }
    }
}

// Entries that share or overlap bytes (a repeated frame stored once, one
// frame's alpha JPEG used as another's colour) each decode their own stream,
// in any order and as often as asked.
TEST(JpegFrames, SharedStreamsDecodeEach)
{
    Image colour_im = gradient_image(24, 12, false, 2), grey_im = gradient_image(24, 12, false, 9);
    Bytes colour = write_jpeg(colour_im, 3, false), grey = write_jpeg(grey_im, 1, false);
    const uint32_t n = 3, at = 32 + 12 * n, cs = (uint32_t)colour.size(), gs = (uint32_t)grey.size();
    const uint32_t table[3][3] = {{at, cs, gs}, {at, cs, gs}, {at + cs, gs, 0}};
    Bytes file = write_container({}, 1);
    file.resize(at);
    set32(file, 8, n);
    for (uint32_t i = 0; i < n; i++)
        for (int k = 0; k < 3; k++)
            set32(file, 32 + 4 * (k * n + i), table[i][k]);
    for (const Bytes *b : {&colour, &grey}) {
        file.insert(file.end(), b->begin(), b->end());
        container_scramble(file.data() + file.size() - b->size(), b->size());
    }
    Image with_alpha = reference_jpeg(colour), grey_frame = reference_jpeg(grey);
    for (size_t i = 0; i < with_alpha.px.size(); i += 4)
        with_alpha.px[i + 3] = grey_frame.px[i];
    const Image *want[3] = {&with_alpha, &with_alpha, &grey_frame};
    Held h(file);
    ASSERT_EQ(h.load(), 0);
    for (int frame : {0, 1, 2, 0, 2, 1}) {
        SCOPED_TRACE(frame);
        decode_jpeg_frame(&h.node, frame);
        EXPECT_LE(max_difference(h.layer.s, *want[frame]), 1);
    }
}

TEST(JpegFrames, EmptyContainerDecodesNothing)
{
    Held h(write_container({}, 1));
    ASSERT_EQ(h.load(), 0);
    EXPECT_EQ(g_jpeg_frames.count, 0u);
    decode_jpeg_frame(&h.node, 0);
    EXPECT_EQ(h.layer.s->width, 1);
    free_jpeg_frames();
    decode_jpeg_frame(&h.node, 0);   // nothing held: harmless
}

TEST(JpegFrames, DamagedFramesAreNotFatal)
{
    Image im = gradient_image(32, 16, false, 6);
    Bytes jpg = write_jpeg(im, 3, false);
    Bytes cut(jpg.begin(), jpg.begin() + jpg.size() / 2);
    Held h(write_container({{cut, Bytes(40, 0x11)}, {Bytes(), Bytes()}}, 1));
    ASSERT_EQ(h.load(), 0);
    decode_jpeg_frame(&h.node, 0);
    decode_jpeg_frame(&h.node, 1);
    EXPECT_EQ(g_last_error_code, 0u);
    EXPECT_EQ(decode_jpeg_from_memory(cut.data(), cut.size(), &h.node), -2);
}

// Four-component frames as the image decoder takes them; sizes refused on
// either axis before any pixel is written.
TEST(JpegFrames, FrameSizesAndComponents)
{
    Image im = gradient_image(24, 16, false, 8);
    Held h(Bytes{});
    Bytes cmyk = write_jpeg(im, 4, false);
    ASSERT_EQ(decode_jpeg_from_memory(cmyk.data(), cmyk.size(), &h.node), 0);
    EXPECT_LE(max_difference(h.layer.s, im), 24);
    struct {
        int w, h;
    } refused[] = {
        {1, 8193},
#if !defined(_WIN32)   // the size box would wait for a click under Wine
        {8193, 1},
#endif
    };
    for (auto &r : refused) {
        quiet_reports();
        Bytes big = write_jpeg(gradient_image(r.w, r.h, false, 1), 1, false);
        EXPECT_EQ(decode_jpeg_from_memory(big.data(), big.size(), &h.node), -1);
        EXPECT_EQ(g_last_error_code, 100010u);
        EXPECT_EQ(h.layer.s->width, 24);
    }
}

// Each refusal: -1, 104010 last, nothing held.
TEST(JpegFrames, RefusedContainers)
{
    Image im = gradient_image(8, 8, false, 7);
    FrameSpec f{write_jpeg(im, 3, false), write_jpeg(im, 1, false)};
    Bytes good = write_container({f, f}, 1);
    uint32_t n = 2, tables_end = 32 + 12 * n, size = (uint32_t)good.size();
    auto with = [&](size_t at, uint32_t v) {
        Bytes b = good;
        set32(b, at, v);
        return b;
    };
    const struct {
        const char *name;
        Bytes file;
    } cases[] = {
        {"short", Bytes(good.begin(), good.begin() + 31)},
        {"count_past_end", with(8, (size - 32) / 12 + 1)},
        {"count_huge", with(8, 0xFFFFFFFFu)},
        {"offset_in_header", with(32, 4)},
        {"offset_in_tables", with(32 + 4, tables_end - 1)},
        {"colour_past_end", with(32 + 4 * n, size)},
        {"alpha_past_end", with(32 + 8 * n + 4, size)},
        {"sum_wraps_32_bits", with(32 + 8 * n, 0xFFFFFFF0u)},
        {"offset_past_end", with(32 + 4, 0xFFFFFFFFu)},
        {"truncated", Bytes(good.begin(), good.end() - 1)},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.name);
        Held h(c.file);
        EXPECT_EQ(h.load(), -1);
        EXPECT_EQ(g_last_error_code, 104010u);
        EXPECT_EQ(g_jpeg_frames.data, nullptr);
        EXPECT_EQ(g_jpeg_frames.count, 0u);
        EXPECT_EQ(h.file, c.file);   // the cached bytes are never unscrambled
    }
    Held missing(good);
    quiet_reports();
    EXPECT_EQ(load_jpeg_frames_file("nowhere.kjf"), -1);
    EXPECT_EQ(g_last_error_code, 104010u);
}

#if !defined(_WIN32)
// The generator's containers (its own layout and key) read back here.
TEST(JpegFrames, GeneratorContainersDecode)
{
    std::string base = ::testing::TempDir() + "kv_frames_" + std::to_string(getpid());
    std::string cmd = std::string("python3 '") + KV_GENERATOR + "' frames '" + base +
                      ".kjf' --frames 4 --width 40 --height 24 --alpha 1 --values 5,6,7 --expect '" +
                      base + ".bgra' > /dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::ifstream f(base + ".kjf", std::ios::binary), e(base + ".bgra", std::ios::binary);
    Bytes file((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    Bytes expect((std::istreambuf_iterator<char>(e)), std::istreambuf_iterator<char>());
    std::remove((base + ".kjf").c_str());
    std::remove((base + ".bgra").c_str());
    ASSERT_EQ(expect.size(), 4u * 40 * 24 * 4);
    Held h(file);
    ASSERT_EQ(h.load(), 0);
    EXPECT_EQ(g_jpeg_frames.header_values[1], 6u);
    for (int i = 0; i < 4; i++) {
        decode_jpeg_frame(&h.node, i);
        ASSERT_EQ(h.layer.s->width * h.layer.s->height, 40 * 24);
        // Mean difference per byte: within JPEG's loss, and nearest its own frame.
        double mean[4] = {};
        for (int j = 0; j < 4; j++)
            for (size_t k = 0; k < 3840; k++)
                mean[j] += std::abs((int)h.layer.s->pixels[k] - (int)expect[j * 3840 + k]) / 3840.0;
        EXPECT_LT(mean[i], 16.0) << "frame " << i;
        for (int j = 0; j < 4; j++)
            EXPECT_LE(mean[i], mean[j]) << "frame " << i << " looks like frame " << j;
    }
}
#endif
