// JPEG decoder through libjpeg (the 6b interface): baseline and progressive,
// grey, YCbCr, RGB and CMYK files, decoded from memory into B, G, R, A rows.
// With libjpeg-turbo's extended colour spaces the library writes the layer's
// rows directly; otherwise one sample row is converted at a time. The same
// core decodes the frames of JPEG frame containers and their alpha planes.
//
// libjpeg reports errors by calling its error exit, which jumps back into
// jpeg_decode_rows: that routine and the callbacks hold no objects with
// destructors, and all state lives in a JpegRead record in the caller's frame.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

#include "core/error_report.h"
#include "core/locate.h"
#include "graphics/layer.h"
#include "image/image_decode_util.h"
#include "image/image_decoders.h"
#include "image/jpeg_core.h"

enum {
    JPEG_MAX_SCANS = 1000,   // bounds the work of a hostile progressive file
    JPEG_ROWS_AT_ONCE = 8
};

struct JpegSource {
    jpeg_source_mgr pub;     // first: libjpeg sees only this part
    const uint8_t *data;
    size_t size;
    bool handed;             // the whole file has been handed over once
};

struct JpegRead {
    jpeg_error_mgr err;      // first: the error exit finds the record from it
    jmp_buf jump;
    jpeg_progress_mgr progress;
    JpegSource src;
    jpeg_decompress_struct cinfo;
    const char *name;
    LayerState *layer;
    uint8_t *samples;        // one sample row when the library cannot write BGRA
    int mode;                // JPEG_DECODE_*
    bool created;
    bool have_buffer;
};

static void jpeg_error_exit(j_common_ptr cinfo)
{
    JpegRead *r = (JpegRead *)cinfo->err;
    longjmp(r->jump, 1);
}

static void jpeg_message_ignore(j_common_ptr) {}

// A hostile progressive file can hold thousands of scans over a large image.
static void jpeg_scan_limit(j_common_ptr cinfo)
{
    if (((j_decompress_ptr)cinfo)->input_scan_number > JPEG_MAX_SCANS)
        jpeg_error_exit(cinfo);
}

static void jpeg_mem_init_source(j_decompress_ptr) {}
static void jpeg_mem_term_source(j_decompress_ptr) {}

// The whole file on the first request; a second request means the data ran
// out before the image ended, which is an error (not a fabricated end).
static boolean jpeg_mem_fill_input_buffer(j_decompress_ptr cinfo)
{
    JpegSource *s = (JpegSource *)cinfo->src;
    if (s->handed || s->size == 0)
        jpeg_error_exit((j_common_ptr)cinfo);
    s->pub.next_input_byte = s->data;
    s->pub.bytes_in_buffer = s->size;
    s->handed = true;
    return TRUE;
}

static void jpeg_mem_skip_input_data(j_decompress_ptr cinfo, long n)
{
    jpeg_source_mgr *s = cinfo->src;
    if (n <= 0)
        return;
    while ((size_t)n > s->bytes_in_buffer) {
        n -= (long)s->bytes_in_buffer;
        s->bytes_in_buffer = 0;
        jpeg_mem_fill_input_buffer(cinfo);
    }
    s->next_input_byte += n;
    s->bytes_in_buffer -= (size_t)n;
}

static void jpeg_setup_source(JpegRead *r, const uint8_t *data, size_t size)
{
    JpegSource &s = r->src;
    s.data = data;
    s.size = size;
    s.handed = false;
    s.pub.init_source = jpeg_mem_init_source;
    s.pub.fill_input_buffer = jpeg_mem_fill_input_buffer;
    s.pub.skip_input_data = jpeg_mem_skip_input_data;
    s.pub.resync_to_restart = jpeg_resync_to_restart;
    s.pub.term_source = jpeg_mem_term_source;
    s.pub.bytes_in_buffer = 0;
    s.pub.next_input_byte = nullptr;
    r->cinfo.src = &s.pub;
}

// CMYK as Adobe writes it is stored inverted (255 = no ink).
static void jpeg_cmyk_row(uint8_t *d, const uint8_t *s, uint32_t w, bool inverted)
{
    for (uint32_t x = 0; x < w; x++, s += 4, d += 4) {
        unsigned c = s[0], m = s[1], y = s[2], k = s[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        d[0] = (uint8_t)((y * k + 127) / 255);
        d[1] = (uint8_t)((m * k + 127) / 255);
        d[2] = (uint8_t)((c * k + 127) / 255);
        d[3] = 255;
    }
}

static void jpeg_rgb_row(uint8_t *d, const uint8_t *s, uint32_t w, int comps)
{
    for (uint32_t x = 0; x < w; x++, s += comps, d += 4) {
        d[0] = s[comps == 3 ? 2 : 0];
        d[1] = s[comps == 3 ? 1 : 0];
        d[2] = s[0];
        d[3] = 255;
    }
}

// Chooses the output colour space; false for a colour space that is refused.
static bool jpeg_choose_output(j_decompress_ptr c, bool *direct)
{
    *direct = false;
    switch (c->jpeg_color_space) {
    case JCS_CMYK:
    case JCS_YCCK:
        c->out_color_space = JCS_CMYK;
        return true;
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
#ifdef JCS_EXTENSIONS
        c->out_color_space = JCS_EXT_BGRA;
        *direct = true;
#else
        c->out_color_space = c->jpeg_color_space == JCS_GRAYSCALE ? JCS_GRAYSCALE : JCS_RGB;
#endif
        return true;
    default:
        return false;
    }
}

// Rows straight into the layer: the library writes B, G, R, 255.
static void jpeg_read_direct(j_decompress_ptr c, uint8_t *pixels)
{
    size_t pitch = (size_t)c->output_width * 4;
    while (c->output_scanline < c->output_height) {
        JSAMPROW rows[JPEG_ROWS_AT_ONCE];
        JDIMENSION n = c->output_height - c->output_scanline;
        if (n > JPEG_ROWS_AT_ONCE)
            n = JPEG_ROWS_AT_ONCE;
        for (JDIMENSION k = 0; k < n; k++)
            rows[k] = pixels + pitch * (c->output_scanline + k);
        if (jpeg_read_scanlines(c, rows, n) == 0)
            jpeg_error_exit((j_common_ptr)c);
    }
}

static void jpeg_read_converted(j_decompress_ptr c, uint8_t *pixels, uint8_t *samples)
{
    size_t pitch = (size_t)c->output_width * 4;
    bool inverted = c->saw_Adobe_marker;
    while (c->output_scanline < c->output_height) {
        uint8_t *d = pixels + pitch * c->output_scanline;
        JSAMPROW row = samples;
        if (jpeg_read_scanlines(c, &row, 1) != 1)
            jpeg_error_exit((j_common_ptr)c);
        if (c->out_color_space == JCS_CMYK)
            jpeg_cmyk_row(d, samples, c->output_width, inverted);
        else
            jpeg_rgb_row(d, samples, c->output_width, c->output_components);
    }
}

// A frame keeps a buffer of the right size; a frame of another size gets a
// new one (a width above 8192 shows the size box; every refusal is 100010).
static bool jpeg_take_buffer(JpegRead *r, JDIMENSION w, JDIMENSION h)
{
    LayerState *s = r->layer;
    if (r->mode == JPEG_DECODE_IMAGE)
        return image_take_buffer(s, (int32_t)w, (int32_t)h, r->name);
    if (s->pixels && (JDIMENSION)s->width == w && (JDIMENSION)s->height == h)
        return true;
    if (w <= KV_MAX_IMAGE_SIDE && (h < 1 || h > KV_MAX_IMAGE_SIDE)) {
        report_system_error(100010, 1);
        return false;
    }
    uint8_t *p = alloc_pixels(s->pixels, (int32_t)(w > 65535 ? 65535 : w), (int32_t)h, r->name);
    if (!p)
        return false;
    s->pixels = p;
    s->width = (int32_t)w;
    s->height = (int32_t)h;
    return true;
}

// 0 success, -2 library error or refused colour space, -3 size or memory.
static int jpeg_decode_rows(JpegRead *r)
{
    j_decompress_ptr c = &r->cinfo;
    if (setjmp(r->jump))
        return -2;
    r->created = true;   // destroying a half-made decompressor is safe
    jpeg_create_decompress(c);
    c->progress = &r->progress;
    jpeg_setup_source(r, r->src.data, r->src.size);
    jpeg_read_header(c, TRUE);
    if (r->mode == JPEG_DECODE_IMAGE && !image_size_ok(c->image_width, c->image_height, r->name))
        return -3;
    bool direct;
    if (!jpeg_choose_output(c, &direct))
        return -2;
    jpeg_start_decompress(c);
    if (c->output_width != c->image_width || c->output_height != c->image_height)
        return -2;
    if (!direct) {
        r->samples = (uint8_t *)std::malloc((size_t)c->output_width * c->output_components + 16);
        if (!r->samples) {
            report_script_error(104030, 1, r->name);
            return -3;
        }
    }
    if (!jpeg_take_buffer(r, c->output_width, c->output_height))
        return -3;
    r->have_buffer = true;
    if (direct)
        jpeg_read_direct(c, r->layer->pixels);
    else
        jpeg_read_converted(c, r->layer->pixels, r->samples);
    jpeg_finish_decompress(c);
    return 0;
}

static void jpeg_read_init(JpegRead *r, const uint8_t *data, size_t size, LayerState *s,
                           const char *name, int mode)
{
    r->cinfo.err = jpeg_std_error(&r->err);
    r->err.error_exit = jpeg_error_exit;
    r->err.output_message = jpeg_message_ignore;
    r->progress.progress_monitor = jpeg_scan_limit;
    r->src.data = data;
    r->src.size = size;
    r->name = name;
    r->layer = s;
    r->mode = mode;
}

int jpeg_decode_memory(const uint8_t *data, size_t size, LayerState *s, const char *name, int mode)
{
    JpegRead *r = (JpegRead *)std::calloc(1, sizeof(JpegRead));
    if (!r) {
        report_script_error(104030, 1, name);
        return -3;
    }
    jpeg_read_init(r, data, size, s, name, mode);
    int result = jpeg_decode_rows(r);
    if (result != 0 && r->have_buffer && mode == JPEG_DECODE_IMAGE)
        image_clear_pixels(s);   // a damaged image shows nothing, not stale rows
    if (r->created)
        jpeg_destroy_decompress(&r->cinfo);
    std::free(r->samples);
    std::free(r);
    return result;
}

// Grey rows into the alpha bytes, clipped to the layer on both axes.
static int jpeg_alpha_rows(JpegRead *r)
{
    j_decompress_ptr c = &r->cinfo;
    if (setjmp(r->jump))
        return -2;
    r->created = true;
    jpeg_create_decompress(c);
    c->progress = &r->progress;
    jpeg_setup_source(r, r->src.data, r->src.size);
    jpeg_read_header(c, TRUE);
    if (c->num_components != 1)
        return 0;
    c->out_color_space = JCS_GRAYSCALE;
    jpeg_start_decompress(c);
    r->samples = (uint8_t *)std::malloc((size_t)c->output_width + 16);
    if (!r->samples)
        return -2;
    LayerState *s = r->layer;
    size_t pitch = (size_t)s->width * 4;
    JDIMENSION cols = c->output_width < (JDIMENSION)s->width ? c->output_width : (JDIMENSION)s->width;
    while (c->output_scanline < c->output_height) {
        JDIMENSION y = c->output_scanline;
        JSAMPROW row = r->samples;
        if (jpeg_read_scanlines(c, &row, 1) != 1)
            jpeg_error_exit((j_common_ptr)c);
        if (y >= (JDIMENSION)s->height)
            continue;
        uint8_t *d = s->pixels + pitch * y + 3;
        for (JDIMENSION x = 0; x < cols; x++)
            d[x * 4] = r->samples[x];
    }
    jpeg_finish_decompress(c);
    return 0;
}

int jpeg_decode_grey_alpha(const uint8_t *data, size_t size, LayerState *s)
{
    if (!s->pixels)
        return -1;
    JpegRead *r = (JpegRead *)std::calloc(1, sizeof(JpegRead));
    if (!r)
        return -2;
    jpeg_read_init(r, data, size, s, "", JPEG_DECODE_FRAME);
    int result = jpeg_alpha_rows(r);
    if (r->created)
        jpeg_destroy_decompress(&r->cinfo);
    std::free(r->samples);
    std::free(r);
    return result;
}

int decode_jpeg(FileSource *src, LayerState *s, const char *file_name)
{
    if (image_read_whole(src, file_name) != 0)
        return -1;
    int result = jpeg_decode_memory(src->data, src->size, s, file_name, JPEG_DECODE_IMAGE);
    image_free_data(src);
    return result;
}
