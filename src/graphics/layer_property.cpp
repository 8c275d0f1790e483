// The property command (command 4): one property of a layer, chosen by the
// first present id in a fixed order, stored into the target element (id 20).
// Pixel properties read -1 where there is no pixel to read.
#include "core/byte_order.h"
#include "core/error_report.h"
#include "core/tree.h"
#include "core/window.h"
#include "graphics/layer.h"
#include "script/args.h"
#include "script/vars.h"

enum { CMD_PROPERTY = 4, ID_TARGET = 20, ID_X = 21, ID_Y = 22 };

static const uint8_t k_property_order[] = {1, 2, 3, 8, 9, 10, 4, 5, 6, 11, 12, 13,
                                           14, 15, 16, 17, 18, 19};

struct Target {
    bool present;
    uint32_t var;
    int64_t element;
};

static Target target_of()
{
    Target t{};
    uint32_t p = arg_pos(ID_TARGET);
    if (p) {
        t.present = true;
        t.var = g_arg_slots.var_id[p];
        t.element = g_arg_slots.var_elem[p];
    }
    return t;
}

// A missing layer: the zero of the target's own type; nothing for a target
// of another kind.
static void store_zero(const Target &t)
{
    VarDescriptor *v = t.present ? var_descriptor(t.var) : nullptr;
    if (!v || t.element < 0 || t.element >= v->count)
        return;
    if (v->type == VAR_TYPE_INT)
        var_set_number(t.var, t.element, 0);
    else if (v->type == VAR_TYPE_FLOAT)
        var_set_float(t.var, t.element, 0.0);
    else if (v->type == VAR_TYPE_STRING)
        store_string_element(t.var, t.element, "");
}

static uint32_t pixel_at(const LayerState *s, int64_t x, int64_t y)
{
    return get_le32(s->pixels + ((size_t)y * (size_t)s->width + (size_t)x) * 4);
}

static bool inside_image(const LayerState *s, int64_t x, int64_t y)
{
    return s->pixels && x >= 0 && y >= 0 && x < s->width && y < s->height;
}

// Ids 14-16: the pixel under a point of a window, or -1.
static int64_t window_pixel(const TreeNode *node, const LayerState *s, uint32_t id)
{
    int64_t n = arg_int(id);
    n = n < 0 ? 0 : n > KV_WINDOW_COUNT - 1 ? KV_WINDOW_COUNT - 1 : n;
    const WindowObject *w = g_windows[n];
    if (!w)
        return -1;
    int64_t px = arg_present(ID_X) ? arg_int(ID_X) : w->mouse_x;
    int64_t py = arg_present(ID_Y) ? arg_int(ID_Y) : w->mouse_y;
    if (px < 0 || py < 0 || px >= w->game_width || py >= w->game_height)
        return -1;
    int64_t ox = 0, oy = 0;
    for (const TreeNode *a = node; a && a->name; a = a->parent) {
        const LayerState *as = (const LayerState *)a->payload;
        if (as) {
            ox += as->x;
            oy += as->y;
        }
    }
    if (!inside_image(s, px - ox, py - oy))
        return -1;
    uint32_t pixel = pixel_at(s, px - ox, py - oy);
    if (id == 14)
        return pixel & 0xFFFFFF;
    if (id == 15)
        return pixel >> 24;
    return (int32_t)pixel;
}

bool layer_opaque_box(const LayerState *s, int32_t *left, int32_t *top, int32_t *right,
                      int32_t *bottom)
{
    *left = s->width;
    *top = s->height;
    *right = -1;
    *bottom = -1;
    for (int32_t y = 0; y < s->height; y++) {
        const uint8_t *row = s->pixels + (size_t)y * (size_t)s->width * 4;
        for (int32_t x = 0; x < s->width; x++) {
            if (row[x * 4 + 3] == 0)
                continue;
            *left = x < *left ? x : *left;
            *right = x > *right ? x : *right;
            *top = y < *top ? y : *top;
            *bottom = y;
        }
    }
    return *right >= 0;
}

// Id 18: an edge of the box around the pixels whose alpha is not 0.
static int64_t opaque_bounds(const LayerState *s, int64_t selector)
{
    if (selector < 1 || selector > 4)
        return 0;
    if (!s->pixels)
        return -1;
    int32_t left, top, right, bottom;
    if (!layer_opaque_box(s, &left, &top, &right, &bottom))
        return -1;
    return selector == 1 ? top : selector == 2 ? bottom : selector == 3 ? left : right;
}

// The value of property id; false after a fatal report.
static bool property_value(const TreeNode *node, const LayerState *s, uint32_t id, int64_t *out)
{
    switch (id) {
    case 1: *out = 1; break;
    case 2: *out = s->visible; break;
    case 3: *out = s->opacity; break;
    case 8: *out = s->rule_progress; break;
    case 10: *out = s->rule_softness; break;
    case 4: *out = s->x; break;
    case 5: *out = s->y; break;
    case 6: *out = node->order_key; break;
    case 11: *out = s->blend_mode; break;
    case 12: *out = s->width; break;
    case 13: *out = s->height; break;
    case 14: case 15: case 16: *out = window_pixel(node, s, id); break;
    case 17:
        if (!arg_present(ID_X) || !arg_present(ID_Y)) {
            report_script_error(101295, 1);
            return false;
        }
        *out = inside_image(s, arg_int(ID_X), arg_int(ID_Y))
                   ? (int64_t)(pixel_at(s, arg_int(ID_X), arg_int(ID_Y)) & 0xFFFFFF) : -1;
        break;
    case 18: *out = opaque_bounds(s, arg_int(ID_X)); break;
    default: *out = s->user_value; break;   // 19
    }
    return true;
}

int run_get_object_property()
{
    char path[KV_PATH_MAX];
    int group = normalize_script_path(path, arg_str(0), g_tree_path_roots[KV_TREE_LAYER], 0);
    if (group < 0)
        return -1;
    TreeNode *node = name_tree_lookup(g_layer_tree, path, group ? KV_FIND_FOLDER : KV_FIND_LEAF);
    const LayerState *s = node ? (const LayerState *)node->payload : nullptr;
    Target t = target_of();
    if (!s) {
        store_zero(t);
        return 0;
    }
    uint32_t id = 0;
    for (uint8_t p : k_property_order) {
        if (arg_present(p)) {
            id = p;
            break;
        }
    }
    if (id == 9) {
        if (t.present)
            store_string_element(t.var, t.element, s->rule_mask_name ? s->rule_mask_name : "");
        return 0;
    }
    int64_t value = 0;
    if (id && !property_value(node, s, id, &value))
        return -1;
    if (t.present)
        var_set_number(t.var, t.element, value);
    return 0;
}

int cmd_get_object_property(void)
{
    if (load_command_args(CMD_PROPERTY) & 0xff)
        return -1;
    return run_get_object_property();
}
