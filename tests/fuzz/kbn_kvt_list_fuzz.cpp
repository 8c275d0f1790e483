// Fuzz target: the loader of kvt_list.kbn on arbitrary bytes.
#include "kbn_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    kbnfuzz::setup_once();
    std::vector<uint8_t> copy(data, data + size);
    // The fuzzed list takes the place of the fixed one for this run.
    LinkedFile fixed = kbnfuzz::g_files[0];
    kbnfuzz::g_files[0].data = copy.data();
    kbnfuzz::g_files[0].size = (uint32_t)copy.size();
    g_quit_flag = 0;
    if (load_script_names() == 0) {
        for (uint32_t i = 0; i < g_script_count; i++)
            if (!g_script_names[i])
                std::abort();   // names are never null
    }
    kbnfuzz::g_files[0] = fixed;
    return 0;
}
