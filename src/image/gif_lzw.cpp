// GIF LZW decoding (GIF89a): codes least significant bit first across the
// data sub-blocks, a 4096-entry table of prefix and suffix, the code width
// growing from code size + 1 by one bit each time the next free code reaches
// 2^width, up to 12 bits. A full table without a clear code keeps its width
// and adds nothing (the "deferred clear" of some encoders).
#include "image/gif_lzw.h"

enum { LZW_TABLE = 4096, LZW_MAX_WIDTH = 12 };

namespace {

struct GifBits {
    const uint8_t *data;
    size_t size;
    size_t pos;
    uint32_t block_left;
    uint32_t acc;
    int nbits;
    bool done;          // the data sub-blocks have ended
    bool terminated;    // ... at their empty terminating sub-block
};

int gif_next_byte(GifBits &b)
{
    while (b.block_left == 0) {
        if (b.done || b.pos >= b.size) {
            b.done = true;
            return -1;
        }
        b.block_left = b.data[b.pos++];
        if (b.block_left == 0) {
            b.done = b.terminated = true;
            return -1;
        }
    }
    if (b.pos >= b.size) {
        b.done = true;
        return -1;
    }
    b.block_left--;
    return b.data[b.pos++];
}

int gif_read_code(GifBits &b, int width)
{
    while (b.nbits < width) {
        int c = gif_next_byte(b);
        if (c < 0)
            return -1;
        b.acc |= (uint32_t)c << b.nbits;
        b.nbits += 8;
    }
    int code = (int)(b.acc & ((1u << width) - 1));
    b.acc >>= width;
    b.nbits -= width;
    return code;
}

// Puts indices in frame order (rows top-down, or the interlace passes) and
// keeps those inside the stored part.
struct GifPlacer {
    const GifIndexSink *sink;
    uint64_t count, total;
    uint32_t x, y;
    int pass;

    bool finished() const
    {
        const GifIndexSink &s = *sink;
        return count >= total || s.stored_w == 0 ||
               (y >= s.stored_h && (!s.interlaced || pass == 3));
    }
    void next_row()
    {
        static const uint8_t start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
        if (!sink->interlaced) {
            y++;
            return;
        }
        y += step[pass];
        while (y >= sink->height && pass < 3) {
            pass++;
            y = start[pass];
        }
    }
    void put(uint8_t index)
    {
        const GifIndexSink &s = *sink;
        if (x < s.stored_w && y < s.stored_h)
            s.indices[(size_t)y * s.stored_w + x] = index;
        count++;
        if (++x == s.width) {
            x = 0;
            next_row();
        }
    }
};

struct LzwTable {
    uint16_t prefix[LZW_TABLE];
    uint8_t suffix[LZW_TABLE];
    uint8_t first[LZW_TABLE];
    uint8_t stack[LZW_TABLE + 1];
};

// Emits the string of code; a chain is followed at most 4096 steps.
void lzw_emit(LzwTable &t, int code, int first_free, GifPlacer &out)
{
    int n = 0, c = code;
    for (int steps = 0; c >= first_free && steps < LZW_TABLE; steps++) {
        t.stack[n++] = t.suffix[c];
        c = t.prefix[c];
    }
    t.stack[n++] = (uint8_t)c;
    while (n > 0 && !out.finished())
        out.put(t.stack[--n]);
}

void lzw_run(GifBits &bits, int code_size, GifPlacer &out)
{
    LzwTable t;
    const int clear = 1 << code_size, end = clear + 1, first_free = clear + 2;
    for (int i = 0; i < clear; i++) {
        t.suffix[i] = t.first[i] = (uint8_t)i;
        t.prefix[i] = 0;
    }
    int next = first_free, width = code_size + 1, prev = -1;
    while (!out.finished()) {
        int code = gif_read_code(bits, width);
        if (code < 0 || code == end)
            return;
        if (code == clear) {
            next = first_free;
            width = code_size + 1;
            prev = -1;
            continue;
        }
        if (prev < 0) {
            if (code >= clear)
                return;   // a first code must be a colour index
            lzw_emit(t, code, first_free, out);
            prev = code;
            continue;
        }
        if (code > next || (code == next && next >= LZW_TABLE))
            return;   // beyond the table
        if (next < LZW_TABLE) {
            t.prefix[next] = (uint16_t)prev;
            t.suffix[next] = code < next ? t.first[code] : t.first[prev];
            t.first[next] = t.first[prev];
            next++;
            if (next == (1 << width) && width < LZW_MAX_WIDTH)
                width++;
        }
        lzw_emit(t, code, first_free, out);
        prev = code;
    }
}

}  // namespace

bool gif_skip_sub_blocks(const uint8_t *data, size_t size, size_t *pos)
{
    while (*pos < size) {
        uint32_t n = data[(*pos)++];
        if (n == 0)
            return true;
        *pos = n < size - *pos ? *pos + n : size;
    }
    return false;
}

bool gif_lzw_decode(const uint8_t *data, size_t size, size_t *pos, int code_size,
                    const GifIndexSink &sink)
{
    GifBits bits = {data, size, *pos, 0, 0, 0, false, false};
    GifPlacer out = {&sink, 0, (uint64_t)sink.width * sink.height, 0, 0, 0};
    if (code_size >= 2 && code_size <= 8)
        lzw_run(bits, code_size, out);
    *pos = bits.pos;
    if (bits.terminated)
        return true;
    // The rest of the current sub-block, then the remaining ones; running
    // out of data on the way means the file was cut short.
    size_t left = size - *pos;
    if (bits.block_left > left) {
        *pos = size;
        return false;
    }
    *pos += bits.block_left;
    return gif_skip_sub_blocks(data, size, pos);
}
