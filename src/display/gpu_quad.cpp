// The screen quad of the Direct3D presenter (see gpu_quad.h).
#include "display/gpu_quad.h"

#include <cstring>

#include "graphics/kernels.h"

QuadPlace quad_placement(bool fitted, int kind, int32_t gw, int32_t gh, int32_t cw, int32_t ch,
                         int32_t sw, int32_t sh, int32_t tex_w, int32_t tex_h)
{
    double W2 = tex_w, H2 = tex_h;
    if (!fitted)
        return {0, 0, gw ? sw * W2 / gw : W2, gh ? sh * H2 / gh : H2};
    if ((kind == 1 && !gw) || (kind == 2 && !gh) || (kind == 3 && (!gw || !gh)))
        return {0, 0, 0, 0};
    switch (kind) {
    case 0:
        return {(cw - gw) * 0.5, (ch - gh) * 0.5, W2, H2};
    case 1:  // the product is truncated as a 32-bit integer quotient
        return {0, (ch - (int32_t)((int64_t)gh * cw / gw)) * 0.5, W2 * cw / gw, H2 * cw / gw};
    case 2:
        return {(cw - (int32_t)((int64_t)gw * ch / gh)) * 0.5, 0, W2 * ch / gh, H2 * ch / gh};
    case 3:
        return {0, 0, W2 * cw / gw, H2 * ch / gh};
    default:
        return {0, 0, 0, 0};
    }
}

void set_quad_vertex(QuadVertex *v, float x, float y, float z, float u, float tv,
                     uint32_t colour, int filter_mode, int32_t tex_w, int32_t tex_h)
{
    std::memset(v, 0, sizeof *v);
    v->x = x;
    v->y = y;
    v->z = z;
    v->rhw = 1.0f;
    v->colour = colour;
    float dx = 1.0f / (float)(tex_w ? tex_w : 1), dy = 1.0f / (float)(tex_h ? tex_h : 1);
    if (filter_mode == 2) {
        const float taps[4][2] = {{u, tv}, {u + dx, tv}, {u, tv + dy}, {u + dx, tv + dy}};
        std::memcpy(v->tex, taps, sizeof taps);
    } else if (filter_mode == 3) {
        for (int k = 0; k < 4; k++) {
            v->tex[k][0] = u - dx;
            v->tex[k][1] = tv + (float)(k - 1) * dy;
            v->tex[4 + k][0] = u;
            v->tex[4 + k][1] = tv + (float)(k - 1) * dy;
        }
    }
}

void build_quad(QuadVertex out[4], const QuadPlace &p, int filter_mode, int32_t tex_w,
                int32_t tex_h)
{
    const float lo = -0.00001f, hi = 0.99999f;
    float x0 = (float)p.x0, y0 = (float)p.y0;
    float x1 = (float)(p.x0 + p.w), y1 = (float)(p.y0 + p.h);
    set_quad_vertex(&out[0], x0, y1, 0, lo, hi, 0xFFFFFFFFu, filter_mode, tex_w, tex_h);
    set_quad_vertex(&out[1], x1, y1, 0, hi, hi, 0xFFFFFFFFu, filter_mode, tex_w, tex_h);
    set_quad_vertex(&out[2], x0, y0, 0, lo, lo, 0xFFFFFFFFu, filter_mode, tex_w, tex_h);
    set_quad_vertex(&out[3], x1, y0, 0, hi, lo, 0xFFFFFFFFu, filter_mode, tex_w, tex_h);
}

bool gpu_frame_fits(int32_t gw, int32_t gh, uint32_t tex_w, uint32_t tex_h, uint32_t max_w,
                    uint32_t max_h)
{
    return gw > 0 && gh > 0 && gw <= KV_MAX_FRAME_TEXTURE && gh <= KV_MAX_FRAME_TEXTURE &&
           (uint32_t)gw <= tex_w && (uint32_t)gh <= tex_h && tex_w <= max_w && tex_h <= max_h;
}

void upload_frame_rect(uint8_t *dest, ptrdiff_t dest_pitch, const uint8_t *pixels, int32_t gw,
                       int32_t x, int32_t y, int32_t w, int32_t h)
{
    ptrdiff_t src_pitch = (ptrdiff_t)gw * 4, off = (ptrdiff_t)x * 4;
    for (int32_t r = y; r < y + h; r++)
        g_pixel_kernels.kern_copy(dest + r * dest_pitch + off, pixels + r * src_pitch + off,
                                  (ptrdiff_t)w * 4);
}

void upload_frame_rows(uint8_t *dest, ptrdiff_t dest_pitch, const uint8_t *pixels, int32_t gw,
                       int32_t gh)
{
    upload_frame_rect(dest, dest_pitch, pixels, gw, 0, 0, gw, gh);
}
