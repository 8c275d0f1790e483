// Fuzz target: the loader of kvv.kbn on arbitrary bytes.
#include "kbn_fuzz_support.h"


extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    kbnfuzz::setup_once();
    std::vector<uint8_t> copy(data, data + size);
    kbnfuzz::hand_over("kvbin\\kvv.kbn", copy.data(), copy.size());
    load_variable_defs();
    return 0;
}
