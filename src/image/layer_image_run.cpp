// The layer image-operation command after its layers are resolved: the
// rectangle, then the selectors in priority order.
//
// Rules of one selector are tested in this order: the no-rectangle rule,
// the layer count, the limit of value 1, then an inverted rectangle.
#include "core/clamp.h"
#include "core/error_report.h"
#include "core/tree.h"
#include "graphics/layer.h"
#include "image/compose_ops.h"
#include "image/effects.h"
#include "image/layer_image_cmd.h"
#include "image/resample.h"
#include "script/commands.h"
#include "script/project.h"

ImageDrawCharFn g_image_draw_char = nullptr;
ImageFontSlotFn g_image_font_slot_set = nullptr;

struct OpRect {
    int64_t x1, y1, x2, y2;          // pixels
    int64_t r1, s1, r2, s2;          // source rectangle, 1/100 pixel
    int64_t w100, h100;              // output size, 1/100 pixel
};

static const char *arg_name(uint32_t id)
{
    if (g_command_defs && g_command_def_count > 2) {
        const CommandDef &d = g_command_defs[2];
        if (d.arg_names && id < d.arg_count && d.arg_names[id])
            return d.arg_names[id];
    }
    return id == 5 ? "value1" : "";
}

static void report_range(uint32_t id, int64_t value, int64_t lo, int64_t hi)
{
    report_script_error(101000, 1, script_command_name(2), arg_name(id), (int)value, (int)lo,
                        (int)hi);
}

static int64_t clamp64(int64_t v, int64_t lo, int64_t hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

static int64_t arg_or(const ImageOpCall *c, uint32_t id, int64_t dflt)
{
    return c->present[id] ? c->arg[id] : dflt;
}

// v pixels in 1/100 pixel; a script value too large to scale saturates
// (it is out of range either way) instead of overflowing.
static int64_t hundredths(int64_t v)
{
    return clamp64(v, INT64_MIN / 100, INT64_MAX / 100) * 100;
}

// Positions (compose) and margins (canvas) are not clamped; every other
// operation works inside A's image.
static bool clamps_rect(const ImageOpSelector *op)
{
    if (!op)
        return true;
    switch (op->kind) {
    case IOP_BLIT: case IOP_BLIT_DST: case IOP_CROSSFADE: case IOP_CROSSFADE_TABLE:
    case IOP_KEEP_DIFF: case IOP_KEEP_EQUAL: case IOP_CANVAS:
        return false;
    default:
        return true;
    }
}

static OpRect make_rect(const ImageOpCall *c, const LayerState *a, bool clamp)
{
    int64_t w = a->width, h = a->height;
    OpRect r;
    r.x1 = arg_or(c, 8, 0);
    r.y1 = arg_or(c, 9, 0);
    r.x2 = arg_or(c, 10, w - 1);
    r.y2 = arg_or(c, 11, h - 1);
    if (clamp) {
        r.x1 = clamp64(r.x1, 0, w - 1);
        r.x2 = clamp64(r.x2, 0, w - 1);
        r.y1 = clamp64(r.y1, 0, h - 1);
        r.y2 = clamp64(r.y2, 0, h - 1);
    }
    r.r1 = arg_or(c, 14, hundredths(r.x1));
    r.s1 = arg_or(c, 15, hundredths(r.y1));
    r.r2 = arg_or(c, 16, hundredths(r.x2));
    r.s2 = arg_or(c, 17, hundredths(r.y2));
    r.w100 = arg_or(c, 18, hundredths(arg_or(c, 12, 0)));
    r.h100 = arg_or(c, 19, hundredths(arg_or(c, 13, 0)));
    if (clamp) {
        r.r1 = clamp64(r.r1, 0, 100 * w - 100);
        r.r2 = clamp64(r.r2, 0, 100 * w - 100);
        r.s1 = clamp64(r.s1, 0, 100 * h - 100);
        r.s2 = clamp64(r.s2, 0, 100 * h - 100);
    }
    return r;
}

const ImageOpSelector *image_op_deciding(const ImageOpCall *call)
{
    for (const ImageOpSelector &s : g_image_op_selectors)
        if (call->present[s.arg] && s.kind != IOP_FONT && s.kind != IOP_TEXT)
            return &s;
    return nullptr;
}

static bool uses_rect(ImageOpKind k)
{
    return k == IOP_EFFECT || k == IOP_COPY || k == IOP_RESAMPLE;
}

static int check_rules(const ImageOpCall *c, const ImageOpSelector &s, const OpRect &r)
{
    if (s.rect_error && (c->present[8] || c->present[9] || c->present[10] || c->present[11])) {
        report_script_error(s.rect_error, 1);
        return -1;
    }
    if (c->n < s.needs_n) {
        report_script_error(s.need_error, 1);
        return -1;
    }
    if (s.limit && (uint32_t)c->value1 > s.limit) {
        report_range(5, c->value1, 0, s.limit);
        return -1;
    }
    if (!uses_rect(s.kind))
        return 0;
    if (s.kind == IOP_RESAMPLE) {
        if (r.r1 > r.r2 || r.s1 > r.s2) {
            report_range(r.r1 > r.r2 ? 14 : 15, r.r1 > r.r2 ? r.r1 : r.s1, 0,
                         r.r1 > r.r2 ? r.r2 : r.s2);
            return -1;
        }
        int64_t w = r.w100 / 100, h = r.h100 / 100;
        if (w < 1 || w > KV_MAX_IMAGE_SIDE) {
            uint32_t id = c->present[18] ? 18 : 12;
            report_range(id, arg_or(c, id, 0), 1, KV_MAX_IMAGE_SIDE);
            return -1;
        }
        if (h < 1 || h > KV_MAX_IMAGE_SIDE) {
            uint32_t id = c->present[19] ? 19 : 13;
            report_range(id, arg_or(c, id, 0), 1, KV_MAX_IMAGE_SIDE);
            return -1;
        }
    } else if (r.x1 > r.x2 || r.y1 > r.y2) {
        report_range(r.x1 > r.x2 ? 8 : 9, r.x1 > r.x2 ? r.x1 : r.y1, 0,
                     r.x1 > r.x2 ? r.x2 : r.y2);
        return -1;
    }
    return 0;
}

static int result(int r)
{
    return r == 0 ? 0 : -1;
}

static int run_selector(const ImageOpCall *c, const ImageOpSelector &s, const OpRect &r)
{
    if (check_rules(c, s, r) != 0)
        return -1;
    TreeNode *b = c->n ? c->b : nullptr;
    int64_t v = c->arg[s.arg];
    switch (s.kind) {
    case IOP_RESAMPLE: {
        int64_t method = s.code ? s.code + v : 10;
        if (method < 0 || method > 255)
            return 0;   // no such method: nothing runs
        return result(resample_object_image(c->a, b, r.r1, r.s1, r.r2, r.s2, r.w100, r.h100,
                                            c->n, (uint8_t)method));
    }
    case IOP_ROTATE: {
        int64_t kernel = 10 + v;
        if (kernel != KV_ROTATE_FILL && kernel != KV_ROTATE_KEEP)
            return 0;
        return result(rotate_object_image(c->a, b, c->value1, c->n, (uint8_t)kernel));
    }
    case IOP_EFFECT:
    case IOP_COPY:
        return result(apply_effect(s.code, c->a, b, r.x1, r.y1, r.x2, r.y2, (int32_t)c->value1,
                                   c->value2, c->n, s.fill_mode));
    case IOP_BLIT:
        return result(blit_object(c->a, c->b, r.x1, r.y1));
    case IOP_BLIT_DST:
        return result(blit_object_dst_opacity(c->a, c->b, r.x1, r.y1));
    case IOP_CROSSFADE:
        return result(crossfade_objects(c->a, c->b, c->c, r.x1, r.y1, c->value1));
    case IOP_CROSSFADE_TABLE:
        return result(crossfade_objects_table(c->a, c->b, c->c, c->d, r.x1, r.y1, c->value1,
                                              c->value2));
    case IOP_KEEP_DIFF:
        return result(keep_differing_pixels(c->a, c->b, r.x1, r.y1, (uint8_t)c->value1));
    case IOP_KEEP_EQUAL:
        return result(keep_equal_pixels(c->a, c->b, r.x1, r.y1, (uint8_t)c->value1));
    case IOP_TRIM:
        return result(trim_transparent_edges(c->a, b, c->n, (uint8_t)c->value1));
    case IOP_CANVAS:
        return result(resize_layer_canvas(c->a, b, c->n, arg_or(c, 8, 0), arg_or(c, 10, 0),
                                          arg_or(c, 9, 0), arg_or(c, 11, 0)));
    case IOP_SWAP:
        return swap_layers(c->a, c->b, s.code);
    case IOP_PASTE:
        paste_sprite(c->a, c->b);
        return 0;
    default:
        return 0;
    }
}

// A lead byte with the terminator right behind it is half a character: the
// line stops there, so the walk never steps past the terminator.
static void draw_text(const ImageOpCall *c, const OpRect &r)
{
    int32_t edge = clamp_int32(c->value1);
    int64_t x = r.x1;
    for (const char *p = c->text; *p;) {
        bool lead = sjis_is_lead((unsigned char)*p);
        if (lead && !p[1])
            break;
        int bytes = lead ? 2 : 1;
        if (g_image_draw_char)
            x += g_image_draw_char(c->a, p, bytes, x, r.y1, edge);
        p += bytes;
    }
}

int run_image_op(const ImageOpCall *c)
{
    const LayerState *a = c->a ? (const LayerState *)c->a->payload : nullptr;
    if (!a)
        return 0;
    OpRect r = make_rect(c, a, clamps_rect(image_op_deciding(c)));
    for (const ImageOpSelector &s : g_image_op_selectors) {
        if (!c->present[s.arg])
            continue;
        if (s.kind == IOP_FONT) {
            if (g_image_font_slot_set)
                g_image_font_slot_set(c->arg[s.arg]);
            continue;
        }
        if (s.kind == IOP_TEXT) {
            if (!c->text)
                return -1;
            draw_text(c, r);
            continue;
        }
        return run_selector(c, s, r);
    }
    if (g_image_font_slot_set)
        g_image_font_slot_set(0);
    return 0;
}
