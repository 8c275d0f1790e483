// Kernel slots whose routine is the same in both sets: fills, copies, the
// saturating and table-like per-byte modes, and the destination-alpha blends.
// Vector code works on 16- and 8-byte blocks; the bytes after the last whole
// 8-byte group take the scalar formula, so nothing past `count` is touched.
#include "graphics/kernels_impl.h"

// Per-byte operation over two rows: Op::vec on whole blocks, Op::tail on the rest.
template <class Op>
static inline void kv_bytewise(uint8_t *d, const uint8_t *s, ptrdiff_t n, const Op &op)
{
    ptrdiff_t i = 0;
    for (; i + 16 <= n; i += 16)
        kv_store16(d + i, op.vec(kv_load16(d + i), kv_load16(s + i)));
    if (i + 8 <= n) {
        kv_store8(d + i, op.vec(kv_load8(d + i), kv_load8(s + i)));
        i += 8;
    }
    for (; i < n; i++)
        d[i] = op.tail(d[i], s[i]);
}

// --- fills and copies ------------------------------------------------------------

static inline void kv_fill_vec(uint8_t *d, ptrdiff_t n, __m128i v)
{
    ptrdiff_t i = 0;
    for (; i + 64 <= n; i += 64) {
        kv_store16(d + i, v);
        kv_store16(d + i + 16, v);
        kv_store16(d + i + 32, v);
        kv_store16(d + i + 48, v);
    }
    for (; i + 16 <= n; i += 16)
        kv_store16(d + i, v);
    if (i + 8 <= n) {
        kv_store8(d + i, v);
        i += 8;
    }
    uint8_t b = (uint8_t)_mm_cvtsi128_si32(v);
    for (; i < n; i++)
        d[i] = b;
}

void kern_zero_sse2(uint8_t *dest, ptrdiff_t count)
{
    kv_fill_vec(dest, count, _mm_setzero_si128());
}

void kern_fill8_sse2(uint8_t *dest, ptrdiff_t count, uint8_t value)
{
    kv_fill_vec(dest, count, _mm_set1_epi8((char)value));
}

void kern_fill32_sse2(uint8_t *dest, ptrdiff_t count, uint32_t value)
{
    ptrdiff_t n = count > 0 ? count & ~(ptrdiff_t)3 : 0;   // whole values only
    __m128i v = _mm_set1_epi32((int)value);
    ptrdiff_t i = 0;
    for (; i + 16 <= n; i += 16)
        kv_store16(dest + i, v);
    for (; i < n; i += 4) {
        dest[i] = (uint8_t)value;
        dest[i + 1] = (uint8_t)(value >> 8);
        dest[i + 2] = (uint8_t)(value >> 16);
        dest[i + 3] = (uint8_t)(value >> 24);
    }
}

void kern_copy_sse2(uint8_t *dest, const uint8_t *src, ptrdiff_t count)
{
    ptrdiff_t i = 0;
    for (; i + 64 <= count; i += 64) {
        __m128i a = kv_load16(src + i), b = kv_load16(src + i + 16);
        __m128i c = kv_load16(src + i + 32), e = kv_load16(src + i + 48);
        kv_store16(dest + i, a);
        kv_store16(dest + i + 16, b);
        kv_store16(dest + i + 32, c);
        kv_store16(dest + i + 48, e);
    }
    for (; i + 16 <= count; i += 16)
        kv_store16(dest + i, kv_load16(src + i));
    if (i + 8 <= count) {
        kv_store8(dest + i, kv_load8(src + i));
        i += 8;
    }
    for (; i < count; i++)
        dest[i] = src[i];
}

// --- per-byte modes --------------------------------------------------------------

namespace {

struct OpAddSat {
    __m128i vec(__m128i d, __m128i s) const { return _mm_adds_epu8(d, s); }
    uint8_t tail(int d, int s) const { return (uint8_t)(d + s > 255 ? 255 : d + s); }
};
struct OpSubSat {   // s - d, as the subtract mode defines it
    __m128i vec(__m128i d, __m128i s) const { return _mm_subs_epu8(s, d); }
    uint8_t tail(int d, int s) const { return (uint8_t)(s - d < 0 ? 0 : s - d); }
};
struct OpLighten {
    __m128i vec(__m128i d, __m128i s) const { return _mm_max_epu8(d, s); }
    uint8_t tail(int d, int s) const { return (uint8_t)(d > s ? d : s); }
};
struct OpDarken {
    __m128i vec(__m128i d, __m128i s) const { return _mm_min_epu8(d, s); }
    uint8_t tail(int d, int s) const { return (uint8_t)(d < s ? d : s); }
};
struct OpLinearBurn {   // max(0, d + s - 255) = s - (255 - d), saturated
    __m128i vec(__m128i d, __m128i s) const
    {
        return _mm_subs_epu8(s, _mm_xor_si128(d, _mm_set1_epi8(-1)));
    }
    uint8_t tail(int d, int s) const { return kern_sat_byte(d + s - 255); }
};
struct OpLinearLight {   // min(255, max(0, d + 2s - 256))
    static __m128i half(__m128i d16, __m128i s16)
    {
        return _mm_sub_epi16(_mm_add_epi16(d16, _mm_add_epi16(s16, s16)), _mm_set1_epi16(256));
    }
    __m128i vec(__m128i d, __m128i s) const
    {
        __m128i z = _mm_setzero_si128();
        __m128i lo = half(_mm_unpacklo_epi8(d, z), _mm_unpacklo_epi8(s, z));
        __m128i hi = half(_mm_unpackhi_epi8(d, z), _mm_unpackhi_epi8(s, z));
        return _mm_packus_epi16(lo, hi);
    }
    uint8_t tail(int d, int s) const { return kern_sat_byte(d + 2 * s - 256); }
};
// Groups: d * (s + 1) >> 8; tail bytes: s * d / 255 (the multiply table).
struct OpMultiply {
    static __m128i half(__m128i d16, __m128i s16)
    {
        return _mm_srli_epi16(_mm_mullo_epi16(d16, _mm_add_epi16(s16, _mm_set1_epi16(1))), 8);
    }
    __m128i vec(__m128i d, __m128i s) const
    {
        __m128i z = _mm_setzero_si128();
        __m128i lo = half(_mm_unpacklo_epi8(d, z), _mm_unpacklo_epi8(s, z));
        __m128i hi = half(_mm_unpackhi_epi8(d, z), _mm_unpackhi_epi8(s, z));
        return _mm_packus_epi16(lo, hi);
    }
    uint8_t tail(int d, int s) const { return (uint8_t)(s * d / 255); }
};
// Groups: min(255, s + d - (d * (s + 1) >> 8)); tail bytes: s + d - s * d / 255.
struct OpScreen {
    static __m128i half(__m128i d16, __m128i s16)
    {
        __m128i p = _mm_srli_epi16(_mm_mullo_epi16(d16, _mm_add_epi16(s16, _mm_set1_epi16(1))), 8);
        return _mm_sub_epi16(_mm_add_epi16(s16, d16), p);
    }
    __m128i vec(__m128i d, __m128i s) const
    {
        __m128i z = _mm_setzero_si128();
        __m128i lo = half(_mm_unpacklo_epi8(d, z), _mm_unpacklo_epi8(s, z));
        __m128i hi = half(_mm_unpackhi_epi8(d, z), _mm_unpackhi_epi8(s, z));
        return _mm_packus_epi16(lo, hi);
    }
    uint8_t tail(int d, int s) const { return (uint8_t)(s + d - s * d / 255); }
};
// Groups: d + (s * o >> 8), saturated; tail bytes: d += (min(255, d + s) - d) * o >> 8.
struct OpAddOpacity {
    int o;
    __m128i vec(__m128i d, __m128i s) const
    {
        __m128i z = _mm_setzero_si128(), vo = _mm_set1_epi16((short)o);
        __m128i lo = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(s, z), vo), 8);
        __m128i hi = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(s, z), vo), 8);
        return _mm_adds_epu8(d, _mm_packus_epi16(lo, hi));
    }
    uint8_t tail(int d, int s) const
    {
        int sum = d + s > 255 ? 255 : d + s;
        return (uint8_t)(d + (((sum - d) * o) >> 8));
    }
};
// d += (screen(s, d) - d) * o >> 8 with screen = s + d - s * d / 255. The
// division is exact for products up to 65535: x / 255 = (x * 0x8081) >> 23.
struct OpScreenOpacity {
    int o;
    static inline __m128i half(__m128i d16, __m128i s16, __m128i vo)
    {
        __m128i q = _mm_srli_epi16(_mm_mulhi_epu16(_mm_mullo_epi16(s16, d16),
                                                   _mm_set1_epi16((short)0x8081)), 7);
        __m128i diff = _mm_sub_epi16(s16, q);   // screen - d >= 0
        return _mm_add_epi16(d16, _mm_srli_epi16(_mm_mullo_epi16(diff, vo), 8));
    }
    __m128i vec(__m128i d, __m128i s) const
    {
        __m128i z = _mm_setzero_si128(), vo = _mm_set1_epi16((short)o);
        __m128i lo = half(_mm_unpacklo_epi8(d, z), _mm_unpacklo_epi8(s, z), vo);
        __m128i hi = half(_mm_unpackhi_epi8(d, z), _mm_unpackhi_epi8(s, z), vo);
        return _mm_packus_epi16(lo, hi);
    }
    uint8_t tail(int d, int s) const
    {
        int r = s + d - s * d / 255;
        return (uint8_t)(d + (((r - d) * o) >> 8));
    }
};

}  // namespace

#define KV_BYTEWISE_KERNEL(name, op)                                  \
    void name(uint8_t *dest, const uint8_t *src, ptrdiff_t count)     \
    {                                                                 \
        kv_bytewise(dest, src, count, op);                            \
    }
#define KV_BYTEWISE_KERNEL_OP(name, Op)                                      \
    void name(uint8_t *dest, const uint8_t *src, int o, ptrdiff_t count)     \
    {                                                                        \
        kv_bytewise(dest, src, count, Op{kern_clamp_opacity(o)});            \
    }
KV_BYTEWISE_KERNEL(kern_add_sat_sse2, OpAddSat())
KV_BYTEWISE_KERNEL(kern_sub_sat_sse2, OpSubSat())
KV_BYTEWISE_KERNEL(kern_lighten_sse2, OpLighten())
KV_BYTEWISE_KERNEL(kern_darken_sse2, OpDarken())
KV_BYTEWISE_KERNEL(kern_linear_burn_sse2, OpLinearBurn())
KV_BYTEWISE_KERNEL(kern_linear_light_sse2, OpLinearLight())
KV_BYTEWISE_KERNEL(kern_multiply_sse2, OpMultiply())
KV_BYTEWISE_KERNEL(kern_screen_sse2, OpScreen())
KV_BYTEWISE_KERNEL_OP(kern_add_opacity_sse2, OpAddOpacity)
KV_BYTEWISE_KERNEL_OP(kern_screen_opacity_sse2, OpScreenOpacity)

// --- slots 11 and 12: add weighted by the source alpha, per pixel -----------------

// Four pixels: B, G, R += (min(255, d + s) - d) * w >> 8; alpha kept.
// w16 holds each pixel's weight in its four lanes.
static inline __m128i kv_add_weighted(__m128i d, __m128i s, __m128i w_lo, __m128i w_hi)
{
    __m128i z = _mm_setzero_si128();
    __m128i sum = _mm_adds_epu8(d, s);
    __m128i d_lo = _mm_unpacklo_epi8(d, z), d_hi = _mm_unpackhi_epi8(d, z);
    __m128i lo = _mm_add_epi16(d_lo, _mm_srli_epi16(_mm_mullo_epi16(
                     _mm_sub_epi16(_mm_unpacklo_epi8(sum, z), d_lo), w_lo), 8));
    __m128i hi = _mm_add_epi16(d_hi, _mm_srli_epi16(_mm_mullo_epi16(
                     _mm_sub_epi16(_mm_unpackhi_epi8(sum, z), d_hi), w_hi), 8));
    __m128i amask = _mm_set1_epi32((int)0xFF000000);
    return _mm_or_si128(_mm_and_si128(d, amask), _mm_andnot_si128(amask, _mm_packus_epi16(lo, hi)));
}

static void kv_add_alpha_rows(uint8_t *dest, const uint8_t *src, int o, ptrdiff_t count)
{
    ptrdiff_t i = 0, n = count > 0 ? count & ~(ptrdiff_t)3 : 0;
    __m128i z = _mm_setzero_si128(), one = _mm_set1_epi16(1);
    __m128i vo = _mm_set1_epi16((short)o);
    for (; i + 16 <= n; i += 16) {
        __m128i d = kv_load16(dest + i), s = kv_load16(src + i);
        __m128i w_lo = _mm_add_epi16(kv_alpha16(_mm_unpacklo_epi8(s, z)), one);
        __m128i w_hi = _mm_add_epi16(kv_alpha16(_mm_unpackhi_epi8(s, z)), one);
        if (o >= 0) {   // slot 12: ((a + 1) * o) >> 8
            w_lo = _mm_srli_epi16(_mm_mullo_epi16(w_lo, vo), 8);
            w_hi = _mm_srli_epi16(_mm_mullo_epi16(w_hi, vo), 8);
        }
        kv_store16(dest + i, kv_add_weighted(d, s, w_lo, w_hi));
    }
    for (; i < n; i += 4) {
        int w = src[i + 3] + 1;
        if (o >= 0)
            w = (w * o) >> 8;
        kern_add_pixel(dest + i, src + i, w);
    }
}

void kern_add_alpha_sse2(uint8_t *dest, const uint8_t *src, ptrdiff_t count)
{
    kv_add_alpha_rows(dest, src, -1, count);
}
// At opacity 256 the weight is a + 1 itself; below it (a + 1) * o fits 16 bits.
void kern_add_alpha_opacity_sse2(uint8_t *dest, const uint8_t *src, int o, ptrdiff_t count)
{
    o = kern_clamp_opacity(o);
    kv_add_alpha_rows(dest, src, o == 256 ? -1 : o, count);
}

// --- slots 22-25: over a destination that has its own alpha -----------------------
// One pixel at a time in both sets, through the /255 product and reciprocal tables.

static inline int p255(int a, int d) { return g_product_div255[a][d + 255]; }

// One pixel of slots 22 and 24 over destination alpha da (already scaled).
static inline void kv_dst_alpha_pixel(uint8_t *d, const uint8_t *s, int da)
{
    int sa = s[3];
    int a = da + sa - p255(da, sa);
    int w = g_reciprocal_table[a][sa];
    d[0] = (uint8_t)(d[0] + (((s[0] - d[0]) * w) >> 8));
    d[1] = (uint8_t)(d[1] + (((s[1] - d[1]) * w) >> 8));
    d[2] = (uint8_t)(d[2] + (((s[2] - d[2]) * w) >> 8));
    d[3] = (uint8_t)a;
}

void kern_alpha_over_dst_alpha_c(uint8_t *dest, const uint8_t *src, ptrdiff_t count)
{
    for (ptrdiff_t i = 0; i + 4 <= count; i += 4)
        if (src[i + 3] != 0)   // source alpha 0: A = Da and weight 0, nothing changes
            kv_dst_alpha_pixel(dest + i, src + i, dest[i + 3]);
}

// The weight RCP[A][Sa] * o may pass 65536 when A < Sa; the colour is then
// saturated to a byte instead of wrapping.
void kern_alpha_over_dst_alpha_opacity_c(uint8_t *dest, const uint8_t *src, int o, ptrdiff_t count)
{
    o = kern_clamp_opacity(o);
    for (ptrdiff_t i = 0; i + 4 <= count; i += 4) {
        uint8_t *d = dest + i;
        const uint8_t *s = src + i;
        int sa = s[3], da = d[3];
        int a = da + (((sa - p255(da, sa)) * o) >> 8);
        int64_t w = (int64_t)g_reciprocal_table[a][sa] * o;
        for (int c = 0; c < 3; c++)
            d[c] = kern_sat_byte((int)(d[c] + (((s[c] - d[c]) * w) >> 16)));
        d[3] = (uint8_t)a;
    }
}

// The scaled destination alpha is kept within 0..255 before it indexes the tables.
void kern_alpha_over_dst_alpha_scaled_c(uint8_t *dest, const uint8_t *src, int k, ptrdiff_t count)
{
    for (ptrdiff_t i = 0; i + 4 <= count; i += 4) {
        int da = (int)(((int64_t)dest[i + 3] * k) >> 8);
        kv_dst_alpha_pixel(dest + i, src + i, da < 0 ? 0 : (da > 255 ? 255 : da));
    }
}

void kern_alpha_over_dst_alpha_div_c(uint8_t *dest, const uint8_t *src, int k, int o,
                                     ptrdiff_t count)
{
    o = kern_clamp_opacity(o);
    for (ptrdiff_t i = 0; i + 4 <= count; i += 4) {
        uint8_t *d = dest + i;
        const uint8_t *s = src + i;
        int sa = s[3];
        int da = (int)(((int64_t)d[3] * k) >> 8) & 255;
        int a = da + (((sa - (((sa + 1) * da) >> 8)) * o) >> 8);
        for (int c = 0; c < 3; c++)
            d[c] = kern_sat_byte(d[c] + ((((s[c] - d[c]) * o) >> 8) * sa) / (a + 1));
        d[3] = kern_sat_byte(a);
    }
}
