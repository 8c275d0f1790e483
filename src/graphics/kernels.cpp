// The kernel table and the choice of the set.
#include "graphics/kernels_impl.h"

PixelKernels g_pixel_kernels;
int g_kernel_level;
int g_kernel_wide;

int kernel_level_for(const CpuFeatures &features, int sse_allowed, int sse2_allowed)
{
    int level = KV_KERNEL_LEVEL_BASIC;
    if (features.sse && sse_allowed)
        level = KV_KERNEL_LEVEL_SSE;
    if (features.sse2 && sse2_allowed)
        level = KV_KERNEL_LEVEL_SSE2;
    return level;
}

// Slots shared by both sets.
static void install_common(PixelKernels &k)
{
    k.kern_zero = kern_zero_sse2;
    k.kern_fill8 = kern_fill8_sse2;
    k.kern_fill32 = kern_fill32_sse2;
    k.kern_copy = kern_copy_sse2;
    k.kern_add_sat = kern_add_sat_sse2;
    k.kern_add_opacity = kern_add_opacity_sse2;
    k.kern_add_alpha = kern_add_alpha_sse2;
    k.kern_add_alpha_opacity = kern_add_alpha_opacity_sse2;
    k.kern_sub_sat = kern_sub_sat_sse2;
    k.kern_multiply = kern_multiply_sse2;
    k.kern_screen = kern_screen_sse2;
    k.kern_screen_opacity = kern_screen_opacity_sse2;
    k.kern_lighten = kern_lighten_sse2;
    k.kern_darken = kern_darken_sse2;
    k.kern_linear_burn = kern_linear_burn_sse2;
    k.kern_linear_light = kern_linear_light_sse2;
    k.kern_alpha_over_dst_alpha = kern_alpha_over_dst_alpha_c;
    k.kern_alpha_over_dst_alpha_opacity = kern_alpha_over_dst_alpha_opacity_c;
    k.kern_alpha_over_dst_alpha_scaled = kern_alpha_over_dst_alpha_scaled_c;
    k.kern_alpha_over_dst_alpha_div = kern_alpha_over_dst_alpha_div_c;
}

void install_pixel_kernels(int level, int wide)
{
    PixelKernels k;
    install_common(k);
    bool ext = level >= KV_KERNEL_LEVEL_SSE;
    k.kern_lerp_const = ext ? kern_lerp_const_ext : kern_lerp_const_basic;
    k.kern_alpha_over = ext ? kern_alpha_over_ext : kern_alpha_over_basic;
    k.kern_alpha_over_opacity = ext ? kern_alpha_over_opacity_ext : kern_alpha_over_opacity_basic;
    k.kern_mask_blend = ext ? kern_mask_blend_ext : kern_mask_blend_basic;
    k.kern_crossfade = ext ? kern_crossfade_ext : kern_crossfade_basic;
    k.kern_half_box = ext ? kern_half_box_ext : kern_half_box_basic;
    if (wide && g_cpu_features.avx2) {
        k.kern_zero = kern_zero_avx2;
        k.kern_copy = kern_copy_avx2;
        k.kern_alpha_over = ext ? kern_alpha_over_ext_avx2 : kern_alpha_over_basic_avx2;
        k.kern_alpha_over_opacity =
            ext ? kern_alpha_over_opacity_ext_avx2 : kern_alpha_over_opacity_basic_avx2;
    }
    g_pixel_kernels = k;
    g_kernel_level = level;
    g_kernel_wide = wide && g_cpu_features.avx2 ? 1 : 0;
}
