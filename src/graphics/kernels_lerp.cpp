// Slots 4 (constant-opacity blend) and 8 (cross-fade) of both sets.
//
// Whole 8-byte groups take one of three forms by opacity: below 128 the
// plain d + ((s - d) * o >> 8); above 128 the mirrored s + ((d - s) * (256 - o)
// >> 8), which rounds the other way; at 128 the half sum, (s >> 1) + (d >> 1)
// in the basic set and the rounded-up average in the extended set. Tail bytes
// always use the plain form.
#include "graphics/kernels_impl.h"

static inline __m128i kv_lerp16(__m128i from, __m128i to, __m128i w)
{
    return _mm_add_epi16(from, _mm_srai_epi16(_mm_mullo_epi16(_mm_sub_epi16(to, from), w), 8));
}

// out = lerp(d -> s, o) over n bytes; out may be d.
static void kv_lerp_rows(uint8_t *out, const uint8_t *d, const uint8_t *s, int o, ptrdiff_t n,
                         bool ext)
{
    o = kern_clamp_opacity(o);
    ptrdiff_t groups = n > 0 ? n & ~(ptrdiff_t)7 : 0, i = 0;
    __m128i z = _mm_setzero_si128();
    if (o == 128) {
        __m128i m7f = _mm_set1_epi8(0x7F);
        for (; i < groups; i += 8) {
            __m128i vd = kv_load8(d + i), vs = kv_load8(s + i), r;
            if (ext)
                r = _mm_avg_epu8(vd, vs);
            else
                r = _mm_add_epi8(_mm_and_si128(_mm_srli_epi16(vs, 1), m7f),
                                 _mm_and_si128(_mm_srli_epi16(vd, 1), m7f));
            kv_store8(out + i, r);
        }
    } else {
        bool low = o < 128;
        __m128i w = _mm_set1_epi16((short)(low ? o : 256 - o));
        for (; i + 16 <= groups; i += 16) {
            __m128i vd = kv_load16(d + i), vs = kv_load16(s + i);
            __m128i d_lo = _mm_unpacklo_epi8(vd, z), d_hi = _mm_unpackhi_epi8(vd, z);
            __m128i s_lo = _mm_unpacklo_epi8(vs, z), s_hi = _mm_unpackhi_epi8(vs, z);
            __m128i lo = low ? kv_lerp16(d_lo, s_lo, w) : kv_lerp16(s_lo, d_lo, w);
            __m128i hi = low ? kv_lerp16(d_hi, s_hi, w) : kv_lerp16(s_hi, d_hi, w);
            kv_store16(out + i, _mm_packus_epi16(lo, hi));
        }
        if (i < groups) {
            __m128i d_lo = _mm_unpacklo_epi8(kv_load8(d + i), z);
            __m128i s_lo = _mm_unpacklo_epi8(kv_load8(s + i), z);
            __m128i lo = low ? kv_lerp16(d_lo, s_lo, w) : kv_lerp16(s_lo, d_lo, w);
            kv_store8(out + i, _mm_packus_epi16(lo, lo));
            i += 8;
        }
    }
    for (; i < n; i++)
        out[i] = kern_lerp_byte(d[i], s[i], o);
}

void kern_lerp_const_basic(uint8_t *dest, const uint8_t *src, int o, ptrdiff_t count)
{
    kv_lerp_rows(dest, dest, src, o, count, false);
}
void kern_lerp_const_ext(uint8_t *dest, const uint8_t *src, int o, ptrdiff_t count)
{
    kv_lerp_rows(dest, dest, src, o, count, true);
}
void kern_crossfade_basic(uint8_t *dest, const uint8_t *a, const uint8_t *b, int w, ptrdiff_t count)
{
    kv_lerp_rows(dest, a, b, w, count, false);
}
void kern_crossfade_ext(uint8_t *dest, const uint8_t *a, const uint8_t *b, int w, ptrdiff_t count)
{
    kv_lerp_rows(dest, a, b, w, count, true);
}
