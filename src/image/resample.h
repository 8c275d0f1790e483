// Resampling and rotation of layer images: a rectangle of layer A scaled to
// a new size (nearest, bilinear, bicubic, sharpened bilinear, Lanczos-2), or
// A's image rotated about its centre, into A or into layer B.
//
// Rectangles and sizes of resample_object_image are in 1/100 pixel. The
// weight tables here are process-wide and used from the script thread only;
// the render workers get their rows through their own job records.
#pragma once

#include "core/kv_base.h"

struct LayerState;
struct TreeNode;

enum {
    KV_RESAMPLE_NEAREST = 10,
    KV_RESAMPLE_BILINEAR = 21,
    KV_RESAMPLE_BICUBIC = 31,
    KV_RESAMPLE_SHARP = 41,
    KV_RESAMPLE_LANCZOS2 = 51,
    KV_ROTATE_FILL = 11,       // rotate_image_kernel_b: outside the picture 0
    KV_ROTATE_KEEP = 12        // rotate_image_kernel_a: outside left as it was
};

// Cubic convolution (a = -1): entry i = trunc(256 * k(i / 256)), i = 0..512,
// and the table index of each of the four taps by fraction f.
extern int32_t g_bicubic_weights[513];
extern uint16_t g_bicubic_index[4][256];
void init_bicubic_tables();

// The Lanczos-2 table of one axis: (n_out + 1) rows of taps + 3 entries,
// tap k of output i at [k * (n_out + 1) + i], 16.16 weights.
struct ResampleTable {
    int32_t *weights;
    size_t capacity;           // entries held
    int32_t n_out;
    int32_t taps;
    double scale, support, inv_scale;
};
extern ResampleTable g_resample_table;

double sinc(double x);
double resample_kernel(double x);
// 0, or -1 when the table could not be grown (the old one is kept).
int build_resample_table(ResampleTable *t, int32_t n_src, int32_t n_out);
// First and last tap of output i of the table's axis.
void resample_taps(const ResampleTable *t, int32_t i, int64_t *left, int64_t *right);

// Kernels over plain buffers (pitch = width * 4; sources carry the spare
// row of a layer buffer). Rectangles inclusive, inside the source.
void scale_image_bicubic(uint8_t *dst, int32_t dw, int32_t dh, const uint8_t *src, int32_t sw,
                         int32_t sh, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// 1/100-pixel rectangle and output size; rows on the render workers (job 41).
void scale_bilinear_sharp_threaded(uint8_t *dst, const uint8_t *src, int32_t sw, int32_t sh,
                                   int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t w100,
                                   int32_t h100);
// Whole source to dw x dh; 0, or -1 when a scratch buffer or table failed.
int scale_lanczos2(uint8_t *dst, int32_t dw, int32_t dh, const uint8_t *src, int32_t sw,
                   int32_t sh);

// On layer records: the rectangle (1/100 pixel) is clamped to A's image;
// an inverted one, an output outside 1..8192 or an unknown method changes
// nothing. 0, or -1 when no result buffer could be had (reported).
int resample_state(LayerState *a, LayerState *b, int64_t x1, int64_t y1, int64_t x2, int64_t y2,
                   int64_t w100, int64_t h100, uint8_t n, uint8_t method);
int resample_object_image(TreeNode *a, TreeNode *b, int64_t x1, int64_t y1, int64_t x2,
                          int64_t y2, int64_t w100, int64_t h100, uint8_t n, uint8_t method);

// Rotation by `angle` degrees (any integer, taken modulo 360) about
// (w / 2, h / 2); output pixel (ox, oy) takes the source pixel at
//   sx = w/2 + floor(( dx * C + dy * S) / 65536)
//   sy = h/2 + floor((-dx * S + dy * C) / 65536),  dx = ox - w/2, dy = oy - h/2,
// C and S the cosine and sine in 16.16. 0 copies, 180 reverses the pixel
// order; every other angle goes through the mapping (at 90 and 270 it is
// exact, and both kernels clear what lies outside).
void rotate_image_kernel_b(uint8_t *dst, const uint8_t *src, int32_t w, int32_t h, int64_t angle);
void rotate_image_kernel_a(uint8_t *dst, const uint8_t *src, int32_t w, int32_t h, int64_t angle);
int rotate_state(LayerState *a, LayerState *b, int64_t angle, uint8_t n, uint8_t kernel);
int rotate_object_image(TreeNode *a, TreeNode *b, int64_t angle, uint8_t n, uint8_t kernel);
