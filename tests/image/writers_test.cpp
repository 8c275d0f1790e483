// The image writers: what they write decodes back to the layer (exactly for
// BMP and PNG, closely for JPEG), and no failure of the file layer ever
// damages the file that was there before.
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "image/image_decode_fixture.h"
#include "image/image_decode_util.h"
#include "image/image_writers.h"

using namespace kvimg;
namespace fs = std::filesystem;

namespace {

struct TempDir {
    fs::path dir;
    TempDir()
    {
        const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() / ("kv_writers_" + std::string(info->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~TempDir() { fs::remove_all(dir); }
    std::string file(const char *name) const { return (dir / name).string(); }
};

Bytes read_file(const std::string &path)
{
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void write_file(const std::string &path, const Bytes &b)
{
    std::ofstream f(path, std::ios::binary);
    f.write((const char *)b.data(), (std::streamsize)b.size());
}

void fill_layer(LayerState *s, const Image &im, bool alpha)
{
    s->pixels = alloc_pixels(s->pixels, im.w, im.h, nullptr);
    ASSERT_NE(s->pixels, nullptr);
    s->width = im.w;
    s->height = im.h;
    s->has_alpha = alpha;
    std::memcpy(s->pixels, im.px.data(), im.px.size());
}

int g_messages;
int count_message(const char *, const char *text)
{
    EXPECT_STREQ(text, "File Create Error.");
    g_messages++;
    return 1;
}

struct QuietOps {
    QuietOps()
    {
        image_file_ops_reset();
        g_image_file_ops.message = count_message;
        g_messages = 0;
        quiet_reports();
    }
    ~QuietOps() { image_file_ops_reset(); }
};

int save(int format, LayerState *s, const std::string &path)
{
    return format == KV_FMT_BMP   ? save_image_bmp(s, path.c_str())
           : format == KV_FMT_PNG ? save_image_png(s, path.c_str(), 5)
                                  : save_image_jpeg(s, path.c_str(), 90);
}

double psnr(const LayerState *s, const Image &want)
{
    double se = 0;
    size_t n = 0;
    for (size_t i = 0; i < want.px.size(); i++) {
        if (i % 4 == 3)
            continue;
        double d = (double)s->pixels[i] - want.px[i];
        se += d * d;
        n++;
    }
    return se == 0 ? 99 : 10 * std::log10(255.0 * 255.0 * n / se);
}

}  // namespace

TEST(ImageWriters, SavedImagesDecodeToTheLayer)
{
    QuietOps ops;
    TempDir tmp;
    const int sizes[][2] = {{1, 1}, {3, 2}, {17, 5}, {64, 33}, {255, 3}};
    for (int format : {KV_FMT_BMP, KV_FMT_PNG, KV_FMT_JPG}) {
        for (auto &wh : sizes) {
            for (bool alpha : {false, true}) {
                SCOPED_TRACE(testing::Message() << format << " " << wh[0] << "x" << wh[1] << " " << alpha);
                Image im = gradient_image(wh[0], wh[1], alpha, wh[0] * 7 + wh[1]);
                LayerHolder src, back;
                fill_layer(src.s, im, alpha);
                std::string path = tmp.file("out");
                ASSERT_EQ(save(format, src.s, path), 0);
                EXPECT_FALSE(fs::exists(path + ".tmp"));
                ASSERT_EQ(decode_bytes(read_file(path), (uint8_t)format, back.s), 0);
                ASSERT_EQ(back.s->width, im.w);
                ASSERT_EQ(back.s->height, im.h);
                if (format == KV_FMT_PNG && !alpha)
                    for (size_t i = 3; i < im.px.size(); i += 4)
                        im.px[i] = 255;   // the layer's own alpha became 255
                if (format != KV_FMT_PNG)
                    for (size_t i = 3; i < im.px.size(); i += 4)
                        im.px[i] = 255;
                if (format != KV_FMT_JPG) {
                    EXPECT_EQ(max_difference(back.s, im), 0);
                } else {
                    // As close as the library's own writer gets at the same quality.
                    Image ref = reference_jpeg(write_jpeg(im, 3, false, 90));
                    LayerState r = {};
                    r.pixels = ref.px.data();
                    EXPECT_GT(psnr(back.s, im), psnr(&r, im) - 0.5);
                }
                if (format == KV_FMT_PNG) {
                    EXPECT_EQ(std::memcmp(src.s->pixels, im.px.data(), im.px.size()), 0);
                }
            }
        }
    }
    EXPECT_EQ(g_messages, 0);
}

TEST(ImageWriters, BmpLayoutOfASmallImage)
{
    QuietOps ops;
    TempDir tmp;
    LayerHolder s;
    fill_layer(s.s, gradient_image(3, 2, false, 1), false);
    std::string path = tmp.file("a.bmp");
    ASSERT_EQ(save_image_bmp(s.s, path.c_str()), 0);
    Bytes b = read_file(path);
    ASSERT_EQ(b.size(), 54u + 24u);
    EXPECT_EQ(get_le32(&b[2]), 78u);
    EXPECT_EQ(get_le32(&b[22]), 2u);
    for (int r = 0; r < 2; r++)
        for (int k = 9; k < 12; k++)
            EXPECT_EQ(b[54 + r * 12 + k], 0);   // row fill
    EXPECT_EQ(b[54], s.s->pixels[3 * 4]);       // file row 0 is the bottom row
}

// Every way the file layer can fail, for every writer: -1 with the message,
// the old file untouched, no temporary file left.
namespace {
long long g_write_budget;
size_t failing_write(const void *d, size_t n, FILE *f)
{
    if ((long long)n > g_write_budget)
        return std::fwrite(d, 1, (size_t)(g_write_budget > 0 ? g_write_budget : 0), f) * 0;
    g_write_budget -= (long long)n;
    return std::fwrite(d, 1, n, f);
}
FILE *failing_open(const char *, const char *) { return nullptr; }
int failing_close(FILE *f) { std::fclose(f); return EOF; }
int failing_replace(const char *, const char *) { return -1; }
}  // namespace

TEST(ImageWriters, FailuresKeepTheOldFile)
{
    struct Fault {
        const char *name;
        long long budget;   // bytes that may be written (-1: no write fault)
        bool open, close, replace;
    };
    const Fault faults[] = {
        {"open", -1, true, false, false},     {"first_write", 0, false, false, false},
        {"header_written", 60, false, false, false}, {"late_write", 3000, false, false, false},
        {"close", -1, false, true, false},    {"replace", -1, false, false, true},
    };
    TempDir tmp;
    LayerHolder s;
    fill_layer(s.s, gradient_image(200, 120, true, 5), true);
    const Bytes old = {'o', 'l', 'd', ' ', 'f', 'i', 'l', 'e'};
    for (int format : {KV_FMT_BMP, KV_FMT_PNG, KV_FMT_JPG}) {
        for (const Fault &f : faults) {
            SCOPED_TRACE(testing::Message() << format << " " << f.name);
            QuietOps ops;
            std::string path = tmp.file("keep");
            write_file(path, old);
            g_write_budget = f.budget < 0 ? 1LL << 40 : f.budget;
            g_image_file_ops.write = failing_write;
            if (f.open)
                g_image_file_ops.open = failing_open;
            if (f.close)
                g_image_file_ops.close = failing_close;
            if (f.replace)
                g_image_file_ops.replace = failing_replace;
            EXPECT_EQ(save(format, s.s, path), -1);
            EXPECT_EQ(g_messages, 1);
            EXPECT_EQ(read_file(path), old);
            EXPECT_FALSE(fs::exists(path + ".tmp"));
        }
    }
}

TEST(ImageWriters, OverlongPathIsRefused)
{
    QuietOps ops;
    LayerHolder s;
    fill_layer(s.s, gradient_image(4, 4, false, 2), false);
    std::string path(KV_WRITE_PATH_MAX, 'a');
    EXPECT_EQ(save_image_bmp(s.s, path.c_str()), -1);
    EXPECT_EQ(g_messages, 1);
}
