// The JPEG decoder on arbitrary bytes.
#include "image_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz_decode_image(data, size, KV_FMT_JPG);
    return 0;
}
