// Platform service of the CPU presenter: one GDI blit of 32-bit pixels to a
// window. Win32: src/platform/win32/present_win32.cpp (GetDC, StretchDIBits,
// ReleaseDC); stand-in: src/platform/null/present_null.cpp.
#pragma once

#include <cstdint>

// One StretchDIBits call with DIB_RGB_COLORS and SRCCOPY. The source is a
// 32-bit BI_RGB bitmap of dib_width x dib_height pixels (a negative height
// means top-down rows).
struct SysBlit {
    int32_t dst_x, dst_y, dst_w, dst_h;   // in the window's client area
    int32_t src_x, src_y, src_w, src_h;   // in the bitmap
    int32_t dib_width, dib_height;
    const void *pixels;
    uint8_t color_on_color;               // set the COLORONCOLOR stretch mode first
};

// Gets the window's DC, blits and releases the DC; results are not checked.
void sys_present_blit(void *hwnd, const SysBlit *blit);
