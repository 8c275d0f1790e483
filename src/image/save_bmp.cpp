// The BMP writer: 24-bit, bottom-up, rows padded to 4 bytes, alpha dropped.
//
// Header (54 bytes, little-endian): "BM"; u32 file size; u32 0; u32 54 (data
// offset); u32 40; i32 width; i32 height (positive: bottom-up); u16 1 plane;
// u16 24 bits; u32 0 compression, image size, x and y resolution, colours
// used, colours important.
#include <cstdlib>
#include <cstring>

#include "graphics/layer.h"
#include "image/image_writers.h"

static void put_le(uint8_t *p, uint32_t v, int n)
{
    for (int i = 0; i < n; i++)
        p[i] = (uint8_t)(v >> (8 * i));
}

static void bmp_header(uint8_t h[54], int32_t w, int32_t ht, uint32_t data_size)
{
    std::memset(h, 0, 54);
    h[0] = 'B';
    h[1] = 'M';
    put_le(h + 2, 54 + data_size, 4);
    put_le(h + 10, 54, 4);
    put_le(h + 14, 40, 4);
    put_le(h + 18, (uint32_t)w, 4);
    put_le(h + 22, (uint32_t)ht, 4);
    put_le(h + 26, 1, 2);
    put_le(h + 28, 24, 2);
}

int save_image_bmp(LayerState *s, const char *path)
{
    if (!s->pixels || s->width < 1 || s->height < 1)
        return image_out_error();
    size_t row = ((size_t)s->width * 3 + 3) & ~(size_t)3;
    uint8_t *line = (uint8_t *)std::calloc(1, row);
    ImageOutFile out;
    if (!line || !image_out_open(&out, path)) {
        std::free(line);
        return image_out_error();
    }
    uint8_t header[54];
    bmp_header(header, s->width, s->height, (uint32_t)(row * (size_t)s->height));
    bool ok = image_out_write(&out, header, sizeof header);
    for (int32_t r = 0; ok && r < s->height; r++) {
        const uint8_t *p = s->pixels + (size_t)(s->height - 1 - r) * s->width * 4;
        for (int32_t x = 0; x < s->width; x++) {
            line[x * 3] = p[x * 4];
            line[x * 3 + 1] = p[x * 4 + 1];
            line[x * 3 + 2] = p[x * 4 + 2];
        }
        ok = image_out_write(&out, line, row);
    }
    std::free(line);
    return image_out_commit(&out) ? 0 : image_out_error();
}
