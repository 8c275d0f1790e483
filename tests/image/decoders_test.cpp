// Every decoder on files written by independent writers: the layer's pixels
// must match the source image (exactly, or within the quantisation of the
// stored form), with the has-alpha flag the format calls for.
#include "image/image_decode_fixture.h"

using namespace kvimg;

namespace {

struct Case {
    std::string name;
    uint8_t format;
    Bytes file;
    Image want;
    int tolerance;
    uint8_t has_alpha;
};

std::vector<uint32_t> test_palette(int n, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::vector<uint32_t> p;
    for (int i = 0; i < n; i++)
        p.push_back(rng() & 0xFFFFFF);
    return p;
}

// An image whose channel 0 holds an index below n, coloured by the palette.
Image indexed_image(int w, int h, int n, uint32_t seed, Image *coloured,
                    const std::vector<uint32_t> &pal, int shown = 256)
{
    Image idx = gradient_image(w, h, false, seed);
    std::mt19937 rng(seed);
    *coloured = idx;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            int i = (int)(rng() % n);
            idx.at(x, y)[0] = (uint8_t)i;
            uint32_t c = i < shown ? pal[i] : 0;
            uint8_t *d = coloured->at(x, y);
            d[0] = (uint8_t)c;
            d[1] = (uint8_t)(c >> 8);
            d[2] = (uint8_t)(c >> 16);
            d[3] = 255;
        }
    return idx;
}

void add_bmp_cases(std::vector<Case> &cases)
{
    const int sizes[][2] = {{1, 1}, {13, 7}, {33, 9}};
    for (int bits : {1, 4, 8}) {
        for (auto &sz : sizes) {
            auto pal = test_palette(1 << bits, bits);
            Image want;
            Image idx = indexed_image(sz[0], sz[1], 1 << bits, bits * 7 + sz[0], &want, pal);
            cases.push_back({"bmp" + std::to_string(bits) + "_" + std::to_string(sz[0]),
                             KV_FMT_BMP, write_bmp({bits}, idx, pal), want, 0, 0});
        }
    }
    // 16 colours used by an 8-bit image: indices 16..255 are opaque black.
    auto pal16 = test_palette(16, 99);
    Image want16;
    Image idx16 = indexed_image(21, 5, 256, 5, &want16, pal16, 16);
    BmpSpec used16{8};
    used16.colours_used = 16;
    cases.push_back({"bmp8_used16", KV_FMT_BMP, write_bmp(used16, idx16, pal16), want16, 0, 0});
    for (int w : {1, 10, 31}) {
        Image im = gradient_image(w, 6, false, (uint32_t)w);
        cases.push_back({"bmp24_" + std::to_string(w), KV_FMT_BMP, write_bmp({24}, im, {}), im, 0, 0});
        Image alpha = gradient_image(w, 6, true, (uint32_t)w + 1);
        cases.push_back({"bmp32_" + std::to_string(w), KV_FMT_BMP, write_bmp({32}, alpha, {}), alpha, 0, 1});
        for (bool b565 : {false, true}) {
            BmpSpec spec{16};
            spec.bitfields565 = b565;
            // 5 (or 6) bits per channel scaled back to 0..255: within 1 of v << 3 | v >> 2.
            Image q = im;
            for (int y = 0; y < q.h; y++)
                for (int x = 0; x < q.w; x++)
                    for (int c = 0; c < 3; c++) {
                        int bits = b565 && c == 1 ? 6 : 5;
                        int v = q.at(x, y)[c] >> (8 - bits);
                        q.at(x, y)[c] = (uint8_t)(v << (8 - bits) | v >> (2 * bits - 8));
                    }
            cases.push_back({std::string("bmp16_") + (b565 ? "565_" : "555_") + std::to_string(w),
                             KV_FMT_BMP, write_bmp(spec, im, {}), q, 1, 0});
        }
    }
}

// Rows of the PNG sample layout from the source image.
std::vector<Bytes> png_rows(const Image &im, int channels, int depth, std::mt19937 &rng, Image *want)
{
    std::vector<Bytes> rows;
    *want = im;
    for (int y = 0; y < im.h; y++) {
        Bytes r;
        for (int x = 0; x < im.w; x++) {
            const uint8_t *p = im.at(x, y);
            uint8_t *d = want->at(x, y);
            uint8_t rgba[4] = {p[2], p[1], p[0], p[3]};
            if (channels <= 2) {   // grey from green
                rgba[0] = rgba[2] = rgba[1];
                d[0] = d[2] = d[1];
            }
            if (channels == 1 || channels == 3)
                d[3] = 255;
            int take[4] = {0, 1, 2, 3};
            if (channels <= 2)
                take[1] = 3;
            for (int c = 0; c < channels; c++) {
                r.push_back(rgba[take[c]]);
                if (depth == 16)
                    r.push_back((uint8_t)rng());   // low byte, stripped by the decoder
            }
        }
        rows.push_back(r);
    }
    return rows;
}

void add_png_cases(std::vector<Case> &cases)
{
    std::mt19937 rng(7);
    struct Form {
        const char *name;
        int type, channels, depth;
        bool interlace;
    };
    const Form forms[] = {
        {"rgba8_interlaced", PNG_COLOR_TYPE_RGB_ALPHA, 4, 8, true},
        {"rgb8", PNG_COLOR_TYPE_RGB, 3, 8, false},
        {"rgb16", PNG_COLOR_TYPE_RGB, 3, 16, false},
        {"rgba16_interlaced", PNG_COLOR_TYPE_RGB_ALPHA, 4, 16, true},
        {"grey8", PNG_COLOR_TYPE_GRAY, 1, 8, false},
        {"grey_alpha8_interlaced", PNG_COLOR_TYPE_GRAY_ALPHA, 2, 8, true},
    };
    for (const Form &f : forms)
        for (int w : {1, 9, 40}) {
            Image im = gradient_image(w, 11, true, (uint32_t)w), want;
            auto rows = png_rows(im, f.channels, f.depth, rng, &want);
            PngSpec spec{f.type, f.depth, f.interlace, {}, {}};
            cases.push_back({std::string("png_") + f.name + "_" + std::to_string(w), KV_FMT_PNG,
                             write_png(spec, w, 11, rows), want, 0,
                             (uint8_t)(f.channels == 2 || f.channels == 4)});
        }
    // Palette with tRNS (alpha 0 where the palette says so, the flag stays 0)
    // and 2-bit grey.
    for (bool interlace : {false, true}) {
        auto pal = test_palette(16, 3);
        Image want;
        Image idx = indexed_image(19, 13, 16, 11, &want, pal);
        PngSpec spec{PNG_COLOR_TYPE_PALETTE, 4, interlace, {}, {0, 64, 128, 200, 255, 1}};
        for (uint32_t c : pal)
            spec.palette.push_back({(png_byte)(c >> 16), (png_byte)(c >> 8), (png_byte)c});
        std::vector<Bytes> rows;
        for (int y = 0; y < idx.h; y++) {
            Bytes r((idx.w + 1) / 2, 0);
            for (int x = 0; x < idx.w; x++) {
                int i = idx.at(x, y)[0];
                r[x / 2] |= (uint8_t)(i << (x % 2 ? 0 : 4));
                if (i < (int)spec.trns.size())
                    want.at(x, y)[3] = spec.trns[i];
            }
            rows.push_back(r);
        }
        cases.push_back({std::string("png_palette_trns") + (interlace ? "_interlaced" : ""),
                         KV_FMT_PNG, write_png(spec, idx.w, idx.h, rows), want, 0, 0});
    }
    Image grey = gradient_image(17, 4, false, 1);
    std::vector<Bytes> rows;
    for (int y = 0; y < grey.h; y++) {
        Bytes r((grey.w + 3) / 4, 0);
        for (int x = 0; x < grey.w; x++) {
            int v = (x + y) & 3;
            r[x / 4] |= (uint8_t)(v << (6 - 2 * (x % 4)));
            uint8_t *d = grey.at(x, y);
            d[0] = d[1] = d[2] = (uint8_t)(v * 85);
            d[3] = 255;
        }
        rows.push_back(r);
    }
    cases.push_back({"png_grey2", KV_FMT_PNG,
                     write_png({PNG_COLOR_TYPE_GRAY, 2, false, {}, {}}, grey.w, grey.h, rows), grey, 0, 0});
}

void add_jpeg_cases(std::vector<Case> &cases)
{
    for (bool progressive : {false, true})
        for (int comps : {1, 3})
            for (int w : {1, 16, 45}) {
                Bytes f = write_jpeg(gradient_image(w, 29, false, (uint32_t)w), comps, progressive);
                cases.push_back({std::string("jpeg_") + (progressive ? "progressive_" : "baseline_") +
                                     std::to_string(comps) + "_" + std::to_string(w),
                                 KV_FMT_JPG, f, reference_jpeg(f), 0, 0});
            }
    // CMYK as Adobe stores it, against the source (JPEG loses a little).
    Image im = gradient_image(24, 16, false, 4);
    for (int y = 0; y < im.h; y++)
        for (int x = 0; x < im.w; x++)
            im.at(x, y)[2] = (uint8_t)(x * 10);   // smooth, so the loss stays small
    cases.push_back({"jpeg_cmyk", KV_FMT_JPG, write_jpeg(im, 4, false, 100), im, 12, 0});
}

Image gif_expected(int sw, int sh, const std::vector<uint32_t> &pal, const GifFrameSpec &f)
{
    Image want;
    want.w = sw;
    want.h = sh;
    want.px.assign((size_t)sw * sh * 4, 0);
    for (int y = 0; y < f.h; y++)
        for (int x = 0; x < f.w; x++) {
            if (f.left + x >= sw || f.top + y >= sh)
                continue;
            int i = f.indices[(size_t)y * f.w + x];
            uint32_t c = i < (int)pal.size() ? pal[i] : 0;
            uint8_t *d = want.at(f.left + x, f.top + y);
            d[0] = (uint8_t)c;
            d[1] = (uint8_t)(c >> 8);
            d[2] = (uint8_t)(c >> 16);
            d[3] = i == f.transparent ? 0 : 255;
        }
    return want;
}

GifFrameSpec gif_frame(int left, int top, int w, int h, int colours, uint32_t seed, bool random)
{
    GifFrameSpec f;
    f.left = left;
    f.top = top;
    f.w = w;
    f.h = h;
    std::mt19937 rng(seed);
    for (int i = 0; i < w * h; i++)   // runs repeat, so codes grow long
        f.indices.push_back((uint8_t)(random ? rng() % colours : (i / 7 + i / (3 * w)) % colours));
    return f;
}

void add_gif_cases(std::vector<Case> &cases)
{
    auto pal = test_palette(256, 21);
    auto pal16 = std::vector<uint32_t>(pal.begin(), pal.begin() + 16);
    struct G {
        const char *name;
        int sw, sh;
        GifFrameSpec f;
        bool interlace, clear_when_full;
        int transparent;
    };
    const G forms[] = {
        {"plain", 37, 23, gif_frame(0, 0, 37, 23, 16, 1, false), false, true, -1},
        {"interlaced", 37, 23, gif_frame(0, 0, 37, 23, 16, 2, false), true, true, -1},
        {"interlaced_1row", 5, 1, gif_frame(0, 0, 5, 1, 16, 2, false), true, true, -1},
        {"transparent_offset", 30, 20, gif_frame(5, 3, 20, 10, 16, 3, false), false, true, 2},
        {"clipped", 40, 25, gif_frame(20, 10, 30, 30, 16, 4, false), true, true, -1},
        {"random256_clear", 180, 120, gif_frame(0, 0, 180, 120, 256, 5, true), false, true, -1},
        {"random256_no_clear", 180, 120, gif_frame(0, 0, 180, 120, 256, 6, true), false, false, -1},
        {"random4_no_clear", 300, 200, gif_frame(0, 0, 300, 200, 4, 7, true), false, false, 3},
    };
    for (const G &g : forms) {
        GifFrameSpec f = g.f;
        f.interlace = g.interlace;
        f.clear_when_full = g.clear_when_full;
        f.transparent = g.transparent;
        const auto &p = std::string(g.name).find("256") != std::string::npos ? pal : pal16;
        cases.push_back({std::string("gif_") + g.name, KV_FMT_GIF, write_gif(g.sw, g.sh, p, {f}),
                         gif_expected(g.sw, g.sh, p, f), 0, (uint8_t)(g.transparent >= 0)});
    }
}

void add_kcg_cases(std::vector<Case> &cases)
{
    for (int w : {1, 7, 64}) {
        Image im = gradient_image(w, 9, true, (uint32_t)w);
        cases.push_back({"kcg_raw_" + std::to_string(w), KV_FMT_KCG, write_kcg(im, 0), im, 0, 1});
        for (size_t split : {(size_t)0, im.px.size() / 3, im.px.size()})
            cases.push_back({"kcg_zlib_" + std::to_string(w) + "_" + std::to_string(split),
                             KV_FMT_KCG, write_kcg(im, 1, split), im, 0, 1});
    }
}

const std::vector<Case> &all_cases()
{
    static std::vector<Case> cases;
    if (cases.empty()) {
        add_bmp_cases(cases);
        add_png_cases(cases);
        add_jpeg_cases(cases);
        add_gif_cases(cases);
        add_kcg_cases(cases);
    }
    return cases;
}

void check_case(const Case &c)
{
    ASSERT_FALSE(c.file.empty());
    LayerHolder layer;
    layer.s->has_alpha = 0;   // the loader clears it before decoding
    ASSERT_EQ(decode_bytes(c.file, c.format, layer.s), 0) << "error " << g_last_error_code;
    EXPECT_EQ(g_last_error_code, 0u);
    EXPECT_LE(max_difference(layer.s, c.want), c.tolerance);
    EXPECT_EQ(layer.s->has_alpha, c.has_alpha);
}

}  // namespace

TEST(ImageDecoders, SourcePixelsComeBack)
{
    for (const Case &c : all_cases()) {
        SCOPED_TRACE(c.name);
        check_case(c);
    }
}

// KCG through job 1001 on two workers, the raw form copied on either count.
TEST(ImageDecoders, KcgOnTwoWorkers)
{
    TwoWorkers workers;
    ASSERT_EQ(render_worker_count(), 2);
    for (const Case &c : all_cases())
        if (c.format == KV_FMT_KCG) {
            SCOPED_TRACE(c.name);
            check_case(c);
        }
}

// Every prefix of every file (about 150 of them, and the last few bytes
// one by one): no crash, no read outside the data, and the layer's size
// always matches its buffer. JPEG and KCG need the whole file; a GIF cut
// anywhere before its trailer is refused (the loader reports it) and leaves
// the layer untouched.
TEST(ImageDecoders, TruncatedFilesFailCleanly)
{
    for (const Case &c : all_cases()) {
        if (c.file.size() > 40000)
            continue;
        SCOPED_TRACE(c.name);
        size_t size = c.file.size(), step = size / 150 + 1;
        for (size_t n = 0; n < size; n += n + step + 4 < size ? step : 1) {
            Bytes cut(c.file.begin(), c.file.begin() + n);
            LayerHolder layer;
            int r = decode_bytes(cut, c.format, layer.s);
            if (c.format == KV_FMT_JPG || c.format == KV_FMT_KCG) {
                EXPECT_NE(r, 0) << n;
            }
            if (c.format == KV_FMT_GIF) {
                EXPECT_NE(r, 0) << n;
                EXPECT_EQ(g_last_error_code, 0u) << n;
                EXPECT_TRUE(layer.s->pixels == nullptr && layer.s->gif_frames == nullptr) << n;
            }
            ASSERT_TRUE(layer.s->width >= 1 && layer.s->height >= 1);
            // The last image byte and the spare bytes are inside the buffer.
            if (layer.s->pixels) {
                volatile uint8_t last =
                    layer.s->pixels[layer_buffer_bytes(layer.s->width, layer.s->height) - 1];
                (void)last;
            }
        }
    }
}
