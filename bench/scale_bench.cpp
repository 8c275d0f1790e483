// Presenter scalers: a 1280 x 720 frame to 1920 x 1080, bilinear on the
// calling thread and on two render workers, nearest on two workers, beside
// pixman's bilinear transform of the same frame to the same size.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "display/scale.h"
#include "graphics/kernels.h"
#include "graphics/render_workers.h"

#ifdef KV_HAVE_PIXMAN
#include <pixman.h>
#endif

namespace {

const int SW = 1280, SH = 720, DW = 1920, DH = 1080;

// The machine is shared: the fastest of several repetitions is the figure
// that shows what the code can do.
double fastest(const std::vector<double> &v)
{
    return *std::min_element(v.begin(), v.end());
}
#define KV_REPEAT Repetitions(7)->ComputeStatistics("min", fastest)->ReportAggregatesOnly(true)

struct Frames {
    std::vector<uint8_t> src, dst;
    Frames() : src((size_t)SW * SH * 4 + SW * 4 + 4), dst((size_t)DW * DH * 4 + DW * 4 + 4)
    {
        uint32_t x = 12345;
        for (size_t i = 0; i < (size_t)SW * SH * 4; i++) {
            x = x * 1664525u + 1013904223u;
            src[i] = (uint8_t)(x >> 24);
        }
    }
};

void setup(int workers)
{
    detect_cpu_features();
    install_pixel_kernels(3, 0);
    init_scale_tables();
    if (workers)
        start_render_workers_count(workers);
}

void output_counters(benchmark::State &state)
{
    state.SetItemsProcessed((int64_t)state.iterations() * DW * DH);
}

// state.range(0): 0 scale_bilinear on this thread; 1, 2 scale_bilinear_sse
// with that many workers.
void BM_scale_bilinear(benchmark::State &state)
{
    int workers = (int)state.range(0);
    setup(workers);
    Frames f;
    for (auto _ : state) {
        if (workers == 0)
            scale_bilinear(f.dst.data(), f.src.data(), 0, 0, 100 * SW - 100, 100 * SH - 100, SW,
                           SH, 100 * DW, 100 * DH);
        else
            scale_bilinear_sse(f.dst.data(), f.src.data(), 0, 0, 100 * SW - 100,
                               100 * SH - 100, SW, SH, 100 * DW, 100 * DH);
        benchmark::ClobberMemory();
    }
    if (workers)
        stop_render_workers();
    output_counters(state);
}
BENCHMARK(BM_scale_bilinear)->ArgNames({"workers"})->Arg(0)->Arg(1)->Arg(2)
    ->Unit(benchmark::kMillisecond)->UseRealTime()->KV_REPEAT;

void BM_scale_nearest(benchmark::State &state)
{
    setup(2);
    Frames f;
    for (auto _ : state) {
        scale_nearest(f.dst.data(), f.src.data(), 0, 0, SW - 1, SH - 1, SW, SH, DW, DH);
        benchmark::ClobberMemory();
    }
    stop_render_workers();
    output_counters(state);
}
BENCHMARK(BM_scale_nearest)->Unit(benchmark::kMillisecond)->UseRealTime()->KV_REPEAT;

#ifdef KV_HAVE_PIXMAN
void BM_pixman_bilinear(benchmark::State &state)
{
    Frames f;
    pixman_image_t *src = pixman_image_create_bits(PIXMAN_a8r8g8b8, SW, SH,
                                                   (uint32_t *)f.src.data(), SW * 4);
    pixman_image_t *dst = pixman_image_create_bits(PIXMAN_a8r8g8b8, DW, DH,
                                                   (uint32_t *)f.dst.data(), DW * 4);
    pixman_transform_t t;
    pixman_transform_init_scale(&t, pixman_double_to_fixed((double)SW / DW),
                                pixman_double_to_fixed((double)SH / DH));
    pixman_image_set_transform(src, &t);
    pixman_image_set_filter(src, PIXMAN_FILTER_BILINEAR, nullptr, 0);
    pixman_image_set_repeat(src, PIXMAN_REPEAT_PAD);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_SRC, src, nullptr, dst, 0, 0, 0, 0, 0, 0, DW, DH);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(src);
    pixman_image_unref(dst);
    output_counters(state);
}
BENCHMARK(BM_pixman_bilinear)->Unit(benchmark::kMillisecond)->UseRealTime()->KV_REPEAT;
#endif

}  // namespace

BENCHMARK_MAIN();
