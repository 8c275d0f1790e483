// The screen-saver preview bitmap: whatever the bytes, an accepted bitmap's
// rows (stride x |height|) lie inside them and the stride holds the width.
#include <cstdlib>

#include "shell/screensaver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    PreviewImage img;
    if (parse_preview_bitmap(data, size, &img) != 0)
        return 0;
    uint64_t rows = img.height < 0 ? -(int64_t)img.height : img.height;
    if (img.width <= 0 || img.stride % 4 || img.stride < (uint64_t)img.width * 3 ||
        img.pixels < data || (uint64_t)(img.pixels - data) + img.stride * rows > size)
        std::abort();
    // The last byte is read: ASan sees a row table reaching past the bytes.
    volatile uint8_t last = img.pixels[img.stride * rows - 1];
    (void)last;
    return 0;
}
