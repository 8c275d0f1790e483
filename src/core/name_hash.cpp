// The one name hash of the engine: MurmurHash2 (32-bit), seed 0.
#include "core/tree.h"

#include "core/byte_order.h"

uint32_t murmur2(const void *data, size_t len)
{
    const uint32_t m = 0x5bd1e995;
    const uint8_t *p = (const uint8_t *)data;
    uint32_t h = (uint32_t)len;  // seed 0 xor length
    while (len >= 4) {
        uint32_t k = get_le32(p);
        k *= m;
        k ^= k >> 24;
        k *= m;
        h *= m;
        h ^= k;
        p += 4;
        len -= 4;
    }
    switch (len) {
    case 3: h ^= (uint32_t)p[2] << 16; /* fall through */
    case 2: h ^= (uint32_t)p[1] << 8;  /* fall through */
    case 1: h ^= (uint32_t)p[0]; h *= m;
    }
    h ^= h >> 13;
    h *= m;
    h ^= h >> 15;
    return h;
}

uint32_t tree_name_hash(const char *name, size_t len)
{
    return murmur2(name, len) & 0x7fffffffu;
}
