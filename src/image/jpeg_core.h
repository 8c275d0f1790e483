// The JPEG-to-BGRA core that the image decoder and the frame containers
// share: one decode of a JPEG held in memory into a layer.
#pragma once

#include <cstddef>

#include "core/kv_base.h"

struct LayerState;

enum {
    // A file image: both sides checked (100091), a new buffer, and an image
    // that fails half way is cleared.
    JPEG_DECODE_IMAGE = 0,
    // A container frame: a buffer of the right size is kept, a width above
    // 8192 shows the size box, every size or memory refusal is reported, and
    // a frame that fails half way stays as far as it was decoded.
    JPEG_DECODE_FRAME = 1
};

// B, G, R, 255 rows from grey, YCbCr, RGB or CMYK JPEGs. 0 success, -2
// library error or refused colour space, -3 size or memory (reported).
int jpeg_decode_memory(const uint8_t *data, size_t size, LayerState *s, const char *name, int mode);
// A one-component JPEG's grey values into the layer's alpha bytes, clipped
// to the layer (pitch: the layer's width). Other JPEGs write nothing.
// 0, -1 (the layer has no pixels) or -2 (library error).
int jpeg_decode_grey_alpha(const uint8_t *data, size_t size, LayerState *s);
