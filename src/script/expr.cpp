// The expression evaluator: run loop, value stack, string slots, entry points.
//
// One static stack, reset by every run; string values live in slots that are
// allocated on first use and reused by later runs, so a run allocates nothing.
// Every operand read is checked against the operand length of its instruction,
// and every pop against the stack floor (the innermost open index), so broken
// code ends in a report, never outside the code or the stack.
#include "script/expr.h"

#include <cstdlib>
#include <cstring>

#include "core/byte_order.h"
#include "core/error_report.h"
#include "core/quit.h"
#include "script/expr_internal.h"
#include "script/sjis_text.h"

ExprRef g_expr_ref;
uint8_t g_expr_ref_mode;
uint8_t g_expr_uses_vars;
ExprOpHandler expr_op_table[256];
char *g_expr_string_slots[EXPR_SLOT_MAX + 1];

ExprState g_expr;
uint8_t g_expr_failed;

int expr_fail(uint32_t code)
{
    report_script_error_text(code, 1);
    return -1;
}

int expr_new_slot(uint16_t *slot)
{
    if (g_expr.next_slot > EXPR_SLOT_MAX)
        return expr_fail(EXPR_ERR_BAD_CODE);
    uint16_t k = g_expr.next_slot;
    if (!g_expr_string_slots[k]) {
        g_expr_string_slots[k] = (char *)malloc(EXPR_SLOT_SIZE);
        if (!g_expr_string_slots[k]) {
            report_script_error_text(100010, 1);
            g_quit_flag = 1;
            return -1;
        }
    }
    g_expr.next_slot++;
    g_expr_string_slots[k][0] = 0;
    g_expr.slot_len[k] = 0;
    *slot = k;
    return 0;
}

ExprEntry *expr_push_new_string(char **text)
{
    uint16_t slot;
    if (expr_new_slot(&slot))
        return nullptr;
    ExprEntry *e = expr_push();
    if (!e)
        return nullptr;
    e->i = 0;
    e->d = 0.0;
    e->str = slot;
    *text = g_expr_string_slots[slot];
    return e;
}

int expr_push_string(const char *text, uint32_t length)
{
    char *out;
    ExprEntry *e = expr_push_new_string(&out);
    if (!e)
        return -1;
    uint32_t n = (uint32_t)sjis_cut(text, length, g_expr.string_max);
    memcpy(out, text, n);
    out[n] = 0;
    g_expr.slot_len[e->str] = (uint16_t)n;
    return 0;
}

// The value of a run that left nothing, and of a failed run: never a value
// of this run or of an earlier one.
static inline void clear_result(void)
{
    g_expr.stack[0].i = 0;
    g_expr.stack[0].d = 0.0;
    g_expr.stack[0].str = 0;
}

// The run; inlined into the entry points so each gets its mode as a constant.
static inline __attribute__((always_inline)) int run_code(const uint8_t *code, uint32_t length,
                                                          int mode)
{
    expr_reset_run(mode);
    g_expr_failed = 1;
    if (__builtin_expect(!expr_op_table[(uint8_t)'+'], 0))
        init_expr_op_table(1);
    if (!code && length) {
        clear_result();
        return expr_fail(EXPR_ERR_BAD_CODE);
    }
    // Each instruction: its 3-byte head and then its operand must lie inside
    // the code; the handler gets the operand and checks only its width.
    const uint8_t *p = code, *end = code + length;
    while (p != end) {
        size_t left = (size_t)(end - p);
        if (__builtin_expect(left < 3, 0))
            goto bad;
        {
            uint32_t len = get_le16(p + 1);
            if (__builtin_expect(len > left - 3, 0))
                goto bad;
            if (expr_op_table[p[0]](p + 3, len))
                goto failed;
            p += 3 + len;
        }
    }
    if (g_expr.depth == 0)
        clear_result();
    g_expr_failed = 0;
    return 0;
bad:
    expr_fail(EXPR_ERR_BAD_CODE);
failed:
    clear_result();
    return -1;
}

int expr_run_mode(const uint8_t *code, uint32_t length, int mode)
{
    return run_code(code, length, mode);
}

int expr_run(const uint8_t *code, uint32_t length)
{
    return run_code(code, length, EXPR_MODE_INT);
}

int64_t expr_eval_int(const uint8_t *code, uint32_t length)
{
    if (run_code(code, length, EXPR_MODE_INT))
        return 0;
    return g_expr.stack[0].i;
}

int64_t expr_eval_float_as_int(const uint8_t *code, uint32_t length)
{
    if (run_code(code, length, EXPR_MODE_FLOAT))
        return 0;
    return kv_double_to_int(g_expr.stack[0].d);
}

double expr_eval_int_as_double(const uint8_t *code, uint32_t length)
{
    if (run_code(code, length, EXPR_MODE_INT))
        return 0.0;
    return (double)g_expr.stack[0].i;
}

double expr_eval_double(const uint8_t *code, uint32_t length)
{
    if (run_code(code, length, EXPR_MODE_FLOAT))
        return 0.0;
    return g_expr.stack[0].d;
}

static uint32_t eval_string(char *buffer, const uint8_t *code, uint32_t length, int mode)
{
    int failed = expr_run_mode(code, length, mode);
    const ExprEntry *e = &g_expr.stack[0];
    if (failed || g_expr.depth < 1 || e->str == 0) {
        buffer[0] = 0;
        return 0;
    }
    uint32_t n = g_expr.slot_len[e->str];
    memcpy(buffer, g_expr_string_slots[e->str], n);
    buffer[n] = 0;
    return n;
}

uint32_t expr_eval_string(char *buffer, const uint8_t *code, uint32_t length)
{
    return eval_string(buffer, code, length, EXPR_MODE_STR_INT);
}

uint32_t expr_eval_string_float(char *buffer, const uint8_t *code, uint32_t length)
{
    return eval_string(buffer, code, length, EXPR_MODE_STR_FLOAT);
}

uint32_t expr_eval_string_long(char *buffer, const uint8_t *code, uint32_t length, uint32_t type)
{
    int mode = type == 4 ? EXPR_MODE_STR_FLOAT : EXPR_MODE_STR_INT;
    return eval_string(buffer, code, length, mode | EXPR_MODE_LONG);
}

const ExprEvaluators expr_eval_table[5] = {
    {expr_eval_int, expr_eval_int_as_double, expr_eval_string, expr_eval_double},
    {expr_eval_int, expr_eval_int_as_double, expr_eval_string, expr_eval_double},
    {expr_eval_float_as_int, expr_eval_double, expr_eval_string, expr_eval_double},
    {expr_eval_int, expr_eval_int_as_double, expr_eval_string, expr_eval_double},
    {expr_eval_float_as_int, expr_eval_double, expr_eval_string_float, expr_eval_double},
};

const ExprEvaluators *expr_evaluators(uint32_t type)
{
    return &expr_eval_table[type <= 4 ? type : 1];
}
