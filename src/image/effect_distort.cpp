// Distortions: the three waves and the whirl.
//
// Both read the source from the image's origin: for the whole image (the
// usual case) that is the picture itself; a smaller rectangle takes its
// source pixels counted from the image's top-left corner, as the engine
// always has. The whirl reads with the image's own row pitch (reading with
// the rectangle's width as pitch would shear the picture).
//
// Precision: the wave's degree factor is the single-precision value of
// pi/180 widened to double, and sin, cos and the products are taken in
// double; the whirl's factor is 0.017453292519444445 in double and its angle
// step p / (10 n) is a floating division. Displacements truncate toward 0.
#include <cmath>
#include <cstdlib>

#include "core/error_report.h"
#include "image/effect_rows.h"

static const double kWaveDegree = (double)0.017453292f;
static const double kWhirlDegree = 0.017453292519444445;

static int64_t clamp64(int64_t v, int64_t lo, int64_t hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

// Type 1 moves columns by a sine of the row, type 2 rows by a cosine of the
// column, type 3 both; p is the amplitude, value 2 the phase in degrees.
int effect_wave(EffectJob *j)
{
    int32_t w = effect_rect_width(j);
    double ax = j->wave_type == 2 ? 0.0 : (double)j->p;
    double ay = j->wave_type == 1 ? 0.0 : (double)j->p;
    int64_t *dy = (int64_t *)malloc((size_t)w * sizeof *dy);
    if (!dy) {
        report_system_error(104030, 1, j->name ? j->name : "");
        return -1;
    }
    for (int32_t i = 0; i < w; i++)
        dy[i] = (int64_t)std::trunc(std::cos((double)((int64_t)j->x1 + i + j->value2) * kWaveDegree) * ay);
    for (int32_t y = j->y1; y <= j->y2; y++) {
        int64_t dx = (int64_t)std::trunc(std::sin((double)((int64_t)y + j->value2) * kWaveDegree) * ax);
        uint8_t *d = effect_rect_row(j, y);
        for (int32_t i = 0; i < w; i++) {
            int64_t sx = clamp64((int64_t)i + dx, 0, j->x2);
            int64_t sy = clamp64((int64_t)y + dy[i], j->y1, j->y2);
            const uint8_t *s = effect_src_px(j, sx, sy);
            d[i * 4] = s[0];
            d[i * 4 + 1] = s[1];
            d[i * 4 + 2] = s[2];
            d[i * 4 + 3] = s[3];
        }
    }
    free(dy);
    return 0;
}

// The whirl's distance map: trunc(hypot(|x - cx|, |y - cy|)) for every
// pixel of a W x H rectangle, kept between calls and rebuilt only when the
// size changes.
static uint16_t *g_whirl_map;
static int32_t g_whirl_w, g_whirl_h;

static const uint16_t *whirl_distance_map(int32_t w, int32_t h)
{
    if (g_whirl_map && g_whirl_w == w && g_whirl_h == h)
        return g_whirl_map;
    uint16_t *m = (uint16_t *)realloc(g_whirl_map, (size_t)w * (size_t)h * sizeof *m);
    if (!m)
        return nullptr;   // the old map stays, with its own size
    g_whirl_map = m;
    g_whirl_w = w;
    g_whirl_h = h;
    int32_t cx = w / 2, cy = h / 2;
    for (int32_t y = 0; y < h; y++)
        for (int32_t x = 0; x < w; x++)
            m[(size_t)y * w + x] = (uint16_t)std::hypot((double)std::abs(x - cx), (double)std::abs(y - cy));
    return m;
}

// Rotates by p / 10 degrees at the centre, falling off linearly to 0 at
// the radius n; pixels are read from the rotated position.
int filter_whirl(EffectJob *j)
{
    int32_t w = effect_rect_width(j), h = effect_rect_height(j);
    int32_t cx = w / 2, cy = h / 2;
    int32_t n = (int32_t)std::trunc(1 + (std::hypot((double)w, (double)h) + 1) * 0.5);
    const uint16_t *map = whirl_distance_map(w, h);
    int64_t *table = (int64_t *)malloc((size_t)n * 2 * sizeof *table);
    if (!map || !table) {
        free(table);
        report_system_error(104030, 1, j->name ? j->name : "");
        return -1;
    }
    for (int32_t d = 0; d < n; d++) {
        double theta = j->p / 10.0 - d * (j->p / (10.0 * n));
        table[d * 2] = (int64_t)std::trunc(std::cos(theta * kWhirlDegree) * 256);
        table[d * 2 + 1] = (int64_t)std::trunc(std::sin(theta * kWhirlDegree) * 256);
    }
    for (int32_t y = 0; y < h; y++) {
        uint8_t *out = j->dst + (size_t)y * j->dw * 4;
        for (int32_t x = 0; x < w; x++) {
            int64_t d = map[(size_t)y * w + x];
            if (d >= n)
                d = n - 1;
            int64_t c = table[d * 2], s = table[d * 2 + 1];
            int64_t dx = x - cx, dy = y - cy;
            int64_t sx = clamp64(((dx * c - dy * s) >> 8) + cx, 0, w - 1);
            int64_t sy = clamp64(((dx * s + dy * c) >> 8) + cy, 0, h - 1);
            const uint8_t *src = effect_src_px(j, sx, sy);
            for (int k = 0; k < 4; k++)
                out[x * 4 + k] = src[k];
        }
    }
    free(table);
    return 0;
}
