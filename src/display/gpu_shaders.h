// Pixel shader tokens of the two screen filters of the Direct3D presenter:
// bicubic (ps_3_0, filter mode 3) and sharpened bilinear (ps_2_0, mode 2).
#pragma once

#include <cstddef>
#include <cstdint>

extern const uint32_t k_bicubic_ps30[];
extern const size_t k_bicubic_ps30_count;
extern const uint32_t k_sharp_bilinear_ps20[];
extern const size_t k_sharp_bilinear_ps20_count;
