// RIFF WAVE files in memory, and the built-in silent sound of "ROOT".
//
// Layout, little-endian: "RIFF", u32 size, "WAVE", then chunks of a
// four-byte id, a u32 size and the data padded to an even length. The "fmt "
// chunk (at least 16 bytes) holds u16 format tag, u16 channels, u32 sample
// rate, u32 bytes per second, u16 block align, u16 bits per sample, and for
// compressed formats u16 extra size and the extra bytes; "data" holds the
// samples. Every size read is checked against the image; the data chunk is
// cut to the bytes the file really has.
#include <cstdlib>
#include <cstring>

#include "core/byte_order.h"
#include "media/sound.h"
#include "media/sound_wav.h"

static int check_format(WaveInfo *w)
{
    if (w->channels < 1 || w->channels > 8 || w->rate < 100 || w->rate > 200000 ||
        w->block_align == 0)
        return -10070;
    if (w->tag == 1 && ((w->bits != 8 && w->bits != 16) ||
                        w->block_align != w->channels * (w->bits / 8)))
        return -10070;
    return 0;
}

int riff_read_wave(const uint8_t *img, uint32_t size, WaveInfo *w)
{
    std::memset(w, 0, sizeof *w);
    if (!img || size < 12 || std::memcmp(img, "RIFF", 4) != 0)
        return -10040;
    if (std::memcmp(img + 8, "WAVE", 4) != 0)
        return -10050;
    uint64_t end = (uint64_t)get_le32(img + 4) + 8;
    if (end > size)
        end = size;
    uint64_t pos = 12;
    bool have_fmt = false, have_data = false;
    while (pos + 8 <= end && !(have_fmt && have_data)) {
        const uint8_t *h = img + pos;
        uint64_t len = get_le32(h + 4);
        uint64_t body = pos + 8;
        if (!have_fmt && std::memcmp(h, "fmt ", 4) == 0) {
            if (len < 16 || len > 1024 || body + len > end)
                return -10060;
            w->fmt = h + 8;
            w->fmt_size = (uint32_t)len;
            w->tag = get_le16(w->fmt);
            w->channels = get_le16(w->fmt + 2);
            w->rate = get_le32(w->fmt + 4);
            w->avg_bytes = get_le32(w->fmt + 8);
            w->block_align = get_le16(w->fmt + 12);
            w->bits = get_le16(w->fmt + 14);
            have_fmt = true;
        } else if (!have_data && std::memcmp(h, "data", 4) == 0) {
            uint64_t avail = end - body;
            w->data = h + 8;
            w->data_size = (uint32_t)(len < avail ? len : avail);
            have_data = true;
        }
        pos = body + len + (len & 1);
    }
    if (!have_fmt)
        return pos != end && !have_data ? -10090 : -10060;
    if (!have_data)
        return -10080;
    int r = check_format(w);
    if (r < 0)
        return r;
    if (w->tag == 1)
        w->data_size -= w->data_size % w->block_align;
    return w->data_size == 0 ? -10080 : 0;
}

int sound_open_wav(SoundRecord *rec)
{
    WaveInfo w;
    int r = riff_read_wave(rec->image, rec->image_size, &w);
    if (r < 0)
        return r;
    std::free(rec->converted);
    rec->converted = nullptr;
    KvWaveFormat f = {w.tag, w.channels, w.rate, w.avg_bytes, w.block_align, w.bits};
    if (w.tag == 1) {
        rec->pcm = w.data;
        rec->pcm_size = w.data_size;
        rec->decoder_kind = KV_DEC_PCM;
    } else {
        uint8_t *out = nullptr;
        uint32_t out_size = 0;
        r = sys_sound_convert_to_pcm(w.fmt, w.fmt_size, w.data, w.data_size, &f, &out, &out_size);
        if (r < 0)
            return r;
        rec->converted = out;
        WaveInfo c = {};
        c.tag = f.tag, c.channels = f.channels, c.rate = f.rate, c.block_align = f.block_align;
        c.bits = f.bits;
        if (f.tag != 1 || check_format(&c) < 0 || out_size < f.block_align)
            return -10300;
        rec->pcm = out;
        rec->pcm_size = out_size - out_size % f.block_align;
        rec->decoder_kind = KV_DEC_CONVERTED;
    }
    r = sound_create_buffer(rec, f.channels, f.rate, f.bits);
    if (r < 0)
        return r;
    rec->length = (int64_t)rec->pcm_size * 1000 / rec->bytes_per_second;
    rec->end = (int32_t)rec->length;
    rec->pcm_offset = 0;
    return 0;
}

uint8_t *sound_silent_wave(uint32_t *size)
{
    enum { DATA = 4000, TOTAL = 44 + DATA };
    uint8_t *p = (uint8_t *)std::malloc(TOTAL);
    if (!p)
        return nullptr;
    static const uint8_t head[44] = {
        'R', 'I', 'F', 'F', (TOTAL - 8) & 0xFF, (TOTAL - 8) >> 8, 0, 0, 'W', 'A', 'V', 'E',
        'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x40, 0x1F, 0, 0,
        1, 0, 8, 0, 'd', 'a', 't', 'a', DATA & 0xFF, DATA >> 8, 0, 0};
    std::memcpy(p, head, sizeof head);
    std::memset(p + 44, 128, DATA);
    *size = TOTAL;
    return p;
}
