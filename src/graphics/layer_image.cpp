// Loading an image file into a layer record: the locator finds the file, the
// decoder of its format code (g_image_decoders, filled by the image
// subsystem) fills the record, and the colour key is applied.
#include <cstring>

#include "core/error_report.h"
#include "core/frame_state.h"
#include "core/locate.h"
#include "core/tree.h"
#include "graphics/layer.h"
#include "platform/sys.h"
#include "script/project.h"

const char *layer_command_name(int command)
{
    if (command < 0 || !g_command_defs || (uint32_t)command >= g_command_def_count)
        return "";
    const char *name = g_command_defs[command].name;
    return name ? name : "";
}

const char *layer_arg_name(int command, uint32_t id)
{
    if (command < 0 || !g_command_defs || (uint32_t)command >= g_command_def_count)
        return "";
    const CommandDef &d = g_command_defs[command];
    if (id >= d.arg_count || !d.arg_names || !d.arg_names[id])
        return "";
    return d.arg_names[id];
}

void apply_colour_key(LayerState *s)
{
    if (!s->pixels || s->width < 1 || s->height < 1)
        return;
    size_t n = (size_t)s->width * (size_t)s->height;
    uint8_t *p = s->pixels;
    for (size_t i = 0; i < n; i++, p += 4) {
        if (p[3] == 0) {
            uint32_t k = g_colour_key;
            p[0] = (uint8_t)k;
            p[1] = (uint8_t)(k >> 8);
            p[2] = (uint8_t)(k >> 16);
            p[3] = (uint8_t)(k >> 24);
        }
    }
}

void mark_image_loaded_time()
{
    g_image_load_time = sys_milliseconds();
}

// One transparent pixel (the colour key then makes it grey).
static int make_single_pixel(LayerState *s)
{
    uint8_t *p = alloc_pixels(s->pixels, 1, 1, nullptr);
    if (!p)
        return -1;
    s->pixels = p;
    s->width = 1;
    s->height = 1;
    std::memset(p, 0, 4);
    return 0;
}

static int decode_located(LayerState *s, FileSource *src, char *found, const char *name)
{
    uint8_t format = src->format;
    bool known = format == KV_FMT_BMP || format == KV_FMT_PNG || format == KV_FMT_JPG ||
                 format == KV_FMT_GIF || format == KV_FMT_PSD || format == KV_FMT_KCG;
    ImageDecoderFn decode = known ? g_image_decoders[format] : nullptr;
    if (!decode) {
        report_script_error(100030, 1, layer_command_name(1), name);
        return -1;
    }
    if (decode(src, s, found) == 0)
        return 0;
    if (format == KV_FMT_JPG)
        report_script_error(100210, 1, name);
    else if (format == KV_FMT_GIF)
        report_script_error(100215, 1, name);
    return -1;
}

int load_image_file(LayerState *s, const char *file_name)
{
    s->has_alpha = 0;
    // The locator rewrites the name in place.
    if (!file_name)
        file_name = "";
    char name[KV_PATH_MAX];
    sjis_copy_bounded(name, sizeof name, file_name);
    int r = 1;
    FileSource src{};
    char found[KV_PATH_MAX];
    if (name[0])
        r = find_media_file(&src, found, name, 0);
    if (r < 0)
        return -1;
    if (r == 1 ? make_single_pixel(s) != 0 : decode_located(s, &src, found, file_name) != 0)
        return -1;
    apply_colour_key(s);
    mark_image_loaded_time();
    return 0;
}
