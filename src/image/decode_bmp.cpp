// BMP decoder: uncompressed 1, 4, 8, 16, 24 and 32 bits per pixel, bottom-up.
//
// File layout (little-endian):
//   file header, 14 bytes:
//      0 u16 type, "BM" (0x4D42)
//      2 u32 file size (not read)        6 u32 reserved
//     10 u32 offset of the pixel data from the start of the file
//   information header at 14 (header size 40, or the larger V4/V5 forms):
//      0 u32 header size                 4 i32 width
//      8 i32 height (negative: top-down rows, refused)
//     12 u16 planes                     14 u16 bits per pixel
//     16 u32 compression (0 none, 1 RLE8, 2 RLE4, 3 bit fields)
//     20 u32 image size   24 i32 x resolution   28 i32 y resolution
//     32 u32 colours used (0: 2^bits)   36 u32 colours important
//   16 bits with bit fields: red, green and blue masks (u32 each) at file
//     offset 54 (right after a 40-byte header; inside a V4/V5 header).
//   colour table at 14 + header size: entries B, G, R, reserved (4 bytes).
//   rows bottom-up from the pixel-data offset, each padded to 4 bytes:
//     1 bit most significant bit first, 4 bits high nibble first, 8 bits one
//     index per byte, 16 bits a u16 (5-5-5 without bit fields), 24 bits
//     B, G, R, 32 bits B, G, R, A.
// Other bit counts give a cleared (transparent black) image.
#include <cstring>

#include "core/error_report.h"
#include "core/locate.h"
#include "graphics/layer.h"
#include "image/image_decode_util.h"
#include "image/image_decoders.h"

enum { BMP_FILE_HEADER = 14, BMP_INFO_HEADER = 40, BMP_MASKS_AT = 54 };

struct BmpInfo {
    uint32_t data_offset;
    uint32_t header_size;
    int32_t width, height;
    uint32_t bits;
    uint32_t compression;
    uint32_t colours_used;
    uint64_t row_bytes;      // padded stride in the file
};

// A field of a 16-bit pixel: its mask, shift and scale to 0..255.
struct BmpField {
    uint32_t mask, shift, max;
};

static BmpField bmp_field(uint32_t mask)
{
    BmpField f{mask & 0xFFFFu, 0, 0};
    if (!f.mask)
        return f;
    while (!((f.mask >> f.shift) & 1))
        f.shift++;
    f.max = f.mask >> f.shift;
    return f;
}

static inline uint8_t bmp_field_value(const BmpField &f, uint32_t px)
{
    return f.max ? (uint8_t)(((px & f.mask) >> f.shift) * 255u / f.max) : 0;
}

static inline void put_bgra(uint8_t *d, const uint8_t *bgra_entry)
{
    std::memcpy(d, bgra_entry, 4);
}

// Checks the headers; reports and gives false for a file that is refused.
static bool bmp_read_info(const FileSource *src, BmpInfo *bi, const char *name)
{
    const uint8_t *d = src->data;
    if (src->size < 2 || get_le16(d) != 0x4D42) {
        report_script_error(100070, 1, name);
        return false;
    }
    if (src->size < BMP_FILE_HEADER + BMP_INFO_HEADER) {
        report_script_error(104010, 1, name);
        return false;
    }
    const uint8_t *ih = d + BMP_FILE_HEADER;
    bi->data_offset = get_le32(d + 10);
    bi->header_size = get_le32(ih);
    bi->width = (int32_t)get_le32(ih + 4);
    bi->height = (int32_t)get_le32(ih + 8);
    bi->bits = get_le16(ih + 14);
    bi->compression = get_le32(ih + 16);
    bi->colours_used = get_le32(ih + 32);
    if (bi->data_offset < 11) {
        report_script_error(100080, 1, name);
        return false;
    }
    if (bi->height < 0) {
        report_script_error(100092, 1, name);
        return false;
    }
    if (!image_size_ok(bi->width, bi->height, name))
        return false;
    // Older 12-byte headers have another layout; a header running past the
    // file end is damaged.
    if (bi->header_size < BMP_INFO_HEADER ||
        (uint64_t)BMP_FILE_HEADER + bi->header_size > src->size) {
        report_script_error(104010, 1, name);
        return false;
    }
    bool indexed = bi->bits == 4 || bi->bits == 8;
    if ((indexed && bi->compression != 0) ||
        (bi->bits == 16 && bi->compression != 0 && bi->compression != 3)) {
        report_system_error(100090, 1, name);
        return false;
    }
    bi->row_bytes = ((uint64_t)bi->width * bi->bits + 31) / 32 * 4;
    return true;
}

static bool bmp_bits_known(uint32_t bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// The rows must lie inside the file; the last row may lack its padding.
static bool bmp_rows_inside(const FileSource *src, const BmpInfo &bi)
{
    uint64_t last = ((uint64_t)bi.width * bi.bits + 7) / 8;
    uint64_t end = (uint64_t)bi.data_offset + bi.row_bytes * (uint64_t)(bi.height - 1) + last;
    return end <= src->size;
}

// Entries not in the file (or beyond 2^bits) stay opaque black.
static void bmp_read_palette(const FileSource *src, const BmpInfo &bi, uint8_t pal[256][4])
{
    for (int i = 0; i < 256; i++) {
        pal[i][0] = pal[i][1] = pal[i][2] = 0;
        pal[i][3] = 255;
    }
    uint32_t most = 1u << bi.bits;
    uint32_t count = bi.colours_used ? bi.colours_used : most;
    if (count > most)
        count = most;
    uint64_t at = (uint64_t)BMP_FILE_HEADER + bi.header_size;
    for (uint32_t i = 0; i < count && at + 4 * (uint64_t)(i + 1) <= src->size; i++) {
        std::memcpy(pal[i], src->data + at + 4 * (uint64_t)i, 3);
        pal[i][3] = 255;
    }
}

static void bmp_row_indexed(uint8_t *d, const uint8_t *s, int32_t w, uint32_t bits,
                            const uint8_t pal[256][4])
{
    for (int32_t x = 0; x < w; x++) {
        uint32_t idx;
        if (bits == 8)
            idx = s[x];
        else if (bits == 4)
            idx = (s[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
        else
            idx = (s[x >> 3] >> (7 - (x & 7))) & 1;
        put_bgra(d + (size_t)x * 4, pal[idx]);
    }
}

static void bmp_row_16(uint8_t *d, const uint8_t *s, int32_t w, const BmpField f[3])
{
    for (int32_t x = 0; x < w; x++) {
        uint32_t px = get_le16(s + (size_t)x * 2);
        d[x * 4 + 0] = bmp_field_value(f[2], px);
        d[x * 4 + 1] = bmp_field_value(f[1], px);
        d[x * 4 + 2] = bmp_field_value(f[0], px);
        d[x * 4 + 3] = 255;
    }
}

static void bmp_row_24(uint8_t *d, const uint8_t *s, int32_t w)
{
    for (int32_t x = 0; x < w; x++) {
        d[x * 4 + 0] = s[x * 3 + 0];
        d[x * 4 + 1] = s[x * 3 + 1];
        d[x * 4 + 2] = s[x * 3 + 2];
        d[x * 4 + 3] = 255;
    }
}

// Masks of a 16-bit image: 5-5-5 unless the file gives bit fields.
static bool bmp_masks(const FileSource *src, const BmpInfo &bi, BmpField f[3])
{
    uint32_t m[3] = {0x7C00, 0x03E0, 0x001F};
    if (bi.compression == 3) {
        if ((uint64_t)BMP_MASKS_AT + 12 > src->size)
            return false;
        for (int i = 0; i < 3; i++)
            m[i] = get_le32(src->data + BMP_MASKS_AT + 4 * i);
    }
    for (int i = 0; i < 3; i++)
        f[i] = bmp_field(m[i]);
    return true;
}

static void bmp_decode_rows(const FileSource *src, const BmpInfo &bi, const BmpField f[3],
                            LayerState *s)
{
    uint8_t pal[256][4];
    if (bi.bits <= 8)
        bmp_read_palette(src, bi, pal);
    int32_t w = bi.width;
    for (int32_t r = 0; r < bi.height; r++) {
        const uint8_t *row = src->data + bi.data_offset + bi.row_bytes * (uint64_t)r;
        uint8_t *d = s->pixels + (size_t)w * 4 * (size_t)(bi.height - 1 - r);
        if (bi.bits <= 8)
            bmp_row_indexed(d, row, w, bi.bits, pal);
        else if (bi.bits == 16)
            bmp_row_16(d, row, w, f);
        else if (bi.bits == 24)
            bmp_row_24(d, row, w);
        else
            std::memcpy(d, row, (size_t)w * 4);
    }
}

int decode_bmp(FileSource *src, LayerState *s, const char *file_name)
{
    if (image_read_whole(src, file_name) != 0)
        return -1;
    BmpInfo bi;
    BmpField fields[3] = {};
    bool ok = bmp_read_info(src, &bi, file_name);
    bool known = ok && bmp_bits_known(bi.bits);
    if (known && (!bmp_rows_inside(src, bi) || (bi.bits == 16 && !bmp_masks(src, bi, fields)))) {
        report_script_error(104010, 1, file_name);
        ok = false;
    }
    if (ok && image_take_buffer(s, bi.width, bi.height, file_name)) {
        if (known)
            bmp_decode_rows(src, bi, fields, s);
        else
            image_clear_pixels(s);
        if (bi.bits == 32)
            s->has_alpha = 1;
    } else {
        ok = false;
    }
    image_free_data(src);
    return ok ? 0 : -1;
}
