// Row kernels on a 1280 x 720 layer, row by row as composition calls them,
// beside pixman's OVER and a plain memcpy of the same frame in the same run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "graphics/blend.h"
#include "graphics/kernels.h"
#include "graphics/render_workers.h"

#ifdef KV_HAVE_PIXMAN
#include <pixman.h>
#endif

namespace {

const int W = 1280, H = 720, ROW = W * 4;
const size_t FRAME = (size_t)ROW * H;

struct Frame {
    std::vector<uint8_t> src, dst;
    // alpha: 0 random alpha everywhere; 1 a sprite: opaque and clear areas with soft edges
    explicit Frame(int alpha) : src(FRAME + 64), dst(FRAME + 64)
    {
        uint32_t x = 12345;
        for (size_t i = 0; i < FRAME; i++) {
            x = x * 1664525u + 1013904223u;
            src[i] = (uint8_t)(x >> 24);
            dst[i] = (uint8_t)(x >> 16);
        }
        if (alpha == 1)
            for (int y = 0; y < H; y++)
                for (int c = 0; c < W; c++) {
                    int dx = c - W / 2, dy = y - H / 2;
                    int r2 = dx * dx + dy * dy;
                    uint8_t a = r2 < 300 * 300 ? 255 : (r2 > 310 * 310 ? 0 : (uint8_t)(y * 7 + c));
                    src[(size_t)y * ROW + c * 4 + 3] = a;
                }
    }
};

// The machine is shared: the fastest of several repetitions is the figure
// that shows what the code can do.
double fastest(const std::vector<double> &v)
{
    return *std::min_element(v.begin(), v.end());
}
#define KV_REPEAT Repetitions(7)->ComputeStatistics("min", fastest)->ReportAggregatesOnly(true)

void setup(int level, int wide)
{
    static bool tables = false;
    detect_cpu_features();
    install_pixel_kernels(level, wide);
    if (!tables) {
        build_blend_product_tables();
        init_blend_fn_table();
        tables = true;
    }
}

void frame_counters(benchmark::State &state)
{
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)FRAME);
}

// A kernel over the frame row by row: state.range is level, wide and, for
// `alpha` < 0, the alpha pattern (else `alpha` is).
template <class Row>
void rows_bench(benchmark::State &state, int alpha, Row row)
{
    setup((int)state.range(0), (int)state.range(1));
    Frame f(alpha < 0 ? (int)state.range(2) : alpha);
    for (auto _ : state) {
        for (int y = 0; y < H; y++)
            row(f.dst.data() + (size_t)y * ROW, f.src.data() + (size_t)y * ROW);
        benchmark::ClobberMemory();
    }
    frame_counters(state);
}
#define KV_SPRITE_ARGS                                                         \
    ArgNames({"level", "wide", "sprite"})                                      \
        ->Args({1, 0, 0})->Args({3, 0, 0})->Args({1, 1, 0})->Args({3, 1, 0})   \
        ->Args({1, 0, 1})->Args({3, 1, 1})

// Job 103 (source alpha, mode 0, full opacity) over rows of `width` of the frame.
RenderJob alpha_job(Frame &f, int width)
{
    RenderJob job = {};
    job.code = JOB_BLEND_ROWS_ALPHA;
    job.dst_pixels = f.dst.data();
    job.dst_pitch = W;
    job.src_pixels = f.src.data();
    job.src_pitch = W;
    job.blit_width = width;
    job.opacity = 256;
    return job;
}

void BM_memcpy_frame(benchmark::State &state)
{
    Frame f(0);
    for (auto _ : state) {
        std::memcpy(f.dst.data(), f.src.data(), FRAME);
        benchmark::ClobberMemory();
    }
    frame_counters(state);
}
BENCHMARK(BM_memcpy_frame)->Unit(benchmark::kMillisecond)->KV_REPEAT;

void BM_kern_copy(benchmark::State &state)
{
    rows_bench(state, 0, [](uint8_t *d, const uint8_t *s) { g_pixel_kernels.kern_copy(d, s, ROW); });
}
BENCHMARK(BM_kern_copy)->ArgNames({"level", "wide"})->Args({1, 0})->Args({3, 1})->Unit(benchmark::kMillisecond)->KV_REPEAT;

// state.range: level, wide, alpha pattern
void BM_kern_alpha_over(benchmark::State &state)
{
    rows_bench(state, -1, [](uint8_t *d, const uint8_t *s) { g_pixel_kernels.kern_alpha_over(d, s, ROW); });
}
BENCHMARK(BM_kern_alpha_over)->KV_SPRITE_ARGS->Unit(benchmark::kMillisecond)->KV_REPEAT;

void BM_kern_alpha_over_opacity(benchmark::State &state)
{
    rows_bench(state, -1, [](uint8_t *d, const uint8_t *s) {
        g_pixel_kernels.kern_alpha_over_opacity(d, s, 200, ROW);
    });
}
BENCHMARK(BM_kern_alpha_over_opacity)->KV_SPRITE_ARGS->Unit(benchmark::kMillisecond)->KV_REPEAT;

// The plain formula one byte at a time, for scale.
void BM_scalar_alpha_over(benchmark::State &state)
{
    Frame f(0);
    for (auto _ : state) {
        uint8_t *d = f.dst.data();
        const uint8_t *s = f.src.data();
        for (size_t i = 0; i < FRAME; i += 4) {
            int a = s[i + 3];
            for (int c = 0; c < 4; c++)
                d[i + c] = (uint8_t)((s[i + c] * (a + 1) + d[i + c] * (256 - a)) >> 8);
        }
        benchmark::ClobberMemory();
    }
    frame_counters(state);
}
BENCHMARK(BM_scalar_alpha_over)->Unit(benchmark::kMillisecond)->KV_REPEAT;

#ifdef KV_HAVE_PIXMAN
void BM_pixman_over(benchmark::State &state)
{
    Frame f((int)state.range(0));
    pixman_image_t *src = pixman_image_create_bits(PIXMAN_a8r8g8b8, W, H, (uint32_t *)f.src.data(), ROW);
    pixman_image_t *dst = pixman_image_create_bits(PIXMAN_a8r8g8b8, W, H, (uint32_t *)f.dst.data(), ROW);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_OVER, src, nullptr, dst, 0, 0, 0, 0, 0, 0, W, H);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(src);
    pixman_image_unref(dst);
    frame_counters(state);
}
BENCHMARK(BM_pixman_over)->ArgNames({"sprite"})->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->KV_REPEAT;
#endif

// The compositor's path: job 103 (source alpha, mode 0, full opacity) split
// over the render workers.
void BM_job_blend_alpha_workers(benchmark::State &state)
{
    setup(3, 1);
    Frame f(0);
    int workers = (int)state.range(0);
    if (workers > 0)
        start_render_workers_count(workers);
    RenderJob job = alpha_job(f, W);
    for (auto _ : state) {
        run_render_job_split(job, 0, H);
        benchmark::ClobberMemory();
    }
    if (workers > 0)
        stop_render_workers();
    frame_counters(state);
}
BENCHMARK(BM_job_blend_alpha_workers)->ArgNames({"workers"})->Arg(0)->Arg(1)->Arg(2)
    ->Unit(benchmark::kMillisecond)->UseRealTime()->KV_REPEAT;

// Handshake cost: a 16 x 16 blend dispatched to two workers.
void BM_job_dispatch_small(benchmark::State &state)
{
    setup(3, 1);
    Frame f(0);
    start_render_workers_count(2);
    RenderJob job = alpha_job(f, 16);
    for (auto _ : state)
        run_render_job_split(job, 0, 16);
    stop_render_workers();
}
BENCHMARK(BM_job_dispatch_small)->Unit(benchmark::kMicrosecond)->UseRealTime()->KV_REPEAT;

}  // namespace

BENCHMARK_MAIN();
