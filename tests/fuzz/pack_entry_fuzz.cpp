// Entry reading: stored and zlib entries, verification and repair.
#include "fuzz_core_util.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (fuzz_index_pack(data, size) == 0) {
        for (uint32_t i = 0; i < g_pack_index_count && i < 8; i++) {
            char name[300];
            if (!fuzz_entry_name(i, name, sizeof name))
                continue;
            FileSource src;
            std::memset(&src, 0, sizeof src);
            if (pack_find_hashed(&src, name) != 2)
                continue;
            fuzz_core_quiet();
            int r = load_file_from_pack(&src, name);
            if (r == 0) {
                // A successful load hands over exactly size bytes.
                if (!src.data)
                    std::abort();
                volatile uint8_t sink = 0;
                for (uint32_t k = 0; k < src.size; k++)
                    sink ^= src.data[k];
                std::free(src.data);
            } else if (src.data) {
                std::abort();  // a failed read leaves no data behind
            }
        }
    }
    reset_pack_index();
    return 0;
}
