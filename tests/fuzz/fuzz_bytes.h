// Reading a fuzz input as big-endian numbers of a few bytes (past its end
// every byte reads as 0), and filling test images with a pattern from a seed.
#pragma once

#include <cstddef>
#include <cstdint>

struct FuzzBytes {
    const uint8_t *p;
    size_t n;
    uint64_t take(int bytes)
    {
        uint64_t v = 0;
        for (int i = 0; i < bytes; i++) {
            v = (v << 8) | (n ? *p : 0);
            if (n) {
                p++;
                n--;
            }
        }
        return v;
    }
};

static inline void fuzz_fill_pixels(uint8_t *pixels, size_t bytes, uint32_t seed)
{
    for (size_t i = 0; i < bytes; i++) {
        seed = seed * 1664525u + 1013904223u;
        pixels[i] = (uint8_t)(seed >> 24);
    }
}
