// Decoder of the engine's own .kcg images: raw pixels, or the pixels packed
// as two zlib streams that two render workers inflate side by side straight
// into the layer (job 1001).
//
// File layout: a 56-byte header of 14 little-endian u32 words, then the data.
//    0 magic "KCG" and a NUL byte (a wrong magic is shown, not refused)
//    4 width (1..8192)     8 height (1..8192), both read as signed
//   12 not read
//   16 compression: 0 raw, 1 zlib in two parts (any other value is refused)
//   20..31 not read
//   32 unpacked size of part 1    36 packed size of part 1
//   40..47 not read
//   48 unpacked size of part 2    52 packed size of part 2
//   56 data. Raw: width x 4 x height bytes, B, G, R, A, rows top-down.
//      Zlib: the stream of part 1 (packed size 1 bytes), then the stream of
//      part 2; part 1 inflates to the first unpacked size 1 bytes of the
//      pixels, part 2 to the rest. The unpacked sizes add up to
//      width x 4 x height and both streams lie inside the file.
#include <zlib.h>

#include <cstring>

#include "core/error_report.h"
#include "core/locate.h"
#include "graphics/layer.h"
#include "graphics/render_workers.h"
#include "image/image_decode_util.h"
#include "image/image_decoders.h"

enum { KCG_RAW = 0, KCG_ZLIB = 1 };

struct KcgHeader {
    int32_t width, height;
    uint32_t compression;
    uint32_t unpacked1, packed1, unpacked2, packed2;
};

static void kcg_read_header(const uint8_t *d, KcgHeader *h)
{
    h->width = (int32_t)get_le32(d + 4);
    h->height = (int32_t)get_le32(d + 8);
    h->compression = get_le32(d + 16);
    h->unpacked1 = get_le32(d + 32);
    h->packed1 = get_le32(d + 36);
    h->unpacked2 = get_le32(d + 48);
    h->packed2 = get_le32(d + 52);
}

// The data the header promises must be in the file.
static bool kcg_layout_ok(const KcgHeader &h, uint64_t file_size)
{
    uint64_t image = (uint64_t)h.width * 4 * (uint64_t)h.height;
    if (h.compression == KCG_RAW)
        return KV_KCG_HEADER_SIZE + image <= file_size;
    if (h.compression == KCG_ZLIB)
        return (uint64_t)h.unpacked1 + h.unpacked2 == image &&
               KV_KCG_HEADER_SIZE + (uint64_t)h.packed1 + h.packed2 <= file_size;
    return false;
}

// One zlib stream into exactly `want` bytes.
static bool kcg_inflate(uint8_t *dst, uint32_t want, const uint8_t *src, uint32_t packed)
{
    uLongf got = want;
    return uncompress(dst, &got, src, packed) == Z_OK && got == want;
}

// 0, or the number (1, 2) of the part that did not inflate.
static int kcg_inflate_parts(const KcgHeader &h, const FileSource *src, uint8_t *pixels)
{
    const uint8_t *part1 = src->data + KV_KCG_HEADER_SIZE;
    if (render_worker_count() < 2) {
        if (!kcg_inflate(pixels, h.unpacked1, part1, h.packed1))
            return 1;
        return kcg_inflate(pixels + h.unpacked1, h.unpacked2, part1 + h.packed1, h.packed2) ? 0 : 2;
    }
    RenderJob job = {};
    job.code = JOB_INFLATE_HALVES;
    job.part1_unpacked = h.unpacked1;
    job.part1_packed = h.packed1;
    job.part2_unpacked = h.unpacked2;
    job.part2_packed = h.packed2;
    job.file_data = src->data;
    job.file_size = src->size;
    job.dst_pixels = pixels;
    job.dst_size = (size_t)h.width * 4 * (size_t)h.height;
    run_render_job_all(job);
    if (g_render_jobs[0].result != 0)
        return 1;
    return g_render_jobs[1].result != 0 ? 2 : 0;
}

static int kcg_decode(const FileSource *src, LayerState *s, const char *file_name)
{
    if (src->size < KV_KCG_HEADER_SIZE) {
        report_script_error(104010, 1, file_name);
        return -1;
    }
    if (std::memcmp(src->data, "KCG", 4) != 0)
        message_box_printf("", "File Check Error.");
    KcgHeader h;
    kcg_read_header(src->data, &h);
    if (!image_size_ok(h.width, h.height, file_name))
        return -1;
    if (!kcg_layout_ok(h, src->size)) {
        report_script_error(104010, 1, file_name);
        return -1;
    }
    if (!image_take_buffer(s, h.width, h.height, file_name))
        return -1;
    s->has_alpha = 1;
    if (h.compression == KCG_RAW) {
        std::memcpy(s->pixels, src->data + KV_KCG_HEADER_SIZE, (size_t)h.width * 4 * (size_t)h.height);
        return 0;
    }
    int failed = kcg_inflate_parts(h, src, s->pixels);
    if (failed == 0)
        return 0;
    image_clear_pixels(s);
    message_box_printf("", failed == 1 ? "Uncompress Status Error 1." : "Uncompress Status Error 2.");
    return -1;
}

int decode_kcg(FileSource *src, LayerState *s, const char *file_name)
{
    if (image_read_whole(src, file_name) != 0)
        return -1;
    int r = kcg_decode(src, s, file_name);
    image_free_data(src);
    return r;
}
