// Runs a decoder on file bytes held in the memory file cache, with a fresh
// layer record and quiet error reports.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>

#include "core/error_report.h"
#include "core/locate.h"
#include "core/quit.h"
#include "graphics/layer.h"
#include "graphics/render_workers.h"
#include "image/image_decoders.h"
#include "image/image_test_support.h"

namespace kvimg {

struct LayerHolder {
    LayerState *s = layer_state_new();
    ~LayerHolder()
    {
        layer_state_release_buffers(s);
        std::free(s);
    }
};

inline void quiet_reports()
{
    reset_error_reports();
    g_error_shown = 1;
    g_quit_flag = 0;
}

inline int decode_bytes(const Bytes &file, uint8_t format, LayerState *s)
{
    quiet_reports();
    register_image_decoders();
    static char name[] = "test.img";
    FileCacheSet &set = g_file_cache[0];
    set.name[0] = name;
    set.data[0] = const_cast<uint8_t *>(file.data());
    set.size[0] = (uint32_t)file.size();
    set.format[0] = format;
    set.count = 1;
    FileSource src = {};
    src.kind = KV_SRC_CACHE;
    src.format = format;
    int r = g_image_decoders[format](&src, s, name);
    set.count = 0;
    set.data[0] = nullptr;
    EXPECT_EQ(src.data, nullptr) << "the decoder keeps no file data";
    return r;
}

// Largest per-byte difference between the layer and an image of its size.
inline int max_difference(const LayerState *s, const Image &want)
{
    if (s->width != want.w || s->height != want.h)
        return 1000;
    int worst = 0;
    for (size_t i = 0; i < want.px.size(); i++) {
        int d = std::abs((int)s->pixels[i] - (int)want.px[i]);
        worst = d > worst ? d : worst;
    }
    return worst;
}

// Two render workers while it lives.
struct TwoWorkers {
    TwoWorkers() { start_render_workers_count(2); }
    ~TwoWorkers() { stop_render_workers(); }
};

}  // namespace kvimg
