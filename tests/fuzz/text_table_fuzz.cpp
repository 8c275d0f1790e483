// The text-table splitter and counter over any bytes: every field lies inside
// the buffer (an exactly sized copy, so a read past it is caught), starts
// after its leading blanks, fits the string limit, and the count is one more
// than the fields given.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "script/text_table.h"

namespace {

struct Walk {
    const char *data;
    size_t size;
    uint32_t next;
    size_t separators;
};

int check_field(void *ctx, uint32_t index, const char *text, uint32_t length)
{
    Walk *w = (Walk *)ctx;
    if (index != w->next++ || length > KV_TABLE_FIELD_MAX)
        std::abort();
    if (text < w->data || text + length > w->data + w->size)
        std::abort();
    if (length && (text[0] == ' ' || text[0] == '\t'))
        std::abort();
    return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    char *copy = (char *)std::malloc(size ? size : 1);
    if (size)
        std::memcpy(copy, data, size);
    Walk w = {copy, size, 0, 0};
    for (size_t i = 0; i < size; i++)
        w.separators += copy[i] == ',' || copy[i] == '\r' || copy[i] == '\n';
    int64_t fields = text_table_split(copy, size, check_field, &w);
    if (fields < 0 || (uint64_t)fields != w.next || (uint64_t)fields > w.separators)
        std::abort();
    if (text_table_count(copy, size) != fields + 1)
        std::abort();
    std::free(copy);
    return 0;
}
