// Ogg Vorbis through vorbisfile, reading the file image in memory through
// callbacks that bound every read and seek to the image. The decoder is
// opened at the start of a refill and positioned at the saved PCM position;
// it is kept open between refills (g_sound_ogg_keep_open) or closed again.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <vorbis/vorbisfile.h>

#include "media/sound.h"

uint8_t g_sound_ogg_keep_open = 1;

static size_t ogg_mem_read(void *ptr, size_t size, size_t count, void *source)
{
    SoundRecord *rec = (SoundRecord *)source;
    if (size == 0 || count == 0 || rec->image_offset >= rec->image_size)
        return 0;
    size_t left = rec->image_size - rec->image_offset;
    size_t want = count > left / size ? left / size * size : size * count;
    if (want == 0)
        return 0;
    std::memcpy(ptr, rec->image + rec->image_offset, want);
    rec->image_offset += (uint32_t)want;
    return want / size;
}

static int ogg_mem_seek(void *source, ogg_int64_t offset, int origin)
{
    SoundRecord *rec = (SoundRecord *)source;
    int64_t base;
    switch (origin) {
    case SEEK_SET: base = 0; break;
    case SEEK_CUR: base = rec->image_offset; break;
    case SEEK_END: base = rec->image_size; break;
    default: return -1;
    }
    if ((offset > 0 && offset > (int64_t)rec->image_size) ||
        (offset < 0 && -offset > (int64_t)rec->image_size))
        return -1;
    int64_t pos = base + offset;
    if (pos < 0 || pos > (int64_t)rec->image_size)
        return -1;
    rec->image_offset = (uint32_t)pos;
    return 0;
}

static long ogg_mem_tell(void *source)
{
    return (long)((SoundRecord *)source)->image_offset;
}

static int ogg_mem_close(void *) { return 1; }

static const ov_callbacks k_ogg_callbacks = {ogg_mem_read, ogg_mem_seek, ogg_mem_close,
                                             ogg_mem_tell};

// Opens a decoder on the image from offset 0. 0 or -1.
static int ogg_open(SoundRecord *rec)
{
    OggVorbis_File *vf = (OggVorbis_File *)std::calloc(1, sizeof *vf);
    if (!vf)
        return -1;
    rec->image_offset = 0;
    if (ov_open_callbacks(rec, vf, nullptr, 0, k_ogg_callbacks) != 0) {
        std::free(vf);
        return -1;
    }
    rec->ogg = vf;
    return 0;
}

void sound_ogg_close(SoundRecord *rec)
{
    if (!rec->ogg)
        return;
    ov_clear(rec->ogg);
    std::free(rec->ogg);
    rec->ogg = nullptr;
}

int sound_open_ogg(SoundRecord *rec)
{
    sound_ogg_close(rec);
    if (ogg_open(rec) != 0)
        return -1030;
    OggVorbis_File *vf = rec->ogg;
    int code = 0;
    vorbis_info *info = nullptr;
    if (!ov_seekable(vf))
        code = -1040;
    else if (ov_streams(vf) != 1)
        code = -1045;
    else if (!(info = ov_info(vf, -1)) || info->channels < 1 || info->channels > 8 ||
             info->rate < 100 || info->rate > 200000)
        code = -1050;
    double total = code ? 0 : ov_time_total(vf, -1);
    int channels = info ? info->channels : 0;
    long rate = info ? info->rate : 0;
    sound_ogg_close(rec);
    if (code)
        return code;
    if (!(total >= 0 && total < 2147483.0))
        return -1050;
    rec->length = (int64_t)(total * 1000);
    rec->end = (int32_t)rec->length;
    rec->decoder_kind = KV_DEC_OGG;
    return sound_create_buffer(rec, (uint16_t)channels, (uint32_t)rate, 16);
}

int sound_ogg_refill_begin(SoundRecord *rec)
{
    if (rec->ogg)
        return 0;
    if (ogg_open(rec) != 0)
        return -3010;
    if (ov_pcm_seek(rec->ogg, rec->pcm_position) != 0) {
        sound_ogg_close(rec);
        return -3020;
    }
    return 0;
}

void sound_ogg_refill_end(SoundRecord *rec)
{
    if (!rec->ogg)
        return;
    rec->pcm_position = ov_pcm_tell(rec->ogg);
    if (!g_sound_ogg_keep_open)
        sound_ogg_close(rec);
}

int sound_ogg_seek(SoundRecord *rec, double seconds)
{
    bool was_open = rec->ogg != nullptr;
    if (!was_open && ogg_open(rec) != 0)
        return -2010;
    if (ov_time_seek(rec->ogg, seconds) != 0) {
        sound_ogg_close(rec);
        return -2020;
    }
    rec->pcm_position = ov_pcm_tell(rec->ogg);
    if (!was_open && !g_sound_ogg_keep_open)
        sound_ogg_close(rec);
    return 0;
}

int sound_ogg_read(SoundRecord *rec, uint8_t *out, int bytes)
{
    if (!rec->ogg)
        return -3010;
    int section = 0;
    long got = ov_read(rec->ogg, (char *)out, bytes, 0, 2, 1, &section);
    if (got == OV_HOLE)
        return -90001;
    if (got == OV_EBADLINK)
        return -90002;
    if (got < 0)
        return got < -90000 ? -90000 : (int)got;
    uint32_t align = rec->wave_format.block_align;
    return (int)(got / align * align);
}
