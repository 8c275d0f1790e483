// The effect dispatcher on layer records: picks the kernel of an effect
// code, makes the result buffer and installs it in layer A or layer B.
#include <cstdlib>
#include <cstring>

#include "core/error_report.h"
#include "graphics/layer.h"
#include "image/effects.h"

const EffectKernelFn g_effect_kernels[KV_EFFECT_CODES] = {
    nullptr,            effect_brightness, effect_box_blur, effect_blur_h,
    effect_blur_v,      effect_blur_alt,   effect_copy_rect, effect_copy_rect,
    effect_scatter,     effect_mirror_h,   effect_colour_tone, nullptr,
    nullptr,            nullptr,           nullptr,          nullptr,
    nullptr,            effect_threshold,  effect_mosaic,    effect_wave,
    effect_wave,        effect_wave,       effect_fill,      effect_fill,
    effect_fill,        effect_negative,   nullptr,          filter_saturation,
    nullptr,            nullptr,           nullptr,          nullptr,
    nullptr,            nullptr,           nullptr,          flip_rect_vertical,
    filter_sepia,       filter_whirl,
};

uint8_t *alloc_effect_pixels(int64_t w, int64_t h, const char *name)
{
    int32_t w32 = (int32_t)(w < 0 ? 0 : (w > INT32_MAX ? INT32_MAX : w));
    int32_t h32 = (int32_t)(h < 0 ? 0 : (h > INT32_MAX ? INT32_MAX : h));
    return alloc_pixels(nullptr, w32, h32, name ? name : "");
}

void free_gif_frames(LayerState *s)
{
    if (!s->gif_frames)
        return;
    for (int i = 0; i < KV_GIF_FRAME_SLOTS; i++)
        free(s->gif_frames[i]);
    free(s->gif_frames);
    s->gif_frames = nullptr;
}

// Threshold and fill: image-sized results, worked in place for n = 0.
static bool effect_keeps_image_size(uint8_t code)
{
    return code == 17 || (code >= 22 && code <= 24);
}

static void copy_name(char **dst, const char *src)
{
    if (!*dst)
        *dst = (char *)calloc(1, KV_LAYER_NAME_SIZE);
    if (!*dst)
        return;
    if (!src) {
        (*dst)[0] = 0;
        return;
    }
    size_t n = strnlen(src, KV_LAYER_NAME_SIZE - 1);
    memcpy(*dst, src, n);
    (*dst)[n] = 0;
}

// Effect 6: B takes A's place in the picture as well as its pixels. The
// names are copied as text (each record owns its buffers).
static void copy_layer_properties(LayerState *b, const LayerState *a)
{
    b->visible = a->visible;
    b->opacity = a->opacity;
    b->x = a->x;
    b->y = a->y;
    b->rule_progress = a->rule_progress;
    b->rule_softness = a->rule_softness;
    b->blend_mode = a->blend_mode;
    b->has_alpha = a->has_alpha;
    copy_name(&b->rule_mask_name, a->rule_mask_name);
    copy_name(&b->second_name, a->second_name);
}

static void install_pixels(LayerState *s, uint8_t *pixels, int32_t w, int32_t h)
{
    if (s->pixels != pixels)
        free(s->pixels);
    s->pixels = pixels;
    s->width = w;
    s->height = h;
}

int apply_effect_state(uint8_t code, LayerState *a, LayerState *b, int64_t x1, int64_t y1,
                       int64_t x2, int64_t y2, int32_t p, int32_t value2, uint8_t n,
                       uint8_t fill_mode, const char *name)
{
    if (!a || !a->pixels || a->width < 1 || a->height < 1)
        return 0;
    if (n != 0 && !b)
        return 0;
    EffectKernelFn kernel = code < KV_EFFECT_CODES ? g_effect_kernels[code] : nullptr;
    if (!kernel)
        return 0;
    x1 = x1 < 0 ? 0 : x1;
    y1 = y1 < 0 ? 0 : y1;
    x2 = x2 > a->width - 1 ? a->width - 1 : x2;
    y2 = y2 > a->height - 1 ? a->height - 1 : y2;
    if (x1 > x2 || y1 > y2)
        return 0;

    EffectJob job = {};
    job.src = a->pixels;
    job.sw = a->width;
    job.sh = a->height;
    job.x1 = (int32_t)x1;
    job.y1 = (int32_t)y1;
    job.x2 = (int32_t)x2;
    job.y2 = (int32_t)y2;
    job.p = p;
    job.value2 = value2;
    job.fill_mode = fill_mode;
    job.wave_type = (uint8_t)(code >= 19 && code <= 21 ? code - 18 : 0);
    job.has_alpha = a->has_alpha;
    job.name = name;

    bool whole = effect_keeps_image_size(code);
    if (whole && n == 0) {
        job.dst = a->pixels;
        job.dw = a->width;
        job.dh = a->height;
        kernel(&job);
        a->has_alpha = job.has_alpha;
        return 0;
    }
    job.dw = whole ? a->width : (int32_t)(x2 - x1 + 1);
    job.dh = whole ? a->height : (int32_t)(y2 - y1 + 1);
    job.dst = alloc_effect_pixels(job.dw, job.dh, name);
    if (!job.dst)
        return -1;
    if (kernel(&job) != 0) {
        free(job.dst);
        return -1;
    }
    if (n == 0) {
        install_pixels(a, job.dst, job.dw, job.dh);
        a->has_alpha = job.has_alpha;
        return 0;
    }
    install_pixels(b, job.dst, job.dw, job.dh);
    if (code == 6) {
        if (b != a)
            copy_layer_properties(b, a);
        free_gif_frames(b);
    }
    // B ends with A's flag, or with the flag a fill gave the result (A keeps its own).
    b->has_alpha = whole ? job.has_alpha : a->has_alpha;
    return 0;
}
