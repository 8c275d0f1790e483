// Commands 69 (cache a slot, write the cache into a file), 40 (load a slot
// into a variable or a layer) and 70 (empty the cache).
#include <cstdlib>
#include <cstring>

#include "core/error_report.h"
#include "core/quit.h"
#include "core/tree.h"
#include "script/args.h"
#include "script/commands.h"
#include "script/save.h"
#include "script/vars.h"

enum { CMD_LOAD_SLOT = 40, CMD_SAVE_SLOT = 69, CMD_SAVE_CACHE_RESET = 70 };

struct SlotArgs {
    int64_t slot;
    bool has_slot;
    uint32_t var_id;
    int64_t element;
    int whole;
    bool has_var;
    TreeNode *layer;
    char layer_path[KV_PATH_MAX];
};

// The layer of argument 3 (a leaf of the layer tree), when given.
static int resolve_layer(SlotArgs *a)
{
    a->layer = nullptr;
    a->layer_path[0] = 0;
    if (!arg_present(3))
        return 0;
    const char *name = arg_str(3);
    int r = normalize_script_path(a->layer_path, name, g_tree_path_roots[KV_TREE_LAYER], 0);
    if (r < 0)
        return -1;
    a->layer = r == 0 ? name_tree_lookup(g_layer_tree, a->layer_path, KV_FIND_LEAF) : nullptr;
    if (!a->layer || !a->layer->payload) {
        report_script_error(KV_ERR_SAVE_NO_LAYER, 1, name);
        return -1;
    }
    return 0;
}

static int read_slot_args(SlotArgs *a)
{
    if (resolve_layer(a) != 0)
        return -1;
    a->has_slot = arg_present(1);
    a->slot = arg_int(1, 0);
    if (a->has_slot && (a->slot < 1 || a->slot > KV_SAVE_SLOTS)) {
        report_script_error(KV_ERR_SAVE_RANGE, 1, a->slot, 1, (int)KV_SAVE_SLOTS);
        return -1;
    }
    uint32_t p = arg_pos(2);
    a->has_var = p != 0;
    a->var_id = p ? g_arg_slots.var_id[p] : 0;
    a->element = p ? (int64_t)g_arg_slots.var_elem[p] : 0;
    a->whole = p ? g_arg_slots.var_whole[p] : 0;
    return 0;
}

static int cache_slot(const SlotArgs *a)
{
    int index = (int)a->slot - 1;
    if (g_slot_size[index] > 0) {
        report_script_error(KV_ERR_SAVE_CACHED, 1, (int)a->slot);
        return -1;
    }
    bool image = a->layer != nullptr;
    if (!image && !a->has_var) {
        report_script_error_text(108010, 1);
        return -1;
    }
    const LayerState *state = image ? (const LayerState *)a->layer->payload : nullptr;
    if (image && !g_save_layer_hooks.image_bytes) {
        report_script_error(KV_ERR_SAVE_NO_LAYER, 1, arg_str(3));
        return -1;
    }
    int64_t length = save_record_size(index, image, a->var_id, a->element, a->whole, state);
    if (length < 0)
        return -1;
    return save_record_build(index, image, a->var_id, a->element, a->whole, state, length);
}

int cmd_save_slot(void)
{
    if (load_command_args(CMD_SAVE_SLOT) & 0xFF)
        return -1;
    SlotArgs a;
    if (read_slot_args(&a) != 0)
        return -1;
    if (a.has_slot && cache_slot(&a) != 0)
        return -1;
    if (!arg_present(0))
        return 0;
    char path[KV_PATH_MAX];
    if (save_file_path(arg_str(0), path, sizeof path) != 0)
        return -1;
    return save_file_write(path);
}

int cmd_load_slot(void)
{
    if (load_command_args(CMD_LOAD_SLOT) & 0xFF)
        return -1;
    SlotArgs a;
    if (read_slot_args(&a) != 0)
        return -1;
    char path[KV_PATH_MAX];
    if (save_file_path(arg_str(0), path, sizeof path) != 0)
        return -1;
    uint8_t kind;
    uint8_t *body;
    uint32_t size;
    if (save_file_read_slot(path, (int)a.slot, &kind, &body, &size) != 0)
        return -1;
    int r;
    if (a.layer) {
        r = kind == 0 ? (report_script_error_text(KV_ERR_SAVE_KIND_VAR, 1), -1)
                      : save_load_image(body, size, a.layer, a.layer_path);
    } else if (kind == 1) {
        report_script_error_text(KV_ERR_SAVE_KIND_IMAGE, 1);
        r = -1;
    } else if (!a.has_var) {
        report_script_error_text(108010, 1);
        r = -1;
    } else {
        r = save_load_variable(body, size, a.var_id, a.element, a.whole);
    }
    std::free(body);
    return r != 0 || g_quit_flag ? -1 : 0;
}

int cmd_save_cache_reset(void)
{
    if (load_command_args(CMD_SAVE_CACHE_RESET) & 0xFF)
        return -1;
    save_cache_free(-1);
    return 0;
}
