// Shared set-up of the image decoder fuzz targets: the input is handed to a
// decoder from the memory file cache (no files, no folder changes), with a
// fresh layer record and quiet error reports.
#pragma once

#include <cstdlib>
#include <cstring>

#include "core/error_report.h"
#include "core/locate.h"
#include "core/quit.h"
#include "graphics/layer.h"
#include "image/image_decoders.h"

// Decodes data as the given format into a new layer; the layer's buffer is
// read end to end afterwards, so that a size that does not match it shows.
static inline int fuzz_decode_image(const uint8_t *data, size_t size, uint8_t format)
{
    reset_error_reports();
    g_error_shown = 1;
    g_quit_flag = 0;
    register_image_decoders();
    static char name[] = "fuzz.img";
    FileCacheSet &set = g_file_cache[0];
    set.name[0] = name;
    set.data[0] = const_cast<uint8_t *>(data);
    set.size[0] = (uint32_t)size;
    set.format[0] = format;
    set.count = 1;
    FileSource src;
    std::memset(&src, 0, sizeof src);
    src.kind = KV_SRC_CACHE;
    src.format = format;
    LayerState *s = layer_state_new();
    if (!s)
        return -1;
    int r = g_image_decoders[format](&src, s, name);
    if (src.data)
        std::abort();   // a decoder frees the file data
    if (s->pixels) {
        size_t n = layer_buffer_bytes(s->width, s->height);
        volatile uint8_t sink = 0;
        for (size_t i = 0; i < n; i += 61)
            sink ^= s->pixels[i];
        sink ^= s->pixels[n - 1];
        (void)sink;
    } else if (r == 0) {
        std::abort();   // success without pixels
    }
    layer_state_release_buffers(s);
    std::free(s);
    set.count = 0;
    set.data[0] = nullptr;
    return r;
}
