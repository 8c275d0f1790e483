// Shared inputs and references of the image benchmarks: a 1920 x 1080
// photograph stand-in and libjpeg-turbo's own decode into a B, G, R, A buffer.
#pragma once

#include <algorithm>

#include "../tests/image/image_test_support.h"

namespace kvimg {

enum { BENCH_W = 1920, BENCH_H = 1080 };

// Smooth shapes with fine noise.
inline const Image &bench_photo()
{
    static Image im;
    if (im.px.empty()) {
        im.w = BENCH_W;
        im.h = BENCH_H;
        im.px.resize((size_t)im.w * im.h * 4);
        std::mt19937 rng(1);
        for (int y = 0; y < im.h; y++)
            for (int x = 0; x < im.w; x++) {
                uint8_t *p = im.at(x, y);
                int n = (int)(rng() % 9) - 4;
                p[0] = (uint8_t)std::clamp((x / 8 + y / 5) % 256 + n, 0, 255);
                p[1] = (uint8_t)std::clamp(((x - 960) * (x - 960) + (y - 540) * (y - 540)) / 4000 % 256 + n, 0, 255);
                p[2] = (uint8_t)std::clamp((y * 255 / 1080) + n, 0, 255);
                p[3] = 255;
            }
    }
    return im;
}

// libjpeg-turbo straight into `out`, a BENCH_W x BENCH_H B, G, R, A buffer.
inline void libjpeg_decode_bgra(const Bytes &f, uint8_t *out)
{
    jpeg_decompress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_decompress(&c);
    jpeg_mem_src(&c, f.data(), f.size());
    jpeg_read_header(&c, TRUE);
    c.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&c);
    while (c.output_scanline < c.output_height) {
        JSAMPROW rows[8];
        for (int k = 0; k < 8; k++)
            rows[k] = out + (size_t)BENCH_W * 4 *
                                std::min<JDIMENSION>(c.output_scanline + k, BENCH_H - 1);
        jpeg_read_scanlines(&c, rows, 8);
    }
    jpeg_finish_decompress(&c);
    jpeg_destroy_decompress(&c);
}

}  // namespace kvimg
