// The screen quad of the Direct3D presenter: where the frame texture is
// placed, the filter taps of each vertex, and the upload of a frame into the
// upload surface. Portable, so that the placement can be tested natively.
#pragma once

#include <cstddef>

#include "core/kv_base.h"

// Vertex of stream 0: pre-transformed position, diffuse colour and eight
// texture-coordinate pairs; the offsets are part of the vertex declaration.
struct QuadVertex {
    float x, y, z, rhw;
    uint32_t colour;
    float tex[8][2];
};
static_assert(sizeof(QuadVertex) == 84, "QuadVertex is a hardware vertex format");

struct QuadPlace { double x0, y0, w, h; };

// The largest frame side the presenter takes (the frame texture's limit).
enum { KV_MAX_FRAME_TEXTURE = 4096 };

// Placement in back-buffer pixels. fitted: full screen or maximised (then by
// layout kind in a cw x ch client), else windowed at the shown size sw x sh.
QuadPlace quad_placement(bool fitted, int kind, int32_t gw, int32_t gh, int32_t cw, int32_t ch,
                         int32_t sw, int32_t sh, int32_t tex_w, int32_t tex_h);
// One vertex with its filter taps for the filter mode (2 four taps, 3 sixteen
// as eight sets, others none); dx, dy are one texel.
void set_quad_vertex(QuadVertex *v, float x, float y, float z, float u, float tv,
                     uint32_t colour, int filter_mode, int32_t tex_w, int32_t tex_h);
// The triangle strip of a placement.
void build_quad(QuadVertex out[4], const QuadPlace &p, int filter_mode, int32_t tex_w,
                int32_t tex_h);
// Whether a gw x gh game (never above 4096 a side) can be shown through its
// tex_w x tex_h frame texture on a device taking textures of max_w x max_h.
bool gpu_frame_fits(int32_t gw, int32_t gh, uint32_t tex_w, uint32_t tex_h, uint32_t max_w,
                    uint32_t max_h);
// Copies gh rows of gw pixels (pitch gw x 4) into a locked surface.
void upload_frame_rows(uint8_t *dest, ptrdiff_t dest_pitch, const uint8_t *pixels, int32_t gw,
                       int32_t gh);
// The same for the rectangle (x, y, w, h) of the frame only, in place.
void upload_frame_rect(uint8_t *dest, ptrdiff_t dest_pitch, const uint8_t *pixels, int32_t gw,
                       int32_t x, int32_t y, int32_t w, int32_t h);
