// Row passes of the bilinear scalers (see scale_rows.h), with SSE2; the
// 256-bit passes of scale_rows_avx2.cpp go first when installed.
// All products fit 16-bit lanes: a sum p0 * (256 - w) + p1 * w is at most
// 255 * 256, and the vertical pass multiplies by at most 256.
#include "graphics/scale_rows.h"

#include <emmintrin.h>

#include "graphics/kernels.h"
#include "graphics/scale_rows_wide.h"

#include <cstring>

// Two sums rows per scratch set, each as wide as the tables.
static uint16_t g_scale_scratch[KV_SCALE_SLOTS][2][KV_SCALE_TABLE_SIZE * 4];

void bilinear_ctx_init(BilinearRowCtx *ctx, int slot)
{
    if (slot < 0 || slot >= KV_SCALE_SLOTS)
        slot = 0;
    for (int k = 0; k < 2; k++) {
        ctx->sums[k] = g_scale_scratch[slot][k];
        ctx->sums_row[k] = -1;
    }
    ctx->wide = g_kernel_wide;
}

static inline __m128i load_pair(const uint8_t *row, uint32_t off)
{
    return _mm_loadl_epi64((const __m128i *)(row + off));
}

// sums[4c + k] = p0[k] * (256 - w) + p1[k] * w for c in [first, end).
static void horizontal_sums(uint16_t *sums, const uint8_t *row, const uint32_t *offs,
                            const uint16_t *wts, int32_t first, int32_t end)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i k256 = _mm_set1_epi16(256);
    int32_t c = first;
    for (; c + 2 <= end; c += 2) {
        // p0a p0b p1a p1b: the left and right pixels of columns c and c + 1.
        __m128i ab = _mm_unpacklo_epi32(load_pair(row, offs[c]), load_pair(row, offs[c + 1]));
        __m128i p0 = _mm_unpacklo_epi8(ab, zero);
        __m128i p1 = _mm_unpackhi_epi8(ab, zero);
        __m128i w = _mm_loadu_si128((const __m128i *)(wts + 4 * c));
        __m128i h = _mm_add_epi16(_mm_mullo_epi16(p0, _mm_sub_epi16(k256, w)),
                                  _mm_mullo_epi16(p1, w));
        _mm_storeu_si128((__m128i *)(sums + 4 * c), h);
    }
    if (c < end) {
        // One column: p0 in lanes 0-3, p1 in lanes 4-7.
        __m128i px = _mm_unpacklo_epi8(load_pair(row, offs[c]), zero);
        __m128i w = _mm_loadl_epi64((const __m128i *)(wts + 4 * c));
        __m128i h = _mm_add_epi16(_mm_mullo_epi16(px, _mm_sub_epi16(k256, w)),
                                  _mm_mullo_epi16(_mm_srli_si128(px, 8), w));
        _mm_storel_epi64((__m128i *)(sums + 4 * c), h);
    }
}

static inline __m128i mix_wide(__m128i a, __m128i b, __m128i it, __m128i t)
{
    return _mm_adds_epu16(_mm_mulhi_epu16(a, it), _mm_mulhi_epu16(b, t));
}

static inline __m128i mix_plain(__m128i a, __m128i b, __m128i it, __m128i t)
{
    __m128i top = _mm_mullo_epi16(_mm_srli_epi16(a, 8), it);
    __m128i bottom = _mm_mullo_epi16(_mm_srli_epi16(b, 8), t);
    return _mm_srli_epi16(_mm_add_epi16(top, bottom), 8);
}

template <__m128i (*Mix)(__m128i, __m128i, __m128i, __m128i)>
static void vertical_mix(uint8_t *dst, const uint16_t *a, const uint16_t *b, int t,
                         int32_t first, int32_t end)
{
    const __m128i vt = _mm_set1_epi16((short)t);
    const __m128i vit = _mm_set1_epi16((short)(256 - t));
    int32_t c = first;
    for (; c + 4 <= end; c += 4) {
        const __m128i *pa = (const __m128i *)(a + 4 * c), *pb = (const __m128i *)(b + 4 * c);
        __m128i lo = Mix(_mm_loadu_si128(pa), _mm_loadu_si128(pb), vit, vt);
        __m128i hi = Mix(_mm_loadu_si128(pa + 1), _mm_loadu_si128(pb + 1), vit, vt);
        _mm_storeu_si128((__m128i *)(dst + 4 * c), _mm_packus_epi16(lo, hi));
    }
    for (; c < end; c++) {
        __m128i v = Mix(_mm_loadl_epi64((const __m128i *)(a + 4 * c)),
                        _mm_loadl_epi64((const __m128i *)(b + 4 * c)), vit, vt);
        int32_t px = _mm_cvtsi128_si32(_mm_packus_epi16(v, v));
        std::memcpy(dst + 4 * c, &px, 4);
    }
}

// The 256-bit pass runs about twice as fast as the SSE2 one and then waits
// on the source: each row is read once, at a pitch the processor's
// prefetchers do not follow. So the row below (inside: row + 1 may be read)
// is asked for a chunk of columns ahead of its turn, once per 64-byte line.
static void wide_sums(const BilinearRowCtx *ctx, uint16_t *sums, const uint8_t *src)
{
    const uint8_t *next = src + ctx->src_pitch * 4;
    const int32_t chunk = 32;
    for (int32_t c0 = ctx->first; c0 < ctx->end; c0 += chunk) {
        int32_t c1 = ctx->end - c0 < chunk ? ctx->end : c0 + chunk;
        uint32_t line = ctx->col_offsets[c0] & ~63u, stop = ctx->col_offsets[c1 - 1] + 8;
        for (; line < stop; line += 64)
            _mm_prefetch((const char *)(next + line), _MM_HINT_T0);
        int32_t c = bilinear_sums_avx2(sums, src, ctx->col_offsets, ctx->col_weights, c0, c1);
        horizontal_sums(sums, src, ctx->col_offsets, ctx->col_weights, c, c1);
    }
}

static const uint16_t *held_sums(const BilinearRowCtx *ctx, int64_t row)
{
    for (int k = 0; k < 2; k++)
        if (ctx->sums_row[k] == row)
            return ctx->sums[k];
    return nullptr;
}

// The sums of a source row: kept, or made into the slot that does not hold `keep`.
static const uint16_t *row_sums(BilinearRowCtx *ctx, int64_t row, const uint16_t *keep)
{
    if (const uint16_t *held = held_sums(ctx, row))
        return held;
    int k = ctx->sums[0] == keep ? 1 : 0;
    const uint8_t *src = ctx->src + row * ctx->src_pitch * 4;
    if (ctx->wide)
        wide_sums(ctx, ctx->sums[k], src);
    else
        horizontal_sums(ctx->sums[k], src, ctx->col_offsets, ctx->col_weights, ctx->first,
                        ctx->end);
    ctx->sums_row[k] = row;
    return ctx->sums[k];
}

void bilinear_row(BilinearRowCtx *ctx, uint8_t *dst, int64_t row, int t)
{
    if (ctx->end <= ctx->first)
        return;
    t &= 255;
    const uint16_t *top = row_sums(ctx, row, t ? held_sums(ctx, row + 1) : nullptr);
    // With t = 0 the lower row has no weight: it is not read at all.
    const uint16_t *bottom = t ? row_sums(ctx, row + 1, top) : top;
    int32_t first = ctx->first;
    if (ctx->wide)
        first = bilinear_mix_avx2(dst, top, bottom, t, first, ctx->end, ctx->rounding);
    if (ctx->rounding == KV_BILINEAR_PLAIN)
        vertical_mix<mix_plain>(dst, top, bottom, t, first, ctx->end);
    else
        vertical_mix<mix_wide>(dst, top, bottom, t, first, ctx->end);
}
