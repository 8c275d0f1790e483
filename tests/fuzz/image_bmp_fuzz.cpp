// The BMP decoder on arbitrary bytes, and the Photoshop refusal.
#include "image_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz_decode_image(data, size, KV_FMT_BMP);
    if (fuzz_decode_image(data, size, KV_FMT_PSD) == 0)
        std::abort();   // a Photoshop file is never decoded
    return 0;
}
