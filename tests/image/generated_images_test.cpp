// The generator's image writers against independent readers, and the
// engine's decoders against the generator: every file `kvgen.py image`
// writes must decode to the pixels it says (libpng exactly, libjpeg within
// JPEG's loss), and the engine's decoder of each format must give the same
// pixels and has-alpha flag, or report the error code of a damaged file.
// Native builds only (the generator needs python).
#if !defined(_WIN32)
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/error_report.h"
#include "core/locate.h"
#include "core/quit.h"
#include "graphics/layer.h"

// The decoder table and its filling at start-up belong to the image
// subsystem: weak, so that this test also builds into an engine without one.
void register_image_decoders() __attribute__((weak));
extern ImageDecoderFn g_image_decoders[KV_IMAGE_FORMAT_SLOTS] __attribute__((weak));

namespace {

typedef std::vector<unsigned char> Bytes;

struct Generated {
    std::string file;
    Bytes expect;   // B, G, R, A rows
    int w = 0, h = 0, has_alpha = -1;
};

Bytes read_all(const std::string &path)
{
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// kvgen.py image KIND FILE OPTIONS --width W --height H --pattern P.
bool generate(const char *kind, const char *pattern, int w, int h, const char *options, Generated *g)
{
    static int serial;
    std::string base = ::testing::TempDir() + "kv_img_" + std::to_string(getpid()) + "_" + std::to_string(serial++);
    g->file = base + "." + kind;
    std::string cmd = std::string("python3 '") + KV_GENERATOR + "' image " + kind + " '" + g->file + "' " +
                      options + " --width " + std::to_string(w) + " --height " + std::to_string(h) +
                      " --pattern " + pattern + " --expect '" + base + ".bgra'";
    FILE *p = popen(cmd.c_str(), "r");
    if (!p)
        return false;
    int n = std::fscanf(p, "%d %d %d", &g->w, &g->h, &g->has_alpha);
    if (pclose(p) != 0 || n != 3)
        return false;
    g->expect = read_all(base + ".bgra");
    std::remove((base + ".bgra").c_str());
    return g->expect.size() == (size_t)g->w * g->h * 4;
}

int max_colour_diff(const unsigned char *a, const unsigned char *b, size_t pixels, bool with_alpha)
{
    int worst = 0;
    for (size_t i = 0; i < pixels * 4; i++)
        if (with_alpha || i % 4 != 3)
            worst = std::max(worst, std::abs(a[i] - b[i]));
    return worst;
}

class GeneratedImages : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (std::system("python3 -c pass > /dev/null 2>&1") != 0)
            GTEST_SKIP() << "no python3";
    }
    void TearDown() override
    {
        for (const std::string &f : files_)
            std::remove(f.c_str());
    }
    Generated make(const char *kind, const char *pattern, int w, int h, const char *options)
    {
        Generated g;
        EXPECT_TRUE(generate(kind, pattern, w, h, options, &g)) << kind << " " << options;
        files_.push_back(g.file);
        return g;
    }
    std::vector<std::string> files_;
};

struct Shape {
    const char *pattern;
    int w, h;
};
const Shape k_shapes[] = {{"alpha", 37, 23}, {"shapes", 1, 1}, {"gradient", 130, 9}, {"text", 61, 17}};

// ---- the writers against libpng and libjpeg -----------------------------------

TEST_F(GeneratedImages, PngDecodesExactlyWithLibpng)
{
    const char *options[] = {"colour=rgba", "colour=rgb", "colour=palette", "colour=grey", "colour=greyalpha",
                             "colour=rgba interlace=1", "colour=palette interlace=1", "colour=grey interlace=1"};
    for (const Shape &s : k_shapes)
        for (const char *opt : options) {
            Generated g = make("png", s.pattern, s.w, s.h, opt);
            png_image img;
            std::memset(&img, 0, sizeof img);
            img.version = PNG_IMAGE_VERSION;
            Bytes data = read_all(g.file);
            ASSERT_TRUE(png_image_begin_read_from_memory(&img, data.data(), data.size())) << opt;
            img.format = PNG_FORMAT_BGRA;
            Bytes px(PNG_IMAGE_SIZE(img));
            ASSERT_TRUE(png_image_finish_read(&img, nullptr, px.data(), 0, nullptr)) << opt;
            ASSERT_EQ((int)img.width, g.w);
            ASSERT_EQ((int)img.height, g.h);
            EXPECT_EQ(px, g.expect) << s.pattern << " " << opt;
        }
}

Bytes decode_jpeg_bgra(const Bytes &file, int *w, int *h)
{
    jpeg_decompress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_decompress(&c);
    jpeg_mem_src(&c, file.data(), (unsigned long)file.size());
    jpeg_read_header(&c, TRUE);
    c.out_color_space = JCS_RGB;
    jpeg_start_decompress(&c);
    *w = (int)c.output_width;
    *h = (int)c.output_height;
    Bytes out((size_t)*w * *h * 4), row((size_t)*w * 3);
    while (c.output_scanline < c.output_height) {
        size_t y = c.output_scanline;
        JSAMPROW r = row.data();
        jpeg_read_scanlines(&c, &r, 1);
        for (int x = 0; x < *w; x++) {
            unsigned char *p = &out[(y * *w + x) * 4];
            p[0] = row[x * 3 + 2];
            p[1] = row[x * 3 + 1];
            p[2] = row[x * 3];
            p[3] = 255;
        }
    }
    jpeg_finish_decompress(&c);
    jpeg_destroy_decompress(&c);
    return out;
}

TEST_F(GeneratedImages, JpegDecodesCloseWithLibjpeg)
{
    for (const char *opt : {"", "progressive=1", "grey=1", "quality=75 progressive=1"}) {
        Generated g = make("jpeg", "gradient", 67, 45, opt);
        int w = 0, h = 0;
        Bytes px = decode_jpeg_bgra(read_all(g.file), &w, &h);
        ASSERT_EQ(w, g.w);
        ASSERT_EQ(h, g.h);
        EXPECT_LE(max_colour_diff(px.data(), g.expect.data(), (size_t)w * h, true), 24) << opt;
    }
}

// ---- the engine's decoders against the writers --------------------------------

ImageDecoderFn decoder(int format)
{
    static bool registered;
    if (!g_image_decoders)
        return nullptr;
    if (!registered && register_image_decoders) {
        register_image_decoders();
        registered = true;
    }
    return g_image_decoders[format];
}

// Decodes a file with the engine's decoder into a new record.
LayerState *engine_decode(int format, const std::string &file, int *result)
{
    FileSource src;
    std::memset(&src, 0, sizeof src);
    EXPECT_EQ(locate_file(&src, file.c_str()), KV_SRC_DISK) << file;
    LayerState *s = layer_state_new();
    *result = decoder(format)(&src, s, file.c_str());
    std::free(src.data);
    return s;
}

void free_record(LayerState *s)
{
    layer_state_release_buffers(s);
    std::free(s);
}

struct DecodeCase {
    const char *kind;
    int format;
    const char *options;
    int tolerance;   // JPEG is lossy
};

const DecodeCase k_decode_cases[] = {
    {"bmp", KV_FMT_BMP, "bits=24", 0},
    {"bmp", KV_FMT_BMP, "bits=32", 0},
    {"bmp", KV_FMT_BMP, "bits=8", 0},
    {"png", KV_FMT_PNG, "colour=rgba", 0},
    {"png", KV_FMT_PNG, "colour=rgb interlace=1", 0},
    {"png", KV_FMT_PNG, "colour=palette", 0},
    {"png", KV_FMT_PNG, "colour=greyalpha interlace=1", 0},
    {"gif", KV_FMT_GIF, "", 0},
    {"gif", KV_FMT_GIF, "transparent=1 interlace=1", 0},
    {"gif", KV_FMT_GIF, "transparent=1 frames=3", 0},
    {"kcg", KV_FMT_KCG, "", 0},
    {"kcg", KV_FMT_KCG, "split=4", 0},
    {"jpeg", KV_FMT_JPG, "", 24},
    {"jpeg", KV_FMT_JPG, "progressive=1 grey=1", 24},
};

TEST_F(GeneratedImages, EngineDecodersGiveTheWrittenPixels)
{
    for (const DecodeCase &c : k_decode_cases) {
        if (!decoder(c.format))
            GTEST_SKIP() << "this engine has no image decoders yet";
        for (const Shape &s : k_shapes) {
            if (c.tolerance && std::strcmp(s.pattern, "gradient") != 0)
                continue;   // JPEG: smooth pictures only
            Generated g = make(c.kind, s.pattern, s.w, s.h, c.options);
            int r = -1;
            LayerState *st = engine_decode(c.format, g.file, &r);
            SCOPED_TRACE(std::string(c.kind) + " " + c.options + " " + s.pattern);
            ASSERT_EQ(r, 0);
            ASSERT_EQ(st->width, g.w);
            ASSERT_EQ(st->height, g.h);
            EXPECT_EQ(st->has_alpha, g.has_alpha);
            EXPECT_LE(max_colour_diff(st->pixels, g.expect.data(), (size_t)g.w * g.h, true), c.tolerance);
            free_record(st);
        }
    }
}

struct DamageCase {
    const char *kind;
    int format;
    const char *options;
    uint32_t code;
};

const DamageCase k_damage_cases[] = {
    {"bmp", KV_FMT_BMP, "damage=topdown", 100092},
    {"bmp", KV_FMT_BMP, "damage=signature", 100070},
    {"bmp", KV_FMT_BMP, "damage=offset", 100080},
    {"bmp", KV_FMT_BMP, "bits=8 damage=rle", 100090},
    {"bmp", KV_FMT_BMP, "damage=wide", 100091},
    {"kcg", KV_FMT_KCG, "damage=wide", 100091},
};

TEST_F(GeneratedImages, EngineDecodersReportDamagedFiles)
{
    for (const DamageCase &c : k_damage_cases) {
        if (!decoder(c.format))
            GTEST_SKIP() << "this engine has no image decoders yet";
        Generated g = make(c.kind, "shapes", 12, 10, c.options);
        reset_error_reports();
        g_error_shown = 1;   // nothing is shown
        int r = 0;
        LayerState *st = engine_decode(c.format, g.file, &r);
        EXPECT_NE(r, 0) << c.options;
        EXPECT_EQ(g_last_error_code, c.code) << c.options;
        EXPECT_EQ(g_quit_flag.load(), 1) << c.options;   // every one is fatal
        g_quit_flag = 0;
        reset_error_reports();
        free_record(st);
    }
}

}  // namespace
#endif
