// Multi-layer operations of the layer image-operation command: putting
// layer A onto layer B at a position, cross-fading two layers into a third
// (evenly, or through a rule mask), keeping the pixels where two layers
// differ or agree, trimming transparent edges, growing or cropping the
// canvas by margins, and the GPU sprite paste.
//
// The *_state routines work on layer records and leave the dirty marking
// to their caller; the routines named after the operation take layer nodes
// and mark what they change. Positions are 64-bit and not clamped: the
// clip keeps every row inside every image involved.
#pragma once

#include <cstddef>

#include "core/kv_base.h"

struct LayerState;
struct TreeNode;

// The clip of a source placed at (x, y) in a destination: the overlap of
// the two, with its origin in each (width or height <= 0: nothing).
struct BlitClip {
    int32_t src_x0, src_y0, dst_x0, dst_y0, width, height;
};
extern BlitClip g_blit_clip;
// The clip case bits: 8 x + sw > dw, 2 y + sh > dh, 4 x < 0, 1 y < 0.
int blit_clip_case(const LayerState *dst, const LayerState *src, int64_t x, int64_t y);
// Fills g_blit_clip; every case gives the plain intersection.
void compute_blit_clip(const LayerState *dst, const LayerState *src, int clip_case, int64_t x,
                       int64_t y);

// Rule-mask weights of the table cross-fade, 256 entries by mask byte.
extern int32_t g_alpha_table[256];
// Level L (256 - value 1), softness s: s = 256 a hard edge (entries from
// 256 - L on are 256, the others 0), else entry i =
// min(255, ((i * s) >> 1) + (s >> 1) * L - 128 * s + L) + 1, with no lower
// clamp beyond the 32-bit range (entries below 2 select B).
void build_alpha_table(int64_t level, int64_t softness);
// One row of bytes: w = table[blue of C]; w < 2 gives B's pixel, else each
// channel b - (((b - a) * w) >> 8).
void blend_row_with_alpha_table(const uint8_t *a, const uint8_t *b, const uint8_t *c, uint8_t *d,
                                ptrdiff_t bytes);

int blit_object_state(LayerState *a, LayerState *b, int64_t x, int64_t y);
int blit_object_dst_opacity_state(LayerState *a, LayerState *b, int64_t x, int64_t y);
int crossfade_objects_state(LayerState *a, LayerState *b, LayerState *c, int64_t x, int64_t y,
                            int64_t level);
int crossfade_objects_table_state(LayerState *a, LayerState *b, LayerState *c, LayerState *d,
                                  int64_t x, int64_t y, int64_t value1, int32_t value2);
int keep_differing_pixels_state(LayerState *a, LayerState *b, int64_t x, int64_t y);
int keep_equal_pixels_state(LayerState *a, LayerState *b, int64_t x, int64_t y);
// Side bits: 8 top, 4 bottom, 2 left, 1 right. A fully transparent image
// is left as it is. 0, or -1 when the result could not be made.
int trim_transparent_edges_state(LayerState *a, LayerState *b, uint8_t n, uint8_t sides,
                                 const char *name);
// Margins (negative ones crop); a margin the script did not give is 0.
// 0, or -1 for an empty or too large result or a failed allocation.
int resize_layer_canvas_state(LayerState *a, LayerState *b, uint8_t n, int64_t left,
                              int64_t right, int64_t top, int64_t bottom, const char *name);
// Copies A's image to (left, top) of a dw x dh buffer, only the overlap.
void resize_image_kernel(uint8_t *dst, int32_t dw, int32_t dh, const uint8_t *src, int32_t sw,
                         int32_t sh, int64_t left, int64_t top);

// On layer nodes (a missing payload does nothing); results as above.
int blit_object(TreeNode *a, TreeNode *b, int64_t x, int64_t y);
int blit_object_dst_opacity(TreeNode *a, TreeNode *b, int64_t x, int64_t y);
int crossfade_objects(TreeNode *a, TreeNode *b, TreeNode *c, int64_t x, int64_t y, int64_t level);
int crossfade_objects_table(TreeNode *a, TreeNode *b, TreeNode *c, TreeNode *d, int64_t x,
                            int64_t y, int64_t value1, int32_t value2);
int keep_differing_pixels(TreeNode *a, TreeNode *b, int64_t x, int64_t y, uint8_t unused);
int keep_equal_pixels(TreeNode *a, TreeNode *b, int64_t x, int64_t y, uint8_t unused);
int trim_transparent_edges(TreeNode *a, TreeNode *b, uint8_t n, uint8_t sides);
int resize_layer_canvas(TreeNode *a, TreeNode *b, uint8_t n, int64_t left, int64_t right,
                        int64_t top, int64_t bottom);
// Hands B to the GPU back end's tile update as a sprite; no part of the
// engine creates tile textures, so nothing visible happens. Always 0.
int paste_sprite(TreeNode *a, TreeNode *b);
