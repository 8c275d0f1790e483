// Rows of the bilinear scalers: one output row from two source rows, on
// 16-bit lanes (four channels at once).
//
// A row is made in two passes. The horizontal pass turns one source row into
// per-channel sums p0 * (256 - w) + p1 * w at every output column (the
// column's byte offset and weight come from the caller's tables); the
// vertical pass mixes the sums of two source rows by the row fraction t.
// Neighbouring output rows mostly read the same source rows, so the last two
// horizontal rows are kept and each source row is summed once.
#pragma once

#include "core/kv_base.h"

enum {
    KV_SCALE_TABLE_SIZE = 16384,   // entries of the column and row tables
    KV_SCALE_SLOTS = 2             // row scratch sets: one per render worker
};

// Rounding of the vertical pass.
enum {
    KV_BILINEAR_WIDE = 0,   // min(255, (top * (256 - t) >> 16) + (bottom * t >> 16))
    KV_BILINEAR_PLAIN = 1   // ((top >> 8) * (256 - t) + (bottom >> 8) * t) >> 8
};

struct BilinearRowCtx {
    const uint8_t *src;              // source pixels
    int64_t src_pitch;               // source pitch in pixels
    const uint32_t *col_offsets;     // byte offset of the left source pixel per output column
    const uint16_t *col_weights;     // four lanes of the column's weight (0..255) per column
    int32_t first, end;              // output columns made: [first, end)
    int rounding;                    // KV_BILINEAR_WIDE or KV_BILINEAR_PLAIN
    uint16_t *sums[2];               // horizontal sums of two source rows (scratch)
    int64_t sums_row[2];             // the source row each holds, -1 none
    int wide;                        // 256-bit passes (set by bilinear_ctx_init)
};

// Points the context at scratch set `slot` (0..KV_SCALE_SLOTS - 1) and
// forgets the rows it held. Fill the other fields first.
void bilinear_ctx_init(BilinearRowCtx *ctx, int slot);
// Writes columns [first, end) of the output row `dst` from source rows `row`
// and row + 1 with row fraction t (0..255). The caller keeps row (and row + 1,
// which may be a buffer's spare row) inside the source.
void bilinear_row(BilinearRowCtx *ctx, uint8_t *dst, int64_t row, int t);
