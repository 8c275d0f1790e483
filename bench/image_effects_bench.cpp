// Image effects on a 1920 x 1080 image beside references from the same run:
// the box blur against a plain running-sum box blur, the colour effects (and
// the saturation above 128 through each width of rows) against memcpy of the
// image, and the cross-fade of two 1280 x 720 layers
// against pixman's OVER with a solid mask.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "graphics/blend.h"
#include "graphics/kernels.h"
#include "graphics/layer.h"
#include "image/compose_ops.h"
#include "image/effects.h"

#ifdef KV_HAVE_PIXMAN
#include <pixman.h>
#endif

namespace {

const int W = 1920, H = 1080;
const size_t BYTES = (size_t)W * H * 4;

double fastest(const std::vector<double> &v)
{
    return *std::min_element(v.begin(), v.end());
}
#define KV_REPEAT Repetitions(5)->ComputeStatistics("min", fastest)->ReportAggregatesOnly(true)

std::vector<uint8_t> random_image(size_t bytes, uint32_t seed)
{
    std::vector<uint8_t> v(bytes + 64);
    for (auto &b : v) {
        seed = seed * 1664525u + 1013904223u;
        b = (uint8_t)(seed >> 24);
    }
    return v;
}

void counters(benchmark::State &state)
{
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)BYTES);
}

void BM_memcpy_image(benchmark::State &state)
{
    auto src = random_image(BYTES, 1), dst = random_image(BYTES, 2);
    for (auto _ : state) {
        memcpy(dst.data(), src.data(), BYTES);
        benchmark::ClobberMemory();
    }
    counters(state);
}
BENCHMARK(BM_memcpy_image)->Unit(benchmark::kMillisecond)->KV_REPEAT;

// An effect over the whole W x H image from src into dst with value p.
EffectJob whole_image_job(std::vector<uint8_t> &src, std::vector<uint8_t> &dst, int32_t p)
{
    EffectJob j = {};
    j.dst = dst.data();
    j.dw = W;
    j.dh = H;
    j.src = src.data();
    j.sw = W;
    j.sh = H;
    j.x2 = W - 1;
    j.y2 = H - 1;
    j.p = p;
    return j;
}

// state.range(0): effect code; (1): value 1.
void BM_effect(benchmark::State &state)
{
    install_pixel_kernels(KV_KERNEL_LEVEL_SSE2, 0);
    detect_cpu_features();   // the colour effects take 256-bit rows where they can
    auto src = random_image(BYTES, 1), dst = random_image(BYTES, 2);
    EffectKernelFn kernel = g_effect_kernels[state.range(0)];
    for (auto _ : state) {
        EffectJob j = whole_image_job(src, dst, (int32_t)state.range(1));
        j.fill_mode = 1;
        kernel(&j);
        benchmark::ClobberMemory();
    }
    counters(state);
}
BENCHMARK(BM_effect)
    ->ArgNames({"code", "p"})
    ->Args({1, 200})->Args({10, 0xC04080})->Args({17, 128})->Args({25, 0})->Args({27, 200})
    ->Args({27, 60})->Args({36, 0})->Args({22, 0x123456})
    ->Args({2, 8})->Args({2, 64})
    ->Unit(benchmark::kMillisecond)->KV_REPEAT;

// Saturation above 128 through the 128-, 256- or 512-bit rows (state.range(0)),
// as far as the processor has them.
void BM_saturation_rows(benchmark::State &state)
{
    detect_cpu_features();
    const CpuFeatures found = g_cpu_features;
    int bits = (int)state.range(0);
    g_cpu_features.avx2 = (uint8_t)(bits >= 256 && found.avx2);
    g_cpu_features.avx512bw = (uint8_t)(bits >= 512 && found.avx512bw);
    auto src = random_image(BYTES, 1), dst = random_image(BYTES, 2);
    for (auto _ : state) {
        EffectJob j = whole_image_job(src, dst, 200);
        filter_saturation(&j);
        benchmark::ClobberMemory();
    }
    g_cpu_features = found;
    counters(state);
}
BENCHMARK(BM_saturation_rows)->ArgNames({"bits"})->Arg(128)->Arg(256)->Arg(512)
    ->Unit(benchmark::kMillisecond)->KV_REPEAT;

// A plain two-pass running-sum box blur (B, G, R; window cut at the edges;
// integer division), for scale.
void plain_box_blur(uint8_t *dst, const uint8_t *src, int w, int h, int r, uint8_t *tmp)
{
    for (int y = 0; y < h; y++) {
        const uint8_t *s = src + (size_t)y * w * 4;
        uint8_t *d = tmp + (size_t)y * w * 4;
        int sum[3] = {};
        for (int x = 0; x <= std::min(r, w - 1); x++)
            for (int c = 0; c < 3; c++)
                sum[c] += s[x * 4 + c];
        for (int x = 0; x < w; x++) {
            int n = std::min(w - 1, x + r) - std::max(0, x - r) + 1;
            for (int c = 0; c < 3; c++)
                d[x * 4 + c] = (uint8_t)(sum[c] / n);
            if (x + r + 1 < w)
                for (int c = 0; c < 3; c++)
                    sum[c] += s[(x + r + 1) * 4 + c];
            if (x - r >= 0)
                for (int c = 0; c < 3; c++)
                    sum[c] -= s[(x - r) * 4 + c];
        }
    }
    std::vector<int> sums((size_t)w * 3);
    for (int y = 0; y <= std::min(r, h - 1); y++)
        for (int x = 0; x < w; x++)
            for (int c = 0; c < 3; c++)
                sums[x * 3 + c] += tmp[((size_t)y * w + x) * 4 + c];
    for (int y = 0; y < h; y++) {
        int n = std::min(h - 1, y + r) - std::max(0, y - r) + 1;
        for (int x = 0; x < w; x++)
            for (int c = 0; c < 3; c++)
                dst[((size_t)y * w + x) * 4 + c] = (uint8_t)(sums[x * 3 + c] / n);
        for (int x = 0; x < w; x++)
            for (int c = 0; c < 3; c++) {
                if (y + r + 1 < h)
                    sums[x * 3 + c] += tmp[((size_t)(y + r + 1) * w + x) * 4 + c];
                if (y - r >= 0)
                    sums[x * 3 + c] -= tmp[((size_t)(y - r) * w + x) * 4 + c];
            }
    }
}

void BM_plain_box_blur(benchmark::State &state)
{
    auto src = random_image(BYTES, 1), dst = random_image(BYTES, 2), tmp = random_image(BYTES, 3);
    for (auto _ : state) {
        plain_box_blur(dst.data(), src.data(), W, H, (int)state.range(0), tmp.data());
        benchmark::ClobberMemory();
    }
    counters(state);
}
BENCHMARK(BM_plain_box_blur)->ArgNames({"r"})->Arg(8)->Arg(64)->Unit(benchmark::kMillisecond)->KV_REPEAT;

// Two 1280 x 720 layers cross-faded into a third.
const int CW = 1280, CH = 720;

LayerState *bench_layer(uint32_t seed)
{
    LayerState *s = layer_state_new();
    s->width = CW;
    s->height = CH;
    s->pixels = alloc_pixels(nullptr, CW, CH, "bench");
    auto v = random_image((size_t)CW * CH * 4, seed);
    memcpy(s->pixels, v.data(), (size_t)CW * CH * 4);
    return s;
}

void BM_crossfade_objects(benchmark::State &state)
{
    install_pixel_kernels(KV_KERNEL_LEVEL_SSE2, (int)state.range(0));
    LayerState *a = bench_layer(1), *b = bench_layer(2), *c = bench_layer(3);
    for (auto _ : state) {
        crossfade_objects_state(a, b, c, 0, 0, 100);
        benchmark::ClobberMemory();
    }
    for (LayerState *s : {a, b, c}) {
        layer_state_release_buffers(s);
        free(s);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * CW * CH * 4);
}
BENCHMARK(BM_crossfade_objects)->ArgNames({"wide"})->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->KV_REPEAT;

#ifdef KV_HAVE_PIXMAN
void BM_pixman_over_solid_mask(benchmark::State &state)
{
    auto s = random_image((size_t)CW * CH * 4, 1), d = random_image((size_t)CW * CH * 4, 2);
    pixman_image_t *src = pixman_image_create_bits(PIXMAN_a8r8g8b8, CW, CH, (uint32_t *)s.data(), CW * 4);
    pixman_image_t *dst = pixman_image_create_bits(PIXMAN_a8r8g8b8, CW, CH, (uint32_t *)d.data(), CW * 4);
    pixman_color_t half = {0, 0, 0, 0x6500};
    pixman_image_t *mask = pixman_image_create_solid_fill(&half);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_OVER, src, mask, dst, 0, 0, 0, 0, 0, 0, CW, CH);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(mask);
    pixman_image_unref(src);
    pixman_image_unref(dst);
    state.SetBytesProcessed((int64_t)state.iterations() * CW * CH * 4);
}
BENCHMARK(BM_pixman_over_solid_mask)->Unit(benchmark::kMillisecond)->KV_REPEAT;
#endif

}  // namespace

BENCHMARK_MAIN();
