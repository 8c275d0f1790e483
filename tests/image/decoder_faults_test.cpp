// Refused and damaged files: each fails with its result and report, and a
// failure before the new buffer leaves the layer's old size and buffer as
// they were. Also the GIF frame table and the LZW limits.
#include <algorithm>

#include "image/gif_lzw.h"
#include "image/image_decode_fixture.h"

using namespace kvimg;

namespace {

Bytes with_u32(Bytes b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        b[at + i] = (uint8_t)(v >> (8 * i));
    return b;
}

GifFrameSpec one_pixel()
{
    GifFrameSpec f;
    f.w = f.h = 1;
    f.indices = {1};
    return f;
}

// A 40 x 30 frame of every colour of a 16-entry table.
Bytes gif_40x30()
{
    GifFrameSpec f;
    f.w = 40;
    f.h = 30;
    for (int i = 0; i < 40 * 30; i++)
        f.indices.push_back((uint8_t)(i * 7 / 5 % 16));
    return write_gif(40, 30, std::vector<uint32_t>(16, 0x336699), {f});
}

Bytes grey_png(int w, int h)
{
    std::vector<Bytes> rows(h, Bytes(w, 77));
    return write_png({PNG_COLOR_TYPE_GRAY, 8, false, {}, {}}, w, h, rows);
}

struct Fault {
    const char *name;
    uint8_t format;
    Bytes file;
    int result;
    uint32_t report;   // 0: none by the decoder (the loader reports)
};

std::vector<Fault> faults()
{
    Image small = gradient_image(6, 4, false, 1);
    Bytes bmp = write_bmp({24}, small, {});
    BmpSpec top{24};
    top.top_down = true;
    BmpSpec rle{8};
    rle.compression = 1;
    Bytes kcg = write_kcg(small, 1, 40);
    Bytes jpg = write_jpeg(small, 3, false);
    Bytes png = grey_png(50, 50);
    Bytes raw = write_kcg(small, 0);
    Bytes gif = write_gif(6, 4, {0, 0xFFFFFF}, {});
    Bytes gif_code9 = write_gif(6, 4, {0, 0xFFFFFF}, {one_pixel()});
    gif_code9[gif_code9.size() - 6] = 9;   // the LZW code size byte of the only frame
    Bytes bad_block = gif;
    bad_block.back() = 0x42;
    Bytes gif40 = gif_40x30();
    return {
        {"bmp_signature", KV_FMT_BMP, Bytes(bmp.begin() + 1, bmp.end()), -1, 100070},
        {"bmp_offset", KV_FMT_BMP, with_u32(bmp, 10, 10), -1, 100080},
        {"bmp_top_down", KV_FMT_BMP, write_bmp(top, small, {}), -1, 100092},
        {"bmp_rle8", KV_FMT_BMP, write_bmp(rle, small, std::vector<uint32_t>(256)), -1, 100090},
        {"bmp_wide", KV_FMT_BMP, with_u32(bmp, 18, 8193), -1, 100091},
        {"bmp_zero_width", KV_FMT_BMP, with_u32(bmp, 18, 0), -1, 100091},
        {"bmp_rows_missing", KV_FMT_BMP, Bytes(bmp.begin(), bmp.end() - 20), -1, 104010},
        {"bmp_header_size", KV_FMT_BMP, with_u32(bmp, 14, 12), -1, 104010},
        {"bmp_offset_past_end", KV_FMT_BMP, with_u32(bmp, 10, 0x7FFFFFF0), -1, 104010},
        {"png_wide", KV_FMT_PNG, grey_png(8193, 1), 1, 100091},
        {"png_tall", KV_FMT_PNG, grey_png(1, 8193), 1, 100091},
        {"png_truncated", KV_FMT_PNG, Bytes(png.begin(), png.begin() + 60), 1, 104010},
        {"png_garbage", KV_FMT_PNG, Bytes(100, 0x55), 1, 104010},
        {"jpeg_wide", KV_FMT_JPG, write_jpeg(gradient_image(8193, 1, false, 1), 1, false), -3, 100091},
        {"jpeg_truncated", KV_FMT_JPG, Bytes(jpg.begin(), jpg.begin() + jpg.size() / 2), -2, 0},
        {"jpeg_garbage", KV_FMT_JPG, Bytes(300, 0xFF), -2, 0},
        {"jpeg_empty", KV_FMT_JPG, Bytes(), -2, 0},
        {"gif_wide", KV_FMT_GIF, write_gif(8193, 1, {0, 0xFFFFFF}, {one_pixel()}), -1, 100091},
        {"gif_no_frames", KV_FMT_GIF, gif, -1, 0},
        {"gif_code_size", KV_FMT_GIF, gif_code9, -1, 0},
        {"gif_unknown_block", KV_FMT_GIF, bad_block, -1, 0},
        {"gif_cut_in_data", KV_FMT_GIF, Bytes(gif40.begin(), gif40.end() - 40), -1, 0},
        {"gif_no_trailer", KV_FMT_GIF, Bytes(gif40.begin(), gif40.end() - 1), -1, 0},
        {"kcg_wide", KV_FMT_KCG, with_u32(kcg, 4, 8193), -1, 100091},
        {"kcg_negative", KV_FMT_KCG, with_u32(kcg, 8, 0xFFFFFFFF), -1, 100091},
        {"kcg_compression", KV_FMT_KCG, with_u32(kcg, 16, 2), -1, 104010},
        {"kcg_sizes_sum", KV_FMT_KCG, with_u32(kcg, 32, 41), -1, 104010},
        {"kcg_packed_past_end", KV_FMT_KCG, with_u32(kcg, 52, 0xFFFFFFF0), -1, 104010},
        {"kcg_raw_short", KV_FMT_KCG, Bytes(raw.begin(), raw.end() - 1), -1, 104010},
        {"kcg_header_short", KV_FMT_KCG, Bytes(kcg.begin(), kcg.begin() + 55), -1, 104010},
        {"psd", KV_FMT_PSD, Bytes{'8', 'B', 'P', 'S', 0, 1}, -1, 100220},
    };
}

}  // namespace

TEST(ImageDecoderFaults, RefusedWithTheirReports)
{
    for (const Fault &f : faults()) {
        SCOPED_TRACE(f.name);
        LayerHolder layer;
        layer.s->pixels = alloc_pixels(nullptr, 3, 2, nullptr);
        layer.s->width = 3;
        layer.s->height = 2;
        EXPECT_EQ(decode_bytes(f.file, f.format, layer.s), f.result);
        EXPECT_EQ(g_last_error_code, f.report);
        if (f.report && f.report != 104010) {
            EXPECT_TRUE(layer.s->width == 3 && layer.s->height == 2);
        }
        ASSERT_NE(layer.s->pixels, nullptr);
        // Whatever happened, the buffer holds the layer's size.
        volatile uint8_t last = layer.s->pixels[layer_buffer_bytes(layer.s->width, layer.s->height) - 1];
        (void)last;
    }
}

#ifndef _WIN32   // these show message boxes, which wait for a click under Windows
TEST(ImageDecoderFaults, KcgBoxes)
{
    Image im = gradient_image(8, 8, true, 3);
    Bytes kcg = write_kcg(im, 1, 100);
    LayerHolder layer;
    Bytes magic = kcg;
    magic[0] = 'X';
    EXPECT_EQ(decode_bytes(magic, KV_FMT_KCG, layer.s), 0);   // shown, still decoded
    EXPECT_EQ(max_difference(layer.s, im), 0);
    for (size_t at : {(size_t)60, kcg.size() - 5}) {
        Bytes bad = kcg;
        bad[at] ^= 0x5A;
        for (int workers : {1, 2}) {
            if (workers == 2)
                start_render_workers_count(2);
            EXPECT_EQ(decode_bytes(bad, KV_FMT_KCG, layer.s), -1) << at << " " << workers;
            stop_render_workers();
        }
    }
}
#endif

// Frames go into the table as records; a later, shorter file drops the
// earlier file's extra frames; the loop count comes from NETSCAPE2.0.
TEST(ImageDecoderGif, FrameTable)
{
    std::vector<uint32_t> pal = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    std::vector<GifFrameSpec> frames(3);
    for (int i = 0; i < 3; i++) {
        GifFrameSpec &f = frames[i];
        f.left = i;
        f.top = 2 * i;
        f.w = 5 + i;
        f.h = 4;
        f.indices.assign((size_t)f.w * f.h, (uint8_t)(i + 1));
        f.delay = 10 * (i + 1);
        f.disposal = i;
        f.transparent = i == 1 ? 1 : -1;
        if (i == 1)
            f.local = {0x123456, 0x654321};
    }
    LayerHolder layer;
    ASSERT_EQ(decode_bytes(write_gif(8, 8, pal, frames, 0), KV_FMT_GIF, layer.s), 0);
    ASSERT_NE(layer.s->gif_frames, nullptr);
    for (int i = 0; i < 3; i++) {
        SCOPED_TRACE(i);
        const uint8_t *rec = layer.s->gif_frames[i];
        ASSERT_NE(rec, nullptr);
        auto word = [rec](int at) { return (uint32_t)rec[at] | rec[at + 1] << 8 | rec[at + 2] << 16 | (uint32_t)rec[at + 3] << 24; };
        uint32_t w = i == 2 ? 6 : 5 + i;   // frame 2 is cut at the screen's right edge
        uint32_t want[9] = {(uint32_t)i, (uint32_t)(2 * i), w, 4, (uint32_t)i,
                            i == 1 ? 1u : 0u, 10u * (i + 1), i == 1 ? 1u : 0u, 0};
        for (int k = 0; k < 9; k++)
            EXPECT_EQ(word(4 * k), want[k]) << k;
        EXPECT_EQ(rec[1024], i + 1);
        // The local table of frame 1 is its own; frame 2 has the global one again.
        EXPECT_EQ(rec[64 + 3], i == 1 ? 0x65 : 0xFF);
    }
    EXPECT_EQ(layer.s->gif_frames[3], nullptr);
    frames.resize(1);
    ASSERT_EQ(decode_bytes(write_gif(8, 8, pal, frames), KV_FMT_GIF, layer.s), 0);
    EXPECT_NE(layer.s->gif_frames[0], nullptr);
    EXPECT_EQ(layer.s->gif_frames[1], nullptr);
    EXPECT_EQ(layer.s->gif_frames[0][32], 1);   // no looping block: loop count 1
}

// A refused GIF leaves the layer's pixels, size and frame records as the
// last good file left them, whether it is cut short or has a bad block.
TEST(ImageDecoderGif, RefusedFileLeavesTheLayer)
{
    std::vector<uint32_t> pal = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    std::vector<GifFrameSpec> frames(3, one_pixel());
    for (int i = 0; i < 3; i++)
        frames[i].indices = {(uint8_t)(i + 1)};
    LayerHolder layer;
    ASSERT_EQ(decode_bytes(write_gif(3, 2, pal, frames), KV_FMT_GIF, layer.s), 0);
    Bytes pixels(layer.s->pixels, layer.s->pixels + layer_buffer_bytes(3, 2));
    std::vector<Bytes> recs;
    for (int i = 0; i < 3; i++)
        recs.emplace_back(layer.s->gif_frames[i], layer.s->gif_frames[i] + 1041);

    Bytes other = gif_40x30();
    Bytes cut(other.begin(), other.end() - 40);
    Bytes bad = other;
    bad.back() = 0x42;
    for (const Bytes &file : {bad, cut}) {
        EXPECT_EQ(decode_bytes(file, KV_FMT_GIF, layer.s), -1);
        ASSERT_TRUE(layer.s->width == 3 && layer.s->height == 2);
        EXPECT_EQ(Bytes(layer.s->pixels, layer.s->pixels + pixels.size()), pixels);
        for (int i = 0; i < 3; i++) {
            ASSERT_NE(layer.s->gif_frames[i], nullptr) << i;
            EXPECT_EQ(Bytes(layer.s->gif_frames[i], layer.s->gif_frames[i] + 1041), recs[i]) << i;
        }
        EXPECT_EQ(layer.s->gif_frames[3], nullptr);
    }
}

// A stream that promises more indices than the frame has, or codes beyond
// the table, or an early end code, stops at the frame's size; unreached
// indices stay 0.
TEST(ImageDecoderGif, LzwStaysInsideTheFrame)
{
    std::vector<uint32_t> pal = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00};
    GifFrameSpec big;
    big.w = 4;
    big.h = 16;
    big.indices.assign(64, 1);
    Bytes file = write_gif(4, 20, pal, {big});
    const uint8_t desc[] = {',', 0, 0, 0, 0, 4, 0, 16, 0};
    auto at = std::search(file.begin(), file.end(), desc, desc + sizeof desc);
    ASSERT_NE(at, file.end());
    at[7] = 4;   // the frame says 4 rows; its data holds 16
    LayerHolder layer;
    ASSERT_EQ(decode_bytes(file, KV_FMT_GIF, layer.s), 0);
    const uint8_t *rec = layer.s->gif_frames[0];
    EXPECT_EQ(rec[12], 4);
    for (int i = 0; i < 16; i++)
        EXPECT_EQ(rec[1024 + i], 1);
    EXPECT_EQ(layer.s->pixels[4 * 4 * 4 + 3], 0);   // row 4 of the layer is not the frame's
    // Codes (3 bits): clear, 1, then 7 while the next free code is 6, or
    // then the end code; either stops a file that is whole without a report.
    for (uint8_t third : {0xCC, 0x4C}) {
        Bytes head(file.begin(), file.begin() + 13 + 12);
        const uint8_t lzw[] = {',', 0, 0, 0, 0, 4, 0, 4, 0, 0, 2, 2, third, 0x01, 0, ';'};
        head.insert(head.end(), lzw, lzw + sizeof lzw);
        ASSERT_EQ(decode_bytes(head, KV_FMT_GIF, layer.s), 0) << (int)third;
        EXPECT_EQ(layer.s->gif_frames[0][1024], 1);
        for (int i = 1; i < 16; i++)
            EXPECT_EQ(layer.s->gif_frames[0][1024 + i], 0);
    }
}

// The LZW reader tells whether the sub-blocks reached their terminator: only
// data that runs out fails, not an early end code or a frame already full.
TEST(ImageDecoderGif, LzwSaysWhenTheDataRunsOut)
{
    // Codes of 3 bits: clear, 1, end (0x4C 0x01); clear, 1, 1, 1 and 1 in
    // 4 bits fill the 2 x 2 frame without an end code (0x4C 0x12).
    struct Row {
        const char *name;
        Bytes data;
        bool whole;
    };
    const Row rows[] = {
        {"end_code", {2, 0x4C, 0x01, 0}, true},
        {"more_blocks_after_end", {2, 0x4C, 0x01, 2, 0xAA, 0xBB, 0}, true},
        {"frame_full", {2, 0x4C, 0x12, 0}, true},
        {"no_terminator", {2, 0x4C, 0x01}, false},
        {"frame_full_no_terminator", {2, 0x4C, 0x12}, false},
        {"cut_before_end_code", {2, 0x4C}, false},
        {"cut_in_later_block", {2, 0x4C, 0x01, 5, 0xAA}, false},
    };
    for (const Row &r : rows) {
        uint8_t indices[4] = {};
        GifIndexSink sink = {indices, 2, 2, 2, 2, false};
        size_t pos = 0;
        EXPECT_EQ(gif_lzw_decode(r.data.data(), r.data.size(), &pos, 2, sink), r.whole) << r.name;
        EXPECT_EQ(pos, r.data.size()) << r.name;
        EXPECT_EQ(indices[0], 1) << r.name;
    }
}
