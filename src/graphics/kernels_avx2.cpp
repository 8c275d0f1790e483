// 256-bit variants of the busiest slots (fills, copies, slots 5 and 6), used
// only when the processor and the system support AVX2. They give exactly
// the results of their SSE2 counterparts: the same group formulas on four
// 8-byte groups at a time, then 16- and 8-byte blocks and single pixels.
// Keep these free of 256-bit stack spills and of 256-bit values passed to
// functions that are not inlined: the Windows compiler cannot align the stack
// to 32 bytes and would fault on an aligned spill.
#include "graphics/kernels_impl.h"

#include <immintrin.h>

#define KV_AVX2 __attribute__((target("avx2")))

KV_AVX2 static inline __m256i kv_load32(const uint8_t *p)
{
    return _mm256_loadu_si256((const __m256i *)p);
}
KV_AVX2 static inline void kv_store32(uint8_t *p, __m256i v)
{
    _mm256_storeu_si256((__m256i *)p, v);
}

KV_AVX2 void kern_zero_avx2(uint8_t *dest, ptrdiff_t count)
{
    __m256i z = _mm256_setzero_si256();
    ptrdiff_t i = 0;
    for (; i + 128 <= count; i += 128) {
        kv_store32(dest + i, z);
        kv_store32(dest + i + 32, z);
        kv_store32(dest + i + 64, z);
        kv_store32(dest + i + 96, z);
    }
    for (; i + 32 <= count; i += 32)
        kv_store32(dest + i, z);
    if (i < count)
        kern_zero_sse2(dest + i, count - i);
}

KV_AVX2 void kern_copy_avx2(uint8_t *dest, const uint8_t *src, ptrdiff_t count)
{
    ptrdiff_t i = 0;
    for (; i + 128 <= count; i += 128) {
        __m256i a = kv_load32(src + i), b = kv_load32(src + i + 32);
        __m256i c = kv_load32(src + i + 64), e = kv_load32(src + i + 96);
        kv_store32(dest + i, a);
        kv_store32(dest + i + 32, b);
        kv_store32(dest + i + 64, c);
        kv_store32(dest + i + 96, e);
    }
    for (; i + 32 <= count; i += 32)
        kv_store32(dest + i, kv_load32(src + i));
    if (i < count)
        kern_copy_sse2(dest + i, src + i, count - i);
}

// Each pixel's alpha as a 16-bit word in its four lanes, straight from the
// bytes: one shuffle per half instead of unpack and two word shuffles.
KV_AVX2 static inline __m256i kv_alpha_lo_256(__m256i s)
{
    const __m256i m = _mm256_setr_epi8(3, -1, 3, -1, 3, -1, 3, -1, 7, -1, 7, -1, 7, -1, 7, -1,
                                       3, -1, 3, -1, 3, -1, 3, -1, 7, -1, 7, -1, 7, -1, 7, -1);
    return _mm256_shuffle_epi8(s, m);
}
KV_AVX2 static inline __m256i kv_alpha_hi_256(__m256i s)
{
    const __m256i m = _mm256_setr_epi8(11, -1, 11, -1, 11, -1, 11, -1, 15, -1, 15, -1, 15, -1, 15, -1,
                                       11, -1, 11, -1, 11, -1, 11, -1, 15, -1, 15, -1, 15, -1, 15, -1);
    return _mm256_shuffle_epi8(s, m);
}

// The basic formula with one product: (s + 256 d) + a * (s - d), exact in 16 bits.
KV_AVX2 static inline __m256i kv_over_half_256(__m256i s16, __m256i d16, __m256i sd16, __m256i a16)
{
    return _mm256_srli_epi16(
        _mm256_add_epi16(sd16, _mm256_mullo_epi16(a16, _mm256_sub_epi16(s16, d16))), 8);
}

template <bool OP>
KV_AVX2 static inline __m256i kv_over_basic_256(__m256i d, __m256i s, __m256i vo)
{
    __m256i z = _mm256_setzero_si256();
    __m256i a_lo = kv_alpha_lo_256(s), a_hi = kv_alpha_hi_256(s);
    if (OP) {
        a_lo = _mm256_srli_epi16(_mm256_mullo_epi16(a_lo, vo), 8);
        a_hi = _mm256_srli_epi16(_mm256_mullo_epi16(a_hi, vo), 8);
    }
    __m256i lo = kv_over_half_256(_mm256_unpacklo_epi8(s, z), _mm256_unpacklo_epi8(d, z),
                                  _mm256_unpacklo_epi8(s, d), a_lo);
    __m256i hi = kv_over_half_256(_mm256_unpackhi_epi8(s, z), _mm256_unpackhi_epi8(d, z),
                                  _mm256_unpackhi_epi8(s, d), a_hi);
    return _mm256_packus_epi16(lo, hi);
}

// The extended formula on eight pixels without unpacking, for a source
// alpha a' (slot 5: a' = a; slot 6: a' = a * o >> 8) in both words of each
// pixel. Each sum below is at most (255 (a' + 1) + 255 (256 - a')) / 256 <
// 256, so the formula's clamp to 255 never acts and each result fits its
// byte. With x << 8 in a word, mulhi(x << 8, w) = x * w >> 8 exactly (the
// product stays below 2^24).
KV_AVX2 static inline __m256i kv_over_ext_weighted_256(__m256i d, __m256i s, __m256i a)
{
    const __m256i hi = _mm256_set1_epi16((short)0xFF00);
    __m256i ws = _mm256_add_epi16(a, _mm256_set1_epi16(1));
    __m256i wd = _mm256_sub_epi16(_mm256_set1_epi16(256), a);
    __m256i ev = _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_slli_epi16(s, 8), ws),
                                  _mm256_mulhi_epu16(_mm256_slli_epi16(d, 8), wd));
    __m256i od = _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_and_si256(s, hi), ws),
                                  _mm256_mulhi_epu16(_mm256_and_si256(d, hi), wd));
    return _mm256_or_si256(ev, _mm256_slli_epi16(od, 8));
}

template <bool OP>
KV_AVX2 static inline __m256i kv_over_ext_256(__m256i d, __m256i s, __m256i vo)
{
    if (OP) {   // a << 8 in both words, then a * o >> 8
        const __m256i a8 = _mm256_setr_epi8(-1, 3, -1, 3, -1, 7, -1, 7, -1, 11, -1, 11, -1, 15, -1, 15,
                                            -1, 3, -1, 3, -1, 7, -1, 7, -1, 11, -1, 11, -1, 15, -1, 15);
        return kv_over_ext_weighted_256(d, s, _mm256_mulhi_epu16(_mm256_shuffle_epi8(s, a8), vo));
    }
    const __m256i a = _mm256_setr_epi8(3, -1, 3, -1, 7, -1, 7, -1, 11, -1, 11, -1, 15, -1, 15, -1,
                                       3, -1, 3, -1, 7, -1, 7, -1, 11, -1, 11, -1, 15, -1, 15, -1);
    return kv_over_ext_weighted_256(d, s, _mm256_shuffle_epi8(s, a));
}

template <bool EXT, bool OP>
KV_AVX2 static inline __m256i kv_over_256(__m256i d, __m256i s, __m256i vo)
{
    return EXT ? kv_over_ext_256<OP>(d, s, vo) : kv_over_basic_256<OP>(d, s, vo);
}

// The 256-bit part of a row: whole 8-byte groups from `i` up to `g_end`, 32
// bytes at a time and a last 16 and 8 in the low lane (every step works
// within its 128-bit lane, so the high lane's contents do not matter); returns
// where it stopped. The caller finishes single pixels with the SSE2 routine
// (a masked 256-bit tail measured slower on picture-like layers).
template <bool EXT, bool OP>
KV_AVX2 static ptrdiff_t kv_over_blocks_256(uint8_t *dest, const uint8_t *src, int o, ptrdiff_t i,
                                            ptrdiff_t g_end)
{
    const __m256i ones = _mm256_set1_epi8(-1), z = _mm256_setzero_si256();
    const __m256i vo = _mm256_set1_epi16((short)o);
    const int amask = (int)0x88888888;
    const bool plain = !OP || o == 256;
    for (; i + 32 <= g_end; i += 32) {
        __m256i s = kv_load32(src + i);
        // The alpha top bits first: mixed blocks go straight to the blend.
        int top = _mm256_movemask_ps(_mm256_castsi256_ps(s));
        if (top == 0) {
            if ((_mm256_movemask_epi8(_mm256_cmpeq_epi8(s, z)) & amask) == amask)
                continue;
        } else if (top == 255 && plain) {
            if ((_mm256_movemask_epi8(_mm256_cmpeq_epi8(s, ones)) & amask) == amask) {
                kv_store32(dest + i, s);
                continue;
            }
        }
        kv_store32(dest + i, kv_over_256<EXT, OP>(kv_load32(dest + i), s, vo));
    }
    if (i + 16 <= g_end) {
        __m256i r = kv_over_256<EXT, OP>(_mm256_castsi128_si256(kv_load16(dest + i)),
                                         _mm256_castsi128_si256(kv_load16(src + i)), vo);
        kv_store16(dest + i, _mm256_castsi256_si128(r));
        i += 16;
    }
    if (i + 8 <= g_end) {
        __m256i r = kv_over_256<EXT, OP>(_mm256_castsi128_si256(kv_load8(dest + i)),
                                         _mm256_castsi128_si256(kv_load8(src + i)), vo);
        kv_store8(dest + i, _mm256_castsi256_si128(r));
        i += 8;
    }
    return i;
}

KV_AVX2 void kern_alpha_over_basic_avx2(uint8_t *dest, const uint8_t *src, ptrdiff_t count)
{
    ptrdiff_t i = kv_over_blocks_256<false, false>(dest, src, 256, 0, count > 0 ? count & ~(ptrdiff_t)7 : 0);
    if (i < count)
        kern_alpha_over_basic(dest + i, src + i, count - i);
}

KV_AVX2 void kern_alpha_over_ext_avx2(uint8_t *dest, const uint8_t *src, ptrdiff_t count)
{
    // Single pixels until the destination is 8-byte aligned, as the SSE2 routine does.
    ptrdiff_t i = 0;
    for (; i + 4 <= count && ((uintptr_t)(dest + i) & 7) != 0; i += 4)
        kern_over_pixel(dest + i, src + i);
    if (((uintptr_t)(dest + i) & 7) != 0 || i >= count) {
        if (i < count)
            kern_alpha_over_ext(dest + i, src + i, count - i);
        return;
    }
    ptrdiff_t g_end = i + ((count - i) & ~(ptrdiff_t)7);
    i = kv_over_blocks_256<true, false>(dest, src, 256, i, g_end);
    if (i < count)
        kern_alpha_over_ext(dest + i, src + i, count - i);   // aligned: no single pixels first
}

KV_AVX2 void kern_alpha_over_opacity_basic_avx2(uint8_t *dest, const uint8_t *src, int o,
                                                ptrdiff_t count)
{
    o = kern_clamp_opacity(o);
    ptrdiff_t i = kv_over_blocks_256<false, true>(dest, src, o, 0, count > 0 ? count & ~(ptrdiff_t)7 : 0);
    if (i < count)
        kern_alpha_over_opacity_basic(dest + i, src + i, o, count - i);
}

KV_AVX2 void kern_alpha_over_opacity_ext_avx2(uint8_t *dest, const uint8_t *src, int o,
                                              ptrdiff_t count)
{
    o = kern_clamp_opacity(o);
    ptrdiff_t i = kv_over_blocks_256<true, true>(dest, src, o, 0, count > 0 ? count & ~(ptrdiff_t)7 : 0);
    if (i < count)
        kern_alpha_over_opacity_ext(dest + i, src + i, o, count - i);
}
