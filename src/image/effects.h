// Image effects: the pixel effects of the layer image-operation command,
// as kernels over plain 32-bit B, G, R, A buffers (pitch = width * 4) and a
// dispatcher that runs one of them over a rectangle of layer A and puts the
// result back into A or into layer B.
//
// Rectangles are inclusive (x1, y1, x2, y2) in A's image. Unless an effect
// says otherwise the result is rectangle-sized and pixel (x, y) of A lands
// at (x - x1, y - y1) of the result; alpha is the source pixel's.
#pragma once

#include "core/kv_base.h"

struct LayerState;
struct TreeNode;

// One kernel call: the buffers, the rectangle and the effect's parameters.
struct EffectJob {
    uint8_t *dst;                 // result buffer
    int32_t dw, dh;               // its size
    const uint8_t *src;           // A's image
    int32_t sw, sh;               // its size
    int32_t x1, y1, x2, y2;       // inside the source image, x1 <= x2, y1 <= y2
    int32_t p;                    // value 1
    int32_t value2;               // value 2 (wave phase)
    uint8_t fill_mode;            // 1, 2, 3 for the fill
    uint8_t wave_type;            // 1, 2, 3 for the waves
    uint8_t has_alpha;            // in: A's flag; out: the flag a fill leaves
    const char *name;             // named in an allocation failure report
};
// 0, or -1 when a scratch buffer could not be made (already reported).
typedef int (*EffectKernelFn)(EffectJob *job);

int effect_brightness(EffectJob *job);      // 1
int effect_box_blur(EffectJob *job);        // 2
int effect_blur_h(EffectJob *job);          // 3
int effect_blur_v(EffectJob *job);          // 4
int effect_blur_alt(EffectJob *job);        // 5
int effect_copy_rect(EffectJob *job);       // 6, 7
int effect_scatter(EffectJob *job);         // 8
int effect_mirror_h(EffectJob *job);        // 9
int effect_colour_tone(EffectJob *job);     // 10
int effect_threshold(EffectJob *job);       // 17 (image-sized result)
int effect_mosaic(EffectJob *job);          // 18
int effect_wave(EffectJob *job);            // 19, 20, 21
int effect_fill(EffectJob *job);            // 22, 23, 24 (image-sized result)
int effect_negative(EffectJob *job);        // 25
int filter_saturation(EffectJob *job);      // 27
int flip_rect_vertical(EffectJob *job);     // 35
int filter_sepia(EffectJob *job);           // 36
int filter_whirl(EffectJob *job);           // 37

enum { KV_EFFECT_CODES = 38 };
// Kernel by effect code; null for a code without one.
extern const EffectKernelFn g_effect_kernels[KV_EFFECT_CODES];

// Row scatter table of the scatter effect: for the pixels top-left,
// top-right, bottom-left, bottom-right of a 2 x 2 block, which old pixel each
// receives.
extern const uint8_t g_scatter_table[24][4];

// The effect on layer records: code, A, B (may be null), the rectangle
// (clamped here to A's image; an empty one does nothing), value 1, value 2,
// n (0 = result into A, else into B) and the fill mode. 0 on success, also
// when A has no pixels or the code has no kernel; -1 when the result could
// not be made (reported: the size box and 100010, or 104030).
// Callers mark the layers dirty (apply_effect does).
int apply_effect_state(uint8_t code, LayerState *a, LayerState *b, int64_t x1, int64_t y1,
                       int64_t x2, int64_t y2, int32_t p, int32_t value2, uint8_t n,
                       uint8_t fill_mode, const char *name);

// The same on layer nodes, marking A (and B) dirty before and after.
int apply_effect(uint8_t code, TreeNode *a, TreeNode *b, int64_t x1, int64_t y1, int64_t x2,
                 int64_t y2, int32_t p, int32_t value2, uint8_t n, uint8_t fill_mode);

// Result buffers: alloc_pixels for w x h, reporting 104030 with `name` on
// failure (and the size box with 100010 for a width above 8192).
uint8_t *alloc_effect_pixels(int64_t w, int64_t h, const char *name);
// Frees a record's GIF frame table and clears it.
void free_gif_frames(LayerState *s);
