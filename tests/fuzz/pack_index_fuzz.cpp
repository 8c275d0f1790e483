// Pack index parsing: header, index entries, duplicate check, sort, lookup.
#include "fuzz_core_util.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (fuzz_index_pack(data, size) == 0) {
        // A file without the pack magic is skipped; one with it must be found.
        bool magic = size >= 4 && std::memcmp(data, "KPF\0", 4) == 0;
        if (g_pack_count != (magic ? 1u : 0u))
            std::abort();
        // Look every indexed name up again (crafted hashes may not match it).
        for (uint32_t i = 0; i < g_pack_index_count && i < 64; i++) {
            char name[300];
            if (!fuzz_entry_name(i, name, sizeof name))
                continue;
            FileSource src;
            std::memset(&src, 0, sizeof src);
            pack_find_hashed(&src, name);
        }
        for (uint32_t i = 1; i < g_pack_index_count; i++)
            if (g_pack_index_hash[i - 1] > g_pack_index_hash[i])
                std::abort();
    }
    reset_pack_index();
    return 0;
}
