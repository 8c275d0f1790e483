// Script command 2: resolves layer A (a group is composed first) and the
// layers B-D (created when missing), evaluates the two values and runs the
// operation the selectors choose.
#include <cstdlib>
#include <cstring>

#include "core/error_report.h"
#include "core/tree.h"
#include "graphics/compose.h"
#include "graphics/layer.h"
#include "image/layer_image_cmd.h"
#include "script/args.h"
#include "script/commands.h"
#include "script/expr.h"

static int64_t eval_raw(uint32_t id)
{
    uint32_t p = arg_pos(id);
    if (!p || !g_arg_slots.code[p])
        return 0;
    return expr_eval_int(g_arg_slots.code[p], g_arg_slots.length[p]);
}

// A group's image is composed from its children now, so that the operation
// works on what the group shows.
static void compose_group_first(TreeNode *node)
{
    mark_layer_wholly_dirty(node);
    if (g_layer_tree && g_layer_tree->first_child)
        apply_pending_layer_state(g_layer_tree->first_child);
    compose_layer_now(node, 1);
}

// Layer i (1..3): found, or created with a fresh record. Null after a report
// or when it could not be made (nothing is left attached then).
static TreeNode *resolve_other(uint32_t i, char *path)
{
    int kind = normalize_script_path(path, arg_str(i), g_tree_path_roots[KV_TREE_LAYER], 0);
    if (kind < 0)
        return nullptr;
    if (kind == 1) {
        report_script_error(101291, 1, path);
        return nullptr;
    }
    TreeNode *node = name_tree_lookup(g_layer_tree, path, KV_FIND_LEAF);
    if (!node) {
        node = create_tree_node(g_layer_tree, path, 0, 1);
        if (!node)
            return nullptr;
        if (!attach_new_layer_payload(node)) {
            tree_node_unlink(node);
            std::free(node->name);
            std::free(node);
            return nullptr;
        }
    }
    if (!node->payload)
        return nullptr;
    layer_mark_dirty(node);
    return node;
}

int cmd_layer_image_op(void)
{
    if (load_command_args(2) != 0)
        return -1;
    static char paths[4][KV_PATH_MAX];
    for (auto &p : paths)
        p[0] = 0;
    int kind;
    TreeNode *a = find_script_path(KV_TREE_LAYER, arg_str(0), KV_FIND_AS_WRITTEN, paths[0], &kind);
    if (kind < 0)
        return -1;
    if (!a || !a->payload)
        return 0;
    if (kind == 1)
        compose_group_first(a);
    static ImageOpCall call;
    std::memset(&call, 0, sizeof call);
    call.a = a;
    call.n = arg_present(3) ? 3 : arg_present(2) ? 2 : arg_present(1) ? 1 : 0;
    TreeNode **others[3] = {&call.b, &call.c, &call.d};
    for (uint32_t i = 1; i <= call.n; i++)
        if (!(*others[i - 1] = resolve_other(i, paths[i])))
            return -1;
    for (uint32_t id = 0; id < KV_IMAGE_OP_ARGS; id++) {
        call.present[id] = (uint8_t)arg_present(id);
        call.arg[id] = arg_int(id);
    }
    call.value1 = arg_present(5) ? eval_raw(5) : 0;
    call.value2 = arg_present(6) ? (int32_t)eval_raw(6) : 0;
    call.text = arg_present(7) ? arg_str(7) : nullptr;
    int r = run_image_op(&call);
    // The group keeps the operation's result until one of its children changes.
    if (kind == 1 && call.n == 0)
        ((LayerState *)a->payload)->dirty_flag = 0;
    return r;
}
