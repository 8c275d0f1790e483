// Fuzz target: arbitrary expression code run by the evaluator over a small
// set of variables of every type. Input: one control byte (bits 0-1 the
// evaluation type - 1, bit 2 reference mode, bit 3 label-resolution table,
// bit 4 run as commands instead), then the code.
//
// With bit 4 the code is split at its middle into two argument records of
// one instruction, run by the assignment command (operator: the second
// byte) and by a declare command (chosen by bits 5-6); with bit 7 the
// records have their quick forms, as a loaded file's do.
//
// Otherwise the code also runs as a long string run (task state strings),
// and when it has a quick form, its quick value must be the general run's,
// with the same reference record.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/error_report.h"
#include "core/quit.h"
#include "script/expr.h"
#include "script/expr_quick.h"
#include "script/expr_quick_eval.h"
#include "script/script_file.h"
#include "script/task.h"
#include "script/vars.h"

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
    // One text longer than any string value, so that the cuts are reached.
    static char longest[6000];
    memset(longest, 'w', sizeof longest);
    longest[4094] = (char)0x93;   // a character across the ordinary limit
    var_set_string(1002, 3, longest, sizeof longest);
    init_assign_op_table();
}

// A fresh run of the error reporters that shows nothing: rejected inputs are
// the common case, and a printed report each would flood a long run's output.
static void quiet_reports(void)
{
    reset_error_reports();
    g_error_shown = 1;
    g_quit_flag = 0;
}

static ArgRecord record(uint8_t id, uint8_t type, uint8_t op, uint32_t length, uint32_t offset)
{
    ArgRecord r;
    memset(&r, 0, sizeof r);
    r.id = id;
    r.eval_type = type;
    r.op = op;
    r.length = length;
    r.offset = offset;
    return r;
}

// The quick value against the general run's: the same value and reference.
// Only forms without system getters (whose values may move between runs).
static void check_quick(const uint8_t *code, uint32_t len, uint8_t type)
{
    ExprQuick q;
    expr_quick_classify(&q, code, len, type);
    if (q.form == EXPR_QUICK_NONE || q.a.kind >= EXPR_QUICK_SYSTEM ||
        (q.form == EXPR_QUICK_BINARY && q.b.kind >= EXPR_QUICK_SYSTEM))
        return;
    int64_t quick;
    if (!expr_quick_int(&q, &quick))
        return;
    ExprRef ref = g_expr_ref;
    int64_t general = expr_evaluators(type)->as_int(code, len);
    if (quick != general || g_expr_failed || ref.var_id != g_expr_ref.var_id ||
        ref.scope != g_expr_ref.scope || ref.element != g_expr_ref.element ||
        ref.index_count != g_expr_ref.index_count || ref.whole != g_expr_ref.whole)
        __builtin_trap();
}

static void run_commands(uint8_t control, const uint8_t *data, uint32_t len)
{
    if (len < 1)
        return;
    uint8_t op = data[0];
    data++;
    len--;
    static ScriptTask task;
    static ArgRecord recs[2];
    static ArgRecord *rec_ptr = recs;
    static uint8_t count = 2;
    uint32_t half = len / 2;
    recs[0] = record(0, (uint8_t)((control & 3) + 1), op, half, 0);
    recs[1] = record(1, (uint8_t)(((control >> 2) & 3) + 1), 0, len - half, half);
    static ExprQuick quick[2];
    if (control & 128) {
        expr_quick_classify(&quick[0], data, half, recs[0].eval_type);
        expr_quick_classify(&quick[1], data + half, len - half, recs[1].eval_type);
        for (int k = 0; k < 2; k++)
            recs[k].quick = quick[k].form != EXPR_QUICK_NONE ? &quick[k] : nullptr;
    }
    task.instr_count = 1;
    task.arg_counts = &count;
    task.arg_records = &rec_ptr;
    task.expr_code = data;
    task.file = nullptr;
    ScriptTask *saved = g_cur_script;
    g_cur_script = &task;
    g_cur_instr = 0;
    cmd_assign();
    static int (*const declares[4])(void) = {cmd_declare_int, cmd_declare_float,
                                             cmd_declare_string, cmd_declare_int};
    // Declarations only on the variables above the fixed ones, and small
    // enough to keep the runs fast.
    g_quit_flag = 0;
    g_expr_ref_mode = 1;
    int failed = expr_run(data, half);
    g_expr_ref_mode = 0;
    int64_t elements = 1;
    for (uint32_t k = 0; k < g_expr_ref.index_count; k++) {
        int64_t d = g_expr_ref.indices[k];
        elements = (d > 0 && d <= 10000) ? elements * d : 1 << 30;
        if (elements > 10000)
            break;
    }
    if (!failed && g_expr_ref.var_id >= 1050 && elements <= 10000)
        declares[(control >> 5) & 3]();
    g_cur_script = saved;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool ready = (setup(), true);
    (void)ready;
    if (size < 1)
        return 0;
    quiet_reports();
    uint8_t control = data[0];
    const uint8_t *code = data + 1;
    uint32_t len = (uint32_t)(size - 1 > 0xFFFFFF ? 0xFFFFFF : size - 1);
    if (control & 16) {
        init_expr_op_table(1);
        run_commands(control, code, len);
        return 0;
    }
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
    // So is a long run's, in a buffer of exactly its size.
    static char *const long_buf = (char *)malloc(EXPR_LONG_STRING_MAX + 1);
    uint32_t ln = expr_eval_string_long(long_buf, code, len, (control & 3) + 1u);
    if (ln > EXPR_LONG_STRING_MAX || long_buf[ln] != 0 || strlen(long_buf) != ln)
        __builtin_trap();
    (void)i;
    (void)d;
    g_expr_ref_mode = 0;
    if (!(control & 8)) {
        quiet_reports();
        check_quick(code, len, (uint8_t)((control & 3) + 1));
    }
    return 0;
}
