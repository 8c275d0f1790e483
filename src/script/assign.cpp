// The assignment command (39): its operator tables and the writable system
// variables.
#include <cstring>

#include "core/byte_order.h"
#include "core/error_report.h"
#include "core/input.h"
#include "core/tree.h"
#include "core/window.h"
#include "script/assign_ops.h"
#include "script/expr.h"
#include "script/project.h"
#include "script/quick_ops.h"
#include "script/script_file.h"
#include "script/task.h"
#include "script/vars.h"
#include "script/vars_internal.h"

AssignIntOp assign_int_ops[ASSIGN_OP_COUNT];
AssignFloatOp assign_float_ops[ASSIGN_OP_COUNT];

namespace {

// An element of the variable, or null when outside it.
inline int64_t *int_slot(VarDescriptor *v, int64_t i)
{
    return (i >= 0 && i < v->count && v->ints) ? &v->ints[i] : nullptr;
}
inline double *float_slot(VarDescriptor *v, int64_t i)
{
    return (i >= 0 && i < v->count && v->floats) ? &v->floats[i] : nullptr;
}

int64_t wrap_rem(int64_t a, int64_t b)
{
    return b == -1 ? 0 : a % b;
}

template <uint8_t K>
void int_op(VarDescriptor *v, int64_t i, int64_t x)
{
    if (int64_t *p = int_slot(v, i))
        assign_int_apply(K, p, x);
}

// Floating operators; %, &, | and ^ work on both values truncated to i64.
void float_set(VarDescriptor *v, int64_t i, double x)
{
    if (double *p = float_slot(v, i))
        *p = x;
}
void float_add(VarDescriptor *v, int64_t i, double x)
{
    if (double *p = float_slot(v, i))
        *p += x;
}
void float_sub(VarDescriptor *v, int64_t i, double x)
{
    if (double *p = float_slot(v, i))
        *p -= x;
}
void float_mul(VarDescriptor *v, int64_t i, double x)
{
    if (double *p = float_slot(v, i))
        *p *= x;
}
void float_div(VarDescriptor *v, int64_t i, double x)
{
    double *p = float_slot(v, i);
    if (p && x != 0.0)
        *p /= x;
}
void float_rem(VarDescriptor *v, int64_t i, double x)
{
    double *p = float_slot(v, i);
    int64_t d = kv_double_to_int(x);
    if (p && d != 0)
        *p = (double)wrap_rem(kv_double_to_int(*p), d);
}
void float_and(VarDescriptor *v, int64_t i, double x)
{
    if (double *p = float_slot(v, i))
        *p = (double)(kv_double_to_int(*p) & kv_double_to_int(x));
}
void float_or(VarDescriptor *v, int64_t i, double x)
{
    if (double *p = float_slot(v, i))
        *p = (double)(kv_double_to_int(*p) | kv_double_to_int(x));
}
void float_xor(VarDescriptor *v, int64_t i, double x)
{
    if (double *p = float_slot(v, i))
        *p = (double)(kv_double_to_int(*p) ^ kv_double_to_int(x));
}

// --- writable system variables ------------------------------------------------------

bool key_index_ok(int64_t k)
{
    return k >= 0 && k < KV_KEY_COUNT;
}

// Counter index of ids 254-258 / 388-392 for element e; -1 when outside.
int64_t joystick_counter(uint32_t id, uint32_t first, int64_t e)
{
    int64_t k;
    if (id - first < 4)
        k = KV_JOY_BASE + KV_JOY_STRIDE * e + (id - first);
    else
        k = KV_JOY_BASE + 4 + KV_JOY_STRIDE * (e / 32) + (e % 32);
    return (e >= 0 && e < (1 << 20) && key_index_ok(k)) ? k : -1;
}

bool is_string_sysvar(uint32_t id)
{
    return id == 100 || id == 101 || id == 106 || id == 109;
}

bool is_int_sysvar(uint32_t id)
{
    return id == 15 || (id >= 95 && id <= 98) || id == 110 || (id >= 122 && id <= 392);
}

// Append buffer: the element's text plus the value.
char s_append[VAR_STRING_STORE_MAX + EXPR_STRING_SIZE];
char s_value[EXPR_STRING_SIZE];

}  // namespace

void init_assign_op_table(void)
{
    static const AssignIntOp ints[ASSIGN_OP_COUNT] = {int_op<0>, int_op<1>, int_op<2>,
                                                      int_op<3>, int_op<4>, int_op<5>,
                                                      int_op<6>, int_op<7>, int_op<8>};
    static const AssignFloatOp floats[ASSIGN_OP_COUNT] = {float_set, float_add, float_sub,
                                                          float_mul, float_div, float_rem,
                                                          float_and, float_or,  float_xor};
    memcpy(assign_int_ops, ints, sizeof ints);
    memcpy(assign_float_ops, floats, sizeof floats);
}

int sysvar_write(uint32_t id, int64_t e, int64_t v, const char *text)
{
    if (!text)
        text = "";
    switch (id) {
    case 15:
        // Only shrinks the list: a larger count would name files that do not exist.
        if (v >= 0 && v < g_dropped_file_count)
            g_dropped_file_count = (int32_t)v;
        return 0;
    case 95: g_window_events.maximize = (uint8_t)v; return 0;
    case 96: g_window_events.minimize = (int32_t)v; return 0;
    case 97: g_window_events.close = (int32_t)v; return 0;
    case 98: g_window_events.fullscreen_toggle = (int32_t)v; return 0;
    case 110: g_menu_command = (int32_t)v; return 0;
    case 122:
        if (e > 0 && key_index_ok(e))
            key_counter_set((int)e, v);
        return 0;
    case 123: g_last_key = (int32_t)v; return 0;
    case 124: g_last_mouse_button = (int32_t)v; return 0;
    case 100:
    case 101:
        if (g_message_window)
            task_string_set(&g_message_window->text_fields[id - 100], text, strlen(text));
        return 0;
    case 106: tree_set_base_path(KV_TREE_LAYER, text); return 0;
    case 109: tree_set_base_path(KV_TREE_MENU, text); return 0;
    default: break;
    }
    if (id >= 125 && id <= 253) {
        key_counter_set(g_key_map[id - 125], v);
        return 0;
    }
    if (id >= 254 && id <= 258) {
        int64_t k = joystick_counter(id, 254, e);
        if (k >= 0)
            key_counter_set((int)k, v);
        return 0;
    }
    if (id >= 259 && id <= 387) {
        g_key_presses[g_key_map[id - 259]] = (uint64_t)v;
        return 0;
    }
    if (id >= 388 && id <= 392) {
        int64_t k = joystick_counter(id, 388, e);
        if (k >= 0)
            g_key_presses[k] = (uint64_t)v;
        return 0;
    }
    report_script_error_text(VAR_ERR_READ_ONLY, 1);
    return -1;
}

// Damaged script data: the fatal report that names the running script file.
static int report_damaged_script(void)
{
    const ScriptTask *t = g_cur_script;
    const char *name = "";
    if (t && t->file_number < g_script_count && g_script_names && g_script_names[t->file_number])
        name = g_script_names[t->file_number];
    report_script_error(KV_ERR_PROJECT_DATA, 1, name);
    return -1;
}

int var_arg_code(const ArgRecord *rec, const uint8_t **code, uint32_t *length)
{
    const ScriptTask *t = g_cur_script;
    if (!t || !t->expr_code) {
        *code = nullptr;
        *length = 0;
        return rec->length ? -1 : 0;
    }
    if (t->file) {
        uint64_t end = (uint64_t)rec->offset + rec->length;
        if (end > t->file->expr_size)
            return report_damaged_script();
    }
    *code = t->expr_code + rec->offset;
    *length = rec->length;
    return 0;
}

// Evaluates record 2 as a string into s_value; its length.
static uint32_t value_string(const ArgRecord *rec, const uint8_t *code, uint32_t len)
{
    return expr_evaluators(rec->eval_type)->as_string(s_value, code, len);
}

static int assign_string(uint32_t id, int64_t e, uint8_t op, const ArgRecord *rec,
                         const uint8_t *code, uint32_t len)
{
    if (op > 1) {
        report_script_error_text(VAR_ERR_TYPE, 1);
        return -1;
    }
    uint32_t n = value_string(rec, code, len);
    if (g_expr_failed)
        return -1;
    if (op == 0) {
        var_set_string(id, e, s_value, n);
        return 0;
    }
    const char *cur = var_get_string(id, e);
    if (!cur)
        return 0;   // element outside the variable: nothing to append to
    size_t cl = strlen(cur);
    memcpy(s_append, cur, cl);
    memcpy(s_append + cl, s_value, n);
    var_set_string(id, e, s_append, (uint32_t)(cl + n));
    return 0;
}

// A target that is one 'H' of a created user variable: the run would only
// read element 0 and record the reference, so record it without the run.
static bool plain_user_target(const uint8_t *code, uint32_t length)
{
    if (length != 6 || code[0] != 'H' || code[1] != 3 || code[2] != 0)
        return false;
    uint32_t id = get_le16(code + 4);
    // Reference mode and the label-resolution table treat 'H' otherwise.
    ExprOpHandler h = expr_op_table[(uint8_t)'H'];
    if (g_expr_ref_mode || !h || h == expr_op_var_forbidden)
        return false;
    if (id < VAR_SYSTEM_LIMIT || id >= g_var_count)
        return false;
    const VarDescriptor *v = g_vars[id];
    if (v->type < VAR_TYPE_INT || v->type > VAR_TYPE_STRING || v->count < 1)
        return false;
    g_expr_ref.var_id = id;
    g_expr_ref.scope = code[3];
    g_expr_ref.element = 0;
    g_expr_ref.index_count = 0;
    g_expr_ref.whole = 0;
    return true;
}

// The assignment of an instruction marked at load (two or more records, a
// known operator, a quick target): the quick path, or the general one.
int cmd_assign_quick(void)
{
    uint32_t next;
    if (quick_assign(g_cur_script, g_cur_instr, &next))
        return 0;
    return cmd_assign();
}

int cmd_assign(void)
{
    uint32_t count = 0;
    const ArgRecord *recs = task_instr_args(g_cur_script, g_cur_instr, &count);
    if (!recs || count < 2)
        return 0;
    const ArgRecord *target = &recs[0], *source = &recs[1];
    uint8_t op = target->op;
    if (op >= ASSIGN_OP_COUNT)
        return report_damaged_script();   // operators are 0..8
    if (!assign_int_ops[0])
        init_assign_op_table();
    if (quick_assign_records(target, source, op))
        return 0;
    const uint8_t *tcode, *vcode;
    uint32_t tlen, vlen;
    if (var_arg_code(target, &tcode, &tlen) || var_arg_code(source, &vcode, &vlen))
        return -1;
    if (!plain_user_target(tcode, tlen)) {
        int mode = (target->eval_type == 2 || target->eval_type == 4) ? EXPR_MODE_FLOAT : EXPR_MODE_INT;
        if (expr_run_mode(tcode, tlen, mode))
            return -1;
    }
    // The value's run overwrites the reference record: keep the target.
    uint32_t id = g_expr_ref.var_id;
    int64_t e = g_expr_ref.element;

    if (id < VAR_SYSTEM_LIMIT) {
        if (is_string_sysvar(id)) {
            value_string(source, vcode, vlen);
            if (g_expr_failed)
                return -1;
            return sysvar_write(id, e, 0, s_value) ? -1 : 0;
        }
        if (is_int_sysvar(id)) {
            int64_t v = expr_evaluators(source->eval_type)->as_int(vcode, vlen);
            if (g_expr_failed)
                return -1;
            return sysvar_write(id, e, v, nullptr) ? -1 : 0;
        }
        const VarDescriptor *sv = var_descriptor(id);
        if (sv && sv->type == VAR_TYPE_FLOAT)
            return 0;   // floating system variables are read-only and silent
        report_script_error_text(VAR_ERR_READ_ONLY, 1);
        return -1;
    }
    VarDescriptor *v = var_descriptor(id);
    uint8_t type = v ? v->type : 0;
    if (type == VAR_TYPE_INT) {
        int64_t x = expr_evaluators(source->eval_type)->as_int(vcode, vlen);
        if (g_expr_failed)
            return -1;
        assign_int_ops[op](v, e, x);
        return 0;
    }
    if (type == VAR_TYPE_FLOAT) {
        double x = expr_eval_double(vcode, vlen);
        if (g_expr_failed)
            return -1;
        assign_float_ops[op](v, e, x);
        return 0;
    }
    if (type == VAR_TYPE_STRING)
        return assign_string(id, e, op, source, vcode, vlen);
    report_script_error_text(VAR_ERR_TYPE, 1);
    return -1;
}
