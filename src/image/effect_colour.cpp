// Colour effects: brightness, colour tone, threshold, negative, saturation
// and sepia. Each works pixel by pixel over the rectangle; alpha is kept.
#include <emmintrin.h>

#include <algorithm>
#include <cstring>

#include "image/effect_rows.h"

void effect_copy_whole_image(const EffectJob *j)
{
    if (j->dst != j->src)
        memcpy(j->dst, j->src, (size_t)j->sw * 4 * (size_t)j->sh);
}

void effect_apply_tables(const EffectJob *j, const uint8_t tb[256], const uint8_t tg[256],
                         const uint8_t tr[256])
{
    int32_t w = effect_rect_width(j);
    for (int32_t y = j->y1; y <= j->y2; y++) {
        const uint8_t *s = effect_src_px(j, j->x1, y);
        uint8_t *d = effect_rect_row(j, y);
        for (int32_t i = 0; i < w; i++, s += 4, d += 4) {
            d[0] = tb[s[0]];
            d[1] = tg[s[1]];
            d[2] = tr[s[2]];
            d[3] = s[3];
        }
    }
}

// Adds `add` or subtracts `sub` (0..255) from B, G, R with saturation.
static void brightness_row(uint8_t *d, const uint8_t *s, int32_t n, int add, int sub)
{
    uint32_t a3 = (uint32_t)add * 0x010101u, s3 = (uint32_t)sub * 0x010101u;
    __m128i va = _mm_set1_epi32((int)a3), vs = _mm_set1_epi32((int)s3);
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        __m128i v = _mm_loadu_si128((const __m128i *)(s + i * 4));
        v = _mm_subs_epu8(_mm_adds_epu8(v, va), vs);
        _mm_storeu_si128((__m128i *)(d + i * 4), v);
    }
    for (; i < n; i++) {
        for (int c = 0; c < 3; c++)
            d[i * 4 + c] = effect_clamp_byte((int)s[i * 4 + c] + add - sub);
        d[i * 4 + 3] = s[i * 4 + 3];
    }
}

// B, G, R := clamp(s + p - 128, 0, 255).
int effect_brightness(EffectJob *j)
{
    int64_t delta = (int64_t)j->p - 128;
    int add = delta > 0 ? (int)(delta > 255 ? 255 : delta) : 0;
    int sub = delta < 0 ? (int)(delta < -255 ? 255 : -delta) : 0;
    int32_t w = effect_rect_width(j);
    for (int32_t y = j->y1; y <= j->y2; y++)
        brightness_row(effect_rect_row(j, y), effect_src_px(j, j->x1, y), w, add, sub);
    return 0;
}

// B, G, R := 255 - s.
int effect_negative(EffectJob *j)
{
    int32_t w = effect_rect_width(j);
    __m128i m = _mm_set1_epi32(0x00FFFFFF);
    for (int32_t y = j->y1; y <= j->y2; y++) {
        const uint8_t *s = effect_src_px(j, j->x1, y);
        uint8_t *d = effect_rect_row(j, y);
        int32_t i = 0;
        for (; i + 4 <= w; i += 4) {
            __m128i v = _mm_loadu_si128((const __m128i *)(s + i * 4));
            _mm_storeu_si128((__m128i *)(d + i * 4), _mm_xor_si128(v, m));
        }
        for (; i < w; i++) {
            for (int c = 0; c < 3; c++)
                d[i * 4 + c] = (uint8_t)(255 - s[i * 4 + c]);
            d[i * 4 + 3] = s[i * 4 + 3];
        }
    }
    return 0;
}

// Per channel value v (0x80 neutral): s + ((255 - s) * up >> 7) - (s * down >> 7).
static void tone_table(uint8_t t[256], int v)
{
    int up = v > 128 ? v - 128 : 0, down = v < 128 ? 128 - v : 0;
    for (int s = 0; s < 256; s++)
        t[s] = effect_clamp_byte(s + (((255 - s) * up) >> 7) - ((s * down) >> 7));
}

int effect_colour_tone(EffectJob *j)
{
    uint8_t tb[256], tg[256], tr[256];
    uint32_t p = (uint32_t)j->p;
    tone_table(tr, (int)((p >> 16) & 0xFF));
    tone_table(tg, (int)((p >> 8) & 0xFF));
    tone_table(tb, (int)(p & 0xFF));
    effect_apply_tables(j, tb, tg, tr);
    return 0;
}

// Image-sized result (in place when the result is A's own buffer):
// B, G, R := 255 when B + G + R >= 3p, else 0.
int effect_threshold(EffectJob *j)
{
    effect_copy_whole_image(j);
    int64_t limit = 3 * (int64_t)j->p;
    int32_t w = effect_rect_width(j);
    for (int32_t y = j->y1; y <= j->y2; y++) {
        uint8_t *d = effect_image_px(j, j->x1, y);
        for (int32_t i = 0; i < w; i++, d += 4) {
            uint8_t v = (int64_t)d[0] + d[1] + d[2] >= limit ? 255 : 0;
            d[0] = d[1] = d[2] = v;
        }
    }
    return 0;
}

// The grey of a pixel, (B + G + R) / 3, by table.
struct GreyTable {
    uint8_t v[766];
    GreyTable()
    {
        for (int i = 0; i < 766; i++)
            v[i] = (uint8_t)(i / 3);
    }
};
static const GreyTable g_grey;

// p >= 128: push each channel away from the grey by k = p - 128 (in 1/128),
// lowering k for a pixel whose channel would leave 0..255 so that its hue
// stays; p < 128: pull towards the grey by k = 128 - p (p = 0 gives grey).
static void saturate_pixel(uint8_t *d, const uint8_t *s, int64_t k_more, int64_t k_less)
{
    int64_t g = g_grey.v[s[0] + s[1] + s[2]];
    if (k_less > 0) {
        for (int c = 0; c < 3; c++)
            d[c] = effect_clamp_byte(s[c] + (((g - s[c]) * k_less) >> 7));
        return;
    }
    int64_t k = k_more;
    for (int c = 0; c < 3; c++) {
        int64_t diff = s[c] - g, want = s[c] + ((diff * k) >> 7);
        if (want > 255)
            k = std::min(k, ((255 - s[c]) * 128) / diff);
        else if (want < 0)
            k = std::min(k, (-128 * (int64_t)s[c]) / diff);
    }
    for (int c = 0; c < 3; c++)
        d[c] = effect_clamp_byte(s[c] + (((s[c] - g) * k) >> 7));
}

int filter_saturation(EffectJob *j)
{
    int64_t p = j->p < 0 ? 0 : j->p;
    int64_t k_more = p >= 128 ? p - 128 : 0, k_less = p < 128 ? 128 - p : 0;
    int32_t w = effect_rect_width(j);
    for (int32_t y = j->y1; y <= j->y2; y++) {
        const uint8_t *s = effect_src_px(j, j->x1, y);
        uint8_t *d = effect_rect_row(j, y);
        for (int32_t i = 0; i < w; i++, s += 4, d += 4) {
            saturate_pixel(d, s, k_more, k_less);
            d[3] = s[3];
        }
    }
    return 0;
}

// Luma in 20-bit fraction (weights 306, 601, 117 sum to 1024), then R up by
// about 17.88, G down by about 0.27, B down by about 44.2. p is not used.
int filter_sepia(EffectJob *j)
{
    int32_t w = effect_rect_width(j);
    for (int32_t y = j->y1; y <= j->y2; y++) {
        const uint8_t *s = effect_src_px(j, j->x1, y);
        uint8_t *d = effect_rect_row(j, y);
        for (int32_t i = 0; i < w; i++, s += 4, d += 4) {
            int32_t l = (306 * s[2] + 601 * s[1] + 117 * s[0]) * 1024;
            int32_t r = (l + 18748416) >> 20, g = (l - 287585) >> 20, b = (l - 46347025) >> 20;
            d[2] = (uint8_t)(r > 255 ? 255 : r);
            d[1] = (uint8_t)(g < 0 ? 0 : g);
            d[0] = (uint8_t)(b < 0 ? 0 : b);
            d[3] = s[3];
        }
    }
    return 0;
}
