// Image decoding into a layer against the libraries' own decode of the same
// 1920 x 1080 file into a buffer of the same B, G, R, A form (the engine's
// path adds the file copy of the loader and the layer's buffer handling),
// and the .kcg form inflated by one worker or by two side by side.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "bench_images.h"
#include "core/error_report.h"
#include "core/locate.h"
#include "core/quit.h"
#include "graphics/layer.h"
#include "graphics/render_workers.h"
#include "image/image_decoders.h"

using namespace kvimg;

namespace {

const Bytes &png_file()
{
    static Bytes f;
    if (f.empty()) {
        const Image &im = bench_photo();
        std::vector<Bytes> rows;
        for (int y = 0; y < im.h; y++) {
            Bytes r;
            for (int x = 0; x < im.w; x++) {
                const uint8_t *p = im.at(x, y);
                r.insert(r.end(), {p[2], p[1], p[0]});
            }
            rows.push_back(r);
        }
        f = write_png({PNG_COLOR_TYPE_RGB, 8, false, {}, {}}, im.w, im.h, rows);
    }
    return f;
}

const Bytes &jpeg_file()
{
    static Bytes f = write_jpeg(bench_photo(), 3, false, 90);
    return f;
}

const Bytes &kcg_file()
{
    static Bytes f = write_kcg(bench_photo(), 1, bench_photo().px.size() / 2);
    return f;
}

// One decode through the decoder table, as the layer loader calls it.
void decode_into_layer(benchmark::State &state, const Bytes &file, uint8_t format)
{
    reset_error_reports();
    g_error_shown = 1;
    register_image_decoders();
    static char name[] = "bench.img";
    FileCacheSet &set = g_file_cache[0];
    set.name[0] = name;
    set.data[0] = const_cast<uint8_t *>(file.data());
    set.size[0] = (uint32_t)file.size();
    set.count = 1;
    LayerState *s = layer_state_new();
    for (auto _ : state) {
        FileSource src = {};
        src.kind = KV_SRC_CACHE;
        src.format = format;
        if (g_image_decoders[format](&src, s, name) != 0)
            state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(s->pixels);
    }
    layer_state_release_buffers(s);
    std::free(s);
    set.count = 0;
}

void BM_PngIntoLayer(benchmark::State &state) { decode_into_layer(state, png_file(), KV_FMT_PNG); }
void BM_JpegIntoLayer(benchmark::State &state) { decode_into_layer(state, jpeg_file(), KV_FMT_JPG); }

void BM_KcgIntoLayer(benchmark::State &state)
{
    if (state.range(0) == 2)
        start_render_workers_count(2);
    decode_into_layer(state, kcg_file(), KV_FMT_KCG);
    stop_render_workers();
}

struct MemRead {
    const Bytes *f;
    size_t pos;
};

void BM_PngRawLibrary(benchmark::State &state)
{
    const Bytes &f = png_file();
    Bytes out((size_t)1920 * 1080 * 4);
    std::vector<png_bytep> rows(1080);
    for (int y = 0; y < 1080; y++)
        rows[y] = &out[(size_t)y * 1920 * 4];
    for (auto _ : state) {
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        MemRead m = {&f, 0};
        png_set_read_fn(png, &m, [](png_structp p, png_bytep d, png_size_t n) {
            MemRead *r = (MemRead *)png_get_io_ptr(p);
            std::memcpy(d, r->f->data() + r->pos, n);
            r->pos += n;
        });
        png_read_info(png, info);
        png_set_bgr(png);
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
        png_read_update_info(png, info);
        png_read_image(png, rows.data());
        png_destroy_read_struct(&png, &info, nullptr);
        benchmark::DoNotOptimize(out.data());
    }
}

void BM_JpegRawLibrary(benchmark::State &state)
{
    const Bytes &f = jpeg_file();
    Bytes out((size_t)1920 * 1080 * 4);
    for (auto _ : state) {
        libjpeg_decode_bgra(f, out.data());
        benchmark::DoNotOptimize(out.data());
    }
}

}  // namespace

BENCHMARK(BM_PngRawLibrary)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngIntoLayer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegRawLibrary)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegIntoLayer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KcgIntoLayer)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
