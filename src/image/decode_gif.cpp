// GIF decoder: every frame is kept as a frame record in the layer's frame
// table (8192 slots); frame 0 becomes the layer's pixels.
//
// File layout (GIF87a / GIF89a, little-endian):
//   0 "GIF87a" or "GIF89a" (not checked)
//   6 u16 screen width   8 u16 screen height
//  10 u8 flags: bit 7 global colour table, bits 0-2 its size n (2^(n+1) entries)
//  11 u8 background index   12 u8 aspect
//  13 global colour table: entries R, G, B
//  then blocks until the trailer ';' (0x3B):
//   '!' (0x21) label, data sub-blocks (a size byte 1..255 and its bytes) up
//       to an empty one. 0xF9 graphic control: size 4, flags (bits 2-4
//       disposal, bit 0 transparent), u16 delay in 1/100 s, transparent
//       index; it applies to the next frame only. 0xFF application:
//       "NETSCAPE2.0" with the sub-block 1, u16 loop count. Others skipped.
//   ',' (0x2C) image descriptor: u16 left, top, width, height; u8 flags
//       (bit 7 local colour table, bit 6 interlace, bits 0-2 table size);
//       local table; u8 LZW minimum code size (2..8); data sub-blocks.
// A file whose data ends before the trailer is refused, however much of it
// was read: the frames go into a table of their own, which replaces the
// layer's table (and frame 0 its pixels) only once the trailer is reached.
//
// Frame record (one heap block per frame, little-endian u32 fields):
//     0 left   4 top   8 width   12 height (the part inside the screen)
//    16 disposal method   20 transparent flag   24 delay (1/100 s)
//    28 transparent index   32 loop count (NETSCAPE2.0 block; 1 when none)
//    36..63 zero
//    64 colour table: 256 entries R, G, B (the global table, with the
//       frame's local table over its first entries)
//   832..1023 zero
//  1024 colour indices, width x height, rows top-down
//  the block holds width x height + 1040 bytes.
#include <cstdlib>
#include <cstring>

#include "core/error_report.h"
#include "core/locate.h"
#include "graphics/layer.h"
#include "image/gif_lzw.h"
#include "image/image_decode_util.h"
#include "image/image_decoders.h"

enum {
    GIF_REC_INDICES = 1024,
    GIF_REC_EXTRA = 1040,
    GIF_REC_TABLE = 64,
    GIF_TABLE_BYTES = 768
};
// All frame records of one file together; a larger animation is refused.
static const uint64_t k_gif_frame_budget = (uint64_t)512 << 20;

namespace {

struct GifReader {
    const uint8_t *d;
    size_t size, pos;
    bool eof;

    uint8_t u8()
    {
        if (pos >= size) {
            eof = true;
            return 0;
        }
        return d[pos++];
    }
    uint32_t u16()
    {
        uint32_t lo = u8();
        return lo | (uint32_t)u8() << 8;
    }
    // Moves to `at`; past the end of the data is running out.
    void seek(size_t at)
    {
        if (at > size)
            eof = true;
        pos = at < size ? at : size;
    }
    void skip_sub_blocks()
    {
        if (!gif_skip_sub_blocks(d, size, &pos))
            eof = true;
    }
};

struct GifControl {
    uint32_t disposal, transparent, delay, index;
};

struct GifState {
    GifReader in;
    uint32_t screen_w, screen_h;
    uint8_t global[GIF_TABLE_BYTES];
    GifControl control;
    uint32_t loop_count;
    uint32_t frames;
    uint64_t bytes;
    uint8_t **table;
};

void gif_read_colours(GifReader &in, uint8_t flags, uint8_t *table)
{
    uint32_t n = 2u << (flags & 7);
    for (uint32_t i = 0; i < n * 3; i++)
        table[i] = in.u8();
}

void gif_graphic_control(GifState &g)
{
    GifReader &in = g.in;
    uint32_t n = in.u8();
    size_t after = in.pos + n;
    if (n >= 4) {
        uint8_t flags = in.u8();
        g.control.disposal = (flags >> 2) & 7;
        g.control.transparent = flags & 1;
        g.control.delay = in.u16();
        g.control.index = in.u8();
    }
    in.seek(after);
    in.skip_sub_blocks();
}

// The loop count comes only from the NETSCAPE2.0 block's sub-block 1.
void gif_application(GifState &g)
{
    GifReader &in = g.in;
    uint32_t n = in.u8();
    char id[11] = {};
    size_t after = in.pos + n;
    for (uint32_t i = 0; i < n && i < sizeof id; i++)
        id[i] = (char)in.u8();
    in.seek(after);
    bool looping = n == 11 && std::memcmp(id, "NETSCAPE2.0", 11) == 0;
    while (!in.eof) {
        uint32_t m = in.u8();
        if (m == 0)
            break;
        size_t next = in.pos + m;
        if (looping && m >= 3 && in.u8() == 1)
            g.loop_count = in.u16();
        in.seek(next);
    }
}

void gif_extension(GifState &g)
{
    uint8_t label = g.in.u8();
    if (label == 0xF9)
        gif_graphic_control(g);
    else if (label == 0xFF)
        gif_application(g);
    else
        g.in.skip_sub_blocks();
}

uint32_t gif_clip(uint32_t at, uint32_t size, uint32_t screen)
{
    return at < screen ? (size < screen - at ? size : screen - at) : 0;
}

// 0 frame read, -1 refused (the data ran out, or a bad code size or frame).
int gif_frame(GifState &g)
{
    GifReader &in = g.in;
    uint32_t left = in.u16(), top = in.u16(), w = in.u16(), h = in.u16();
    uint8_t flags = in.u8();
    uint8_t colours[GIF_TABLE_BYTES];
    std::memcpy(colours, g.global, sizeof colours);
    if (flags & 0x80)
        gif_read_colours(in, flags, colours);
    int code_size = in.u8();
    if (in.eof)
        return -1;
    if (code_size < 2 || code_size > 8)
        return -1;
    GifControl control = g.control;
    g.control = GifControl{};
    if (g.frames >= KV_GIF_FRAME_SLOTS) {
        in.skip_sub_blocks();   // no slot left: shown frames only
        return in.eof ? -1 : 0;
    }
    uint32_t sw = gif_clip(left, w, g.screen_w), sh = gif_clip(top, h, g.screen_h);
    uint64_t bytes = (uint64_t)sw * sh + GIF_REC_EXTRA;
    if (g.bytes + bytes > k_gif_frame_budget)
        return -1;
    uint8_t *rec = (uint8_t *)std::malloc((size_t)bytes);
    if (!rec)
        return -1;
    g.table[g.frames] = rec;
    g.bytes += bytes;
    std::memset(rec, 0, (size_t)bytes);
    const uint32_t fields[9] = {left, top, sw, sh, control.disposal, control.transparent,
                                control.delay, control.index, g.loop_count};
    for (int i = 0; i < 9; i++)
        put_le32(rec + 4 * i, fields[i]);
    std::memcpy(rec + GIF_REC_TABLE, colours, sizeof colours);
    GifIndexSink sink = {rec + GIF_REC_INDICES, w, h, sw, sh, (flags & 0x40) != 0};
    if (!gif_lzw_decode(in.d, in.size, &in.pos, code_size, sink))
        return -1;
    g.frames++;
    return 0;
}

// 0 at the trailer, -1 for a refused file. Running out of data anywhere
// before the trailer leaves the reader's end flag set.
int gif_read_blocks(GifState &g)
{
    for (;;) {
        uint8_t b = g.in.u8();
        if (g.in.eof)
            return -1;
        if (b == ';')
            return 0;
        if (b == '!')
            gif_extension(g);
        else if (b != ',' || gif_frame(g) != 0)
            return -1;
    }
}

// Frame 0 at its place on the cleared layer.
void gif_show_frame0(LayerState *s, const uint8_t *rec)
{
    uint32_t left = get_le32(rec), top = get_le32(rec + 4);
    uint32_t w = get_le32(rec + 8), h = get_le32(rec + 12);
    bool transparent = get_le32(rec + 20) != 0;
    uint32_t key = get_le32(rec + 28);
    const uint8_t *pal = rec + GIF_REC_TABLE;
    const uint8_t *idx = rec + GIF_REC_INDICES;
    for (uint32_t y = 0; y < h; y++) {
        uint8_t *d = s->pixels + ((size_t)(top + y) * (uint32_t)s->width + left) * 4;
        for (uint32_t x = 0; x < w; x++, d += 4) {
            uint32_t i = *idx++;
            d[0] = pal[i * 3 + 2];
            d[1] = pal[i * 3 + 1];
            d[2] = pal[i * 3 + 0];
            d[3] = transparent && i == key ? 0 : 255;
        }
    }
    s->has_alpha = transparent ? 1 : 0;
}

// Frees a frame table with every frame in it.
void gif_free_frames(uint8_t **table)
{
    if (!table)
        return;
    for (uint32_t i = 0; i < KV_GIF_FRAME_SLOTS; i++)
        std::free(table[i]);
    std::free(table);
}

// The screen and the global colour table; false when refused (a header cut
// short is left to the loader's report).
bool gif_read_header(GifState &g, const char *file_name)
{
    GifReader &in = g.in;
    in.pos = 6;
    g.screen_w = in.u16();
    g.screen_h = in.u16();
    uint8_t flags = in.u8();
    in.u8();   // background index
    in.u8();   // aspect
    if (flags & 0x80)
        gif_read_colours(in, flags, g.global);
    return !in.eof && image_size_ok(g.screen_w, g.screen_h, file_name);
}

// The blocks into a new frame table (g.table, which the caller frees or
// keeps): 0 with at least one frame, -1 refused.
int gif_read_frames(GifState &g)
{
    g.table = (uint8_t **)std::calloc(KV_GIF_FRAME_SLOTS, sizeof(uint8_t *));
    if (!g.table)
        return -1;
    return gif_read_blocks(g) == 0 && g.frames > 0 ? 0 : -1;
}

// The layer changes only here, once the whole file has been read.
int gif_decode(GifState &g, LayerState *s, const char *file_name)
{
    if (!gif_read_header(g, file_name))
        return -1;
    int r = gif_read_frames(g);
    if (r == 0 && !image_take_buffer(s, (int32_t)g.screen_w, (int32_t)g.screen_h, file_name))
        r = 1;
    if (r != 0) {
        gif_free_frames(g.table);
        return r;
    }
    gif_free_frames(s->gif_frames);
    s->gif_frames = g.table;
    image_clear_pixels(s);
    gif_show_frame0(s, g.table[0]);
    return 0;
}

}  // namespace

int decode_gif(FileSource *src, LayerState *s, const char *file_name)
{
    if (image_read_whole(src, file_name) != 0)
        return 1;
    GifState *g = (GifState *)std::calloc(1, sizeof(GifState));
    int result = -1;
    if (g) {
        g->in = GifReader{src->data, src->size, 0, false};
        g->loop_count = 1;
        result = gif_decode(*g, s, file_name);
    }
    std::free(g);
    image_free_data(src);
    return result;
}
