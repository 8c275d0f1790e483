// Shared by the graphics tests: a repeatable random source, the kernel set
// configurations to run, and one-time table set-up.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/blend.h"
#include "graphics/kernels.h"

struct TestRng {
    uint64_t state;
    explicit TestRng(uint64_t seed, uint64_t offset = 1) : state(seed * 0x9E3779B97F4A7C15ull + offset) {}
    uint32_t next()
    {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return (uint32_t)(state >> 16);
    }
    int range(int lo, int hi) { return lo + (int)(next() % (uint32_t)(hi - lo + 1)); }
    // Random pixels whose alpha bytes mix 0, 255 and anything, in runs, so
    // that the all-transparent and all-opaque fast paths are exercised too.
    void pixels(uint8_t *p, size_t n)
    {
        for (size_t i = 0; i < n; i++)
            p[i] = (uint8_t)next();
        int mode = range(0, 3);
        for (size_t i = 3; i < n; i += 4) {
            if (mode == 0)
                continue;
            if (range(0, 7) == 0)
                mode = range(0, 3);
            p[i] = mode == 1 ? 0 : (mode == 2 ? 255 : p[i]);
        }
    }
};

struct KernelSetConfig {
    int level;
    int wide;
    std::string name;
};

// Basic and extended sets, each also with 256-bit vectors when the processor has them.
static inline std::vector<KernelSetConfig> kernel_set_configs()
{
    detect_cpu_features();
    std::vector<KernelSetConfig> v = {{1, 0, "basic-sse2"}, {3, 0, "extended-sse2"}};
    if (g_cpu_features.avx2) {
        v.push_back({1, 1, "basic-avx2"});
        v.push_back({3, 1, "extended-avx2"});
    }
    return v;
}

static inline void ensure_blend_tables()
{
    static bool done = false;
    if (done)
        return;
    install_pixel_kernels(KV_KERNEL_LEVEL_SSE2, 0);
    build_blend_product_tables();
    init_blend_fn_table();
    done = true;
}

// Rule weights as the compositor makes them, with a soft edge.
static inline void fill_rule_weights(int progress, int softness, int opacity)
{
    for (int i = 0; i < 256; i++) {
        int w;
        if (softness != 256) {
            int base = ((softness >> 1) * progress) - (softness << 7) + progress;
            w = ((i * softness) >> 1) + base;
            w = (w > 255 ? 255 : w) + 1;
        } else {
            w = i >= 256 - progress ? 256 : 0;
        }
        g_rule_weights[i] = (w * opacity) >> 8;
    }
}
