// The PNG writer: 8-bit RGBA, no interlace, every filter allowed, gamma
// 1/2.2. libpng reports errors by jumping back into png_write_rows; that
// routine holds no objects with destructors.
#include <csetjmp>

#include <png.h>

#include "core/quit.h"
#include "graphics/layer.h"
#include "image/image_writers.h"

static void png_write_data(png_structp png, png_bytep data, png_size_t size)
{
    ImageOutFile *out = (ImageOutFile *)png_get_io_ptr(png);
    if (!image_out_write(out, data, size))
        png_error(png, "write failed");
}

static void png_flush_data(png_structp) {}
static void png_warning_ignore(png_structp, png_const_charp) {}

static void png_error_jump(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

// 0, or -2 after a libpng error (also a failed write).
static int png_write_rows(png_structp png, png_infop info, LayerState *s, int level)
{
    if (setjmp(png_jmpbuf(png)))
        return -2;
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_ALL_FILTERS);
    png_set_compression_level(png, level);
    png_set_IHDR(png, info, (png_uint_32)s->width, (png_uint_32)s->height, 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE,
                 PNG_FILTER_TYPE_BASE);
    png_set_gAMA(png, info, 1.0 / 2.2);
    png_write_info(png, info);
    png_set_bgr(png);
    size_t pitch = (size_t)s->width * 4;
    for (int32_t y = 0; y < s->height; y++)
        png_write_row(png, s->pixels + pitch * (size_t)y);
    png_write_end(png, info);
    return 0;
}

int save_image_png(LayerState *s, const char *path, int level)
{
    if (!s->pixels || s->width < 1 || s->height < 1)
        return image_out_error();
    if (level < 0)
        level = 0;
    if (level > 9)
        level = 9;
    if (!s->has_alpha) {
        size_t n = (size_t)s->width * (size_t)s->height;
        for (size_t i = 0; i < n; i++)
            s->pixels[i * 4 + 3] = 255;
    }
    ImageOutFile out;
    if (!image_out_open(&out, path))
        return image_out_error();
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, png_error_jump,
                                              png_warning_ignore);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    int r = -2;
    if (info) {
        png_set_write_fn(png, &out, png_write_data, png_flush_data);
        r = png_write_rows(png, info, s, level);
    }
    png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
    r = image_out_finish(&out, r);
    return r != 0 ? r : (g_quit_flag ? 1 : 0);
}
