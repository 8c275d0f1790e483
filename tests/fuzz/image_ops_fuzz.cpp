// Image operations: random effects, compose, trim and canvas operations on
// four layer records of random sizes (1 pixel up to 8192 wide), with random
// rectangles (inverted and outside the image too), values and positions,
// and layers that share one record.
#include <cstdlib>
#include <cstring>

#include "core/error_report.h"
#include "core/quit.h"
#include "graphics/blend.h"
#include "graphics/kernels.h"
#include "graphics/layer.h"
#include "fuzz_bytes.h"
#include "image/compose_ops.h"
#include "image/effects.h"

namespace {

struct Input : FuzzBytes {
    int64_t value()   // small values mostly, the extremes sometimes
    {
        switch (take(1) & 7) {
        case 0: return (int64_t)take(8);
        case 1: return INT64_MIN + (int64_t)take(1);
        case 2: return INT64_MAX - (int64_t)take(1);
        case 3: return (int32_t)take(4);
        default: return (int64_t)(int8_t)take(1);
        }
    }
};

void make_image(LayerState *s, Input &in)
{
    static const int32_t widths[] = {1, 2, 3, 7, 16, 33, 8192, 8191};
    int kind = (int)in.take(1);
    if (kind % 9 == 0)
        return;   // no pixels
    int32_t w = widths[kind % 8], h = 1 + (int32_t)(in.take(1) % (w > 64 ? 3 : 40));
    s->pixels = alloc_pixels(nullptr, w, h, "fuzz");
    s->width = w;
    s->height = h;
    fuzz_fill_pixels(s->pixels, (size_t)w * h * 4, (uint32_t)in.take(4));
    s->has_alpha = (uint8_t)(in.take(1) & 1);
    s->opacity = (int16_t)in.take(2);
}

void check(const LayerState *s)
{
    if (s->pixels && (s->width < 1 || s->height < 1 || s->width > 8192 || s->height > 8192))
        abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool ready = false;
    static uint8_t avx2 = 0;
    if (!ready) {
        detect_cpu_features();
        avx2 = g_cpu_features.avx2;
        install_pixel_kernels(KV_KERNEL_LEVEL_SSE2, 0);
        build_blend_product_tables();
        init_blend_fn_table();
        ready = true;
    }
    // Both kernel sets, with and without the 256-bit routines, chosen by the
    // input's size so that the input itself reads as before.
    bool wide = (size & 2) != 0;
    install_pixel_kernels(size & 1 ? KV_KERNEL_LEVEL_BASIC : KV_KERNEL_LEVEL_SSE2, wide);
    g_cpu_features.avx2 = wide ? avx2 : 0;
    reset_error_reports();
    g_error_shown = 1;
    Input in{{data, size}};
    LayerState *rec[4];
    for (auto &r : rec) {
        r = layer_state_new();
        make_image(r, in);
    }
    for (int step = 0; step < 4 && in.n > 0; step++) {
        // B, C, D may name any record, A's among them.
        LayerState *a = rec[in.take(1) & 3], *b = rec[in.take(1) & 3];
        LayerState *c = rec[in.take(1) & 3], *d = rec[in.take(1) & 3];
        int op = (int)(in.take(1) % 12);
        int64_t v[6];
        for (auto &x : v)
            x = in.value();
        uint8_t n = (uint8_t)(in.take(1) & 1);
        switch (op) {
        case 0:
        case 1:
        case 2: {
            uint8_t code = (uint8_t)(in.take(1) % 40);
            apply_effect_state(code, a, n ? b : nullptr, v[0], v[1], v[2], v[3],
                               (int32_t)(v[4] % 3000), (int32_t)v[5], n,
                               (uint8_t)(in.take(1) & 3), "fuzz");
            break;
        }
        case 3: blit_object_state(a, b, v[0], v[1]); break;
        case 4: blit_object_dst_opacity_state(a, b, v[0], v[1]); break;
        case 5: crossfade_objects_state(a, b, c, v[0], v[1], v[2]); break;
        case 6: crossfade_objects_table_state(a, b, c, d, v[0], v[1], v[2], (int32_t)v[3]); break;
        case 7: keep_differing_pixels_state(a, b, v[0], v[1]); break;
        case 8: keep_equal_pixels_state(a, b, v[0], v[1]); break;
        case 9: trim_transparent_edges_state(a, b, n, (uint8_t)v[0], "fuzz"); break;
        case 10:
        case 11: {
            // Sizes that would be refused, or small ones; not 8192 x 8192.
            for (int i = 0; i < 4; i++)
                if (v[i] > INT32_MIN && v[i] < INT32_MAX)
                    v[i] %= (v[i] > -40 && v[i] < 40) ? 17 : 9000;
            __int128 w = (__int128)a->width + v[0] + v[1], h = (__int128)a->height + v[2] + v[3];
            if (w < 1 || h < 1 || w > 8192 || h > 8192 || w * h < (1 << 20))
                resize_layer_canvas_state(a, b, n, v[0], v[1], v[2], v[3], "fuzz");
            break;
        }
        }
        for (auto r : rec)
            check(r);
    }
    for (auto r : rec) {
        layer_state_release_buffers(r);
        free(r);
    }
    g_quit_flag = 0;
    return 0;
}
