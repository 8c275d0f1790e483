// GIF image data: the variable-width LZW codes spread over data sub-blocks.
#pragma once

#include "core/kv_base.h"

// Where the decoded colour indices of one frame go. The frame has its
// declared size; only the part inside the logical screen is kept
// (stored_w x stored_h, rows top-down).
struct GifIndexSink {
    uint8_t *indices;
    uint32_t width, height;         // declared frame size
    uint32_t stored_w, stored_h;    // kept part, at most the declared size
    bool interlaced;                // rows in the four passes 0/8, 4/8, 2/4, 1/2
};

// Decodes the LZW stream whose first sub-block size byte is at *pos, for a
// minimum code size of 2..8. At most width x height indices are produced;
// an early end code or a code outside the table stops the decoding quietly
// (indices not reached keep their value). False when the data ends before
// the terminating empty sub-block (*pos is then the end of the data); true
// with *pos past that sub-block.
bool gif_lzw_decode(const uint8_t *data, size_t size, size_t *pos, int code_size,
                    const GifIndexSink &sink);

// Skips sub-blocks from the size byte at *pos through the empty one. False
// when the data ends first (*pos is then the end of the data).
bool gif_skip_sub_blocks(const uint8_t *data, size_t size, size_t *pos);
