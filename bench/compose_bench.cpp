// Composition of a 1280 x 720 window root with eight full-size layers that
// blend by their per-pixel alpha, composed whole, beside pixman's OVER of the
// same eight layers in the same run; and a 256 x 256 sprite moving over that
// scene, where only the union of its old and new rectangles is composed
// again, with and without the cache of the layers below it (pixman over the
// same area beside it).
//
// Content 0: random alpha everywhere (every pixel needs arithmetic).
// Content 1: picture-like: layer 0 opaque, the others opaque shapes with soft
// edges over clear areas, as characters and frames are.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/tree.h"
#include "graphics/blend.h"
#include "graphics/compose.h"
#include "graphics/kernels.h"
#include "graphics/layer.h"
#include "graphics/render_workers.h"

#ifdef KV_HAVE_PIXMAN
#include <pixman.h>
#endif

namespace {

const int W = 1280, H = 720, LAYERS = 8, SPRITE = 256;

double fastest(const std::vector<double> &v)
{
    return *std::min_element(v.begin(), v.end());
}
#define KV_REPEAT Repetitions(5)->ComputeStatistics("min", fastest)->ReportAggregatesOnly(true)

uint32_t g_seed = 12345;
uint32_t next_random()
{
    g_seed = g_seed * 1664525u + 1013904223u;
    return g_seed;
}

// Random colours; content 1 gives them an opaque disc (centre cx, cy, radius
// r) with a soft edge over clear pixels, or, for r = 0, alpha 255 everywhere.
void paint(LayerState *s, int content, int cx, int cy, int r)
{
    for (int y = 0; y < s->height; y++)
        for (int x = 0; x < s->width; x++) {
            uint32_t v = next_random();
            uint8_t *p = s->pixels + ((size_t)y * s->width + x) * 4;
            std::memcpy(p, &v, 4);
            if (content == 0)
                continue;
            int dx = x - cx, dy = y - cy, d2 = dx * dx + dy * dy;
            p[3] = r == 0 || d2 < r * r ? 255 : (d2 > (r + 8) * (r + 8) ? 0 : (uint8_t)(v >> 24));
        }
}

TreeNode *add(TreeNode *parent, const char *name, bool group, int64_t key, int w, int h)
{
    TreeNode *n = create_tree_node(parent, name, group ? 1 : 0, key);
    LayerState *s = layer_state_new();
    n->payload = s;
    s->width = w;
    s->height = h;
    s->has_alpha = group ? 0 : 1;
    s->pixels = alloc_pixels(nullptr, w, h, nullptr);
    std::memset(s->pixels, 0, (size_t)w * h * 4);
    return n;
}

struct Scene {
    TreeNode *root, *w0, *sprite = nullptr;
    std::vector<TreeNode *> layers;

    Scene(int content, bool with_sprite)
    {
        static bool tables = false;
        if (!tables) {
            init_pixel_kernels();
            build_blend_product_tables();
            init_blend_fn_table();
            tables = true;
        }
        root = (TreeNode *)alloc_zeroed(sizeof(TreeNode));
        root->payload = layer_state_new();
        g_layer_tree = root;
        w0 = add(root, "W0", true, 0, W, H);
        char name[8];
        for (int k = 0; k < LAYERS; k++) {
            name[0] = 'L';
            name[1] = (char)('0' + k);
            name[2] = 0;
            layers.push_back(add(w0, name, false, k, W, H));
            paint((LayerState *)layers.back()->payload, content, 160 + k * 137 % 960,
                  120 + k * 71 % 480, k == 0 ? 0 : 90 + 20 * k);
        }
        if (with_sprite) {
            sprite = add(w0, "sprite", false, 100, SPRITE, SPRITE);
            paint((LayerState *)sprite->payload, content, SPRITE / 2, SPRITE / 2, SPRITE / 2 - 12);
        }
        mark_layer_wholly_dirty(w0);
        compose_layer_tree_cpu(w0, 0);
        reset_layer_dirty_rects(w0);
    }
    ~Scene()
    {
        for (TreeNode *n = w0->first_child; n;) {
            TreeNode *next = n->next;
            layer_state_release_buffers((LayerState *)n->payload);
            std::free(n->payload);
            std::free(n->name);
            std::free(n);
            n = next;
        }
        layer_state_release_buffers((LayerState *)w0->payload);
        std::free(w0->payload);
        std::free(w0->name);
        std::free(w0);
        std::free(root->payload);
        std::free(root);
        g_layer_tree = nullptr;
    }
    LayerState *rec(TreeNode *n) { return (LayerState *)n->payload; }
};

struct Workers {
    explicit Workers(int n) { start_render_workers_count(n); }
    ~Workers() { stop_render_workers(); }
};

// state.range: workers, content
void BM_compose_8_layers(benchmark::State &state)
{
    Workers workers((int)state.range(0));
    Scene scene((int)state.range(1), false);
    for (auto _ : state) {
        mark_layer_wholly_dirty(scene.w0);
        compose_layer_tree_cpu(scene.w0, 0);
        reset_layer_dirty_rects(scene.w0);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_compose_8_layers)
    ->ArgNames({"workers", "content"})
    ->Args({1, 0})->Args({2, 0})->Args({1, 1})->Args({2, 1})
    ->Unit(benchmark::kMillisecond)->UseRealTime()->KV_REPEAT;

// The sprite moves 3 pixels right (and down now and then) each frame; with
// cache 0 the layers below it are blended again every frame.
void BM_compose_moving_sprite(benchmark::State &state)
{
    Workers workers((int)state.range(0));
    g_below_cache_enabled = (int)state.range(2);
    Scene scene((int)state.range(1), true);
    LayerState *s = scene.rec(scene.sprite);
    int64_t step = 0;
    for (auto _ : state) {
        layer_mark_dirty(scene.sprite);
        s->x = 100 + (step * 3) % (W - SPRITE - 200);
        s->y = 100 + (step / 8) % (H - SPRITE - 200);
        step++;
        layer_mark_dirty(scene.sprite);
        compose_layer_tree_cpu(scene.w0, 0);
        reset_layer_dirty_rects(scene.w0);
        benchmark::ClobberMemory();
    }
    g_below_cache_enabled = 1;
}
BENCHMARK(BM_compose_moving_sprite)
    ->ArgNames({"workers", "content", "cache"})
    ->Args({1, 0, 1})->Args({2, 0, 1})->Args({1, 1, 1})->Args({2, 1, 1})
    ->Args({1, 0, 0})->Args({2, 0, 0})->Args({1, 1, 0})->Args({2, 1, 0})
    ->Unit(benchmark::kMicrosecond)->UseRealTime()->KV_REPEAT;

#ifdef KV_HAVE_PIXMAN
// OVER of the same layers onto a frame; area 0 the whole frame, 1 the
// sprite's union rectangle (259 x 256) with the sprite on top.
void BM_pixman_over_layers(benchmark::State &state)
{
    int area = (int)state.range(1);
    Scene scene((int)state.range(0), area == 1);
    std::vector<uint8_t> dst((size_t)W * H * 4);
    pixman_image_t *d = pixman_image_create_bits(PIXMAN_a8r8g8b8, W, H, (uint32_t *)dst.data(), W * 4);
    std::vector<pixman_image_t *> src;
    for (TreeNode *n : scene.layers)
        src.push_back(pixman_image_create_bits(PIXMAN_a8r8g8b8, W, H,
                                               (uint32_t *)scene.rec(n)->pixels, W * 4));
    pixman_image_t *sprite = nullptr;
    if (area == 1)
        sprite = pixman_image_create_bits(PIXMAN_a8r8g8b8, SPRITE, SPRITE,
                                          (uint32_t *)scene.rec(scene.sprite)->pixels, SPRITE * 4);
    int x = area ? 300 : 0, y = area ? 200 : 0;
    int w = area ? SPRITE + 3 : W, h = area ? SPRITE : H;
    for (auto _ : state) {
        for (pixman_image_t *s : src)
            pixman_image_composite32(PIXMAN_OP_OVER, s, nullptr, d, x, y, 0, 0, x, y, w, h);
        if (sprite)
            pixman_image_composite32(PIXMAN_OP_OVER, sprite, nullptr, d, 0, 0, 0, 0, x + 3, y,
                                     SPRITE, SPRITE);
        benchmark::ClobberMemory();
    }
    for (pixman_image_t *s : src)
        pixman_image_unref(s);
    if (sprite)
        pixman_image_unref(sprite);
    pixman_image_unref(d);
}
BENCHMARK(BM_pixman_over_layers)
    ->ArgNames({"content", "sprite_area"})
    ->Args({0, 0})->Args({1, 0})->Args({0, 1})->Args({1, 1})
    ->Unit(benchmark::kMicrosecond)->UseRealTime()->KV_REPEAT;
#endif

}  // namespace

BENCHMARK_MAIN();
