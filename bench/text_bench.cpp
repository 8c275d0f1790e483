// Text: the glyph painters in pixels per second (sizes 20, 32, 64; smooth and
// monochrome; replace and blend-over) beside a plain fill of the same pixels,
// and the flush of a full 8190-byte message block in skip mode.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/input.h"
#include "core/tree.h"
#include "graphics/layer.h"
#include "script/task.h"
#include "text/font_list.h"
#include "text/glyph.h"
#include "text/message_window.h"
#include "text/text_commands.h"

namespace {

// A cell with a glyph-like pattern: strokes of ink over about a third of the em box.
std::vector<uint8_t> glyph_bits(int32_t size, int32_t *cell)
{
    *cell = (int32_t)g_glyph_cell_size[size];
    std::vector<uint8_t> bits((size_t)*cell * *cell / 8, 0xFF);
    uint32_t x = 7;
    int em = 4 * size;
    for (int y = 0; y < em; y++)
        for (int c = 0; c < em; c++) {
            x = x * 1664525u + 1013904223u;
            bool stroke = (c / 8 + y / 12) % 3 == 0 || (x >> 28) < 2;
            if (stroke)
                bits[(size_t)y * (*cell / 8) + c / 8] &= (uint8_t)~(0x80 >> (c & 7));
        }
    return bits;
}

LayerState *make_layer(int32_t w, int32_t h)
{
    LayerState *s = layer_state_new();
    s->width = w;
    s->height = h;
    s->pixels = alloc_pixels(nullptr, w, h, nullptr);
    std::memset(s->pixels, 0x40, (size_t)w * 4 * h);
    return s;
}

// range: size, smooth, blend-over
void BM_paint_glyph(benchmark::State &state)
{
    init_glyph_tables();
    int32_t size = (int32_t)state.range(0), cell;
    std::vector<uint8_t> bits = glyph_bits(size, &cell);
    GlyphCell g{bits.data(), cell, (int32_t)bits.size()};
    LayerState *s = make_layer(256, 256);
    GlyphPaint p{0xFFE0C0, 0x8040FF, 1, 0, size, size, 10, 10, (uint8_t)state.range(2)};
    auto paint = state.range(1) ? paint_glyph_antialiased : paint_glyph_monochrome;
    for (auto _ : state) {
        paint(&g, s, &p);
        benchmark::DoNotOptimize(s->pixels);
    }
    state.SetItemsProcessed(state.iterations() * size * size);
    layer_state_release_buffers(s);
    std::free(s);
}
BENCHMARK(BM_paint_glyph)
    ->ArgNames({"size", "smooth", "over"})
    ->ArgsProduct({{20, 32, 64}, {1, 0}, {0, 1}});

// Reference: writing the same pixels with one constant, row by row.
void BM_fill_reference(benchmark::State &state)
{
    int32_t size = (int32_t)state.range(0);
    LayerState *s = make_layer(256, 256);
    for (auto _ : state) {
        for (int32_t r = 0; r < size; r++) {
            uint32_t *row = (uint32_t *)s->pixels + (size_t)(10 + r) * 256 + 10;
            for (int32_t c = 0; c < size; c++)
                row[c] = 0xFF123456u;
        }
        benchmark::DoNotOptimize(s->pixels);
    }
    state.SetItemsProcessed(state.iterations() * size * size);
    layer_state_release_buffers(s);
    std::free(s);
}
BENCHMARK(BM_fill_reference)->Arg(20)->Arg(32)->Arg(64);

// Every glyph is the same synthetic cell; fixed pitch.
uint8_t *s_cell_bits[8];
int bench_build(int slot, const char *, int32_t, int, int32_t cell, GlyphCell *out)
{
    int32_t side;
    std::vector<uint8_t> bits = glyph_bits(cell >= 96 ? (cell - 64) / 4 : 8, &side);
    size_t n = (size_t)cell * cell / 8;
    std::free(s_cell_bits[slot]);
    s_cell_bits[slot] = (uint8_t *)std::malloc(n);
    std::memset(s_cell_bits[slot], 0xFF, n);
    std::memcpy(s_cell_bits[slot], bits.data(), bits.size() < n ? bits.size() : n);
    *out = GlyphCell{s_cell_bits[slot], cell, (int32_t)n};
    return 0;
}
void bench_draw(int, const uint8_t *, int) {}
void bench_release(int slot)
{
    std::free(s_cell_bits[slot]);
    s_cell_bits[slot] = nullptr;
}
const GlyphSource k_bench_source = {bench_build, bench_draw, bench_release};
void bench_fonts(SysFontFn fn, void *user)
{
    fn(user, "Fixed", "日本語", 1);
}

// range: size, layer height. A block of 4095 two-byte characters shown at once
// with the skip key held (the rest past the bottom is cut off).
void BM_flush_block_skip(benchmark::State &state)
{
    g_glyph_source = &k_bench_source;
    g_font_enumerator = bench_fonts;
    enumerate_fonts();
    create_message_window();
    int32_t size = (int32_t)state.range(0);
    LayerState *s = make_layer(1600, (int32_t)state.range(1));
    TreeNode node{};
    node.payload = s;
    MessageWindow *w = g_message_window;
    w->layer = &node;
    w->size = w->height = size;
    w->delay = 40;
    w->end_c = w->end_r = w->end_p = 0;
    ScriptTask *task = script_task_create();
    g_cur_script = task;
    g_key_hold[17] = 1;
    std::string text;
    for (int i = 0; i < 4095; i++)
        text += "あ";
    for (auto _ : state) {
        state.PauseTiming();
        w->needs_reset = 1;
        reset_message_window();
        w->pen_x = w->pen_y = 0;
        message_append_text(text.data(), text.size());
        text_end_args();
        state.ResumeTiming();
        message_wait_update(task);
        if (task->message_wait)
            state.SkipWithError("the block was not flushed in one pass");
    }
    state.SetItemsProcessed(state.iterations() * 4095);
    w->layer = nullptr;
    g_cur_script = nullptr;
    script_task_free(task);
    layer_state_release_buffers(s);
    std::free(s);
}
BENCHMARK(BM_flush_block_skip)->ArgNames({"size", "height"})->Args({16, 720})->Args({20, 720})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
