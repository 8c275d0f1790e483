// A 1920 x 1080 frame of a JPEG frame container decoded into a layer (with
// and without its alpha plane) against libjpeg-turbo's own decode of the same
// JPEG into a B, G, R, A buffer.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>

#include "../tests/image/jpeg_frames_support.h"
#include "bench_images.h"
#include "core/error_report.h"
#include "core/quit.h"
#include "core/tree.h"
#include "graphics/layer.h"
#include "image/jpeg_frames.h"

using namespace kvimg;

namespace {

const FrameSpec &frame()
{
    static FrameSpec f;
    if (f.colour.empty()) {
        const Image &im = bench_photo();
        f.colour = write_jpeg(im, 3, false, 90);
        f.alpha = write_jpeg(im, 1, false, 90);
    }
    return f;
}

void frame_decode(benchmark::State &state, bool alpha)
{
    reset_error_reports();
    g_error_shown = 1;
    g_quit_flag = 0;
    Bytes file = write_container({frame()}, alpha ? 1 : 0);
    uint8_t *data = (uint8_t *)std::malloc(file.size());
    std::memcpy(data, file.data(), file.size());
    free_jpeg_frames();
    if (!jpeg_frames_parse(data, file.size(), &g_jpeg_frames)) {
        state.SkipWithError("container refused");
        std::free(data);
        return;
    }
    LayerState *s = layer_state_new();
    TreeNode node = {};
    node.payload = s;
    for (auto _ : state) {
        decode_jpeg_frame(&node, 0);
        benchmark::DoNotOptimize(s->pixels[0]);
    }
    layer_state_release_buffers(s);
    std::free(s);
    free_jpeg_frames();
}

void BM_ContainerFrame(benchmark::State &state) { frame_decode(state, false); }
void BM_ContainerFrameWithAlpha(benchmark::State &state) { frame_decode(state, true); }

// The reference: libjpeg-turbo straight into a BGRA buffer.
void BM_LibjpegBgra(benchmark::State &state)
{
    const Bytes &f = frame().colour;
    std::vector<uint8_t> out((size_t)1920 * 1080 * 4);
    for (auto _ : state) {
        libjpeg_decode_bgra(f, out.data());
        benchmark::DoNotOptimize(out[0]);
    }
}

}  // namespace

BENCHMARK(BM_LibjpegBgra)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ContainerFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ContainerFrameWithAlpha)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
