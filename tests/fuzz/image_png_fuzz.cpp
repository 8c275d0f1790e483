// The PNG decoder on arbitrary bytes. Half of the inputs get their chunk
// CRCs set right first, so that mutations reach past libpng's CRC check.
#include <zlib.h>

#include <vector>

#include "image_fuzz_support.h"

static void fix_chunk_crcs(std::vector<uint8_t> &b)
{
    size_t pos = 8;   // after the signature
    while (pos + 12 <= b.size()) {
        uint32_t len = (uint32_t)b[pos] << 24 | b[pos + 1] << 16 | b[pos + 2] << 8 | b[pos + 3];
        if (len > b.size() - pos - 12)
            return;
        uint32_t crc = (uint32_t)crc32(0, &b[pos + 4], len + 4);
        for (int i = 0; i < 4; i++)
            b[pos + 8 + len + i] = (uint8_t)(crc >> (24 - 8 * i));
        pos += 12 + len;
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<uint8_t> b(data, data + size);
    if (size > 0 && (data[size - 1] & 1))
        fix_chunk_crcs(b);
    fuzz_decode_image(b.data(), b.size(), KV_FMT_PNG);
    return 0;
}
