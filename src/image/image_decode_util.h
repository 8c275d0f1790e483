// Shared steps of the image decoders: reading the source whole, the size
// rule, and giving a layer its new pixel buffer.
#pragma once

#include <cstring>

#include "core/byte_order.h"
#include "core/kv_base.h"

struct FileSource;
struct LayerState;

// Reads the located file whole through the loader of its source kind (the
// loader reports its own failures). 0, or non-zero with no data left behind.
int image_read_whole(FileSource *src, const char *file_name);
// Frees the data of a read source.
void image_free_data(FileSource *src);

// Both sides 1..8192; otherwise reports 100091 with the name (fatal, script
// location) and gives false.
bool image_size_ok(int64_t w, int64_t h, const char *file_name);

// (Re)allocates the layer's buffer for w x h and only then sets the layer's
// width and height, so that a failed allocation leaves the old buffer and
// its size matching. The image area is not cleared.
bool image_take_buffer(LayerState *s, int32_t w, int32_t h, const char *file_name);
// Zeroes the image area of the layer's buffer.
void image_clear_pixels(LayerState *s);
