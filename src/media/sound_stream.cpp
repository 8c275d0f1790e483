// Streaming into a looping device buffer of about one second, split into two
// halves: whenever the write cursor has moved into one half, the other half
// gets the next half second of PCM. Decoding one half applies the leading
// silence, the end point, the decoder loop count and the loop-back.
//
// Each half is a whole number of sample frames, so the buffer (two halves)
// never holds a byte that was not written.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/tree.h"
#include "media/sound.h"
#include "core/quit.h"

uint8_t g_direct_sound_ready;

int sound_create_ds_buffer(SoundRecord *rec)
{
    if (rec->scratch)
        return -1060;
    rec->scratch = (uint8_t *)std::calloc(1, KV_SOUND_STEP);
    if (!rec->scratch)
        return -1070;
    if (rec->stream)
        return -1080;
    rec->stream = (uint8_t *)std::calloc(1, (size_t)rec->half_bytes + KV_SOUND_STEP);
    if (!rec->stream)
        return -1090;
    if (!g_direct_sound_ready)
        return 0;
    if (sys_sound_buffer_create(&rec->buffer, &rec->wave_format, rec->buffer_bytes) != 0) {
        rec->buffer = nullptr;
        return -1120;
    }
    return 0;
}

int sound_create_buffer(SoundRecord *rec, uint16_t channels, uint32_t rate, uint16_t bits)
{
    KvWaveFormat &f = rec->wave_format;
    f.tag = 1;
    f.channels = channels;
    f.rate = rate;
    f.bits = bits;
    f.block_align = (uint16_t)(channels * (bits / 8));
    f.avg_bytes = f.block_align * rate;
    rec->bytes_per_second = (int64_t)f.block_align * rate;
    rec->half_bytes = (uint32_t)(rec->bytes_per_second / 2 / f.block_align * f.block_align);
    rec->buffer_bytes = rec->half_bytes * 2;
    return sound_create_ds_buffer(rec);
}

static uint8_t silence_byte(const SoundRecord *rec)
{
    return rec->wave_format.bits == 8 ? 0x80 : 0;
}

int sound_seek(SoundRecord *rec, int64_t ms)
{
    if (ms >= rec->length)
        ms = rec->length >= 10 ? rec->length - 10 : 0;
    int64_t bps = rec->bytes_per_second;
    uint32_t align = rec->wave_format.block_align ? rec->wave_format.block_align : 1;
    rec->decoded_bytes = ms * bps / 1000;
    if (ms < 0) {
        int64_t s = rec->leading_silence + (-ms) * bps / 1000;
        rec->leading_silence = s / align * align;
        rec->decoded_bytes = -rec->leading_silence;
    }
    if (rec->decoder_kind == KV_DEC_OGG)
        return sound_ogg_seek(rec, ms < 0 ? 0.0 : ms / 1000.0);
    int64_t off = ms < 0 ? 0 : ms * bps / 1000 / align * align;
    if (off >= rec->pcm_size)
        off = rec->pcm_size >= align ? rec->pcm_size - align : 0;
    rec->pcm_offset = off;
    return 0;
}

// Reads up to `bytes` bytes of PCM (0 at the end of the data).
static int read_pcm(SoundRecord *rec, uint8_t *out, int bytes)
{
    if (rec->decoder_kind == KV_DEC_OGG)
        return sound_ogg_read(rec, out, bytes);
    int64_t left = (int64_t)rec->pcm_size - rec->pcm_offset;
    int n = left < bytes ? (int)(left > 0 ? left : 0) : bytes;
    uint32_t align = rec->wave_format.block_align;
    n = n / align * align;
    std::memcpy(out, rec->pcm + rec->pcm_offset, (size_t)n);
    rec->pcm_offset += n;
    return n;
}

// One decode step: up to KV_SOUND_STEP bytes, less near the end point.
static int step_size(const SoundRecord *rec)
{
    int64_t e = (int64_t)rec->end * rec->bytes_per_second / 1000;
    if (rec->decoded_bytes + KV_SOUND_STEP < e)
        return KV_SOUND_STEP;
    uint32_t align = rec->wave_format.block_align;
    int64_t step = e - rec->decoded_bytes;
    step = step < 0 ? 0 : step / align * align;
    return step < 32 ? 0 : (int)step;
}

// The end of a pass: 1 when the decoder goes on at the loop-back, 0 when the
// pass was the last one (or a loop that yields nothing), negative on failure.
static int wrap_pass(SoundRecord *rec, bool produced)
{
    if (rec->decoder_loops == 1 || !produced)
        return 0;
    rec->decoder_loops = rec->decoder_loops > 0 ? rec->decoder_loops - 1 : 0;
    rec->wrap_end = rec->end;
    rec->wrap_loop_back = rec->loop_back >= rec->end ? 0 : rec->loop_back;
    int64_t bps = rec->bytes_per_second;
    uint32_t align = rec->wave_format.block_align;
    rec->decoded_bytes = (int64_t)rec->wrap_loop_back * bps / 1000;
    if (rec->decoder_kind == KV_DEC_OGG) {
        int r = sound_ogg_seek(rec, rec->wrap_loop_back / 1000.0);
        return r < 0 ? r : 1;
    }
    int64_t off = rec->decoded_bytes / align * align;
    rec->pcm_offset = off < rec->pcm_size ? off : 0;
    return 1;
}

static int decode_half(SoundRecord *rec)
{
    uint8_t *out = rec->stream;
    uint32_t half = rec->half_bytes;
    uint32_t fill = rec->carried;
    std::memcpy(out, rec->scratch, fill);
    rec->carried = 0;
    bool produced = true;   // audio since the last wrap
    while (fill < half) {
        if (rec->leading_silence > 0) {
            uint32_t n = (uint32_t)(rec->leading_silence < half - fill ? rec->leading_silence
                                                                      : half - fill);
            std::memset(out + fill, silence_byte(rec), n);
            fill += n;
            rec->leading_silence -= n;
            rec->decoded_bytes += n;
            continue;
        }
        int step = step_size(rec);
        int got = step ? read_pcm(rec, out + fill, step) : 0;
        if (got < 0)
            return got;
        if (got > 0) {
            fill += (uint32_t)got;
            rec->decoded_bytes += got;
            produced = true;
            continue;
        }
        int w = wrap_pass(rec, produced);
        if (w < 0)
            return w;
        if (w == 0) {
            std::memset(out + fill, silence_byte(rec), half - fill);
            fill = half;
        }
        produced = false;
    }
    rec->carried = fill - half;
    std::memcpy(rec->scratch, out + half, rec->carried);
    return 0;
}

int sound_write_buffer(SoundRecord *rec, const uint8_t *data, uint32_t offset, uint32_t bytes)
{
    if (!rec->buffer)
        return 0;
    void *p1 = nullptr, *p2 = nullptr;
    uint32_t n1 = 0, n2 = 0;
    if (sys_sound_lock(rec->buffer, offset, bytes, &p1, &n1, &p2, &n2) != 0)
        return 1;
    std::memcpy(p1, data, n1 < bytes ? n1 : bytes);
    if (p2 && n1 < bytes)
        std::memcpy(p2, data + n1, n2 < bytes - n1 ? n2 : bytes - n1);
    sys_sound_unlock(rec->buffer, p1, n1, p2, n2);
    return 0;
}

int sound_fill_half(SoundRecord *rec)
{
    if (!rec->stream || !rec->scratch)
        return -330;
    int r = rec->decoder_kind == KV_DEC_OGG ? sound_ogg_refill_begin(rec) : 0;
    if (r < 0)
        return r;
    r = decode_half(rec);
    if (rec->decoder_kind == KV_DEC_OGG)
        sound_ogg_refill_end(rec);
    if (r < 0)
        return r;
    if (sound_write_buffer(rec, rec->stream, rec->half_offset, rec->half_bytes) != 0)
        return -3030;
    return 0;
}

// Streams again from `ms`: seeks, fills the first half of the buffer and sets
// its volume, pan and frequency. < 0 on failure.
int sound_refill_at(TreeNode *node, SoundRecord *rec, int64_t ms, int32_t volume)
{
    int r = sound_seek(rec, ms);
    if (r < 0)
        return r;
    rec->audible_bytes = rec->decoded_bytes;
    rec->half_last_written = 1;
    rec->half_offset = 0;
    r = sound_fill_half(rec);
    if (r < 0)
        return r;
    sound_apply_volume(node, volume);
    sound_set_pan(rec, rec->pan);
    sound_set_frequency(rec, rec->pitch);
    return 0;
}

// Sounds whose next half is due, collected under the lock and decoded after it.
static std::vector<SoundRecord *> g_refill_jobs;

static int queue_refill(SoundRecord *rec)
{
    if (!rec->buffer)
        return -330;
    uint32_t play, w;
    if (sys_sound_position(rec->buffer, &play, &w) != 0)
        return -340;
    uint32_t half = rec->half_bytes;
    if (rec->half_last_written == 1 && w < half) {
        rec->half_offset = half;
        rec->half_last_written = 2;
    } else if (rec->half_last_written == 2 && w > half) {
        rec->half_offset = 0;
        rec->half_last_written = 1;
    } else {
        return 0;
    }
    g_refill_jobs.push_back(rec);
    return 0;
}

int sound_stream_refill(TreeNode *first)
{
    return sound_walk_playing(first, queue_refill);
}

// Decoding touches only fields that the sound thread alone writes (the
// script side changes records only through sound codes, and frees a node
// only after its stop code has run here), so it runs outside the engine lock
// and the lock is never held for a whole decode.
int sound_run_refills()
{
    int r = 0;
    for (SoundRecord *rec : g_refill_jobs)
        if (r >= 0)
            r = sound_fill_half(rec);
    g_refill_jobs.clear();
    return r;
}

void sound_run_refills_discard()
{
    g_refill_jobs.clear();
}
