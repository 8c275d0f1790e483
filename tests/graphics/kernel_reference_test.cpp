// Scalar statements of the kernel slots (see kernel_reference.h), written from
// the slot definitions without the vector code's structure, plus checks of
// the few arithmetic facts the vector code depends on.
#include "graphics/kernel_reference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "graphics/blend.h"

namespace ref {

static int clampo(int o) { return o < 0 ? 0 : (o > 256 ? 256 : o); }
static uint8_t sat(int64_t v) { return (uint8_t)(v < 0 ? 0 : (v > 255 ? 255 : v)); }
static int imin(int a, int b) { return a < b ? a : b; }
static int imax(int a, int b) { return a > b ? a : b; }

void zero(uint8_t *d, ptrdiff_t n)
{
    for (ptrdiff_t i = 0; i < n; i++)
        d[i] = 0;
}
void fill8(uint8_t *d, ptrdiff_t n, uint8_t v)
{
    for (ptrdiff_t i = 0; i < n; i++)
        d[i] = v;
}
void fill32(uint8_t *d, ptrdiff_t n, uint32_t v)
{
    for (ptrdiff_t k = 0; k < n / 4; k++)
        for (int b = 0; b < 4; b++)
            d[k * 4 + b] = (uint8_t)(v >> (8 * b));
}
void copy(uint8_t *d, const uint8_t *s, ptrdiff_t n)
{
    for (ptrdiff_t i = 0; i < n; i++)
        d[i] = s[i];
}

// One byte of the group form of slots 4 and 8: from -> to by weight o.
static int lerp_group(bool ext, int from, int to, int o)
{
    if (o < 128)
        return from + (((to - from) * o) >> 8);
    if (o > 128)
        return to + (((from - to) * (256 - o)) >> 8);
    return ext ? (from + to + 1) >> 1 : (from >> 1) + (to >> 1);
}
void lerp_const(bool ext, uint8_t *d, const uint8_t *s, int o, ptrdiff_t n)
{
    o = clampo(o);
    ptrdiff_t g = n / 8 * 8;
    for (ptrdiff_t i = 0; i < n; i++)
        d[i] = (uint8_t)(i < g ? lerp_group(ext, d[i], s[i], o) : d[i] + (((s[i] - d[i]) * o) >> 8));
}
void crossfade(bool ext, uint8_t *d, const uint8_t *a, const uint8_t *b, int w, ptrdiff_t n)
{
    w = clampo(w);
    ptrdiff_t g = n / 8 * 8;
    for (ptrdiff_t i = 0; i < n; i++)
        d[i] = (uint8_t)(i < g ? lerp_group(ext, a[i], b[i], w) : a[i] + (((b[i] - a[i]) * w) >> 8));
}

// Group byte of slots 5 and 6 with effective alpha a.
static int over_group(bool ext, int s, int d, int a)
{
    if (ext)
        return imin(255, ((s * (a + 1)) >> 8) + ((d * (256 - a)) >> 8));
    return (s * (a + 1) + d * (256 - a)) >> 8;
}
void alpha_over(bool ext, uint8_t *d, const uint8_t *s, ptrdiff_t n)
{
    ptrdiff_t i = 0;
    if (ext)
        while (i + 4 <= n && ((uintptr_t)(d + i)) % 8 != 0) {
            for (int c = 0; c < 3; c++)
                d[i + c] = (uint8_t)(d[i + c] + (((s[i + c] - d[i + c]) * (s[i + 3] + 1)) >> 8));
            i += 4;
        }
    ptrdiff_t g_end = i + (n - i) / 8 * 8;
    for (; i < g_end; i++) {
        int a = s[i / 4 * 4 + 3];
        d[i] = (uint8_t)over_group(ext, s[i], d[i], a);
    }
    for (; i + 4 <= n; i += 4)
        for (int c = 0; c < 3; c++)
            d[i + c] = (uint8_t)(d[i + c] + (((s[i + c] - d[i + c]) * (s[i + 3] + 1)) >> 8));
}
void alpha_over_opacity(bool ext, uint8_t *d, const uint8_t *s, int o, ptrdiff_t n)
{
    o = clampo(o);
    ptrdiff_t g = n / 8 * 8, i = 0;
    for (; i < g; i++)
        d[i] = (uint8_t)over_group(ext, s[i], d[i], (s[i / 4 * 4 + 3] * o) >> 8);
    for (; i + 4 <= n; i += 4) {
        int a = (s[i + 3] * o) >> 8;
        for (int c = 0; c < 3; c++)
            d[i + c] = (uint8_t)(((d[i + c] * (256 - a)) >> 8) + ((s[i + c] * (a + 1)) >> 8));
    }
}

void mask_blend(bool ext, uint8_t *d, const uint8_t *s, const uint8_t *m, int progress,
                int softness, ptrdiff_t n)
{
    if (!ext || softness == 256) {
        for (ptrdiff_t i = 0; i + 4 <= n; i += 4) {
            int w = g_rule_weights[m[i]];
            if (w <= 1)
                continue;
            for (int c = 0; c < 3; c++)
                d[i + c] = (uint8_t)(d[i + c] - (((d[i + c] - s[i + c]) * w) >> 8));
        }
        return;
    }
    ptrdiff_t g = n / 8 * 8;
    for (ptrdiff_t i = 0; i < n; i++) {
        if (i < g) {
            int half = softness >> 1;
            int16_t sum = (int16_t)(uint16_t)(m[i] * half + progress * (half + 1) - 128 * softness);
            int w = imin(255, imax(0, sum)) + 1;
            d[i] = sat(d[i] + ((s[i] * w) >> 8) - ((d[i] * w) >> 8));
        } else {
            int w = g_rule_weights[m[i]];
            if (w > 1)
                d[i] = (uint8_t)(d[i] - (((d[i] - s[i]) * w) >> 8));
        }
    }
}

void add_sat(uint8_t *d, const uint8_t *s, ptrdiff_t n)
{
    for (ptrdiff_t i = 0; i < n; i++)
        d[i] = (uint8_t)imin(255, d[i] + s[i]);
}
void add_opacity(uint8_t *d, const uint8_t *s, int o, ptrdiff_t n)
{
    o = clampo(o);
    ptrdiff_t g = n / 8 * 8;
    for (ptrdiff_t i = 0; i < n; i++)
        d[i] = (uint8_t)(i < g ? imin(255, d[i] + ((s[i] * o) >> 8))
                               : d[i] + (((imin(255, d[i] + s[i]) - d[i]) * o) >> 8));
}
static void add_weighted(uint8_t *d, const uint8_t *s, int o, ptrdiff_t n)
{
    for (ptrdiff_t i = 0; i + 4 <= n; i += 4) {
        int w = s[i + 3] + 1;
        if (o >= 0)
            w = (w * o) >> 8;
        for (int c = 0; c < 3; c++)
            d[i + c] = (uint8_t)(d[i + c] + (((imin(255, d[i + c] + s[i + c]) - d[i + c]) * w) >> 8));
    }
}
void add_alpha(uint8_t *d, const uint8_t *s, ptrdiff_t n) { add_weighted(d, s, -1, n); }
void add_alpha_opacity(uint8_t *d, const uint8_t *s, int o, ptrdiff_t n)
{
    add_weighted(d, s, clampo(o), n);
}
void sub_sat(uint8_t *d, const uint8_t *s, ptrdiff_t n)
{
    for (ptrdiff_t i = 0; i < n; i++)
        d[i] = (uint8_t)imax(0, s[i] - d[i]);
}
void multiply(uint8_t *d, const uint8_t *s, ptrdiff_t n)
{
    ptrdiff_t g = n / 8 * 8;
    for (ptrdiff_t i = 0; i < n; i++)
        d[i] = (uint8_t)(i < g ? (d[i] * (s[i] + 1)) >> 8 : s[i] * d[i] / 255);
}
void screen(uint8_t *d, const uint8_t *s, ptrdiff_t n)
{
    ptrdiff_t g = n / 8 * 8;
    for (ptrdiff_t i = 0; i < n; i++)
        d[i] = (uint8_t)(i < g ? imin(255, s[i] + d[i] - ((d[i] * (s[i] + 1)) >> 8))
                               : s[i] + d[i] - s[i] * d[i] / 255);
}
void screen_opacity(uint8_t *d, const uint8_t *s, int o, ptrdiff_t n)
{
    o = clampo(o);
    for (ptrdiff_t i = 0; i < n; i++) {
        int r = s[i] + d[i] - s[i] * d[i] / 255;
        d[i] = (uint8_t)(d[i] + (((r - d[i]) * o) >> 8));
    }
}
void lighten(uint8_t *d, const uint8_t *s, ptrdiff_t n)
{
    for (ptrdiff_t i = 0; i < n; i++)
        d[i] = (uint8_t)imax(s[i], d[i]);
}
void darken(uint8_t *d, const uint8_t *s, ptrdiff_t n)
{
    for (ptrdiff_t i = 0; i < n; i++)
        d[i] = (uint8_t)imin(s[i], d[i]);
}
void linear_burn(uint8_t *d, const uint8_t *s, ptrdiff_t n)
{
    for (ptrdiff_t i = 0; i < n; i++)
        d[i] = (uint8_t)imax(0, d[i] + s[i] - 255);
}
void linear_light(uint8_t *d, const uint8_t *s, ptrdiff_t n)
{
    for (ptrdiff_t i = 0; i < n; i++)
        d[i] = (uint8_t)imin(255, imax(0, d[i] + 2 * s[i] - 256));
}
void half_box(bool ext, uint8_t *d, const uint8_t *s, ptrdiff_t pitch, ptrdiff_t n)
{
    const uint8_t *t = s, *b = s + pitch * 4;
    for (ptrdiff_t c = 0; c < n; c++)
        for (int k = 0; k < 4; k++) {
            int p00 = t[8 * c + k], p01 = t[8 * c + 4 + k];
            int p10 = b[8 * c + k], p11 = b[8 * c + 4 + k];
            if (ext) {
                int l = (p00 + p10 + 1) / 2, r = (p01 + p11 + 1) / 2;
                d[4 * c + k] = (uint8_t)((l + r + 1) / 2);
            } else {
                d[4 * c + k] = (uint8_t)imin(255, (p00 + p01 + p10 + p11) / 4);
            }
        }
}

static int rcp(int a, int sa) { return a == 0 ? 0 : sa * 256 / a; }

void dst_alpha(uint8_t *d, const uint8_t *s, ptrdiff_t n)
{
    for (ptrdiff_t i = 0; i + 4 <= n; i += 4) {
        int sa = s[i + 3], da = d[i + 3];
        int a = da + sa - da * sa / 255;
        int w = rcp(a, sa);
        for (int c = 0; c < 3; c++)
            d[i + c] = (uint8_t)(d[i + c] + (((s[i + c] - d[i + c]) * w) >> 8));
        d[i + 3] = (uint8_t)a;
    }
}
void dst_alpha_opacity(uint8_t *d, const uint8_t *s, int o, ptrdiff_t n)
{
    o = clampo(o);
    for (ptrdiff_t i = 0; i + 4 <= n; i += 4) {
        int sa = s[i + 3], da = d[i + 3];
        int a = da + (((sa - da * sa / 255) * o) >> 8);
        int64_t w = (int64_t)rcp(a, sa) * o;
        for (int c = 0; c < 3; c++)
            d[i + c] = sat(d[i + c] + (((int64_t)(s[i + c] - d[i + c]) * w) >> 16));
        d[i + 3] = (uint8_t)a;
    }
}
void dst_alpha_scaled(uint8_t *d, const uint8_t *s, int k, ptrdiff_t n)
{
    for (ptrdiff_t i = 0; i + 4 <= n; i += 4) {
        int da = (int)(((int64_t)d[i + 3] * k) >> 8);
        da = imin(255, imax(0, da));
        int sa = s[i + 3];
        int a = da + sa - da * sa / 255;
        int w = rcp(a, sa);
        for (int c = 0; c < 3; c++)
            d[i + c] = (uint8_t)(d[i + c] + (((s[i + c] - d[i + c]) * w) >> 8));
        d[i + 3] = (uint8_t)a;
    }
}
void dst_alpha_div(uint8_t *d, const uint8_t *s, int k, int o, ptrdiff_t n)
{
    o = clampo(o);
    for (ptrdiff_t i = 0; i + 4 <= n; i += 4) {
        int da = (int)(((int64_t)d[i + 3] * k) >> 8) & 255;
        int sa = s[i + 3];
        int a = da + (((sa - (((sa + 1) * da) >> 8)) * o) >> 8);
        for (int c = 0; c < 3; c++)
            d[i + c] = sat(d[i + c] + ((((s[i + c] - d[i + c]) * o) >> 8) * sa) / (a + 1));
        d[i + 3] = sat(a);
    }
}

static int soft_light(int s, int d)
{
    double r = std::sqrt(256.0 - d);
    int v;
    if (s < 128)
        v = d + (((s - 128) * (int)(16384.0 - r)) >> 15);
    else if (d <= 32)
        v = d + (((s - 128) * (int)(16384.0 - r * (768 - 8 * d))) >> 15);
    else
        v = d + (((s - 128) * (int)(16384.0 - r)) >> 16);
    return imin(255, imax(0, v));
}

int blend_result(int mode, int s, int d)
{
    switch (mode) {
    case 0: return s;
    case 1: return imin(255, s + d);
    case 2: return imax(0, s - d);
    case 3: return s * d / 255;
    case 4: return d == 0 ? (s == 0 ? 0 : 255) : imin(255, 255 * s / d);
    case 5: return s + d - d * s / 255;
    case 6: return imax(s, d);
    case 7: return imin(s, d);
    case 8: return s > d ? s - d : d - s;
    case 9: return s + d - 2 * (s * d / 255);
    case 10:
        if (d < 128) return 2 * d * s / 255;
        if (d == 128) return s;
        return 2 * d - 257 + s * (512 - 2 * d) / 255;
    case 11: return imin(255, 256 * d / (256 - s));
    case 12: return imax(0, 255 - 256 * (255 - d) / (s + 1));
    case 13: return imax(0, s + d - 255);
    case 14:
        if (s < 128) return 2 * s * d / 255;
        if (s == 128) return d;
        return 2 * s - 257 + d * (512 - 2 * s) / 255;
    case 15: return soft_light(s, d);
    case 16:
        if (s == 0) return 0;
        if (s <= 127) return imax(0, (510 * s + 255 * d - 65025) / (2 * s));
        if (s <= 254) return imin(255, 255 * d / (510 - 2 * s));
        return 255;
    case 17: return imin(255, imax(0, d + 2 * s - 256));
    case 18: return s < 128 ? imin(d, 2 * s) : imax(d, 2 * s - 255);
    }
    return s;
}

}  // namespace ref

// The vector screen-with-opacity divides by 255 as (x * 0x8081) >> 23.
TEST(KernelArithmetic, DivideBy255ByMultiplyIsExact)
{
    for (uint32_t x = 0; x <= 65535; x++)
        ASSERT_EQ(x / 255, (x * 0x8081u) >> 23) << x;
}

// Every result of every mode lies in 0..255 by the formulas themselves.
TEST(KernelArithmetic, BlendResultsStayInByteRange)
{
    for (int m = 0; m < 19; m++)
        for (int s = 0; s < 256; s++)
            for (int d = 0; d < 256; d++) {
                int r = ref::blend_result(m, s, d);
                ASSERT_TRUE(r >= 0 && r <= 255) << m << " " << s << " " << d;
            }
}
