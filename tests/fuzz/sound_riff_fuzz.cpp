// The RIFF WAVE reader and the PCM streaming behind it: any image either is
// refused with a WAVE code or yields chunks inside the image that decode.
#include <cstdlib>
#include <cstring>

#include "media/sound.h"
#include "media/sound_wav.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    WaveInfo w;
    int r = riff_read_wave(data, (uint32_t)size, &w);
    if (r == 0) {
        if (w.data < data || w.data + w.data_size > data + size || w.data_size == 0 ||
            w.fmt < data || w.fmt + w.fmt_size > data + size)
            std::abort();
    } else if (r > -10040 || r < -10090) {
        std::abort();
    }
    if (r != 0 || w.tag != 1)
        return 0;
    // Stream a few halves of it, with an end point and a loop taken from the data.
    g_direct_sound_ready = 0;
    SoundRecord *rec = (SoundRecord *)std::calloc(1, sizeof(SoundRecord));
    rec->image = (uint8_t *)std::malloc(size);
    std::memcpy(rec->image, data, size);
    rec->image_size = (uint32_t)size;
    rec->format = KV_SND_WAV;
    if (sound_open_wav(rec) == 0) {
        rec->end = (int32_t)(rec->length - (int64_t)(data[size - 1] % 7));
        rec->loop_back = data[size - 1] % 13;
        rec->decoder_loops = 3;
        if (sound_seek(rec, -(int64_t)(data[0] % 50)) == 0)
            for (int i = 0; i < 4; i++)
                if (sound_fill_half(rec) != 0)
                    std::abort();
    }
    sound_free_record(rec);
    return 0;
}
