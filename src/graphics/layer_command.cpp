// The layer command (command 1): one call names one layer by path and applies
// its optional arguments in a fixed order: order key, creation, image, mask,
// rule-mask name, pending visibility and opacity, position, size, and the
// stored values. A change to how an existing layer looks marks it dirty once
// at the end.
#include <cstdlib>
#include <cstring>

#include "core/clamp.h"
#include "core/engine_state.h"
#include "core/error_report.h"
#include "core/quit.h"
#include "core/tree.h"
#include "graphics/kernels.h"
#include "graphics/layer.h"
#include "graphics/layer_command.h"
#include "script/args.h"

enum { CMD_LAYER = 1 };

static uint32_t arg_op(uint32_t id)
{
    uint32_t p = arg_pos(id);
    return p ? g_arg_slots.op[p] : 0;
}

// Width and height arguments: below 1 is refused; beyond the 32-bit range
// they are kept large so that the allocator refuses them.
static int read_size(uint32_t id, int32_t *out)
{
    *out = -1;
    if (!arg_present(id))
        return 0;
    int64_t v = arg_int(id);
    if (v < 1) {
        report_script_error(101000, 1, layer_command_name(CMD_LAYER),
                            layer_arg_name(CMD_LAYER, id), clamp_int32(v), 1,
                            (int)KV_MAX_IMAGE_SIDE);
        return -1;
    }
    *out = clamp_int32(v);
    return 0;
}

static void discard_node(TreeNode *node)
{
    tree_node_unlink(node);
    std::free(node->name);
    std::free(node);
}

// Step 3: the order key, and the move of an existing node.
static void apply_order_key(LayerCall *c)
{
    if (!arg_present(5))
        return;
    int64_t old_key = c->node ? c->node->order_key : 1;
    c->key = apply_value_op_min(arg_op(5), old_key, arg_int(5), 1);
    c->key_present = true;
    if (c->node) {
        set_layer_order(c->node, c->key);
        c->changed = true;
    }
}

// Step 4: a missing group. 1 created, 0 nothing to do, -1 failure.
static int create_missing_group(LayerCall *c)
{
    if (arg_present(29) || arg_present(30)) {
        report_script_error(101280, 1, layer_command_name(CMD_LAYER));
        return -1;
    }
    if (c->width < 0 || c->height < 0 || !c->key_present)
        return 0;
    c->node = create_layer(c->path, c->width, c->height, c->key);
    return c->node ? 1 : -1;
}

// The record a new leaf shares (id 30), or null after a report.
static LayerState *find_shared_record()
{
    char path[KV_PATH_MAX];
    if (normalize_script_path(path, arg_str(30), g_tree_path_roots[KV_TREE_LAYER], 0) < 0)
        return nullptr;
    TreeNode *n = name_tree_lookup(g_layer_tree, path, KV_FIND_LEAF);
    if (!n || !n->payload) {
        report_script_error(101250, 1, layer_command_name(CMD_LAYER), arg_str(30));
        return nullptr;
    }
    return (LayerState *)n->payload;
}

// Step 5: a missing leaf, with a new record (id 29) or a shared one (id 30).
static int create_missing_leaf(LayerCall *c)
{
    if (!arg_present(29) && !arg_present(30)) {
        if (g_engine_switches[1]) {
            report_script_error(101230, 1, layer_command_name(CMD_LAYER), c->path);
            return -1;
        }
        return 0;
    }
    if (!c->key_present) {
        report_script_error(100240, 1);
        return -1;
    }
    LayerState *shared = nullptr;
    if (!arg_present(29) && !(shared = find_shared_record()))
        return -1;
    TreeNode *node = create_tree_node(g_layer_tree, c->path, 0, c->key);
    if (!node)
        return -1;
    LayerState *s = shared ? share_layer_payload(node, shared) : attach_new_layer_payload(node);
    if (!s) {
        discard_node(node);
        return -1;
    }
    c->node = node;
    return 1;
}

// Step 6: the image file.
static int load_image_arg(LayerCall *c)
{
    if (!arg_present(29))
        return 0;
    if (c->group) {
        report_script_error(101280, 1, layer_command_name(CMD_LAYER));
        return -1;
    }
    layer_mark_dirty(c->node);
    if (load_image_file(c->s, arg_str(29)) != 0) {
        g_quit_flag = 1;
        return -1;
    }
    c->changed = true;
    return 0;
}

// Step 7: the blue channel of the mask layer becomes this layer's alpha.
static int apply_mask_arg(LayerCall *c)
{
    const char *name = arg_str(31);
    if (!arg_present(31) || !name[0])
        return 0;
    char path[KV_PATH_MAX];
    if (normalize_script_path(path, name, g_tree_path_roots[KV_TREE_LAYER], 0) < 0)
        return -1;
    TreeNode *n = name_tree_lookup(g_layer_tree, path, KV_FIND_LEAF);
    LayerState *m = n ? (LayerState *)n->payload : nullptr;
    LayerState *s = c->s;
    if (!m || !m->pixels || !s->pixels)
        return 0;
    if (m->width != s->width || m->height != s->height) {
        message_box_printf("", "レイヤ画像とマスクレイヤ画像のサイズが異なります。");
        g_quit_flag = 1;
        return -1;
    }
    size_t n_pixels = (size_t)s->width * (size_t)s->height;
    for (size_t i = 0; i < n_pixels; i++)
        s->pixels[i * 4 + 3] = m->pixels[i * 4];
    s->has_alpha = 1;
    c->changed = true;
    return 0;
}

// Step 10: x (id 3) or y (id 4), kept to 32 bits signed.
static void apply_position(LayerCall *c, uint32_t id, int64_t *field)
{
    if (!arg_present(id))
        return;
    int64_t v = (int32_t)(uint32_t)apply_value_op(arg_op(id), *field, arg_int(id));
    if (v == *field)
        return;
    if (c->group)
        grow_dirty_rect(c->node);
    else
        layer_mark_dirty(c->node);
    *field = v;
    c->changed = true;
}

// Step 11: a group's new size clears its canvas and composes it at once.
static int resize_group(LayerCall *c)
{
    LayerState *s = c->s;
    int32_t w = c->width > 0 ? c->width : s->width;
    int32_t h = c->height > 0 ? c->height : s->height;
    grow_dirty_rect(c->node);
    uint8_t *p = alloc_pixels(s->pixels, w, h, nullptr);
    if (!p)
        return -1;
    s->pixels = p;
    s->width = w;
    s->height = h;
    s->dirty_flag = 1;
    s->whole_image = 1;
    s->dirty = LayerRect{0, 0, (int64_t)w - 1, (int64_t)h - 1};
    g_pixel_kernels.kern_zero(p, (ptrdiff_t)w * 4 * h);
    grow_dirty_rect(c->node);
    apply_pending_layer_state(g_layer_tree->first_child);
    compose_layer_tree_cpu(c->node, 1);
    return 0;
}

// Step 12: a leaf's new image is cut or extended to the given size; new
// area opaque black.
static int resize_leaf(LayerCall *c)
{
    if (!arg_present(29)) {
        report_script_error(100244, 1);
        return -1;
    }
    if (c->width < 0 || c->height < 0) {
        report_script_error(100243, 1);
        return -1;
    }
    LayerState *s = c->s;
    int32_t w = c->width, h = c->height;
    layer_mark_dirty(c->node);
    uint8_t *p = alloc_pixels(nullptr, w, h, nullptr);
    if (!p)
        return -1;
    size_t pitch = (size_t)w * 4;
    for (int32_t y = 0; y < h; y++)
        g_pixel_kernels.kern_fill32(p + pitch * (size_t)y, (ptrdiff_t)pitch, 0xFF000000u);
    if (s->pixels) {
        size_t old_pitch = (size_t)s->width * 4;
        size_t row = (w < s->width ? (size_t)w : (size_t)s->width) * 4;
        int32_t rows = h < s->height ? h : s->height;
        for (int32_t y = 0; y < rows; y++)
            std::memcpy(p + pitch * (size_t)y, s->pixels + old_pitch * (size_t)y, row);
    }
    std::free(s->pixels);
    s->pixels = p;
    s->width = w;
    s->height = h;
    layer_mark_dirty(c->node);
    return 0;
}

static int resolve_layer(LayerCall *c)
{
    c->group = normalize_script_path(c->path, arg_str(0), g_tree_path_roots[KV_TREE_LAYER], 0);
    if (c->group < 0)
        return -1;
    c->node = name_tree_lookup(g_layer_tree, c->path, c->group ? KV_FIND_FOLDER : KV_FIND_LEAF);
    if (read_size(6, &c->width) != 0 || read_size(7, &c->height) != 0)
        return -1;
    apply_order_key(c);
    if (c->node)
        return 1;
    int r = c->group ? create_missing_group(c) : create_missing_leaf(c);
    if (r == 1) {
        c->created = true;
        c->changed = true;   // a new layer is drawn at the next frame
    }
    return r;
}

int run_layer_setup()
{
    LayerCall c{};
    int r = resolve_layer(&c);
    if (r <= 0)
        return r;
    c.s = (LayerState *)c.node->payload;
    if (!c.s)
        return 0;
    if (load_image_arg(&c) != 0 || apply_mask_arg(&c) != 0)
        return -1;
    if (arg_present(34)) {
        if (c.s->rule_mask_name && std::strcmp(c.s->rule_mask_name, arg_str(34)) != 0) {
            sjis_copy_bounded(c.s->rule_mask_name, KV_LAYER_NAME_SIZE, arg_str(34));
            c.changed = true;
        }
    }
    apply_pending_args(&c);
    apply_position(&c, 3, &c.s->x);
    apply_position(&c, 4, &c.s->y);
    if (arg_present(6) || arg_present(7)) {
        if (c.group ? (!c.created && resize_group(&c) != 0) : resize_leaf(&c) != 0)
            return -1;
    }
    apply_stored_args(&c);
    if (c.changed)
        layer_mark_dirty(c.node);
    return 0;
}

int cmd_layer_setup(void)
{
    if (load_command_args(CMD_LAYER) & 0xff)
        return -1;
    return run_layer_setup();
}
