// The JPEG writer: baseline, 3 components, the given quality. libjpeg
// reports errors by jumping back into jpeg_write_rows; that routine holds no
// objects with destructors.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include "graphics/layer.h"
#include "image/image_writers.h"

enum { JPEG_OUT_BUFFER = 16384 };

struct JpegWrite {
    jpeg_error_mgr err;      // first: the error exit finds the record from it
    jmp_buf jump;
    jpeg_destination_mgr dest;
    jpeg_compress_struct cinfo;
    ImageOutFile *out;
    uint8_t *row;            // one RGB row when the library cannot take BGRA
    uint8_t buffer[JPEG_OUT_BUFFER];
};

static void jpeg_write_error_exit(j_common_ptr cinfo)
{
    longjmp(((JpegWrite *)cinfo->err)->jump, 1);
}

static void jpeg_write_message_ignore(j_common_ptr) {}

static JpegWrite *jpeg_write_of(j_compress_ptr c)
{
    return (JpegWrite *)c->err;
}

static void jpeg_dest_init(j_compress_ptr c)
{
    JpegWrite *w = jpeg_write_of(c);
    w->dest.next_output_byte = w->buffer;
    w->dest.free_in_buffer = JPEG_OUT_BUFFER;
}

static boolean jpeg_dest_empty(j_compress_ptr c)
{
    JpegWrite *w = jpeg_write_of(c);
    if (!image_out_write(w->out, w->buffer, JPEG_OUT_BUFFER))
        jpeg_write_error_exit((j_common_ptr)c);
    jpeg_dest_init(c);
    return TRUE;
}

static void jpeg_dest_term(j_compress_ptr c)
{
    JpegWrite *w = jpeg_write_of(c);
    if (!image_out_write(w->out, w->buffer, JPEG_OUT_BUFFER - w->dest.free_in_buffer))
        jpeg_write_error_exit((j_common_ptr)c);
}

static int jpeg_write_rows(JpegWrite *w, LayerState *s, int quality)
{
    j_compress_ptr c = &w->cinfo;
    if (setjmp(w->jump))
        return -2;
    jpeg_create_compress(c);
    w->dest.init_destination = jpeg_dest_init;
    w->dest.empty_output_buffer = jpeg_dest_empty;
    w->dest.term_destination = jpeg_dest_term;
    c->dest = &w->dest;
    c->image_width = (JDIMENSION)s->width;
    c->image_height = (JDIMENSION)s->height;
#ifdef JCS_EXTENSIONS
    c->input_components = 4;
    c->in_color_space = JCS_EXT_BGRA;
#else
    c->input_components = 3;
    c->in_color_space = JCS_RGB;
#endif
    jpeg_set_defaults(c);
    jpeg_set_colorspace(c, JCS_YCbCr);
    jpeg_set_quality(c, quality, TRUE);
    jpeg_start_compress(c, TRUE);
    size_t pitch = (size_t)s->width * 4;
    while (c->next_scanline < c->image_height) {
        uint8_t *p = s->pixels + pitch * c->next_scanline;
#ifndef JCS_EXTENSIONS
        for (int32_t x = 0; x < s->width; x++) {
            w->row[x * 3] = p[x * 4 + 2];
            w->row[x * 3 + 1] = p[x * 4 + 1];
            w->row[x * 3 + 2] = p[x * 4];
        }
        p = w->row;
#endif
        JSAMPROW row = p;
        jpeg_write_scanlines(c, &row, 1);
    }
    jpeg_finish_compress(c);
    return 0;
}

int save_image_jpeg(LayerState *s, const char *path, int quality)
{
    if (!s->pixels || s->width < 1 || s->height < 1)
        return image_out_error();
    quality = quality < 1 ? 1 : quality > 100 ? 100 : quality;
    JpegWrite *w = (JpegWrite *)std::calloc(1, sizeof(JpegWrite));
    uint8_t *row = (uint8_t *)std::malloc((size_t)s->width * 3 + 16);
    ImageOutFile out;
    if (!w || !row || !image_out_open(&out, path)) {
        std::free(w);
        std::free(row);
        return image_out_error();
    }
    w->cinfo.err = jpeg_std_error(&w->err);
    w->err.error_exit = jpeg_write_error_exit;
    w->err.output_message = jpeg_write_message_ignore;
    w->out = &out;
    w->row = row;
    int r = jpeg_write_rows(w, s, quality);
    jpeg_destroy_compress(&w->cinfo);
    std::free(w->row);
    std::free(w);
    return image_out_finish(&out, r);
}
