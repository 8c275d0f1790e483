// Slots 5 (source-alpha blend) and 6 (source alpha x opacity) of both sets.
//
// Whole 8-byte groups blend all four bytes, alpha included:
//   basic set:    (s * (a + 1) + d * (256 - a)) >> 8
//   extended set: min(255, (s * (a + 1) >> 8) + (d * (256 - a) >> 8))
// with a the source alpha (slot 6: a * o >> 8). Single pixels (the tail, and
// in the extended slot 5 the pixels before the first 8-byte-aligned
// destination address) blend B, G, R only and keep the destination alpha.
// Pixels of alpha 0 give d and (at full opacity) pixels of alpha 255 give s
// exactly under both formulas: blocks of all-clear pixels are skipped and
// blocks of all-opaque pixels copied, without arithmetic.
#include "graphics/kernels_impl.h"

#include <xmmintrin.h>

#include <cstdint>

// The basic formula: s * (a + 1) + d * (256 - a) = (s + 256 d) + a * (s - d),
// which lies in 0..65535: the wrapped 16-bit sum is exact and one product
// suffices.
static inline __m128i kv_over_half(__m128i s16, __m128i d16, __m128i sd16, __m128i a16)
{
    return _mm_srli_epi16(_mm_add_epi16(sd16, _mm_mullo_epi16(a16, _mm_sub_epi16(s16, d16))), 8);
}

// The extended formula without unpacking, for a source alpha a' (slot 5:
// a' = a; slot 6: a' = a * o >> 8) given in both words of each pixel. Each
// sum is at most (255 (a' + 1) + 255 (256 - a')) / 256 < 256: the clamp to
// 255 never acts and each result fits its byte. With x << 8 in a word,
// mulhi(x << 8, w) = x * w >> 8 exactly (the product stays below 2^24).
static inline __m128i kv_over_ext_weighted(__m128i d, __m128i s, __m128i a)
{
    const __m128i hi = _mm_set1_epi16((short)0xFF00);
    __m128i ws = _mm_add_epi16(a, _mm_set1_epi16(1));
    __m128i wd = _mm_sub_epi16(_mm_set1_epi16(256), a);
    __m128i ev = _mm_add_epi16(_mm_mulhi_epu16(_mm_slli_epi16(s, 8), ws),
                               _mm_mulhi_epu16(_mm_slli_epi16(d, 8), wd));
    __m128i od = _mm_add_epi16(_mm_mulhi_epu16(_mm_and_si128(s, hi), ws),
                               _mm_mulhi_epu16(_mm_and_si128(d, hi), wd));
    return _mm_or_si128(ev, _mm_slli_epi16(od, 8));
}

// a << 8 in both words of each pixel.
static inline __m128i kv_alpha_shifted(__m128i s)
{
    __m128i a8 = _mm_and_si128(s, _mm_set1_epi32((int)0xFF000000));
    return _mm_or_si128(a8, _mm_srli_epi32(a8, 16));
}

// Two or four pixels; vo holds the opacity when OP (slot 6).
template <bool EXT, bool OP>
static inline __m128i kv_over_vec(__m128i d, __m128i s, __m128i vo)
{
    if (EXT && OP)
        return kv_over_ext_weighted(d, s, _mm_mulhi_epu16(kv_alpha_shifted(s), vo));
    if (EXT)
        return kv_over_ext_weighted(d, s, _mm_srli_epi16(kv_alpha_shifted(s), 8));
    __m128i z = _mm_setzero_si128();
    __m128i s_lo = _mm_unpacklo_epi8(s, z), s_hi = _mm_unpackhi_epi8(s, z);
    __m128i a_lo = kv_alpha16(s_lo), a_hi = kv_alpha16(s_hi);
    if (OP) {
        a_lo = _mm_srli_epi16(_mm_mullo_epi16(a_lo, vo), 8);
        a_hi = _mm_srli_epi16(_mm_mullo_epi16(a_hi, vo), 8);
    }
    __m128i lo = kv_over_half(s_lo, _mm_unpacklo_epi8(d, z), _mm_unpacklo_epi8(s, d), a_lo);
    __m128i hi = kv_over_half(s_hi, _mm_unpackhi_epi8(d, z), _mm_unpackhi_epi8(s, d), a_hi);
    return _mm_packus_epi16(lo, hi);
}

// The blocks that need no arithmetic. The tests are chosen to be rarely true
// on mixed alpha, so that their branches stay predicted: branching on the
// alpha top bits first mispredicted one block in eight on random alpha.
// Full opacity: is every alpha byte 0 or 255 (equal to its pixel's sign
// spread out)? Then all clear gives d, all opaque gives s. Partial opacity
// only has the all-clear case.
static inline int kv_over_block_kind(__m128i s, bool plain)
{
    const int alpha_bytes = 0x8888;
    if (!plain)
        return (_mm_movemask_epi8(_mm_cmpeq_epi8(s, _mm_setzero_si128())) & alpha_bytes) ==
                       alpha_bytes ? 0 : 2;
    if ((_mm_movemask_epi8(_mm_cmpeq_epi8(s, _mm_srai_epi32(s, 31))) & alpha_bytes) != alpha_bytes)
        return 2;
    int top = _mm_movemask_ps(_mm_castsi128_ps(s));
    return top == 0 ? 0 : (top == 15 ? 1 : 2);
}

template <bool EXT, bool OP>
static void kv_over_rows(uint8_t *dest, const uint8_t *src, int o, ptrdiff_t n)
{
    ptrdiff_t i = 0;
    if (EXT && !OP)
        for (; i + 4 <= n && ((uintptr_t)(dest + i) & 7) != 0; i += 4)
            kern_over_pixel(dest + i, src + i);
    ptrdiff_t g_end = n > i ? i + ((n - i) & ~(ptrdiff_t)7) : i;
    const __m128i vo = _mm_set1_epi16((short)o);
    const bool plain = !OP || o == 256;   // alpha 255 then still means "take the source"
    for (; i + 16 <= g_end; i += 16) {
        __m128i s = kv_load16(src + i);
        int kind = kv_over_block_kind(s, plain);
        if (kind == 0)
            continue;   // all clear
        if (kind == 1) {
            kv_store16(dest + i, s);   // all opaque
            continue;
        }
        kv_store16(dest + i, kv_over_vec<EXT, OP>(kv_load16(dest + i), s, vo));
    }
    if (i < g_end) {
        kv_store8(dest + i, kv_over_vec<EXT, OP>(kv_load8(dest + i), kv_load8(src + i), vo));
        i += 8;
    }
    for (; i + 4 <= n; i += 4) {
        if (OP)
            kern_over_opacity_pixel(dest + i, src + i, o);
        else
            kern_over_pixel(dest + i, src + i);
    }
}

void kern_alpha_over_basic(uint8_t *dest, const uint8_t *src, ptrdiff_t count)
{
    kv_over_rows<false, false>(dest, src, 256, count);
}
void kern_alpha_over_ext(uint8_t *dest, const uint8_t *src, ptrdiff_t count)
{
    kv_over_rows<true, false>(dest, src, 256, count);
}
void kern_alpha_over_opacity_basic(uint8_t *dest, const uint8_t *src, int o, ptrdiff_t count)
{
    kv_over_rows<false, true>(dest, src, kern_clamp_opacity(o), count);
}
void kern_alpha_over_opacity_ext(uint8_t *dest, const uint8_t *src, int o, ptrdiff_t count)
{
    kv_over_rows<true, true>(dest, src, kern_clamp_opacity(o), count);
}
