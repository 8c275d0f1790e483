// Screen-saver builds: the switches Windows passes, and the preview bitmap
// appended to the executable (a complete BMP file, see core/entry.h).
#pragma once

#include "core/kv_base.h"

enum ScreensaverAction {
    KV_SS_RUN = 0,       // anything else (/s): the engine runs full-desktop
    KV_SS_PREVIEW = 1,   // "/p <hwnd>": the preview inside the given window
    KV_SS_PASSWORD = 2,  // "/a <hwnd>": nothing to do
    KV_SS_ABOUT = 3,     // "/c[:hwnd]" or no argument: the information box
};

// Classifies the command-line words (argv[0] the program); for a preview
// the parent window's number is stored in *parent.
ScreensaverAction classify_screensaver_args(int argc, char **argv, uint64_t *parent);

// The preview as the window draws it: 24-bit rows of stride bytes (a
// multiple of 4), bottom-up for a positive height, top-down for a negative.
struct PreviewImage {
    int32_t width;
    int32_t height;
    uint32_t stride;
    const uint8_t *pixels;   // points into the bitmap's bytes
};

// Checks a BMP file's bytes: "BM", a BITMAPINFOHEADER (or a larger one),
// 24 bits, BI_RGB, width > 0, height != 0, the pixel offset from the file
// header and stride x |height| inside the bytes. 0 ok, -1 anything else.
int parse_preview_bitmap(const uint8_t *bytes, size_t size, PreviewImage *out);

// The appended preview bitmap of g_exe_path (heap bytes, *size set), or null
// when there is none or it does not fit the file.
uint8_t *load_preview_bitmap(uint32_t *size);
