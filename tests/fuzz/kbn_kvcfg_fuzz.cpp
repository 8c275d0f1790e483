// Fuzz target: the loader of kvcfg.kbn on arbitrary bytes.
#include "kbn_fuzz_support.h"


extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    kbnfuzz::setup_once();
    std::vector<uint8_t> copy(data, data + size);
    kbnfuzz::hand_over("kvbin\\kvcfg.kbn", copy.data(), copy.size());
    g_frame_texture_size[0] = g_frame_texture_size[1] = 0;
    load_project_config();
    return 0;
}
