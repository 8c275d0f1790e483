// The task commands: start (or restart, re-order, enable) a task, end one,
// query a task's state, and read the script list. A task is a leaf of the
// task tree whose payload is its ScriptTask; paths are resolved against the
// tree's base path (string system variable 108).
#include <cstdlib>
#include <cstring>

#include "core/error_report.h"
#include "core/frame_state.h"
#include "core/quit.h"
#include "core/tree.h"
#include "script/args.h"
#include "script/project.h"
#include "script/scheduler.h"
#include "script/script_file.h"
#include "script/task.h"
#include "script/task_commands.h"
#include "script/task_state.h"
#include "script/vars.h"

enum : uint32_t {
    KV_ERR_PATH_FOLDER = 101293,
    KV_ERR_NO_TASK = 101400,
    KV_ERR_MAIN_TASK = 101420,
    KV_ERR_NO_LABEL = 108180
};
enum { CMD_SCRIPT_LIST = 77, CMD_TASK_START = 78, CMD_TASK_END = 79, CMD_TASK_QUERY = 80 };

// Resolves argument 0 of command c. Empty: *node = the running task's node.
// Otherwise the normalised path goes to path (KV_PATH_MAX bytes) and *node
// is its leaf or null. -1 after a report.
static int resolve_task(int c, char *path, TreeNode **node)
{
    const char *name = arg_str(0);
    path[0] = 0;
    if (!name[0]) {
        *node = g_cur_task_node;
        return 0;
    }
    int r = normalize_script_path(path, name, g_tree_path_roots[KV_TREE_TASK], 0);
    if (r < 0)
        return -1;
    if (r == 1) {
        report_script_error(KV_ERR_PATH_FOLDER, 1, script_command_name(c), name);
        return -1;
    }
    *node = name_tree_lookup(g_task_tree, path, KV_FIND_LEAF);
    return 0;
}

static ScriptTask *task_of(const TreeNode *node)
{
    return node ? (ScriptTask *)node->payload : nullptr;
}

// The order key operator: set, add, subtract, multiply, divide (wrapping
// 64-bit arithmetic; a divisor of 0, and INT64_MIN / -1, leave the key).
int64_t task_order_apply(int64_t key, uint32_t op, int64_t v)
{
    uint64_t a = (uint64_t)key, b = (uint64_t)v;
    int64_t r;
    switch (op) {
    case 0: return v;
    case 1: return (int64_t)(a + b);
    case 2: r = (int64_t)(a - b); break;
    case 3: r = (int64_t)(a * b); break;
    case 4:
        if (v == 0 || (v == -1 && key == INT64_MIN))
            r = key;
        else
            r = key / v;
        break;
    default: return key;
    }
    return r < 1 ? 1 : r;
}

static void set_task_params(ScriptTask *t)
{
    for (int k = 1; k <= KV_CALL_VALUES; k++) {
        t->param_int[k] = arg_int((uint32_t)(3 + k), 0);
        t->param_float[k] = (double)arg_int((uint32_t)(13 + k), 0);
        task_string_clear(&t->param_str[k]);
    }
}

// Creates the leaf of path with a new task; its key is `key`. The task does
// not run in the pass that created it.
static TreeNode *create_task_node(const char *path, int64_t key)
{
    TreeNode *node = create_tree_node(g_task_tree, path, 0, key);
    if (!node)
        return nullptr;
    if (!attach_task_payload(node)) {
        tree_node_unlink(node);
        std::free(node->name);
        std::free(node);
        return nullptr;
    }
    ((ScriptTask *)node->payload)->pass_stamp = g_pass_count;
    return node;
}

static int start_at_label(TreeNode **node, const char *path, int64_t key)
{
    const char *label = arg_str(34);
    int idx = name_table_find(label, (uint32_t)std::strlen(label));
    if (idx < 0) {
        report_script_error(KV_ERR_NO_LABEL, 1, label);
        return -1;
    }
    const LabelRecord *lab = g_name_table.labels[idx];
    if (!*node && !(*node = create_task_node(path, key)))
        return -1;
    ScriptTask *t = task_of(*node);
    if (!t)
        return report_task_data_error(g_cur_script);
    if (task_switch_file(t, lab->file) != 0)
        return -1;
    t->pc = lab->pc;
    set_task_params(t);
    return 0;
}

int cmd_task_start(void)
{
    if (load_command_args(CMD_TASK_START) & 0xFF)
        return -1;
    char path[KV_PATH_MAX];
    TreeNode *node;
    if (resolve_task(CMD_TASK_START, path, &node) != 0)
        return -1;
    int64_t key = 1;
    if (arg_present(3)) {
        key = task_order_apply(node ? node->order_key : 1, g_arg_slots.op[arg_pos(3)], arg_int(3));
        if (node)
            set_layer_order(node, key);
    }
    if (!node && !arg_present(34)) {
        report_script_error(KV_ERR_NO_TASK, 1, script_command_name(CMD_TASK_START),
                            path[0] ? path : arg_str(0));
        return -1;
    }
    if (arg_present(34) && start_at_label(&node, path, key) != 0)
        return -1;
    ScriptTask *t = task_of(node);
    if (!t)
        return report_task_data_error(g_cur_script);
    if (arg_present(1))
        t->enable1 = (uint8_t)arg_int(1);
    if (arg_present(2))
        t->enable2 = (uint8_t)arg_int(2);
    if (arg_present(35) && task_state_restore(arg_str(35), t) != 0)
        return -1;
    // The key was applied once above; the further pass runs in its order.
    if (arg_present(37))
        g_pass_request = 1;
    return 0;
}

int cmd_task_end(void)
{
    if (load_command_args(CMD_TASK_END) & 0xFF)
        return -1;
    char path[KV_PATH_MAX];
    TreeNode *node;
    if (resolve_task(CMD_TASK_END, path, &node) != 0)
        return -1;
    if (!node) {
        report_script_error(KV_ERR_NO_TASK, 1, script_command_name(CMD_TASK_END), arg_str(0));
        return -1;
    }
    ScriptTask *t = task_of(node);
    if ((t && t->main_task) || std::strcmp(path, "SYSTEM") == 0) {
        report_script_error(KV_ERR_MAIN_TASK, 1, script_command_name(CMD_TASK_END));
        return -1;
    }
    if (node == g_cur_task_node) {
        task_end_running();
        return -1;
    }
    tree_node_unlink(node);
    task_release_later(node);
    return 0;
}

// --- queries ----------------------------------------------------------------------

static const char *script_name(uint32_t file)
{
    if (file < g_script_count && g_script_names && g_script_names[file])
        return g_script_names[file];
    return "";
}

// Line of the instruction before pc (0 at pc 0).
static uint32_t line_before(const ScriptTask *t)
{
    return t->pc ? task_line_of(t, t->pc - 1) : 0;
}

static int store_text(uint32_t id, int64_t elem, const char *text)
{
    return store_string_element(id, elem, text);
}

static int task_query(const TreeNode *node, uint32_t id, int64_t elem)
{
    const ScriptTask *t = task_of(node);
    const CallFrame *f0 = t->call_depth > 0 ? t->frames[0] : nullptr;
    uint32_t outer_file = f0 ? f0->return_file : t->file_number;
    static const uint8_t order[] = {2, 3, 4, 5, 6, 9, 8, 11, 12, 13, 16, 17, 18, 7, 10, 19};
    for (uint8_t q : order) {
        if (!arg_present(q))
            continue;
        switch (q) {
        case 2: return var_set_number(id, elem, 1);
        case 3: return var_set_number(id, elem, t->enable1);
        case 4: return var_set_number(id, elem, t->enable2);
        case 5: return var_set_number(id, elem, node->order_key);
        case 6: return store_text(id, elem, script_name(t->file_number));
        case 9: return store_text(id, elem, script_name(outer_file));
        case 8: return var_set_number(id, elem, line_before(t));
        case 11: return var_set_number(id, elem, f0 ? f0->line : line_before(t));
        case 12: return var_set_number(id, elem, t->state_reserved_word);
        case 13: return var_set_number(id, elem, t->state_reserved_word2);
        case 16: return var_set_number(id, elem, t->block_depth);
        case 17: return var_set_number(id, elem, t->call_depth);
        case 18: return var_set_number(id, elem, t->loop_depth);
        case 7: return var_set_number(id, elem, t->file_number);
        case 10: return var_set_number(id, elem, outer_file);
        case 19: {
            static char state[KV_STATE_MAX + 1];
            int n = task_state_encode(state, t);
            return var_set_string(id, elem, state, (uint32_t)(n > 0 ? n : 0));
        }
        }
    }
    return 0;
}

int cmd_task_query(void)
{
    if (load_command_args(CMD_TASK_QUERY) & 0xFF)
        return -1;
    char path[KV_PATH_MAX];
    TreeNode *node;
    if (resolve_task(CMD_TASK_QUERY, path, &node) != 0)
        return -1;
    uint32_t p = arg_pos(1);
    if (!p)
        return 0;
    uint32_t id = g_arg_slots.var_id[p];
    int64_t elem = g_arg_slots.var_elem[p];
    if (!task_of(node)) {
        const VarDescriptor *v = var_descriptor(id);
        if (v && v->type == VAR_TYPE_STRING)
            store_text(id, elem, "");
        else
            var_set_number(id, elem, 0);
        return g_quit_flag ? -1 : 0;
    }
    task_query(node, id, elem);
    return g_quit_flag ? -1 : 0;
}

int cmd_script_list_query(void)
{
    if (load_command_args(CMD_SCRIPT_LIST) & 0xFF)
        return -1;
    uint32_t p = arg_pos(4);
    if (!p)
        return 0;
    uint32_t id = g_arg_slots.var_id[p];
    int64_t elem = g_arg_slots.var_elem[p];
    int64_t k = arg_int(3, 0);
    bool in_list = arg_present(3) && k >= 1 && k <= (int64_t)g_script_count;
    if (arg_present(1))
        var_set_number(id, elem, g_script_count);
    else if (arg_present(2) && arg_present(3))
        var_set_number(id, elem, in_list && g_script_values ? g_script_values[k - 1] : 0);
    else if (arg_present(0))
        store_text(id, elem, in_list ? script_name((uint32_t)(k - 1)) : "");
    else
        var_set_number(id, elem, 0);
    return g_quit_flag ? -1 : 0;
}
