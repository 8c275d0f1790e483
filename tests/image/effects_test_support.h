// Layer records with given pixels for the effect and compose tests, and a
// repeatable random source.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/error_report.h"
#include "core/quit.h"
#include "graphics/blend.h"
#include "graphics/kernels.h"
#include "graphics/layer.h"

struct FxRng {
    uint64_t s;
    explicit FxRng(uint64_t seed) : s(seed * 0x9E3779B97F4A7C15ull + 7) {}
    uint32_t next()
    {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return (uint32_t)(s >> 16);
    }
    int range(int lo, int hi) { return lo + (int)(next() % (uint32_t)(hi - lo + 1)); }
};

static inline void fx_setup()
{
    static bool done = false;
    if (!done) {
        install_pixel_kernels(KV_KERNEL_LEVEL_SSE2, 0);
        build_blend_product_tables();
        init_blend_fn_table();
        done = true;
    }
    reset_error_reports();
    g_error_shown = 1;
    g_quit_flag = 0;
}

// A layer record owning a w x h image of the given pixels (0xAARRGGBB),
// or random ones, or none (w = 0).
struct FxLayer {
    LayerState *s;
    FxLayer(int w, int h, const std::vector<uint32_t> &px = {}, uint64_t seed = 0)
    {
        s = layer_state_new();
        if (w == 0)
            return;
        s->width = w;
        s->height = h;
        s->pixels = alloc_pixels(nullptr, w, h, "test");
        FxRng rng(seed);
        for (int i = 0; i < w * h; i++)
            set(i % w, i / w, px.empty() ? rng.next() * 2654435761u : px[i]);
    }
    ~FxLayer()
    {
        layer_state_release_buffers(s);
        free(s);
    }
    FxLayer(const FxLayer &) = delete;
    FxLayer &operator=(const FxLayer &) = delete;
    uint32_t at(int x, int y) const
    {
        uint32_t v;
        memcpy(&v, s->pixels + ((size_t)y * s->width + x) * 4, 4);
        return v;
    }
    void set(int x, int y, uint32_t v) { memcpy(s->pixels + ((size_t)y * s->width + x) * 4, &v, 4); }
    std::vector<uint32_t> all() const
    {
        std::vector<uint32_t> v;
        for (int y = 0; y < s->height; y++)
            for (int x = 0; x < s->width; x++)
                v.push_back(at(x, y));
        return v;
    }
};
