// Fuzz target: the loader of kvl.kbn on arbitrary bytes.
#include "kbn_fuzz_support.h"
#include "script/script_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    kbnfuzz::hand_over_copy("kvbin\\kvl.kbn", data, size);
    load_labels();
    // every label that loaded is found by its name
    for (uint32_t i = 0; i < g_name_table.count; i++)
        name_table_find(g_name_table.labels[i]->name, (uint32_t)std::strlen(g_name_table.labels[i]->name));
    return 0;
}
