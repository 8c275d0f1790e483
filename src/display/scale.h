// The engine's own scalers: nearest neighbour and bilinear (optionally with a
// sharpened horizontal fraction), and the tables they share with the image
// resampling operations. Only one scaling runs at a time: the tables are
// process-wide and the render workers' job records are shared.
//
// Bilinear positions are 24.8 fixed point (source pixel << 8 | fraction).
// For an output of n columns over a source span s = x1 - x0 (1/100 pixel),
// starting fraction f0 = (x0 mod 100) * 256 / 100 and divisor
// d = dstW100 - 100 (100 when dstW100 is 100), column i samples at
//   s * (256 i + f0) / d        when dstW100 < s (shrinking),
//   s * 256 i / d + f0          otherwise,
// in 64 bits with truncating division; rows likewise.
#pragma once

#include "core/kv_base.h"
#include "graphics/scale_rows.h"

// Column and row tables, one entry per output column / row. After a bilinear
// scaling g_scale_cols holds the byte offset of each column's left source
// pixel and g_scale_rows the 24.8 row position; after a nearest scaling both
// hold source pixel indices relative to (x0, y0).
extern uint32_t g_scale_cols[KV_SCALE_TABLE_SIZE];
extern uint32_t g_scale_rows[KV_SCALE_TABLE_SIZE];
// Per output column its horizontal fraction in four 16-bit lanes.
extern uint16_t g_scale_col_weights[KV_SCALE_TABLE_SIZE * 4];
// entry f = clamp(trunc(1.25 * (f - 128) + 128), 0, 255): [0] horizontal,
// [1] vertical fractions (the scalers here use only the horizontal one).
extern uint8_t g_sharpen_curve[2][256];
// Horizontal bilinear fractions pass the sharpen curve (1, never changed).
extern uint8_t g_sharpen_scaling;

// Builds the sharpen curve; called once at start-up, before anything draws.
void init_scale_tables();

// All scalers: 0 done, -1 refused (an output size that is not positive or
// exceeds the tables, or no buffer), the output then untouched.
//
// Source rectangle (x0, y0)-(x1, y1) inclusive in whole pixels; srcW is also
// the source pitch in pixels. Output dstW x dstH pixels, pitch dstW * 4.
// Output pixels whose source lies outside the source image are 0. Rows are
// done by the render workers (job 11).
int scale_nearest(uint8_t *dst, const uint8_t *src, int32_t x0, int32_t y0, int32_t x1,
                  int32_t y1, int32_t srcW, int32_t srcH, int32_t dstW, int32_t dstH);

// Source rectangle in 1/100 pixel; output dstW100 / 100 x dstH100 / 100
// pixels. The source buffer carries the pixel-buffer spare row and pixel:
// the right and lower neighbours of the last column and row are read there.
// scale_bilinear runs on the calling thread; scale_bilinear_sse hands the
// rows to the render workers (job 21) and rounds once, at the end.
int scale_bilinear(uint8_t *dst, const uint8_t *src, int32_t x0, int32_t y0, int32_t x1,
                   int32_t y1, int32_t srcW, int32_t srcH, int32_t dstW100, int32_t dstH100);
int scale_bilinear_sse(uint8_t *dst, const uint8_t *src, int32_t x0, int32_t y0, int32_t x1,
                       int32_t y1, int32_t srcW, int32_t srcH, int32_t dstW100,
                       int32_t dstH100);

// The valid output range [first, end) for positions pos[0..n) (source
// indices): first is one past the last negative position met before the
// first position >= limit, which ends the range. Exposed for the tests.
void scale_valid_range(const int64_t *pos, int32_t n, int64_t limit, int32_t *first,
                       int32_t *end);
// 24.8 bilinear position of output index i (see the head of this file).
int64_t scale_bilinear_pos(int64_t i, int64_t span, int64_t f0, int64_t d100, int64_t den);
