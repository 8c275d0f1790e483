// Writes JPEG frame containers for tests, with its own copy of the layout
// and the key (independent of the engine's reader).
#pragma once

#include <vector>

#include "image_test_support.h"

namespace kvimg {

struct FrameSpec {
    Bytes colour, alpha;
};

inline void container_scramble(uint8_t *p, size_t n)
{
    static const uint8_t key[16] = {0x4B, 0x9E, 0x21, 0xD3, 0x76, 0x08, 0xB5, 0x6A,
                                    0xE1, 0x3C, 0x57, 0x92, 0x0F, 0xC8, 0xA4, 0x3D};
    for (size_t i = 0; i < n; i++)
        p[i] ^= key[i % 16];
}

inline void set32(Bytes &b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        b[at + i] = (uint8_t)(v >> (8 * i));
}

inline Bytes write_container(const std::vector<FrameSpec> &frames, uint32_t alpha_flag,
                             uint32_t v1 = 0, uint32_t v2 = 0, uint32_t v3 = 0)
{
    uint32_t n = (uint32_t)frames.size();
    Bytes b(32 + 12 * (size_t)n);
    std::memcpy(b.data(), "KJFC", 4);
    set32(b, 4, 1);
    set32(b, 8, n);
    set32(b, 12, alpha_flag);
    set32(b, 16, v1);
    set32(b, 20, v2);
    set32(b, 24, v3);
    for (uint32_t i = 0; i < n; i++) {
        set32(b, 32 + 4 * i, (uint32_t)b.size());
        set32(b, 32 + 4 * (n + i), (uint32_t)frames[i].colour.size());
        set32(b, 32 + 4 * (2 * n + i), (uint32_t)frames[i].alpha.size());
        for (const Bytes *s : {&frames[i].colour, &frames[i].alpha}) {
            size_t at = b.size();
            b.insert(b.end(), s->begin(), s->end());
            container_scramble(b.data() + at, s->size());
        }
    }
    return b;
}

}  // namespace kvimg
