// The pack-name table, the script-file key and CRC-32.
#include <zlib.h>

#include "core/pack.h"

uint8_t g_pack_name_table[256];
uint8_t g_script_key[4];

// Twelve disjoint byte pairs: swapping them keeps the table its own inverse.
// Pack writers use the same pairs; they are part of the pack format.
static const uint8_t k_name_swaps[12][2] = {
    {0x01, 0x5a}, {0x03, 0x47}, {0x07, 0x3c}, {0x0b, 0x66}, {0x10, 0x2d}, {0x14, 0x71},
    {0x19, 0x88}, {0x22, 0x9b}, {0x29, 0xc4}, {0x33, 0xae}, {0x41, 0xd7}, {0x52, 0xf0},
};

// The script-file key is derived at run time from this text.
static const char k_script_key_text[6] = {'K', 'V', 's', 'c', 'r', '1'};

uint32_t crc32_compute(const void *data, size_t len)
{
    uLong crc = crc32(0L, Z_NULL, 0);
    const Bytef *p = (const Bytef *)data;
    while (len > 0) {  // crc32 takes a 32-bit length
        uInt n = len > 0x40000000u ? 0x40000000u : (uInt)len;
        crc = crc32(crc, p, n);
        p += n;
        len -= n;
    }
    return (uint32_t)crc;
}

int init_pack_name_table()
{
    for (int i = 0; i < 256; i++)
        g_pack_name_table[i] = (uint8_t)i;
    for (const auto &s : k_name_swaps) {
        g_pack_name_table[s[0]] = s[1];
        g_pack_name_table[s[1]] = s[0];
    }
    uint32_t key = crc32_compute(k_script_key_text, sizeof k_script_key_text);
    g_script_key[0] = (uint8_t)(key >> 24);
    g_script_key[1] = (uint8_t)(key >> 16);
    g_script_key[2] = (uint8_t)(key >> 8);
    g_script_key[3] = (uint8_t)key;
    return 0;
}
