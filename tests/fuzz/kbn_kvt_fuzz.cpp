// Fuzz target: the loader of kvt.kbn on arbitrary bytes.
#include "kbn_fuzz_support.h"
#include "script/vars.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    kbnfuzz::setup_once();
    std::vector<uint8_t> copy(data, data + size);
    kbnfuzz::hand_over("kvbin\\kvt.kbn", copy.data(), copy.size());
    load_variable_table();
    return 0;
}
