// The compiler's hand-over block checked and turned into g_linked_files.
#include "core/linked_records.h"

#include <cstdlib>
#include <cstring>

#include "core/byte_order.h"

static uint8_t *g_linked_block;

int parse_linked_records(const uint8_t *block, uint64_t size, int64_t count, LinkedFile *table)
{
    if (count < 0 || (uint64_t)count > size / KV_LINK_RECORD_MIN)
        return -1;
    uint64_t at = 0;
    for (int64_t i = 0; i < count; i++) {
        if (size - at < 8)
            return -1;
        uint64_t n = get_le32(block + at);
        if (n < 1 || n > size - at - 8)
            return -1;
        const uint8_t *name = block + at + 4;
        if (name[n - 1] != 0)
            return -1;
        uint64_t s = get_le32(block + at + 4 + n);
        if (s > size - at - 8 - n)
            return -1;
        table[i].name = (const char *)name;
        table[i].size = (uint32_t)s;
        table[i].data = block + at + 8 + n;
        at += 8 + n + s;
    }
    return 0;
}

void free_linked_files()
{
    std::free(g_linked_files);
    std::free(g_linked_block);
    g_linked_files = nullptr;
    g_linked_block = nullptr;
    g_linked_file_count = 0;
}

int take_linked_files(const uint8_t *block, uint64_t size, int64_t count)
{
    free_linked_files();
    if (count < 0 || (uint64_t)count > size / KV_LINK_RECORD_MIN || size > SIZE_MAX)
        return -1;
    if (count == 0)
        return 0;
    uint8_t *copy = (uint8_t *)std::malloc((size_t)size);
    LinkedFile *table = (LinkedFile *)std::calloc((size_t)count, sizeof(LinkedFile));
    if (!copy || !table || (std::memcpy(copy, block, (size_t)size),
                            parse_linked_records(copy, size, count, table) != 0)) {
        std::free(copy);
        std::free(table);
        return -1;
    }
    g_linked_block = copy;
    g_linked_files = table;
    g_linked_file_count = (uint32_t)count;
    return 0;
}
