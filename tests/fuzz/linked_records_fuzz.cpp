// The compiler's hand-over block: the first 4 bytes are the announced file
// count, the rest is block 2. Whatever the bytes, the walk either refuses
// the block (keeping nothing) or gives records that lie wholly inside it,
// back to back, each name ending in its terminator (a name may hold
// further zero bytes: it then reads as shorter, which is harmless).
#include <cstdlib>
#include <cstring>

#include "core/linked_records.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 4)
        return 0;
    int32_t count;
    std::memcpy(&count, data, 4);
    const uint8_t *block = data + 4;
    uint64_t n = size - 4;
    if (take_linked_files(block, n, count) != 0) {
        if (g_linked_files || g_linked_file_count)
            std::abort();
        return 0;
    }
    uint64_t at = 0;
    for (uint32_t i = 0; i < g_linked_file_count; i++) {
        const LinkedFile &f = g_linked_files[i];
        if (at + 8 > n)
            std::abort();
        uint32_t name_len;
        std::memcpy(&name_len, block + at, 4);
        uint64_t rec = 8 + (uint64_t)name_len + f.size;
        if (name_len == 0 || at + rec > n || f.name[name_len - 1] != 0 ||
            std::memcmp(f.name, block + at + 4, name_len) != 0 ||
            (f.size && std::memcmp(f.data, block + at + 8 + name_len, f.size) != 0))
            std::abort();
        at += rec;
    }
    free_linked_files();
    return 0;
}
