// The decoder table, the steps every decoder shares, and the refusal of
// Photoshop files.
#include "image/image_decoders.h"

#include <cstdlib>

#include "core/error_report.h"
#include "core/locate.h"
#include "graphics/layer.h"
#include "image/image_decode_util.h"

void register_image_decoders()
{
    g_image_decoders[KV_FMT_BMP] = decode_bmp;
    g_image_decoders[KV_FMT_PNG] = decode_png;
    g_image_decoders[KV_FMT_JPG] = decode_jpeg;
    g_image_decoders[KV_FMT_GIF] = decode_gif;
    g_image_decoders[KV_FMT_PSD] = reject_psd;
    g_image_decoders[KV_FMT_KCG] = decode_kcg;
}

int image_read_whole(FileSource *src, const char *file_name)
{
    int r = load_resource(src, file_name);
    if (r != 0) {
        image_free_data(src);
        return r;
    }
    return src->data ? 0 : -3;
}

void image_free_data(FileSource *src)
{
    std::free(src->data);
    src->data = nullptr;
    src->size = 0;
}

bool image_size_ok(int64_t w, int64_t h, const char *file_name)
{
    if (w >= 1 && w <= KV_MAX_IMAGE_SIDE && h >= 1 && h <= KV_MAX_IMAGE_SIDE)
        return true;
    report_script_error(100091, 1, file_name);
    return false;
}

bool image_take_buffer(LayerState *s, int32_t w, int32_t h, const char *file_name)
{
    uint8_t *p = alloc_pixels(s->pixels, w, h, file_name);
    if (!p)
        return false;
    s->pixels = p;
    s->width = w;
    s->height = h;
    return true;
}

void image_clear_pixels(LayerState *s)
{
    std::memset(s->pixels, 0, (size_t)s->width * 4 * (size_t)s->height);
}

// A Photoshop file is never decoded.
int reject_psd(FileSource *src, LayerState *, const char *file_name)
{
    if (image_read_whole(src, file_name) != 0)
        return -1;
    image_free_data(src);
    report_script_error(100220, 1, file_name);
    return -1;
}
