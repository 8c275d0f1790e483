// Layer records: the constructor with its defaults, the one pixel-buffer
// allocator every layer path uses, and the stored block written and read
// field by field at fixed offsets (never copied from memory).
#include <cstdlib>
#include <cstring>

#include "graphics/layer.h"
#include "core/error_report.h"
#include "graphics/compose.h"

uint32_t g_colour_key = 0x00808080u;
ImageDecoderFn g_image_decoders[KV_IMAGE_FORMAT_SLOTS];
uint64_t g_layer_change_clock;

static char *new_name_buffer()
{
    return (char *)calloc(1, KV_LAYER_NAME_SIZE);
}

LayerState *layer_state_new()
{
    LayerState *s = (LayerState *)calloc(1, sizeof(LayerState));
    if (!s)
        return nullptr;
    s->rule_mask_name = new_name_buffer();
    s->second_name = new_name_buffer();
    if (!s->rule_mask_name || !s->second_name) {
        free(s->rule_mask_name);
        free(s->second_name);
        free(s);
        return nullptr;
    }
    s->ref_count = 1;
    s->width = 1;
    s->height = 1;
    s->opacity = 256;
    s->rule_progress = 256;
    s->visible = 1;
    s->stored_h = 128;
    s->stored_colour = 0x808080;
    layer_note_change(s);
    return s;
}

void layer_state_release_buffers(LayerState *s)
{
    if (!s)
        return;
    forget_below_cache(s);
    free(s->pixels);
    s->pixels = nullptr;
    free(s->rule_mask_name);
    s->rule_mask_name = nullptr;
    free(s->second_name);
    s->second_name = nullptr;
    if (s->gif_frames) {
        for (int i = 0; i < KV_GIF_FRAME_SLOTS; i++)
            free(s->gif_frames[i]);
        free(s->gif_frames);
        s->gif_frames = nullptr;
    }
    // GPU tile textures are released by the presenter that made them.
}

uint8_t *alloc_pixels(uint8_t *old, int32_t w, int32_t h, const char *file_name)
{
    if (w > KV_MAX_IMAGE_SIDE) {
        message_box_printf("", "ＣＧサイズが大きすぎます。X=%d, Y=%d", w, h);
        report_system_error(100010, 1);
        return nullptr;
    }
    uint8_t *p = nullptr;
    if (w >= 1 && h >= 1 && h <= KV_MAX_IMAGE_SIDE)
        p = (uint8_t *)realloc(old, layer_buffer_bytes(w, h));
    if (!p) {
        if (file_name)
            report_system_error(104030, 1, file_name);
        else
            report_system_error(100010, 1);
        return nullptr;
    }
    // The spare row and bytes past the image are read by kernels and scalers.
    size_t image = (size_t)w * 4 * (size_t)h;
    memset(p + image, 0, (size_t)w * 4 + 4);
    return p;
}

// --- the stored block -----------------------------------------------------------

static void put8(uint8_t *b, int off, uint64_t v, int n)
{
    for (int i = 0; i < n; i++)
        b[off + i] = (uint8_t)(v >> (8 * i));
}
static uint64_t get8(const uint8_t *b, int off, int n)
{
    uint64_t v = 0;
    for (int i = 0; i < n; i++)
        v |= (uint64_t)b[off + i] << (8 * i);
    return v;
}
static uint32_t float_bits(float f)
{
    uint32_t u;
    memcpy(&u, &f, 4);
    return u;
}
static float bits_float(uint32_t u)
{
    float f;
    memcpy(&f, &u, 4);
    return f;
}

static void store_rect(uint8_t *b, int off, const LayerRect &r)
{
    put8(b, off, (uint64_t)r.left, 8);
    put8(b, off + 8, (uint64_t)r.top, 8);
    put8(b, off + 16, (uint64_t)r.right, 8);
    put8(b, off + 24, (uint64_t)r.bottom, 8);
}
static void read_rect(const uint8_t *b, int off, LayerRect *r)
{
    r->left = (int64_t)get8(b, off, 8);
    r->top = (int64_t)get8(b, off + 8, 8);
    r->right = (int64_t)get8(b, off + 16, 8);
    r->bottom = (int64_t)get8(b, off + 24, 8);
}

void layer_state_store(const LayerState *s, uint8_t out[KV_LAYER_BLOCK_SIZE])
{
    memset(out, 0, KV_LAYER_BLOCK_SIZE);   // reserved bytes and reference slots
    put8(out, 0, s->window_root, 1);
    put8(out, 1, s->message_window, 1);
    put8(out, 4, s->mark_count, 4);
    store_rect(out, 8, s->acc);
    store_rect(out, 40, s->dirty);
    put8(out, 72, s->dirty_flag, 1);
    put8(out, 73, s->whole_image, 1);
    put8(out, 74, s->needs_redraw, 1);
    put8(out, 75, s->composed, 1);
    put8(out, 80, s->ref_count, 8);
    put8(out, 88, (uint64_t)s->user_value, 8);
    put8(out, 96, (uint64_t)s->x, 8);
    put8(out, 104, (uint64_t)s->y, 8);
    put8(out, 112, (uint32_t)s->width, 4);
    put8(out, 116, (uint32_t)s->height, 4);
    put8(out, 120, (uint16_t)s->opacity, 2);
    put8(out, 122, (uint16_t)s->rule_progress, 2);
    put8(out, 124, (uint16_t)s->rule_softness, 2);
    put8(out, 126, s->has_alpha, 1);
    put8(out, 127, (uint8_t)s->blend_mode, 1);
    put8(out, 129, s->visible, 1);
    put8(out, 130, s->pending_visible, 1);
    put8(out, 131, s->pending_visible_flag, 1);
    put8(out, 132, (uint16_t)s->pending_opacity, 2);
    put8(out, 134, s->pending_opacity_flag, 1);
    put8(out, 153, s->resample_flag, 1);
    put8(out, 161, s->tile_reduce, 1);
    put8(out, 162, s->tiles_across, 1);
    put8(out, 163, s->tiles_down, 1);
    put8(out, 164, (uint32_t)s->tile_max_width, 4);
    put8(out, 168, (uint32_t)s->tile_max_height, 4);
    for (int i = 0; i < 32; i++) {
        put8(out, 172 + 4 * i, (uint32_t)s->tile_widths[i], 4);
        put8(out, 300 + 4 * i, (uint32_t)s->tile_heights[i], 4);
    }
    put8(out, 432, (uint64_t)s->stored_a, 8);
    put8(out, 440, (uint64_t)s->stored_b, 8);
    put8(out, 448, (uint64_t)s->stored_c, 8);
    put8(out, 456, (uint64_t)s->stored_d, 8);
    put8(out, 464, (uint64_t)s->texture_value1, 8);
    put8(out, 472, (uint64_t)s->texture_value2, 8);
    put8(out, 480, float_bits(s->stored_e), 4);
    put8(out, 484, float_bits(s->stored_f), 4);
    put8(out, 488, float_bits(s->stored_g), 4);
    put8(out, 492, s->stored_h, 4);
    put8(out, 496, s->stored_colour, 4);
    put8(out, 500, s->stored_byte, 1);
    put8(out, 508, (uint16_t)s->stored_i, 2);
}

void layer_state_read(LayerState *s, const uint8_t in[KV_LAYER_BLOCK_SIZE])
{
    // The owner count and the window-root and message-window flags describe
    // who points at this record now; a stored block must not change them.
    layer_note_change(s);
    s->mark_count = (uint32_t)get8(in, 4, 4);
    read_rect(in, 8, &s->acc);
    read_rect(in, 40, &s->dirty);
    s->dirty_flag = (uint8_t)get8(in, 72, 1);
    s->whole_image = (uint8_t)get8(in, 73, 1);
    s->needs_redraw = (uint8_t)get8(in, 74, 1);
    s->composed = (uint8_t)get8(in, 75, 1);
    s->user_value = (int64_t)get8(in, 88, 8);
    s->x = (int64_t)get8(in, 96, 8);
    s->y = (int64_t)get8(in, 104, 8);
    s->width = (int32_t)get8(in, 112, 4);
    s->height = (int32_t)get8(in, 116, 4);
    s->opacity = (int16_t)get8(in, 120, 2);
    s->rule_progress = (int16_t)get8(in, 122, 2);
    s->rule_softness = (int16_t)get8(in, 124, 2);
    s->has_alpha = (uint8_t)get8(in, 126, 1);
    s->blend_mode = (int8_t)get8(in, 127, 1);
    s->visible = (uint8_t)get8(in, 129, 1);
    s->pending_visible = (uint8_t)get8(in, 130, 1);
    s->pending_visible_flag = (uint8_t)get8(in, 131, 1);
    s->pending_opacity = (int16_t)get8(in, 132, 2);
    s->pending_opacity_flag = (uint8_t)get8(in, 134, 1);
    s->resample_flag = (uint8_t)get8(in, 153, 1);
    s->tile_reduce = (uint8_t)get8(in, 161, 1);
    s->tiles_across = (uint8_t)get8(in, 162, 1);
    s->tiles_down = (uint8_t)get8(in, 163, 1);
    s->tile_max_width = (int32_t)get8(in, 164, 4);
    s->tile_max_height = (int32_t)get8(in, 168, 4);
    for (int i = 0; i < 32; i++) {
        s->tile_widths[i] = (int32_t)get8(in, 172 + 4 * i, 4);
        s->tile_heights[i] = (int32_t)get8(in, 300 + 4 * i, 4);
    }
    s->stored_a = (int64_t)get8(in, 432, 8);
    s->stored_b = (int64_t)get8(in, 440, 8);
    s->stored_c = (int64_t)get8(in, 448, 8);
    s->stored_d = (int64_t)get8(in, 456, 8);
    s->texture_value1 = (int64_t)get8(in, 464, 8);
    s->texture_value2 = (int64_t)get8(in, 472, 8);
    s->stored_e = bits_float((uint32_t)get8(in, 480, 4));
    s->stored_f = bits_float((uint32_t)get8(in, 484, 4));
    s->stored_g = bits_float((uint32_t)get8(in, 488, 4));
    s->stored_h = (uint32_t)get8(in, 492, 4);
    s->stored_colour = (uint32_t)get8(in, 496, 4);
    s->stored_byte = (uint8_t)get8(in, 500, 1);
    s->stored_i = (int16_t)get8(in, 508, 2);
}
