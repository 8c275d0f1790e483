// Fuzz target: the loader of kvt.kbn on arbitrary bytes.
#include "kbn_fuzz_support.h"
#include "script/vars.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    kbnfuzz::hand_over_copy("kvbin\\kvt.kbn", data, size);
    load_variable_table();
    return 0;
}
