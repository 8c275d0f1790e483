// The blend tables: shared product tables, the reciprocal table and the
// result table R[s][d] of every arithmetic blend mode.
#include <cmath>

#include "graphics/blend.h"

int16_t g_product_div256[257][512];
int16_t g_product_div255[257][512];
uint16_t g_reciprocal_table[256][256];
uint8_t g_blend_results[KV_BLEND_MODES][256][256];
uint8_t g_blend_add_table[511];
uint8_t g_blend_sub_table[511];
int32_t g_rule_weights[256];

// The products reach -255 and so are stored signed.
void build_blend_product_tables()
{
    for (int a = 0; a <= 256; a++)
        for (int d = -255; d <= 256; d++) {
            g_product_div256[a][d + 255] = (int16_t)(a * d / 256);
            g_product_div255[a][d + 255] = (int16_t)(a * d / 255);
        }
}

static int clamp_byte(int v)
{
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

// Mode 15. q in double precision truncated toward 0, arithmetic shifts.
int blend_soft_light(int s, int d)
{
    double root = std::sqrt((double)(256 - d));
    int r;
    if (s < 128) {
        int q = (int)(16384.0 - root);
        r = d + (((s - 128) * q) >> 15);
    } else if (d <= 32) {
        int q = (int)(16384.0 - root * (double)(768 - 8 * d));
        r = d + (((s - 128) * q) >> 15);
    } else {
        int q = (int)(16384.0 - root);
        r = d + (((s - 128) * q) >> 16);
    }
    return clamp_byte(r);
}

static int vivid_light(int s, int d)
{
    if (s == 0)
        return 0;
    if (s <= 127) {
        int v = (510 * s + 255 * d - 65025) / (2 * s);
        return v < 0 ? 0 : v;
    }
    if (s <= 254) {
        int v = 255 * d / (510 - 2 * s);
        return v > 255 ? 255 : v;
    }
    return 255;
}

// Overlay is hard light with the roles of s and d exchanged.
static int hard_light(int s, int d)
{
    if (s < 128)
        return (2 * s) * d / 255;
    if (s == 128)
        return d;
    return 2 * s - 257 + d * (512 - 2 * s) / 255;
}

static int blend_result(int mode, int s, int d)
{
    switch (mode) {
    case 1: return s + d > 255 ? 255 : s + d;
    case 2: return s - d < 0 ? 0 : s - d;
    case 3: return s * d / 255;
    case 4:
        if (d == 0)
            return s == 0 ? 0 : 255;
        return 255 * s / d > 255 ? 255 : 255 * s / d;
    case 5: return s + d - d * s / 255;
    case 6: return s > d ? s : d;
    case 7: return s < d ? s : d;
    case 8: return s > d ? s - d : d - s;
    case 9: return s + d - 2 * (s * d / 255);
    case 10: return hard_light(d, s);
    case 11: {
        int v = 256 * d / (256 - s);
        return v > 255 ? 255 : v;
    }
    case 12: {
        int v = 255 - 256 * (255 - d) / (s + 1);
        return v < 0 ? 0 : v;
    }
    case 13: return s + d - 255 < 0 ? 0 : s + d - 255;
    case 14: return hard_light(s, d);
    case 15: return blend_soft_light(s, d);
    case 16: return vivid_light(s, d);
    case 17: return clamp_byte(d + 2 * s - 256);
    case 18:
        if (s < 128)
            return d < 2 * s ? d : 2 * s;
        return d > 2 * s - 255 ? d : 2 * s - 255;
    default: return s;
    }
}

// Result tables and the reciprocal table (part of init_blend_fn_table).
void build_blend_result_tables()
{
    for (int i = 0; i < 511; i++) {
        g_blend_add_table[i] = (uint8_t)(i > 255 ? 255 : i);
        g_blend_sub_table[i] = (uint8_t)(i < 255 ? 0 : i - 255);
    }
    for (int mode = 0; mode < KV_BLEND_MODES; mode++)
        for (int s = 0; s < 256; s++)
            for (int d = 0; d < 256; d++)
                g_blend_results[mode][s][d] = (uint8_t)clamp_byte(blend_result(mode, s, d));
    for (int a = 0; a < 256; a++)
        g_reciprocal_table[0][a] = 0;
    for (int b = 1; b < 256; b++)
        for (int a = 0; a < 256; a++)
            g_reciprocal_table[b][a] = (uint16_t)(a * 256 / b);
}
