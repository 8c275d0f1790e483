// PNG decoder through libpng: every colour type, bit depth and interlace
// form becomes 8-bit B, G, R, A rows written straight into the layer.
//
// libpng reports errors by a long jump back into png_decode_rows, so that
// routine and the callbacks hold no objects with destructors and keep their
// state in a PngRead record that lives in the caller's frame.
#include <png.h>

#include <cstdlib>
#include <cstring>

#include "core/error_report.h"
#include "core/locate.h"
#include "graphics/layer.h"
#include "image/image_decode_util.h"
#include "image/image_decoders.h"

struct PngRead {
    const uint8_t *data;
    size_t size;
    size_t pos;
    const char *name;
    LayerState *layer;
    png_bytep *rows;
    bool reported;       // a report has been made already
    bool have_buffer;    // the layer's buffer has its new size
};

static void png_error_jump(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

static void png_warning_ignore(png_structp, png_const_charp) {}

// Copies n bytes at the read cursor; reading past the end is a libpng error.
static void png_read_from_memory(png_structp png, png_bytep out, png_size_t n)
{
    PngRead *r = (PngRead *)png_get_io_ptr(png);
    if (n > r->size - r->pos)
        png_error(png, "truncated");
    std::memcpy(out, r->data + r->pos, n);
    r->pos += n;
}

// Every form becomes 8-bit B, G, R, A; images without alpha get 255.
static void png_set_transforms(png_structp png, png_infop info, int colour_type, int depth)
{
    if (colour_type == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colour_type == PNG_COLOR_TYPE_GRAY && depth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_tRNS_to_alpha(png);
    if (depth == 16)
        png_set_strip_16(png);
    if (colour_type == PNG_COLOR_TYPE_GRAY || colour_type == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    png_set_bgr(png);
    if (!(colour_type & PNG_COLOR_MASK_ALPHA))
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    double file_gamma = 0;
    if (png_get_gAMA(png, info, &file_gamma) && file_gamma > 0)
        png_set_gamma(png, 2.2, file_gamma);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
}

// 0 success; 1 failure (reported unless r->reported says so already).
static int png_decode_rows(png_structp png, png_infop info, PngRead *r)
{
    if (setjmp(png_jmpbuf(png)))
        return 1;
    png_set_read_fn(png, r, png_read_from_memory);
    png_set_user_limits(png, 0x7FFFFFFF, 0x7FFFFFFF);   // the size rule below decides
    png_read_info(png, info);
    png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    int colour_type = png_get_color_type(png, info), depth = png_get_bit_depth(png, info);
    if (!image_size_ok(w, h, r->name)) {
        r->reported = true;
        return 1;
    }
    png_set_transforms(png, info, colour_type, depth);
    if (png_get_rowbytes(png, info) != (size_t)w * 4)
        png_error(png, "unexpected row size");
    r->rows = (png_bytep *)std::malloc(sizeof(png_bytep) * h);
    if (!r->rows || !image_take_buffer(r->layer, (int32_t)w, (int32_t)h, r->name)) {
        if (!r->rows)
            report_script_error(104030, 1, r->name);
        r->reported = true;
        return 1;
    }
    r->have_buffer = true;
    LayerState *s = r->layer;
    s->has_alpha = colour_type == PNG_COLOR_TYPE_GRAY_ALPHA || colour_type == PNG_COLOR_TYPE_RGB_ALPHA;
    for (png_uint_32 y = 0; y < h; y++)
        r->rows[y] = s->pixels + (size_t)w * 4 * y;
    png_read_image(png, r->rows);
    return 0;
}

int decode_png(FileSource *src, LayerState *s, const char *file_name)
{
    if (image_read_whole(src, file_name) != 0)
        return 1;
    PngRead r = {src->data, src->size, 0, file_name, s, nullptr, false, false};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &r, png_error_jump,
                                             png_warning_ignore);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    int result = 1;
    if (!info) {
        report_system_error(100200, 1);
    } else {
        result = png_decode_rows(png, info, &r);
        if (result != 0 && !r.reported)
            report_script_error(104010, 1, file_name);
        if (result != 0 && r.have_buffer)
            image_clear_pixels(s);   // a damaged image shows nothing, not stale rows
    }
    png_destroy_read_struct(png ? &png : nullptr, info ? &info : nullptr, nullptr);
    std::free(r.rows);
    image_free_data(src);
    return result;
}
