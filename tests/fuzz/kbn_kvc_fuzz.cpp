// Fuzz target: the loader of kvc.kbn on arbitrary bytes.
#include "kbn_fuzz_support.h"


extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    kbnfuzz::setup_once();
    std::vector<uint8_t> copy(data, data + size);
    kbnfuzz::hand_over("kvbin\\kvc.kbn", copy.data(), copy.size());
    load_command_defs();
    return 0;
}
