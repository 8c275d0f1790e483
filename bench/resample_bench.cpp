// Layer resampling and rotation: 1920 x 1080 to 1280 x 720 and back up,
// bilinear and bicubic, with 1 and 2 render workers, beside pixman's
// bilinear and separable-convolution (cubic) filters for the same sizes;
// rotation of a 1080p layer beside a memcpy of it; Lanczos-2 of a 4096 x 4096
// layer to 512 x 512.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "display/scale.h"
#include "graphics/kernels.h"
#include "graphics/layer.h"
#include "graphics/render_workers.h"
#include "image/resample.h"

#ifdef KV_HAVE_PIXMAN
#include <pixman.h>
#endif

namespace {

double fastest(const std::vector<double> &v)
{
    return *std::min_element(v.begin(), v.end());
}
#define KV_REPEAT Repetitions(5)->ComputeStatistics("min", fastest)->ReportAggregatesOnly(true)

const int SIZES[2][4] = {{1920, 1080, 1280, 720}, {1280, 720, 1920, 1080}};

LayerState *make_layer(int w, int h)
{
    LayerState *s = layer_state_new();
    s->width = w;
    s->height = h;
    s->pixels = alloc_pixels(nullptr, w, h, "bench");
    uint32_t x = 12345;
    for (size_t i = 0; i < (size_t)w * h * 4; i++) {
        x = x * 1664525u + 1013904223u;
        s->pixels[i] = (uint8_t)(x >> 24);
    }
    return s;
}

void drop(LayerState *s)
{
    layer_state_release_buffers(s);
    free(s);
}

// wide = 1: the 256-bit variants, as the engine chooses them at start-up on
// a processor with AVX2; 0: SSE2 only.
void setup(int workers, int wide)
{
    detect_cpu_features();
    install_pixel_kernels(3, wide);
    init_scale_tables();
    if (workers)
        start_render_workers_count(workers);
}

// range(0): method (21 bilinear, 31 bicubic); range(1): 0 down, 1 up;
// range(2): workers; range(3): wide. B already has the output size, so only
// the scaling is timed.
void BM_resample(benchmark::State &state)
{
    const int *z = SIZES[state.range(1)];
    setup((int)state.range(2), (int)state.range(3));
    LayerState *a = make_layer(z[0], z[1]), *b = make_layer(z[2], z[3]);
    for (auto _ : state) {
        resample_state(a, b, 0, 0, 100 * z[0] - 100, 100 * z[1] - 100, 100 * z[2], 100 * z[3], 1,
                       (uint8_t)state.range(0));
        benchmark::ClobberMemory();
    }
    stop_render_workers();
    drop(a);
    drop(b);
}
BENCHMARK(BM_resample)->ArgNames({"method", "up", "workers", "wide"})
    ->ArgsProduct({{21}, {0, 1}, {1, 2}, {0, 1}})->ArgsProduct({{31}, {0, 1}, {1, 2}, {0}})
    ->Unit(benchmark::kMillisecond)->UseRealTime()->KV_REPEAT;

// Lanczos-2 of a 4096 x 4096 layer to 512 x 512 (one worker, the calling thread).
void BM_lanczos_4096_to_512(benchmark::State &state)
{
    setup(0, 1);
    LayerState *a = make_layer(4096, 4096), *b = make_layer(512, 512);
    for (auto _ : state) {
        resample_state(a, b, 0, 0, 409500, 409500, 51200, 51200, 1, KV_RESAMPLE_LANCZOS2);
        benchmark::ClobberMemory();
    }
    drop(a);
    drop(b);
}
BENCHMARK(BM_lanczos_4096_to_512)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)
    ->Repetitions(3)->ComputeStatistics("min", fastest)->ReportAggregatesOnly(true);

#ifdef KV_HAVE_PIXMAN
// range(0): 0 bilinear, 1 separable cubic convolution; range(1): 0 down, 1 up.
void BM_pixman_scale(benchmark::State &state)
{
    const int *z = SIZES[state.range(1)];
    LayerState *a = make_layer(z[0], z[1]), *b = make_layer(z[2], z[3]);
    pixman_image_t *src = pixman_image_create_bits(PIXMAN_a8r8g8b8, z[0], z[1],
                                                   (uint32_t *)a->pixels, z[0] * 4);
    pixman_image_t *dst = pixman_image_create_bits(PIXMAN_a8r8g8b8, z[2], z[3],
                                                   (uint32_t *)b->pixels, z[2] * 4);
    double sx = (double)z[0] / z[2], sy = (double)z[1] / z[3];
    pixman_transform_t t;
    pixman_transform_init_scale(&t, pixman_double_to_fixed(sx), pixman_double_to_fixed(sy));
    pixman_image_set_transform(src, &t);
    pixman_image_set_repeat(src, PIXMAN_REPEAT_PAD);
    int n = 0;
    pixman_fixed_t *params = nullptr;
    if (state.range(0) == 0) {
        pixman_image_set_filter(src, PIXMAN_FILTER_BILINEAR, nullptr, 0);
    } else {
        params = pixman_filter_create_separable_convolution(
            &n, pixman_double_to_fixed(sx > 1 ? sx : 1), pixman_double_to_fixed(sy > 1 ? sy : 1),
            PIXMAN_KERNEL_IMPULSE, PIXMAN_KERNEL_IMPULSE, PIXMAN_KERNEL_CUBIC,
            PIXMAN_KERNEL_CUBIC, 4, 4);
        pixman_image_set_filter(src, PIXMAN_FILTER_SEPARABLE_CONVOLUTION, params, n);
    }
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_SRC, src, nullptr, dst, 0, 0, 0, 0, 0, 0, z[2], z[3]);
        benchmark::ClobberMemory();
    }
    free(params);
    pixman_image_unref(src);
    pixman_image_unref(dst);
    drop(a);
    drop(b);
}
BENCHMARK(BM_pixman_scale)->ArgNames({"cubic", "up"})->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)->UseRealTime()->KV_REPEAT;
#endif

// range(0): angle; range(1): kernel code (11 clears outside the picture, 12
// leaves it); range(2): wide. B has A's size and is written in place.
void BM_rotate_1080p(benchmark::State &state)
{
    setup(0, (int)state.range(2));
    LayerState *a = make_layer(1920, 1080), *b = make_layer(1920, 1080);
    for (auto _ : state) {
        rotate_state(a, b, state.range(0), 1, (uint8_t)state.range(1));
        benchmark::ClobberMemory();
    }
    drop(a);
    drop(b);
}
BENCHMARK(BM_rotate_1080p)->ArgNames({"angle", "kernel", "wide"})
    ->ArgsProduct({{0, 90, 180, 270}, {11}, {1}})->ArgsProduct({{17, 45, 133}, {11, 12}, {0, 1}})
    ->Unit(benchmark::kMillisecond)->UseRealTime()->KV_REPEAT;

void BM_memcpy_1080p(benchmark::State &state)
{
    LayerState *a = make_layer(1920, 1080), *b = make_layer(1920, 1080);
    for (auto _ : state) {
        std::memcpy(b->pixels, a->pixels, (size_t)1920 * 1080 * 4);
        benchmark::ClobberMemory();
    }
    drop(a);
    drop(b);
}
BENCHMARK(BM_memcpy_1080p)->Unit(benchmark::kMillisecond)->UseRealTime()->KV_REPEAT;

}  // namespace

BENCHMARK_MAIN();
