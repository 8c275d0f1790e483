// Ogg Vorbis read through the memory callbacks: any image is refused with a
// sound code or opens and streams a few halves without reading outside it.
#include <cstdlib>
#include <cstring>

#include "media/sound.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    g_direct_sound_ready = 0;
    SoundRecord *rec = (SoundRecord *)std::calloc(1, sizeof(SoundRecord));
    // An exact-size copy, so that any read past the image is caught.
    rec->image = (uint8_t *)std::malloc(size ? size : 1);
    if (size)
        std::memcpy(rec->image, data, size);
    rec->image_size = (uint32_t)size;
    rec->format = KV_SND_OGG;
    g_sound_ogg_keep_open = size & 1;
    if (sound_open_ogg(rec) == 0) {
        rec->decoder_loops = 2;
        rec->loop_back = (int32_t)(rec->length / 3);
        if (sound_seek(rec, size % 3 == 0 ? -20 : (int64_t)(rec->length / 2)) == 0)
            for (int i = 0; i < 4; i++)
                if (sound_fill_half(rec) != 0)
                    break;
    }
    sound_free_record(rec);
    return 0;
}
