// Blend modes: the result tables, the shared product tables and the table of
// blend row functions that composition calls one row at a time.
#pragma once

#include <cassert>
#include <cstddef>

#include "core/kv_base.h"

enum {
    KV_BLEND_MODES = 19,       // 0 normal, 1..18 arithmetic
    KV_BLEND_MODE_SLOTS = 20,  // mode 19 has no functions
    KV_BLEND_KINDS = 4,
    KV_BLEND_FNS = KV_BLEND_KINDS * KV_BLEND_MODE_SLOTS * 2
};

// Pixel kinds, in table order.
enum BlendKind {
    BLEND_KIND_PLAIN = 0,       // job 101
    BLEND_KIND_ALPHA = 1,       // job 103: weighted by the source alpha
    BLEND_KIND_MASK = 2,        // job 102: rule mask
    BLEND_KIND_MASK_ALPHA = 3   // job 104: rule mask x source alpha
};

// Product tables (built by build_blend_product_tables, called by
// init_tables_once): rows a = 0..256, columns d = -255..256 at index d + 255.
// Entries are a * d / 256 and a * d / 255 truncated toward 0; they are signed.
extern int16_t g_product_div256[257][512];
extern int16_t g_product_div255[257][512];
// Reciprocal table: [b][a] = a * 256 / b for b = 1..255; row 0 is all 0.
extern uint16_t g_reciprocal_table[256][256];

// Result tables R[s][d] (source byte, destination byte) of modes 3..18;
// modes 1 and 2 also have their 511-entry clamp tables (add indexed by s + d,
// subtract by s - d + 255). Modes 1 and 2 are filled in the 2-D table too.
extern uint8_t g_blend_results[KV_BLEND_MODES][256][256];
extern uint8_t g_blend_add_table[511];
extern uint8_t g_blend_sub_table[511];

// Rule-mask weights per mask byte value; the compositor fills them for the
// current layer before its rows are dispatched.
extern int32_t g_rule_weights[256];

typedef void (*BlendRowFn)(uint8_t *dst, const uint8_t *src, int opacity, ptrdiff_t count);
typedef void (*BlendMaskRowFn)(uint8_t *dst, const uint8_t *src, const uint8_t *mask,
                               int progress, int softness, ptrdiff_t count);

// Kinds A and B fill `row`, kinds C and D `masked_row`; an empty entry has both null.
struct BlendFn {
    BlendRowFn row;
    BlendMaskRowFn masked_row;
};
// Index: kind * 40 + mode * 2 + (1 for full opacity, 0 for partial).
extern BlendFn g_blend_fns[KV_BLEND_FNS];

// Callers clamp the mode before looking an entry up: a mode outside 0..18
// is blended as normal (0).
static inline int blend_mode_clamp(int mode)
{
    return mode >= 0 && mode < KV_BLEND_MODES ? mode : 0;
}
// Opacity 0..256 of a layer, clamped; full entry when it reaches 256.
static inline int blend_opacity_clamp(int opacity)
{
    return opacity < 0 ? 0 : (opacity > 256 ? 256 : opacity);
}
static inline const BlendFn &blend_fn(int kind, int mode, int full)
{
    assert(kind >= 0 && kind < KV_BLEND_KINDS && mode >= 0 && mode < KV_BLEND_MODES &&
           (full == 0 || full == 1));
    return g_blend_fns[kind * KV_BLEND_MODE_SLOTS * 2 + mode * 2 + full];
}

// Start-up (init_tables_once): the product tables first, then the function
// table with the result and reciprocal tables (after init_pixel_kernels).
void build_blend_product_tables();
void init_blend_fn_table();

// Soft-light result of one source and destination byte (mode 15).
int blend_soft_light(int s, int d);
