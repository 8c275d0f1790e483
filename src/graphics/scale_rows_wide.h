// The 256-bit halves of the bilinear row passes (scale_rows_avx2.cpp), used
// when the pixel kernels were installed wide. Each does the columns it can in
// whole steps from `first` and returns the first column it left to the SSE2
// pass; the results are those of the SSE2 pass to the bit.
#pragma once

#include "core/kv_base.h"

int32_t bilinear_sums_avx2(uint16_t *sums, const uint8_t *row, const uint32_t *offs,
                           const uint16_t *wts, int32_t first, int32_t end);
int32_t bilinear_mix_avx2(uint8_t *dst, const uint16_t *a, const uint16_t *b, int t,
                          int32_t first, int32_t end, int rounding);
