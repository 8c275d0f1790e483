// Writers of test images, independent of the engine's decoders: PNG and JPEG
// through the libraries' own writers, BMP, GIF (with its own LZW encoder)
// and .kcg by hand. Each returns the file's bytes; pixels are B, G, R, A.
#pragma once

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace kvimg {

typedef std::vector<uint8_t> Bytes;

struct Image {
    int w = 0, h = 0;
    Bytes px;   // B, G, R, A
    uint8_t *at(int x, int y) { return &px[((size_t)y * w + x) * 4]; }
    const uint8_t *at(int x, int y) const { return &px[((size_t)y * w + x) * 4]; }
};

// Smooth colours with some noise, so that JPEG stays close to the source.
inline Image gradient_image(int w, int h, bool alpha, uint32_t seed)
{
    Image im;
    im.w = w;
    im.h = h;
    im.px.resize((size_t)w * h * 4);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            uint8_t *p = im.at(x, y);
            p[0] = (uint8_t)(x * 255 / (w > 1 ? w - 1 : 1));
            p[1] = (uint8_t)(y * 255 / (h > 1 ? h - 1 : 1));
            p[2] = (uint8_t)((x + y) * 2 + (rng() & 3));
            p[3] = alpha ? (uint8_t)(rng() & 0xFF) : 255;
        }
    return im;
}

inline void put16(Bytes &b, uint32_t v)
{
    b.push_back((uint8_t)v);
    b.push_back((uint8_t)(v >> 8));
}
inline void put32(Bytes &b, uint32_t v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

// --- PNG through libpng -------------------------------------------------------------

struct PngSpec {
    int colour_type;          // PNG_COLOR_TYPE_*
    int depth;                // 1, 2, 4, 8, 16
    bool interlace;
    std::vector<png_color> palette;
    Bytes trns;               // palette alpha values
};

// rows: the raw samples of each row as PNG stores them (big-endian 16-bit).
inline Bytes write_png(const PngSpec &spec, int w, int h, const std::vector<Bytes> &rows)
{
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return Bytes();
    }
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep d, png_size_t n) {
            Bytes *o = (Bytes *)png_get_io_ptr(p);
            o->insert(o->end(), d, d + n);
        },
        nullptr);
    png_set_IHDR(png, info, w, h, spec.depth, spec.colour_type,
                 spec.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!spec.palette.empty())
        png_set_PLTE(png, info, spec.palette.data(), (int)spec.palette.size());
    if (!spec.trns.empty())
        png_set_tRNS(png, info, spec.trns.data(), (int)spec.trns.size(), nullptr);
    png_write_info(png, info);
    std::vector<png_bytep> ptrs;
    for (const Bytes &r : rows)
        ptrs.push_back((png_bytep)r.data());
    png_write_image(png, ptrs.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// --- JPEG through libjpeg -----------------------------------------------------------

// components 1 (grey from the green channel), 3 (RGB) or 4 (CMYK stored the
// way Adobe writes it: C = R, M = G, Y = B, K = 255, i.e. no ink of black).
inline Bytes write_jpeg(const Image &im, int components, bool progressive, int quality = 95)
{
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char *buf = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buf, &size);
    c.image_width = im.w;
    c.image_height = im.h;
    c.input_components = components;
    c.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    if (progressive)
        jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    Bytes row((size_t)im.w * components);
    while (c.next_scanline < c.image_height) {
        for (int x = 0; x < im.w; x++) {
            const uint8_t *p = im.at(x, c.next_scanline);
            uint8_t *d = &row[(size_t)x * components];
            if (components == 1) {
                d[0] = p[1];
            } else {
                d[0] = p[2];
                d[1] = p[1];
                d[2] = p[0];
                if (components == 4)
                    d[3] = 255;
            }
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    Bytes out(buf, buf + size);
    free(buf);
    return out;
}

// The library's own decode to plain RGB (or grey), as B, G, R, 255.
inline Image reference_jpeg(const Bytes &file)
{
    jpeg_decompress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_decompress(&c);
    jpeg_mem_src(&c, file.data(), file.size());
    jpeg_read_header(&c, TRUE);
    c.out_color_space = c.jpeg_color_space == JCS_GRAYSCALE ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_start_decompress(&c);
    Image im;
    im.w = c.output_width;
    im.h = c.output_height;
    im.px.resize((size_t)im.w * im.h * 4);
    Bytes row((size_t)im.w * c.output_components);
    while (c.output_scanline < c.output_height) {
        int y = c.output_scanline;
        JSAMPROW r = row.data();
        jpeg_read_scanlines(&c, &r, 1);
        for (int x = 0; x < im.w; x++) {
            const uint8_t *s = &row[(size_t)x * c.output_components];
            uint8_t *d = im.at(x, y);
            bool grey = c.output_components == 1;
            d[0] = grey ? s[0] : s[2];
            d[1] = grey ? s[0] : s[1];
            d[2] = s[0];
            d[3] = 255;
        }
    }
    jpeg_finish_decompress(&c);
    jpeg_destroy_decompress(&c);
    return im;
}

// --- BMP by hand --------------------------------------------------------------------

struct BmpSpec {
    int bits;                  // 1, 4, 8, 16, 24, 32
    bool bitfields565 = false; // 16 bits: compression 3 with 5-6-5 masks
    bool top_down = false;     // negative height
    uint32_t compression = 0;  // forced compression field (0: natural)
    uint32_t colours_used = 0;
};

// Pixels: for indexed images the index is taken from p[0], the palette is
// given; 16-bit pixels are made from the top bits of each channel.
inline Bytes write_bmp(const BmpSpec &spec, const Image &im, const std::vector<uint32_t> &palette)
{
    Bytes b;
    int header = 40 + (spec.bitfields565 ? 12 : 0);
    size_t row_bytes = ((size_t)im.w * spec.bits + 31) / 32 * 4;
    uint32_t offset = 14 + header + (uint32_t)palette.size() * 4;
    b.push_back('B');
    b.push_back('M');
    put32(b, offset + (uint32_t)(row_bytes * im.h));
    put32(b, 0);
    put32(b, offset);
    put32(b, 40);
    put32(b, (uint32_t)im.w);
    put32(b, (uint32_t)(spec.top_down ? -im.h : im.h));
    put16(b, 1);
    put16(b, (uint32_t)spec.bits);
    put32(b, spec.compression ? spec.compression : (spec.bitfields565 ? 3 : 0));
    put32(b, (uint32_t)(row_bytes * im.h));
    put32(b, 2835);
    put32(b, 2835);
    put32(b, spec.colours_used);
    put32(b, 0);
    if (spec.bitfields565) {
        put32(b, 0xF800);
        put32(b, 0x07E0);
        put32(b, 0x001F);
    }
    for (uint32_t c : palette)
        put32(b, c);
    for (int r = 0; r < im.h; r++) {
        int y = spec.top_down ? r : im.h - 1 - r;
        Bytes row(row_bytes, 0);
        for (int x = 0; x < im.w; x++) {
            const uint8_t *p = im.at(x, y);
            switch (spec.bits) {
            case 1: row[x / 8] |= (uint8_t)((p[0] & 1) << (7 - x % 8)); break;
            case 4: row[x / 2] |= (uint8_t)((p[0] & 15) << (x % 2 ? 0 : 4)); break;
            case 8: row[x] = p[0]; break;
            case 16: {
                uint32_t v = spec.bitfields565
                                 ? (uint32_t)(p[2] >> 3) << 11 | (uint32_t)(p[1] >> 2) << 5 | p[0] >> 3
                                 : (uint32_t)(p[2] >> 3) << 10 | (uint32_t)(p[1] >> 3) << 5 | p[0] >> 3;
                row[x * 2] = (uint8_t)v;
                row[x * 2 + 1] = (uint8_t)(v >> 8);
                break;
            }
            case 24: std::memcpy(&row[x * 3], p, 3); break;
            case 32: std::memcpy(&row[x * 4], p, 4); break;
            }
        }
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

// --- GIF by hand, with an LZW encoder ------------------------------------------------

// Codes least significant bit first, cut into sub-blocks of 255 bytes.
struct GifCodeWriter {
    Bytes bytes;
    uint32_t acc = 0;
    int nbits = 0;
    void put(int code, int width)
    {
        acc |= (uint32_t)code << nbits;
        nbits += width;
        while (nbits >= 8) {
            bytes.push_back((uint8_t)acc);
            acc >>= 8;
            nbits -= 8;
        }
    }
    void flush(Bytes &out)
    {
        if (nbits > 0)
            bytes.push_back((uint8_t)acc);
        for (size_t i = 0; i < bytes.size(); i += 255) {
            size_t n = bytes.size() - i < 255 ? bytes.size() - i : 255;
            out.push_back((uint8_t)n);
            out.insert(out.end(), bytes.begin() + i, bytes.begin() + i + n);
        }
        out.push_back(0);
    }
};

// The encoder widens its codes once it has assigned code 2^width (the
// decoder, one entry behind, widens when its next free code reaches 2^width).
// With `clear_when_full` a clear code follows a full table; otherwise the
// table stays full and the width stays 12.
inline void gif_lzw_encode(const Bytes &indices, int code_size, bool clear_when_full, Bytes &out)
{
    const int clear = 1 << code_size, end = clear + 1;
    GifCodeWriter w;
    std::map<std::pair<int, int>, int> dict;
    int next = clear + 2, width = code_size + 1;
    out.push_back((uint8_t)code_size);
    w.put(clear, width);
    int cur = -1;
    for (uint8_t c : indices) {
        if (cur < 0) {
            cur = c;
            continue;
        }
        auto it = dict.find({cur, c});
        if (it != dict.end()) {
            cur = it->second;
            continue;
        }
        w.put(cur, width);
        if (next < 4096) {
            dict[{cur, c}] = next;
            if (next == (1 << width) && width < 12)
                width++;
            next++;
        } else if (clear_when_full) {
            w.put(clear, width);
            dict.clear();
            next = clear + 2;
            width = code_size + 1;
        }
        cur = c;
    }
    if (cur >= 0)
        w.put(cur, width);
    w.put(end, width);
    w.flush(out);
}

struct GifFrameSpec {
    int left = 0, top = 0, w = 0, h = 0;
    Bytes indices;               // w x h, rows top-down
    bool interlace = false;
    int transparent = -1;        // index, or -1
    int delay = 0, disposal = 0;
    std::vector<uint32_t> local; // 0xRRGGBB entries, empty: none
    bool clear_when_full = true;
};

inline void gif_table(Bytes &out, const std::vector<uint32_t> &colours)
{
    for (uint32_t c : colours) {
        out.push_back((uint8_t)(c >> 16));
        out.push_back((uint8_t)(c >> 8));
        out.push_back((uint8_t)c);
    }
}

// colours: a power of two, 2..256 entries.
inline int gif_size_bits(size_t n)
{
    int b = 0;
    while ((2u << b) < n)
        b++;
    return b;
}

inline Bytes write_gif(int sw, int sh, const std::vector<uint32_t> &global,
                       const std::vector<GifFrameSpec> &frames, int loops = -1)
{
    Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
    put16(b, (uint32_t)sw);
    put16(b, (uint32_t)sh);
    b.push_back((uint8_t)(0x80 | 0x70 | gif_size_bits(global.size())));
    b.push_back(0);
    b.push_back(0);
    gif_table(b, global);
    if (loops >= 0) {
        const char app[] = "\x21\xFF\x0BNETSCAPE2.0\x03\x01";
        b.insert(b.end(), app, app + 16);
        put16(b, (uint32_t)loops);
        b.push_back(0);
    }
    const char comment[] = "\x21\xFE\x03" "abc" "\x02" "de" "\x00";
    b.insert(b.end(), comment, comment + sizeof comment - 1);
    for (const GifFrameSpec &f : frames) {
        b.push_back(0x21);
        b.push_back(0xF9);
        b.push_back(4);
        b.push_back((uint8_t)(f.disposal << 2 | (f.transparent >= 0 ? 1 : 0)));
        put16(b, (uint32_t)f.delay);
        b.push_back((uint8_t)(f.transparent >= 0 ? f.transparent : 0));
        b.push_back(0);
        b.push_back(',');
        put16(b, (uint32_t)f.left);
        put16(b, (uint32_t)f.top);
        put16(b, (uint32_t)f.w);
        put16(b, (uint32_t)f.h);
        uint8_t flags = f.interlace ? 0x40 : 0;
        if (!f.local.empty())
            flags |= (uint8_t)(0x80 | gif_size_bits(f.local.size()));
        b.push_back(flags);
        gif_table(b, f.local);
        Bytes order;   // the rows in the order they are stored
        static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
        for (int p = 0; p < (f.interlace ? 4 : 1); p++)
            for (int y = f.interlace ? start[p] : 0; y < f.h; y += f.interlace ? step[p] : 1)
                order.insert(order.end(), f.indices.begin() + (size_t)y * f.w,
                             f.indices.begin() + (size_t)(y + 1) * f.w);
        int bits = gif_size_bits(f.local.empty() ? global.size() : f.local.size()) + 1;
        gif_lzw_encode(order, bits < 2 ? 2 : bits, f.clear_when_full, b);
    }
    b.push_back(';');
    return b;
}

// --- .kcg by hand ---------------------------------------------------------------------

// compression 0 raw, 1 two zlib parts split at `split` bytes of the pixels.
inline Bytes write_kcg(const Image &im, uint32_t compression, size_t split = 0)
{
    Bytes b(56, 0);
    std::memcpy(b.data(), "KCG", 4);
    auto set = [&b](int word, uint32_t v) {
        for (int i = 0; i < 4; i++)
            b[word * 4 + i] = (uint8_t)(v >> (8 * i));
    };
    set(1, (uint32_t)im.w);
    set(2, (uint32_t)im.h);
    set(4, compression);
    if (compression != 1) {
        b.insert(b.end(), im.px.begin(), im.px.end());
        return b;
    }
    const size_t parts[2][2] = {{0, split}, {split, im.px.size()}};
    for (int p = 0; p < 2; p++) {
        size_t n = parts[p][1] - parts[p][0];
        uLongf packed = compressBound(n);
        Bytes z(packed);
        compress2(z.data(), &packed, im.px.data() + parts[p][0], n, 6);
        set(8 + 4 * p, (uint32_t)n);
        set(9 + 4 * p, (uint32_t)packed);
        b.insert(b.end(), z.begin(), z.begin() + packed);
    }
    return b;
}

}  // namespace kvimg
