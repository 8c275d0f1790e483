// Command 86: facts about a variable or a string (type, dimensions and
// sizes, length in characters, width of the first character) and the search
// of a one-dimensional array for a value.
#include <cstring>

#include "core/error_report.h"
#include "core/quit.h"
#include "script/args.h"
#include "script/commands.h"
#include "script/expr.h"
#include "script/sjis_text.h"
#include "script/task.h"
#include "script/vars.h"

enum : uint32_t { KV_ERR_NOT_STRING = 108220, KV_ERR_EMPTY_STRING = 101450 };
enum { CMD_VAR_INFO = 86 };

// The search value of id 16 as a double: its expression evaluated again with
// the always-floating evaluator (the loader keeps integers only).
static double float_argument(uint32_t id)
{
    uint32_t p = arg_pos(id);
    const uint8_t *code = task_expr_at(g_cur_script, g_arg_slots.offset[p], g_arg_slots.length[p]);
    if (!code)
        return (double)g_arg_slots.value[p];
    return expr_evaluators(g_arg_slots.eval_type[p])->always_double(code, g_arg_slots.length[p]);
}

// First index from `start` of dimension 1 whose element equals the value of
// id 15, 16 or 17 (by the array's type); -1 when none does.
static int64_t search(const VarDescriptor *v, uint32_t id)
{
    int64_t start = arg_int(18, 0);
    int64_t n = v->dim_count ? (int64_t)v->dims[0] : v->count;
    if (n > v->count)
        n = v->count;
    if (start < 0)
        start = 0;
    if (v->type == VAR_TYPE_INT && arg_present(15)) {
        int64_t want = arg_int(15);
        for (int64_t k = start; k < n; k++)
            if (var_get_int(id, k) == want)
                return k;
    } else if (v->type == VAR_TYPE_FLOAT && arg_present(16)) {
        double want = float_argument(16);
        for (int64_t k = start; k < n; k++)
            if (var_get_float(id, k) == want)
                return k;
    } else if (v->type == VAR_TYPE_STRING && arg_present(17)) {
        const char *want = arg_str(17);
        for (int64_t k = start; k < n; k++) {
            const char *s = var_get_string(id, k);
            if (s && std::strcmp(s, want) == 0)
                return k;
        }
    }
    return -1;
}

// The source string element, or null after the 108220 report (*skip set,
// without a report, for an index outside the variable).
static const char *source_text(const VarDescriptor *v, uint32_t id, int64_t elem, bool *skip)
{
    *skip = false;
    if (!v || v->type != VAR_TYPE_STRING) {
        report_script_error_text(KV_ERR_NOT_STRING, 1);
        return nullptr;
    }
    const char *s = var_get_string(id, elem);
    *skip = s == nullptr;
    return s;
}

int cmd_var_info(void)
{
    if (load_command_args(CMD_VAR_INFO) & 0xFF)
        return -1;
    uint32_t ps = arg_pos(0), pd = arg_pos(1);
    if (!ps || !pd)
        return 0;
    uint32_t sid = g_arg_slots.var_id[ps], did = g_arg_slots.var_id[pd];
    int64_t selem = g_arg_slots.var_elem[ps], delem = g_arg_slots.var_elem[pd];
    const VarDescriptor *v = var_descriptor(sid);
    uint32_t q = 2;
    while (q <= 14 && !arg_present(q))
        q++;
    if (q > 14)
        return 0;
    if (!v || v->type == VAR_TYPE_NONE) {
        report_script_error_text(EXPR_ERR_NO_VAR, 1);
        return -1;
    }
    bool skip;
    const char *text;
    int64_t value;
    switch (q) {
    case 2: value = v->type; break;
    case 3:
        text = source_text(v, sid, selem, &skip);
        if (!text)
            return skip ? 0 : -1;
        if (!text[0]) {
            report_script_error_text(KV_ERR_EMPTY_STRING, 1);
            return -1;
        }
        value = sjis_is_lead((unsigned char)text[0]) ? 2 : 1;
        break;
    case 4: value = v->dim_count; break;
    case 13:
        text = source_text(v, sid, selem, &skip);
        if (!text)
            return skip ? 0 : -1;
        value = sjis_char_count(text);
        break;
    case 14: value = search(v, sid); break;
    default: value = (q - 5 < v->dim_count) ? v->dims[q - 5] : 0; break;
    }
    var_set_number(did, delem, value);
    return g_quit_flag ? -1 : 0;
}
