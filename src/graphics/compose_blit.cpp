// The blit rectangle of the child being blended and the rule-mask weights
// its masked rows read.
#include "graphics/blend.h"
#include "graphics/compose.h"

BlitRect g_blit_rect;

// For each clipped side the dirty rectangle's edge, else the child's.
void clip_layer_blit(const LayerState *dst, const LayerState *child, int clip)
{
    LayerRect c = layer_edges(child);
    const LayerRect &d = dst->dirty;
    int64_t left = clip & KV_CLIP_LEFT ? d.left : c.left;
    int64_t top = clip & KV_CLIP_TOP ? d.top : c.top;
    int64_t right = clip & KV_CLIP_RIGHT ? d.right : c.right;
    int64_t bottom = clip & KV_CLIP_BOTTOM ? d.bottom : c.bottom;
    g_blit_rect.dst_x = (int32_t)left;
    g_blit_rect.dst_y = (int32_t)top;
    g_blit_rect.src_x = (int32_t)(left - c.left);
    g_blit_rect.src_y = (int32_t)(top - c.top);
    g_blit_rect.width = (int32_t)(right - left + 1);
    g_blit_rect.height = (int32_t)(bottom - top + 1);
}

// As progress p rises from 0 to 256 the threshold sweeps from the brightest
// mask values to the darkest; softness s widens the soft edge (256 = hard).
// Weights of 1 or less leave the destination alone, so none is clamped below.
void set_rule_weights(int progress, int softness, int opacity)
{
    int64_t p = progress, s = softness, o = opacity;
    for (int i = 0; i < 256; i++) {
        int64_t w;
        if (s != 256) {
            int64_t base = (s >> 1) * p - s * 128 + p;
            w = ((i * s) >> 1) + base;
            w = (w > 255 ? 255 : w) + 1;
        } else {
            w = i >= 256 - p ? 256 : 0;
        }
        g_rule_weights[i] = (int32_t)((w * o) >> 8);
    }
}
