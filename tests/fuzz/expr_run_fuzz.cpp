// Fuzz target: arbitrary expression code run by the evaluator over a small
// set of variables of every type. Input: one control byte (bits 0-1 the
// evaluation type - 1, bit 2 reference mode, bit 3 label-resolution table),
// then the code.
#include <cstdint>
#include <cstring>

#include "script/expr.h"
#include "script/vars.h"
#include "shell/error_report.h"
#include "shell/quit.h"

static void define(uint32_t id, uint8_t type, std::initializer_list<uint32_t> sizes)
{
    VarDescriptor *v = var_descriptor(id);
    v->dim_count = (uint8_t)sizes.size();
    uint32_t k = 0;
    for (uint32_t s : sizes)
        v->dims[k++] = s;
    if (type == VAR_TYPE_INT)
        var_init_int(id, 1234567);
    else if (type == VAR_TYPE_FLOAT)
        var_init_float(id, -2.5);
    else
        var_init_string(id, "\x93\xfa\x96{abc", 7);
}

static void setup(void)
{
    var_table_alloc(1100);
    define(1000, VAR_TYPE_INT, {4, 5});
    define(1001, VAR_TYPE_FLOAT, {3});
    define(1002, VAR_TYPE_STRING, {2, 2});
    define(1003, VAR_TYPE_INT, {});
    define(1004, VAR_TYPE_INT, {2, 2, 2, 2, 2, 2, 2, 2});
    define(49, VAR_TYPE_INT, {});
    define(10, VAR_TYPE_FLOAT, {});
    define(105, VAR_TYPE_STRING, {256});
    define(86, VAR_TYPE_INT, {});
    init_assign_op_table();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool ready = (setup(), true);
    (void)ready;
    if (size < 1)
        return 0;
    reset_error_reports();
    g_quit_flag = 0;
    uint8_t control = data[0];
    const uint8_t *code = data + 1;
    uint32_t len = (uint32_t)(size - 1 > 0xFFFFFF ? 0xFFFFFF : size - 1);
    init_expr_op_table((control & 8) ? 0 : 1);
    g_expr_ref_mode = (control & 4) ? 1 : 0;
    const ExprEvaluators *e = expr_evaluators((control & 3) + 1u);
    static char buf[EXPR_STRING_SIZE];
    volatile int64_t i = e->as_int(code, len);
    volatile double d = e->as_double(code, len);
    uint32_t n = e->as_string(buf, code, len);
    // The string result is always terminated within the buffer.
    if (n >= EXPR_STRING_SIZE || buf[n] != 0 || strlen(buf) != n)
        __builtin_trap();
    (void)i;
    (void)d;
    g_expr_ref_mode = 0;
    return 0;
}
