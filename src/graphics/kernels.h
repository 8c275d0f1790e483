// Processor features and the pixel row kernels.
//
// All pixel work of the engine (fills, copies, clears, blends, averaging)
// goes through g_pixel_kernels, a table of 26 row routines chosen once at
// start-up. Counts are in bytes unless stated; pixels are 32-bit B, G, R, A.
// Two sets exist with slightly different rounding in places (the basic set
// and the extended set); both are exact to the last bit and both are
// produced with SSE2 (and AVX2 where present) plus scalar tails. No kernel
// reads or writes a byte past `count`, and none allocates.
#pragma once

#include <cstddef>

#include "core/kv_base.h"

// --- processor features --------------------------------------------------------

struct CpuFeatures {
    uint8_t mmx;          // leaf 1 EDX bit 23
    uint8_t sse;          // leaf 1 EDX bit 25
    uint8_t sse2;         // leaf 1 EDX bit 26
    uint8_t sse3;         // leaf 1 ECX bit 0
    uint8_t ssse3;        // leaf 1 ECX bit 9
    uint8_t sse41;        // leaf 1 ECX bit 19
    uint8_t sse42;        // leaf 1 ECX bit 20
    uint8_t amd_3dnow;    // leaf 0x80000001 EDX bit 31
    uint8_t amd_3dnow_ext;// leaf 0x80000001 EDX bit 30
    uint8_t sse4a;        // leaf 0x80000001 ECX bit 6
    uint8_t xop;          // leaf 0x80000001 ECX bit 11
    uint8_t avx2;         // leaf 7 EBX bit 5 with OS support for the YMM state
    uint8_t avx512bw;     // leaf 7 EBX bits 16 and 30 with OS support for the ZMM state
};
extern CpuFeatures g_cpu_features;

// 1 when the CPUID instruction exists (always on x86-64).
int cpuid_available();
// Fills g_cpu_features.
void detect_cpu_features();

// --- the kernel table ----------------------------------------------------------

typedef void (*KernZeroFn)(uint8_t *dest, ptrdiff_t count);
typedef void (*KernFill8Fn)(uint8_t *dest, ptrdiff_t count, uint8_t value);
typedef void (*KernFill32Fn)(uint8_t *dest, ptrdiff_t count, uint32_t value);
typedef void (*KernRowFn)(uint8_t *dest, const uint8_t *src, ptrdiff_t count);
typedef void (*KernRowOpFn)(uint8_t *dest, const uint8_t *src, int opacity, ptrdiff_t count);
typedef void (*KernMaskFn)(uint8_t *dest, const uint8_t *src, const uint8_t *mask,
                           int progress, int softness, ptrdiff_t count);
typedef void (*KernCrossfadeFn)(uint8_t *dest, const uint8_t *a, const uint8_t *b,
                                int weight, ptrdiff_t count);
typedef void (*KernHalfBoxFn)(uint8_t *dest, const uint8_t *src, ptrdiff_t src_pitch_pixels,
                              ptrdiff_t dest_pixels);
typedef void (*KernDstAlphaDivFn)(uint8_t *dest, const uint8_t *src, int factor, int opacity,
                                  ptrdiff_t count);

struct PixelKernels {
    KernZeroFn kern_zero;                      // 0: count bytes of 0
    KernFill8Fn kern_fill8;                    // 1: count bytes of value
    KernFill32Fn kern_fill32;                  // 2: value stored count / 4 times
    KernRowFn kern_copy;                       // 3
    KernRowOpFn kern_lerp_const;               // 4: d += (s - d) * o >> 8, o 0..256
    KernRowFn kern_alpha_over;                 // 5: source-alpha blend
    KernRowOpFn kern_alpha_over_opacity;       // 6: source alpha x opacity
    KernMaskFn kern_mask_blend;                // 7: rule-mask blend (g_rule_weights)
    KernCrossfadeFn kern_crossfade;            // 8: dest = a + ((b - a) * w >> 8)
    KernRowFn kern_add_sat;                    // 9
    KernRowOpFn kern_add_opacity;              // 10
    KernRowFn kern_add_alpha;                  // 11
    KernRowOpFn kern_add_alpha_opacity;        // 12
    KernRowFn kern_sub_sat;                    // 13: max(0, s - d)
    KernRowFn kern_multiply;                   // 14
    KernRowFn kern_screen;                     // 15
    KernRowOpFn kern_screen_opacity;           // 16
    KernRowFn kern_lighten;                    // 17
    KernRowFn kern_darken;                     // 18
    KernRowFn kern_linear_burn;                // 19
    KernRowFn kern_linear_light;               // 20
    KernHalfBoxFn kern_half_box;               // 21: 2 x 2 average, count in dest pixels
    KernRowFn kern_alpha_over_dst_alpha;       // 22: over a destination with alpha
    KernRowOpFn kern_alpha_over_dst_alpha_opacity;   // 23
    KernRowOpFn kern_alpha_over_dst_alpha_scaled;    // 24: third argument is the factor k
    KernDstAlphaDivFn kern_alpha_over_dst_alpha_div; // 25: factor k, opacity o
};
enum { KV_KERNEL_SLOTS = 26 };

extern PixelKernels g_pixel_kernels;

// Kernel levels: 1 basic set, 2 and 3 extended set.
enum { KV_KERNEL_LEVEL_BASIC = 1, KV_KERNEL_LEVEL_SSE = 2, KV_KERNEL_LEVEL_SSE2 = 3 };
extern int g_kernel_level;
// 1 when the installed set uses the 256-bit variants (asked for and AVX2
// present); other vector routines of the engine follow the same choice.
extern int g_kernel_wide;

// Level from the processor's flags and the two settings (allow SSE, allow SSE2).
int kernel_level_for(const CpuFeatures &features, int sse_allowed, int sse2_allowed);
// Installs the set of a level; wide = 1 uses 256-bit variants (only when the
// processor has AVX2; otherwise ignored).
void install_pixel_kernels(int level, int wide);
// Start-up: detect_cpu_features, then the set chosen by kernel_level_for with
// g_cfg_sse_enabled and g_cfg_sse2_enabled (kvcfg.dat words 2 and 3), wide
// vectors whenever the processor has them.
void init_pixel_kernels();
