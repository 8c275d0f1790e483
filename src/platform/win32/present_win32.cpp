// GDI output of the CPU presenter.
#include <windows.h>

#include "platform/sys_present.h"

void sys_present_blit(void *hwnd, const SysBlit *b)
{
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = b->dib_width;
    bi.bmiHeader.biHeight = b->dib_height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    HDC dc = GetDC((HWND)hwnd);
    if (!dc)
        return;
    if (b->color_on_color)
        SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, b->dst_x, b->dst_y, b->dst_w, b->dst_h, b->src_x, b->src_y, b->src_w,
                  b->src_h, b->pixels, &bi, DIB_RGB_COLORS, SRCCOPY);
    ReleaseDC((HWND)hwnd, dc);
}
