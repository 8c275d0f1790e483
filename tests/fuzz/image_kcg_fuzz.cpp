// The .kcg decoder on arbitrary bytes, on one worker or, when the first byte
// is odd, on two (job 1001).
#include "image_fuzz_support.h"

#include "graphics/render_workers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    bool two = size > 0 && (data[0] & 1);
    if (two && render_worker_count() < 2)
        start_render_workers_count(2);
    else if (!two && render_worker_count() > 1)
        stop_render_workers();
    fuzz_decode_image(data, size, KV_FMT_KCG);
    return 0;
}
