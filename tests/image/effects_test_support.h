// Layer records with given pixels for the effect and compose tests, and their
// repeatable random source.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/error_report.h"
#include "core/quit.h"
#include "graphics/kernel_test_support.h"
#include "graphics/layer.h"

// The graphics tests' generator on seeds of its own (the golden figures
// depend on them).
struct FxRng : TestRng {
    explicit FxRng(uint64_t seed) : TestRng(seed, 7) {}
};

static inline void fx_setup()
{
    ensure_blend_tables();
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
