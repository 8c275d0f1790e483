// Resampling and rotation: random image sizes (wide, tall, one pixel),
// random 1/100-pixel rectangles (inverted and outside the image too),
// output sizes from 0 past the limit, every method and kernel code and
// unknown ones, B the same record as A or another one; SSE2 and AVX2 paths.
#include <cstdlib>

#include "core/error_report.h"
#include "core/quit.h"
#include "graphics/kernels.h"
#include "graphics/layer.h"
#include "fuzz_bytes.h"
#include "image/resample.h"

namespace {

struct Input : FuzzBytes {
    int64_t coord(int64_t span)   // mostly inside, sometimes far outside
    {
        switch (take(1) & 7) {
        case 0: return (int64_t)take(8);
        case 1: return -(int64_t)take(3);
        default: return (int64_t)(take(3) % (uint64_t)(span + 300));
        }
    }
};

void make_image(LayerState *s, Input &in)
{
    static const int32_t sides[] = {1, 2, 3, 5, 16, 37, 130, 8192};
    int32_t w = sides[in.take(1) & 7], h = sides[in.take(1) & 7];
    if ((int64_t)w * h > (1 << 16))
        h = 1 + h % 4;
    s->pixels = alloc_pixels(nullptr, w, h, "fuzz");
    s->width = w;
    s->height = h;
    fuzz_fill_pixels(s->pixels, (size_t)w * h * 4, (uint32_t)in.take(4));
    s->resample_flag = (uint8_t)(in.take(1) & 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool ready = false;
    if (!ready) {
        detect_cpu_features();
        ready = true;
    }
    // Odd-sized inputs take the 256-bit row passes where the processor has them.
    install_pixel_kernels(KV_KERNEL_LEVEL_SSE2, (int)(size & 1));
    reset_error_reports();
    g_error_shown = 1;
    Input in{{data, size}};
    LayerState *rec[2] = {layer_state_new(), layer_state_new()};
    make_image(rec[0], in);
    make_image(rec[1], in);
    static const uint8_t methods[] = {10, 21, 31, 41, 51, 0, 22, 255};
    for (int step = 0; step < 3 && in.n > 0; step++) {
        LayerState *a = rec[in.take(1) & 1], *b = rec[in.take(1) & 1];
        uint8_t n = (uint8_t)(in.take(1) & 1);
        if (in.take(1) & 1) {
            int64_t sw = 100 * (int64_t)a->width, sh = 100 * (int64_t)a->height;
            int64_t x1 = in.coord(sw), y1 = in.coord(sh), x2 = in.coord(sw), y2 = in.coord(sh);
            int64_t w100 = (int64_t)(in.take(2) % 40000), h100 = (int64_t)(in.take(2) % 40000);
            if (in.take(1) == 0)
                w100 = 819300;   // past the limit
            if ((w100 / 100) * (h100 / 100) > (1 << 18))
                h100 = 100;
            resample_state(a, b, x1, y1, x2, y2, w100, h100, n, methods[in.take(1) & 7]);
        } else {
            int64_t angle = (int64_t)in.take(8);
            if (in.take(1) & 1)
                angle = (int64_t)(in.take(2) % 720) - 360;
            rotate_state(a, b, angle, n, (uint8_t)(10 + in.take(1) % 4));
        }
        for (LayerState *r : rec)
            if (r->pixels && (r->width < 1 || r->height < 1 || r->width > 8192 ||
                              r->height > 8192))
                abort();
    }
    for (LayerState *r : rec) {
        layer_state_release_buffers(r);
        free(r);
    }
    g_quit_flag = 0;
    return 0;
}
