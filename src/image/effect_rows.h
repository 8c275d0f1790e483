// Row addressing shared by the effect kernels: where a source pixel lies and
// where a rectangle-sized or image-sized result row starts.
#pragma once

#include <cstddef>

#include "image/effects.h"

static inline const uint8_t *effect_src_px(const EffectJob *j, int64_t x, int64_t y)
{
    return j->src + ((size_t)y * (size_t)j->sw + (size_t)x) * 4;
}

// Row y of the rectangle in a rectangle-sized result.
static inline uint8_t *effect_rect_row(const EffectJob *j, int64_t y)
{
    return j->dst + (size_t)(y - j->y1) * (size_t)j->dw * 4;
}

// Pixel (x1, y) of an image-sized result.
static inline uint8_t *effect_image_px(const EffectJob *j, int64_t x, int64_t y)
{
    return j->dst + ((size_t)y * (size_t)j->dw + (size_t)x) * 4;
}

static inline int32_t effect_rect_width(const EffectJob *j)
{
    return j->x2 - j->x1 + 1;
}
static inline int32_t effect_rect_height(const EffectJob *j)
{
    return j->y2 - j->y1 + 1;
}

static inline uint8_t effect_clamp_byte(int64_t v)
{
    return (uint8_t)(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// An image-sized result that is not the source gets A's whole image first.
void effect_copy_whole_image(const EffectJob *j);
// The same for the pixels outside the rectangle only.
void effect_copy_outside_rect(const EffectJob *j);

// 256-bit colour rows (effect_colour_avx2.cpp), called only when
// g_cpu_features.avx2 is set: they do the whole groups of eight (sixteen for
// the saturation above 128) pixels of a row of n and return how many they did.
int32_t sepia_row_avx2(uint8_t *d, const uint8_t *s, int32_t n);
// Saturation below 128: k = 128 - p, 1..128.
int32_t saturation_less_row_avx2(uint8_t *d, const uint8_t *s, int32_t n, int k);
// Saturation from 128 to 256: k = p - 128, 0..128.
int32_t saturation_more_row_avx2(uint8_t *d, const uint8_t *s, int32_t n, int k);
// The same on groups of 32 (effect_colour_avx512.cpp), called only when
// g_cpu_features.avx512bw is set.
int32_t saturation_more_row_avx512(uint8_t *d, const uint8_t *s, int32_t n, int k);
