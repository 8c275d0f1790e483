// Every blend mode of every pixel kind on a 1280 x 720 layer, row by row
// through g_blend_fns as the blend jobs call it.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "graphics/blend.h"
#include "graphics/kernels.h"

namespace {

const int W = 1280, H = 720, ROW = W * 4;
const size_t FRAME = (size_t)ROW * H;

void setup()
{
    static bool done = false;
    if (done)
        return;
    detect_cpu_features();
    install_pixel_kernels(KV_KERNEL_LEVEL_SSE2, 1);
    build_blend_product_tables();
    init_blend_fn_table();
    for (int i = 0; i < 256; i++)
        g_rule_weights[i] = i;   // a soft ramp: every pixel with mask > 1 is blended
    done = true;
}

// range: kind, mode, full
void BM_blend_mode(benchmark::State &state)
{
    setup();
    int kind = (int)state.range(0), mode = (int)state.range(1), full = (int)state.range(2);
    std::vector<uint8_t> src(FRAME), dst(FRAME), mask(FRAME);
    uint32_t x = 99;
    for (size_t i = 0; i < FRAME; i++) {
        x = x * 1664525u + 1013904223u;
        src[i] = (uint8_t)(x >> 24);
        dst[i] = (uint8_t)(x >> 16);
        mask[i] = (uint8_t)(x >> 8);
    }
    const BlendFn &f = blend_fn(kind, mode, full);
    int opacity = full ? 256 : 180;
    for (auto _ : state) {
        for (int y = 0; y < H; y++) {
            size_t off = (size_t)y * ROW;
            if (f.row)
                f.row(dst.data() + off, src.data() + off, opacity, ROW);
            else
                f.masked_row(dst.data() + off, src.data() + off, mask.data() + off, 128, 64, ROW);
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)FRAME);
}

void modes(benchmark::internal::Benchmark *b)
{
    b->ArgNames({"kind", "mode", "full"});
    for (int kind = 0; kind < 4; kind++)
        for (int mode = 0; mode < 19; mode++)
            for (int full = 1; full >= 0; full--) {
                if ((kind == 3 && full) || (kind == 2 && full && mode != 0))
                    continue;   // D has only partial entries; C shares one function except mode 0
                b->Args({kind, mode, full});
            }
}
BENCHMARK(BM_blend_mode)->Apply(modes)->Unit(benchmark::kMillisecond)->MinTime(0.05);

}  // namespace

BENCHMARK_MAIN();
