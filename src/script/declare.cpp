// The declare commands (36 integer, 20 floating, 75 string) and the
// label-exists command (38).
//
// A declaration names its variable and dimension sizes in reference mode:
// the variable need not exist yet, so its records are read directly rather
// than through the argument loader, which would evaluate them as values.
#include <cstring>

#include "core/error_report.h"
#include "script/args.h"
#include "script/expr.h"
#include "script/script_file.h"
#include "script/task.h"
#include "script/vars.h"
#include "script/vars_internal.h"

namespace {

char s_init_text[EXPR_STRING_SIZE];

int declare(uint8_t type)
{
    uint32_t count = 0;
    const ArgRecord *recs = task_instr_args(g_cur_script, g_cur_instr, &count);
    if (!recs || count < 1)
        return 0;
    const uint8_t *code;
    uint32_t len;
    if (var_arg_code(&recs[0], &code, &len))
        return -1;

    // 1. The variable and its dimension sizes.
    g_expr_ref_mode = 1;
    int failed = expr_run_mode(code, len, EXPR_MODE_INT);
    g_expr_ref_mode = 0;
    if (failed)
        return -1;
    uint32_t id = g_expr_ref.var_id;
    uint8_t dim_count = g_expr_ref.index_count;
    uint32_t dims[VAR_DIM_MAX] = {0};
    for (uint32_t k = 0; k < dim_count; k++) {
        int64_t size = g_expr_ref.indices[k];
        if (size <= 0) {
            report_script_error_text(VAR_ERR_NO_ELEMENTS, 1);
            return -1;
        }
        if (size > VAR_ELEMENT_MAX) {
            report_script_error(VAR_ERR_TOO_MANY, 1, (int)VAR_ELEMENT_MAX);
            return -1;
        }
        dims[k] = (uint32_t)size;
    }
    // 2. The initial value, evaluated before the variable changes.
    VarInitValue init = {0, 0.0, nullptr, 0};
    if (count >= 2) {
        const ArgRecord *rec = &recs[1];
        if (var_arg_code(rec, &code, &len))
            return -1;
        if (type == VAR_TYPE_INT)
            init.i = expr_evaluators(rec->eval_type)->as_int(code, len);
        else if (type == VAR_TYPE_FLOAT)
            init.d = expr_evaluators(rec->eval_type)->as_double(code, len);
        else
            init.length = expr_eval_string(s_init_text, code, len);
        if (g_expr_failed)
            return -1;
    }
    init.text = s_init_text;
    if (type != VAR_TYPE_STRING)
        init.length = 0;
    else if (count < 2)
        s_init_text[0] = 0;
    return var_define(id, type, dim_count, dims, &init) ? -1 : 0;
}

}  // namespace

int cmd_declare_int(void)
{
    return declare(VAR_TYPE_INT);
}

int cmd_declare_float(void)
{
    return declare(VAR_TYPE_FLOAT);
}

int cmd_declare_string(void)
{
    return declare(VAR_TYPE_STRING);
}

int cmd_label_exists(void)
{
    if (load_command_args(38) & 0xFF)
        return -1;
    if (!arg_present(2) || !arg_present(1))
        return 0;
    const char *name = arg_str(0);
    int found = name_table_find(name, (uint32_t)strlen(name)) >= 0;
    uint32_t p = arg_pos(1);
    uint32_t id = g_arg_slots.var_id[p];
    const VarDescriptor *v = var_descriptor(id);
    if (!v || (v->type != VAR_TYPE_INT && v->type != VAR_TYPE_FLOAT)) {
        report_script_error_text(VAR_ERR_TYPE, 1);
        return -1;
    }
    var_set_number(id, g_arg_slots.var_elem[p], found);
    return 0;
}
