// The pixel work of a rotation (rotate.cpp chooses which): a reversed copy
// for half a turn, a blocked transpose for quarter turns, and the general
// nearest-pixel mapping over the span of each output row that falls inside
// the source. All take w x h images with pitch w * 4 and write only the
// w x h pixels of dst.
#pragma once

#include "core/kv_base.h"

// The mapping of an output row: source position (16.16) of column 0 and the
// step per column. Output (ox, oy) takes source (px >> 16, py >> 16) with
// px = px0 + ox * dx, py = py0 + ox * dy.
struct RotateRow {
    int64_t px0, py0;
};
struct RotateMap {
    int64_t c, s;           // cosine and sine in 16.16
    int32_t w, h;
    int64_t dx, dy;         // c and -s
};

void rotate_map_init(RotateMap *m, int32_t w, int32_t h, int64_t angle);
RotateRow rotate_map_row(const RotateMap *m, int32_t oy);
// Columns [*lo, *hi) of output row `row` whose source lies inside the image.
void rotate_row_span(const RotateMap *m, RotateRow row, int32_t *lo, int32_t *hi);

// n output pixels from source position (px, py) stepping (dx, dy); every
// position lies inside the w-wide source, so 32 bits hold them (at most
// 8192 << 16) and no bound is tested.
typedef void (*RotateRun)(uint32_t *out, const uint32_t *in, int32_t w, int32_t px, int32_t py,
                          int32_t dx, int32_t dy, int32_t n);
void rotate_run_scalar(uint32_t *out, const uint32_t *in, int32_t w, int32_t px, int32_t py,
                       int32_t dx, int32_t dy, int32_t n);
void rotate_run_sse2(uint32_t *out, const uint32_t *in, int32_t w, int32_t px, int32_t py,
                     int32_t dx, int32_t dy, int32_t n);
void rotate_run_avx2(uint32_t *out, const uint32_t *in, int32_t w, int32_t px, int32_t py,
                     int32_t dx, int32_t dy, int32_t n);
// The 256-bit run when the pixel kernels were installed wide, else SSE2.
RotateRun rotate_run_for_cpu();
// Four output rows (pitch w) over the same n columns: row k's source lies
// k * (ex, ey) from row 0's at every column.
typedef void (*RotateBandRun)(uint32_t *out, const uint32_t *in, int32_t w, int32_t px,
                              int32_t py, int32_t dx, int32_t dy, int32_t ex, int32_t ey,
                              int32_t n);
void rotate_band_avx2(uint32_t *out, const uint32_t *in, int32_t w, int32_t px, int32_t py,
                      int32_t dx, int32_t dy, int32_t ex, int32_t ey, int32_t n);
// The 256-bit band run when installed wide, else null (each row on its own).
RotateBandRun rotate_band_for_cpu();

// 180 degrees: pixel i of dst is pixel count - 1 - i of src.
void rotate_reversed(uint32_t *dst, const uint32_t *src, int64_t count);
// Quarter turns (c = 0, s = +-65536): the mapped square, 0 around it.
void rotate_quarter(uint32_t *dst, const uint32_t *src, int32_t w, int32_t h, int64_t s);
// Any other angle: the span of each row; with `fill` the columns outside it
// become 0, otherwise they keep what dst held.
void rotate_spans(uint32_t *dst, const uint32_t *src, const RotateMap *m, bool fill);
