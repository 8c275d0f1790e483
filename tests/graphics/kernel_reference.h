// Plain scalar statements of every kernel slot of both sets, one byte or one
// pixel at a time, for the tests to compare the vector kernels against.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ref {

// ext: false for the basic set, true for the extended set.
void zero(uint8_t *d, ptrdiff_t n);
void fill8(uint8_t *d, ptrdiff_t n, uint8_t v);
void fill32(uint8_t *d, ptrdiff_t n, uint32_t v);
void copy(uint8_t *d, const uint8_t *s, ptrdiff_t n);
void lerp_const(bool ext, uint8_t *d, const uint8_t *s, int o, ptrdiff_t n);
void alpha_over(bool ext, uint8_t *d, const uint8_t *s, ptrdiff_t n);
void alpha_over_opacity(bool ext, uint8_t *d, const uint8_t *s, int o, ptrdiff_t n);
// Uses g_rule_weights.
void mask_blend(bool ext, uint8_t *d, const uint8_t *s, const uint8_t *m, int progress,
                int softness, ptrdiff_t n);
void crossfade(bool ext, uint8_t *d, const uint8_t *a, const uint8_t *b, int w, ptrdiff_t n);
void add_sat(uint8_t *d, const uint8_t *s, ptrdiff_t n);
void add_opacity(uint8_t *d, const uint8_t *s, int o, ptrdiff_t n);
void add_alpha(uint8_t *d, const uint8_t *s, ptrdiff_t n);
void add_alpha_opacity(uint8_t *d, const uint8_t *s, int o, ptrdiff_t n);
void sub_sat(uint8_t *d, const uint8_t *s, ptrdiff_t n);
void multiply(uint8_t *d, const uint8_t *s, ptrdiff_t n);
void screen(uint8_t *d, const uint8_t *s, ptrdiff_t n);
void screen_opacity(uint8_t *d, const uint8_t *s, int o, ptrdiff_t n);
void lighten(uint8_t *d, const uint8_t *s, ptrdiff_t n);
void darken(uint8_t *d, const uint8_t *s, ptrdiff_t n);
void linear_burn(uint8_t *d, const uint8_t *s, ptrdiff_t n);
void linear_light(uint8_t *d, const uint8_t *s, ptrdiff_t n);
void half_box(bool ext, uint8_t *d, const uint8_t *s, ptrdiff_t pitch, ptrdiff_t n);
void dst_alpha(uint8_t *d, const uint8_t *s, ptrdiff_t n);
void dst_alpha_opacity(uint8_t *d, const uint8_t *s, int o, ptrdiff_t n);
void dst_alpha_scaled(uint8_t *d, const uint8_t *s, int k, ptrdiff_t n);
void dst_alpha_div(uint8_t *d, const uint8_t *s, int k, int o, ptrdiff_t n);

// Blend result R[s][d] of a mode 0..18, by its formula.
int blend_result(int mode, int s, int d);

}  // namespace ref
