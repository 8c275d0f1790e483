// Fuzz target: the loader of kvv.kbn on arbitrary bytes.
#include "kbn_fuzz_support.h"


extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    kbnfuzz::hand_over_copy("kvbin\\kvv.kbn", data, size);
    load_variable_defs();
    return 0;
}
