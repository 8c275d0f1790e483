// Fuzz target: the loader of kvcfg.kbn on arbitrary bytes.
#include "kbn_fuzz_support.h"


extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    kbnfuzz::hand_over_copy("kvbin\\kvcfg.kbn", data, size);
    g_frame_texture_size[0] = g_frame_texture_size[1] = 0;
    load_project_config();
    return 0;
}
