// The Direct3D presenter's per-frame upload of a 1280 x 720 frame into its
// 2048-wide upload surface, whole and as a dirty rectangle, beside one plain
// copy of the same bytes with the engine's copy kernel.
#include <benchmark/benchmark.h>

#include <vector>

#include "display/gpu_quad.h"
#include "graphics/kernels.h"

namespace {

const int W = 1280, H = 720, SURFACE_W = 2048, SURFACE_H = 1024;

struct Buffers {
    std::vector<uint8_t> frame, surface, flat;
    Buffers()
        : frame((size_t)W * H * 4, 0x5A), surface((size_t)SURFACE_W * SURFACE_H * 4),
          flat((size_t)W * H * 4)
    {
        init_pixel_kernels();
    }
};

Buffers &buffers()
{
    static Buffers b;
    return b;
}

void BM_PlainCopy(benchmark::State &state)
{
    Buffers &b = buffers();
    for (auto _ : state) {
        g_pixel_kernels.kern_copy(b.flat.data(), b.frame.data(), (ptrdiff_t)b.frame.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * (int64_t)b.frame.size());
}

void BM_UploadWhole(benchmark::State &state)
{
    Buffers &b = buffers();
    for (auto _ : state) {
        upload_frame_rows(b.surface.data(), SURFACE_W * 4, b.frame.data(), W, H);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * (int64_t)b.frame.size());
}

// A dirty rectangle of a quarter of the frame, and the plain copy of its bytes.
void BM_UploadDirtyRect(benchmark::State &state)
{
    Buffers &b = buffers();
    for (auto _ : state) {
        upload_frame_rect(b.surface.data(), SURFACE_W * 4, b.frame.data(), W, 320, 180, 640, 360);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * 640 * 360 * 4);
}

void BM_PlainCopyDirtyBytes(benchmark::State &state)
{
    Buffers &b = buffers();
    for (auto _ : state) {
        g_pixel_kernels.kern_copy(b.flat.data(), b.frame.data(), 640 * 360 * 4);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * 640 * 360 * 4);
}

}  // namespace

BENCHMARK(BM_PlainCopy);
BENCHMARK(BM_UploadWhole);
BENCHMARK(BM_PlainCopyDirtyBytes);
BENCHMARK(BM_UploadDirtyRect);
BENCHMARK_MAIN();
