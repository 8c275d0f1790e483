// The held JPEG frame container: checking, loading and frame decoding. Every
// offset and size is checked in 64 bits at load, so that a damaged container
// is refused whole; a frame's streams are unscrambled into a copy when it is
// decoded, as entries may share bytes.
#include "image/jpeg_frames.h"

#include <cstdlib>
#include <cstring>

#include "core/error_report.h"
#include "core/locate.h"
#include "core/tree.h"
#include "graphics/layer.h"
#include "image/image_decode_util.h"
#include "image/jpeg_core.h"

const uint8_t k_jpeg_frames_key[KV_JPEG_FRAMES_KEY_SIZE] = {
    0x4B, 0x9E, 0x21, 0xD3, 0x76, 0x08, 0xB5, 0x6A, 0xE1, 0x3C, 0x57, 0x92, 0x0F, 0xC8, 0xA4, 0x3D,
};

JpegFrames g_jpeg_frames;

void jpeg_frames_scramble(uint8_t *p, size_t n)
{
    for (size_t i = 0; i < n; i++)
        p[i] ^= k_jpeg_frames_key[i & 15];
}

static uint32_t table_entry(const uint8_t *data, uint32_t count, int table, uint32_t i)
{
    return get_le32(data + KV_JPEG_FRAMES_HEADER + ((size_t)table * count + i) * 4);
}

bool jpeg_frames_parse(uint8_t *data, size_t size, JpegFrames *out)
{
    if (!data || size < KV_JPEG_FRAMES_HEADER)
        return false;
    uint32_t n = get_le32(data + 8);
    if ((uint64_t)n > (size - KV_JPEG_FRAMES_HEADER) / 12)
        return false;
    uint64_t first = KV_JPEG_FRAMES_HEADER + (uint64_t)n * 12;
    for (uint32_t i = 0; i < n; i++) {
        uint64_t off = table_entry(data, n, 0, i);
        uint64_t end = off + table_entry(data, n, 1, i) + table_entry(data, n, 2, i);
        if (off < first || end > size)
            return false;
    }
    out->data = data;
    out->size = size;
    out->count = n;
    out->alpha_flag = get_le32(data + 12);
    for (int k = 0; k < 3; k++)
        out->header_values[k] = get_le32(data + 16 + 4 * k);
    return true;
}

const uint8_t *jpeg_frame_stream(const JpegFrames *c, uint32_t i, bool alpha, size_t *size)
{
    uint32_t off = table_entry(c->data, c->count, 0, i);
    uint32_t cs = table_entry(c->data, c->count, 1, i);
    *size = alpha ? table_entry(c->data, c->count, 2, i) : cs;
    return c->data + off + (alpha ? cs : 0);
}

void free_jpeg_frames()
{
    std::free(g_jpeg_frames.data);
    std::memset(&g_jpeg_frames, 0, sizeof g_jpeg_frames);
}

int load_jpeg_frames_file(const char *name)
{
    free_jpeg_frames();
    FileSource src;
    std::memset(&src, 0, sizeof src);
    int r = locate_file(&src, name);
    if (r <= 0) {
        if (r == 0)
            report_script_error(104060, 1, name);
        else
            report_system_error(901040, 1, name);
        report_script_error(104010, 1, name);
        return -1;
    }
    if (load_resource(&src, name) != 0 || !src.data) {
        std::free(src.data);
        report_script_error(104010, 1, name);
        return -1;
    }
    if (!jpeg_frames_parse(src.data, src.size, &g_jpeg_frames)) {
        std::free(src.data);
        std::memset(&g_jpeg_frames, 0, sizeof g_jpeg_frames);
        report_script_error(104010, 1, name);
        return -1;
    }
    return 0;
}

static LayerState *layer_of(TreeNode *node)
{
    return node ? (LayerState *)node->payload : nullptr;
}

int decode_jpeg_from_memory(const uint8_t *data, size_t size, TreeNode *layer)
{
    LayerState *s = layer_of(layer);
    if (!s)
        return -1;
    int r = jpeg_decode_memory(data, size, s, "", JPEG_DECODE_FRAME);
    return r == -3 ? -1 : r;
}

int decode_jpeg_alpha_plane(const uint8_t *data, size_t size, TreeNode *layer)
{
    LayerState *s = layer_of(layer);
    return s ? jpeg_decode_grey_alpha(data, size, s) : -1;
}

// Frame i's colour stream followed by its alpha stream (empty when the
// container has no alpha), unscrambled; null after reporting 104030. The
// streams lie inside the file (checked at load).
static uint8_t *frame_streams(const JpegFrames *c, uint32_t i, size_t *colour, size_t *alpha)
{
    const uint8_t *p = jpeg_frame_stream(c, i, false, colour);
    jpeg_frame_stream(c, i, true, alpha);
    if (!c->alpha_flag)
        *alpha = 0;
    uint8_t *copy = (uint8_t *)std::malloc(*colour + *alpha + 1);
    if (!copy) {
        report_script_error(104030, 1, "");
        return nullptr;
    }
    std::memcpy(copy, p, *colour + *alpha);
    jpeg_frames_scramble(copy, *colour);
    jpeg_frames_scramble(copy + *colour, *alpha);
    return copy;
}

void decode_jpeg_frame(TreeNode *layer, int64_t n)
{
    const JpegFrames &c = g_jpeg_frames;
    LayerState *s = layer_of(layer);
    if (!c.data || c.count == 0 || !s)
        return;
    uint32_t i = n < 0 ? 0 : n >= (int64_t)c.count ? c.count - 1 : (uint32_t)n;
    // Only flag 1 makes the layer blend by its alpha; any other non-zero flag
    // still fills the alpha bytes from the alpha stream.
    s->has_alpha = c.alpha_flag == 1;
    layer_mark_dirty(layer);   // the old area too, for a frame of another size
    size_t colour, alpha;
    uint8_t *p = frame_streams(&c, i, &colour, &alpha);
    if (!p)
        return;
    if (decode_jpeg_from_memory(p, colour, layer) != -1 && c.alpha_flag)
        decode_jpeg_alpha_plane(p + colour, alpha, layer);
    std::free(p);
    layer_mark_dirty(layer);
}
