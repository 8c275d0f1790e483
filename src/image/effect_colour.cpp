// Colour effects: brightness, colour tone, threshold, negative, saturation
// and sepia. Each works pixel by pixel over the rectangle; alpha is kept.
#include <emmintrin.h>

#include <algorithm>
#include <cstring>

#include "graphics/kernels.h"
#include "image/effect_rows.h"

void effect_copy_whole_image(const EffectJob *j)
{
    if (j->dst != j->src)
        memcpy(j->dst, j->src, (size_t)j->sw * 4 * (size_t)j->sh);
}

void effect_copy_outside_rect(const EffectJob *j)
{
    if (j->dst == j->src)
        return;
    size_t pitch = (size_t)j->sw * 4, left = (size_t)j->x1 * 4, right = (size_t)(j->x2 + 1) * 4;
    for (int32_t y = 0; y < j->sh; y++) {
        const uint8_t *s = j->src + y * pitch;
        uint8_t *d = j->dst + y * pitch;
        if (y < j->y1 || y > j->y2) {
            memcpy(d, s, pitch);
            continue;
        }
        memcpy(d, s, left);
        memcpy(d + right, s + right, pitch - right);
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

// Per channel value v (0x80 neutral): s + ((255 - s) * up >> 7) - (s * down >> 7),
// up = max(v - 128, 0), down = max(128 - v, 0); alpha has up = down = 0.
static inline uint8_t tone_byte(int s, int up, int down)
{
    return (uint8_t)(s + (((255 - s) * up) >> 7) - ((s * down) >> 7));
}

// Four pixels without unpacking. With t = 255 - s for a channel that rises
// and t = s for one that falls (x = 255 or 0, t = s ^ x), the result is
// (t - (t * k >> 7)) ^ x, k = up or down. With t << 8 in a word,
// mulhi(t << 8, 2k) = t * k >> 7 exactly (k <= 128), and t * k >> 7 <= t.
static inline __m128i tone4(__m128i v, __m128i flip, __m128i k_even, __m128i k_odd)
{
    __m128i t = _mm_xor_si128(v, flip);
    __m128i even = _mm_mulhi_epu16(_mm_slli_epi16(t, 8), k_even);
    __m128i odd = _mm_mulhi_epu16(_mm_and_si128(t, _mm_set1_epi16((short)0xFF00)), k_odd);
    __m128i m = _mm_or_si128(even, _mm_slli_epi16(odd, 8));
    return _mm_xor_si128(_mm_sub_epi8(t, m), flip);
}

int effect_colour_tone(EffectJob *j)
{
    uint32_t p = (uint32_t)j->p;
    int up[4] = {}, down[4] = {}, k2[4] = {};
    uint32_t flip = 0;
    for (int c = 0; c < 3; c++) {
        int v = (int)((p >> (8 * c)) & 0xFF);   // B from bits 0-7, G 8-15, R 16-23
        up[c] = v > 128 ? v - 128 : 0;
        down[c] = v < 128 ? 128 - v : 0;
        k2[c] = 2 * (up[c] + down[c]);
        flip |= up[c] ? 0xFFu << (8 * c) : 0;
    }
    __m128i vflip = _mm_set1_epi32((int)flip);
    __m128i k_even = _mm_set1_epi32((int)((uint32_t)k2[0] | (uint32_t)k2[2] << 16));
    __m128i k_odd = _mm_set1_epi32(k2[1]);
    int32_t w = effect_rect_width(j);
    for (int32_t y = j->y1; y <= j->y2; y++) {
        const uint8_t *s = effect_src_px(j, j->x1, y);
        uint8_t *d = effect_rect_row(j, y);
        int32_t i = 0;
        for (; i + 8 <= w; i += 8) {
            __m128i v0 = _mm_loadu_si128((const __m128i *)(s + i * 4));
            __m128i v1 = _mm_loadu_si128((const __m128i *)(s + i * 4 + 16));
            _mm_storeu_si128((__m128i *)(d + i * 4), tone4(v0, vflip, k_even, k_odd));
            _mm_storeu_si128((__m128i *)(d + i * 4 + 16), tone4(v1, vflip, k_even, k_odd));
        }
        for (; i < w; i++)
            for (int c = 0; c < 4; c++)
                d[i * 4 + c] = tone_byte(s[i * 4 + c], up[c], down[c]);
    }
    return 0;
}

// Image-sized result (in place when the result is A's own buffer; a
// separate result takes A's pixels outside the rectangle):
// B, G, R := 255 when B + G + R >= 3p, else 0.
int effect_threshold(EffectJob *j)
{
    effect_copy_outside_rect(j);
    int64_t limit = 3 * (int64_t)j->p;
    int32_t lim32 = (int32_t)(limit < 0 ? 0 : (limit > 766 ? 766 : limit));
    __m128i ones = _mm_set1_epi32(0x00010001), low = _mm_set1_epi32(0x00FF00FF);
    __m128i vlim = _mm_set1_epi32(lim32 - 1), colour = _mm_set1_epi32(0x00FFFFFF);
    int32_t w = effect_rect_width(j);
    for (int32_t y = j->y1; y <= j->y2; y++) {
        uint8_t *d = effect_image_px(j, j->x1, y);
        const uint8_t *s = effect_src_px(j, j->x1, y);
        int32_t i = 0;
        for (; i + 4 <= w; i += 4) {
            __m128i v = _mm_loadu_si128((const __m128i *)(s + i * 4));
            // (B + R) + G per pixel: the even bytes and the green byte.
            __m128i even = _mm_and_si128(v, low);
            __m128i green = _mm_and_si128(_mm_srli_epi32(v, 8), _mm_set1_epi32(0xFF));
            __m128i sum = _mm_add_epi32(_mm_madd_epi16(even, ones), green);
            __m128i on = _mm_and_si128(_mm_cmpgt_epi32(sum, vlim), colour);
            v = _mm_or_si128(_mm_andnot_si128(colour, v), on);
            _mm_storeu_si128((__m128i *)(d + i * 4), v);
        }
        for (; i < w; i++) {
            const uint8_t *px = s + i * 4;
            uint8_t v = (int64_t)px[0] + px[1] + px[2] >= limit ? 255 : 0;
            d[i * 4] = d[i * 4 + 1] = d[i * 4 + 2] = v;
            d[i * 4 + 3] = px[3];
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
        int64_t diff = s[c] - g, want = s[c] + ((diff * k_more) >> 7);
        if (want > 255)
            k = std::min(k, ((255 - s[c]) * 128) / diff);
        else if (want < 0)
            k = std::min(k, (-128 * (int64_t)s[c]) / diff);
    }
    for (int c = 0; c < 3; c++)
        d[c] = effect_clamp_byte(s[c] + (((s[c] - g) * k) >> 7));
}

// The vector rows below 128 work on four pixels in place: the even bytes (B, R) and
// the odd ones (G, A) of each pixel as two 16-bit words, all products in 16
// bits (|c - grey| <= 255, k <= 128). Per pixel, K holds its k in both words
// and K_odd in the G word only, so alpha stays.
struct SatPixels {
    __m128i even, odd, grey2;   // grey2: the grey in both words
};

static inline SatPixels sat_split(__m128i v)
{
    const __m128i low = _mm_set1_epi32(0x00FF00FF);
    SatPixels p;
    p.even = _mm_and_si128(v, low);
    p.odd = _mm_srli_epi16(v, 8);
    __m128i sum = _mm_add_epi32(_mm_madd_epi16(p.even, _mm_set1_epi16(1)),
                                _mm_and_si128(p.odd, _mm_set1_epi32(0xFFFF)));
    __m128i grey = _mm_mulhi_epu16(sum, _mm_set1_epi16(21846));   // sum / 3 for sum <= 765
    p.grey2 = _mm_or_si128(grey, _mm_slli_epi32(grey, 16));
    return p;
}

// c + ((grey - c) * k >> 7), for 0 <= k <= 128 between c and the grey.
static inline __m128i sat_move(__m128i c, __m128i grey, __m128i k)
{
    return _mm_add_epi16(c, _mm_srai_epi16(_mm_mullo_epi16(_mm_sub_epi16(grey, c), k), 7));
}
static inline __m128i sat_join(__m128i even, __m128i odd)
{
    return _mm_or_si128(even, _mm_slli_epi16(odd, 8));
}

// p < 128: each channel moves to the grey, c + ((grey - c) * k >> 7).
static inline __m128i saturate4_less(__m128i v, __m128i k, __m128i k_odd)
{
    SatPixels p = sat_split(v);
    return sat_join(sat_move(p.even, p.grey2, k), sat_move(p.odd, p.grey2, k_odd));
}

// The B-G words of four pixels, then their R-A words.
static inline __m128i sat_words(__m128i v)
{
    v = _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, _MM_SHUFFLE(3, 1, 2, 0)), _MM_SHUFFLE(3, 1, 2, 0));
    return _mm_shuffle_epi32(v, _MM_SHUFFLE(3, 1, 2, 0));
}

static inline __m128i sat_select(__m128i mask, __m128i yes, __m128i no)
{
    return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}

// p > 128 on eight pixels, each channel and each per-pixel value in a 16-bit
// word, as saturation_more_row_avx2 does it on sixteen (see there why the
// one division is exact). Only the largest channel can pass 255 first and
// only the smallest can fall below 0 first, and their factors are the least
// of their kind.
static inline void saturate8_more(uint8_t *dst, const uint8_t *src, __m128i k, __m128 kf)
{
    const __m128i z = _mm_setzero_si128(), c255 = _mm_set1_epi16(255);
    __m128i s0 = sat_words(_mm_loadu_si128((const __m128i *)src));
    __m128i s1 = sat_words(_mm_loadu_si128((const __m128i *)(src + 16)));
    __m128i bg = _mm_unpacklo_epi64(s0, s1), ra = _mm_unpackhi_epi64(s0, s1);
    __m128i b = _mm_and_si128(bg, c255), g = _mm_srli_epi16(bg, 8), r = _mm_and_si128(ra, c255);
    __m128i grey = _mm_mulhi_epu16(_mm_add_epi16(_mm_add_epi16(b, g), r), _mm_set1_epi16(21846));
    __m128i hi = _mm_max_epi16(_mm_max_epi16(b, g), r), lo = _mm_min_epi16(_mm_min_epi16(b, g), r);
    __m128i dh = _mm_sub_epi16(hi, grey), dl = _mm_sub_epi16(grey, lo);
    __m128i ah = _mm_xor_si128(hi, c255);
    __m128i out_hi = _mm_cmpgt_epi16(_mm_srli_epi16(_mm_mullo_epi16(dh, k), 7), ah);
    ah = sat_select(out_hi, ah, c255);
    // ah * dl >= lo * dh, unsigned: lo * dh - ah * dl saturates to 0
    __m128i x = _mm_mullo_epi16(ah, dl), y = _mm_mullo_epi16(lo, dh);
    __m128i lo_less = _mm_cmpeq_epi16(_mm_subs_epu16(y, x), z);
    __m128i n = _mm_slli_epi16(sat_select(lo_less, lo, ah), 7), d = sat_select(lo_less, dl, dh);
    __m128 q0 = _mm_div_ps(_mm_cvtepi32_ps(_mm_unpacklo_epi16(n, z)), _mm_cvtepi32_ps(_mm_unpacklo_epi16(d, z)));
    __m128 q1 = _mm_div_ps(_mm_cvtepi32_ps(_mm_unpackhi_epi16(n, z)), _mm_cvtepi32_ps(_mm_unpackhi_epi16(d, z)));
    __m128i kk = _mm_packs_epi32(_mm_cvttps_epi32(_mm_min_ps(q0, kf)), _mm_cvttps_epi32(_mm_min_ps(q1, kf)));
    __m128i m = _mm_add_epi16(kk, _mm_set1_epi16(128)), t = _mm_mullo_epi16(grey, kk);
    b = _mm_srli_epi16(_mm_sub_epi16(_mm_mullo_epi16(b, m), t), 7);
    g = _mm_srli_epi16(_mm_sub_epi16(_mm_mullo_epi16(g, m), t), 7);
    r = _mm_srli_epi16(_mm_sub_epi16(_mm_mullo_epi16(r, m), t), 7);
    bg = _mm_or_si128(b, _mm_slli_epi16(g, 8));
    ra = _mm_or_si128(r, _mm_and_si128(ra, _mm_set1_epi16((short)0xFF00)));   // alpha kept
    _mm_storeu_si128((__m128i *)dst, _mm_unpacklo_epi16(bg, ra));
    _mm_storeu_si128((__m128i *)(dst + 16), _mm_unpackhi_epi16(bg, ra));
}

int filter_saturation(EffectJob *j)
{
    int64_t p = j->p < 0 ? 0 : j->p;
    int64_t k_more = p >= 128 ? p - 128 : 0, k_less = p < 128 ? 128 - p : 0;
    bool vector = p <= 256;   // products of 16 bits
    bool less = k_less > 0, wide = g_cpu_features.avx2 != 0;
    bool widest = wide && g_cpu_features.avx512bw != 0;
    __m128i k = _mm_set1_epi16((short)(less ? k_less : k_more));
    __m128i k_odd = _mm_set1_epi32((int)(less ? k_less : k_more));
    __m128 kf = _mm_set1_ps((float)k_more);
    int32_t w = effect_rect_width(j);
    for (int32_t y = j->y1; y <= j->y2; y++) {
        const uint8_t *s = effect_src_px(j, j->x1, y);
        uint8_t *d = effect_rect_row(j, y);
        int32_t i = 0;
        if (widest && vector && !less)
            i = saturation_more_row_avx512(d, s, w, (int)k_more);
        if (wide && vector)
            i += less ? saturation_less_row_avx2(d + i * 4, s + i * 4, w - i, (int)k_less)
                      : saturation_more_row_avx2(d + i * 4, s + i * 4, w - i, (int)k_more);
        if (vector && less)
            for (; i + 4 <= w; i += 4) {
                __m128i v = _mm_loadu_si128((const __m128i *)(s + i * 4));
                _mm_storeu_si128((__m128i *)(d + i * 4), saturate4_less(v, k, k_odd));
            }
        if (vector && !less)
            for (; i + 8 <= w; i += 8)
                saturate8_more(d + i * 4, s + i * 4, k, kf);
        for (; i < w; i++) {
            saturate_pixel(d + i * 4, s + i * 4, k_more, k_less);
            d[i * 4 + 3] = s[i * 4 + 3];
        }
    }
    return 0;
}

// Luma in 20-bit fraction (weights 306, 601, 117 sum to 1024), then R up by
// about 17.88, G down by about 0.27, B down by about 44.2. p is not used.
// With Y = 306 R + 601 G + 117 B, (Y * 1024 + c) >> 20 == (Y + floor(c / 1024)) >> 10.
static inline void sepia_pixel(uint8_t *d, const uint8_t *s)
{
    int32_t l = (306 * s[2] + 601 * s[1] + 117 * s[0]) * 1024;
    int32_t r = (l + 18748416) >> 20, g = (l - 287585) >> 20, b = (l - 46347025) >> 20;
    d[2] = (uint8_t)(r > 255 ? 255 : r);
    d[1] = (uint8_t)(g < 0 ? 0 : g);
    d[0] = (uint8_t)(b < 0 ? 0 : b);
    d[3] = s[3];
}

// Y of four pixels (32-bit lanes).
static inline __m128i sepia_luma4(__m128i v)
{
    const __m128i weights = _mm_setr_epi16(117, 601, 306, 0, 117, 601, 306, 0);
    __m128i z = _mm_setzero_si128();
    __m128 lo = _mm_castsi128_ps(_mm_madd_epi16(_mm_unpacklo_epi8(v, z), weights));
    __m128 hi = _mm_castsi128_ps(_mm_madd_epi16(_mm_unpackhi_epi8(v, z), weights));
    return _mm_add_epi32(_mm_castps_si128(_mm_shuffle_ps(lo, hi, 0x88)),
                         _mm_castps_si128(_mm_shuffle_ps(lo, hi, 0xDD)));
}

// (Y + add) >> 10 of eight pixels, saturated to bytes (in the low 8 bytes).
static inline __m128i sepia_channel8(__m128i y0, __m128i y1, int add)
{
    __m128i k = _mm_set1_epi32(add);
    __m128i w = _mm_packs_epi32(_mm_srai_epi32(_mm_add_epi32(y0, k), 10),
                                _mm_srai_epi32(_mm_add_epi32(y1, k), 10));
    return _mm_packus_epi16(w, w);
}

int filter_sepia(EffectJob *j)
{
    bool wide = g_cpu_features.avx2 != 0;
    int32_t w = effect_rect_width(j);
    for (int32_t y = j->y1; y <= j->y2; y++) {
        const uint8_t *s = effect_src_px(j, j->x1, y);
        uint8_t *d = effect_rect_row(j, y);
        int32_t i = wide ? sepia_row_avx2(d, s, w) : 0;
        for (; i + 8 <= w; i += 8) {
            __m128i v0 = _mm_loadu_si128((const __m128i *)(s + i * 4));
            __m128i v1 = _mm_loadu_si128((const __m128i *)(s + i * 4 + 16));
            __m128i y0 = sepia_luma4(v0), y1 = sepia_luma4(v1);
            __m128i r = sepia_channel8(y0, y1, 18309), g = sepia_channel8(y0, y1, -281);
            __m128i b = sepia_channel8(y0, y1, -45261);
            __m128i a = _mm_packs_epi32(_mm_srli_epi32(v0, 24), _mm_srli_epi32(v1, 24));
            a = _mm_packus_epi16(a, a);
            __m128i bg = _mm_unpacklo_epi8(b, g), ra = _mm_unpacklo_epi8(r, a);
            _mm_storeu_si128((__m128i *)(d + i * 4), _mm_unpacklo_epi16(bg, ra));
            _mm_storeu_si128((__m128i *)(d + i * 4 + 16), _mm_unpackhi_epi16(bg, ra));
        }
        for (; i < w; i++)
            sepia_pixel(d + i * 4, s + i * 4);
    }
    return 0;
}
