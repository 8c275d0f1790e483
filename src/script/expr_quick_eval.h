// The run of a quick form, inlined into the handlers that use it most.
#pragma once

#include "script/expr.h"
#include "script/expr_quick.h"
#include "script/sysvars.h"
#include "script/task.h"
#include "script/vars.h"

// Constants and user variables are read through the cell, without a branch.
static inline __attribute__((always_inline)) int64_t expr_quick_read(const ExprQuickOperand &o)
{
    if (__builtin_expect(o.kind <= EXPR_QUICK_USER, 1))
        return *o.cell;
    if (o.kind == EXPR_QUICK_LOOP)
        return task_loop_counter(g_cur_script);
    return sysvar_get_int(o.id, 0);
}

// Integer operators exactly as the stack machine computes them on two integers.
static inline int64_t expr_quick_apply(uint8_t op, int64_t a, int64_t b)
{
    switch (op) {
    case '+': return (int64_t)((uint64_t)a + (uint64_t)b);
    case '-': return (int64_t)((uint64_t)a - (uint64_t)b);
    case '*': return (int64_t)((uint64_t)a * (uint64_t)b);
    case '/': return expr_int_div(a, b);
    case '%': return expr_int_rem(a, b);
    case '=': return a == b;
    case '!': return a != b;
    case '>': return a > b;
    case '<': return a < b;
    case 'Z': return a >= b;
    case 'S': return a <= b;
    case 'A': return a & b;
    case 'O': return a | b;
    case '^': return a ^ b;
    case '&': return a != 0 && b != 0;
    default: return a != 0 || b != 0;   // '|'
    }
}

// The value of a quick form in integer arithmetic. With `record` it leaves
// what a general run leaves for its readers (reference record, failure
// flag); callers that read neither (a condition, an assigned value) skip
// that. false, with nothing read or changed, when the general run is needed:
// no quick form, a variable that cannot be read here, or the evaluator in
// reference or label-resolution mode. Every operand is checked (by the
// generation) before any is read: a system variable's getter must not run
// twice when the general run takes over.
template <bool record = true>
static inline __attribute__((always_inline)) bool expr_quick_int(const ExprQuick *q, int64_t *value)
{
    // A form without quick shape never becomes ready; a change of the
    // opcode table changes the generation too.
    if (__builtin_expect(q->ready_gen != g_var_layout_gen, 0) && !expr_quick_prepare(q))
        return false;
    if (__builtin_expect(g_expr_ref_mode, 0))
        return false;
    int64_t v = expr_quick_read(q->a);
    if (q->form == EXPR_QUICK_BINARY)
        v = expr_quick_apply(q->op, v, expr_quick_read(q->b));
    if (record) {
        g_expr_ref.var_id = q->ref_id;
        g_expr_ref.scope = q->ref_scope;
        g_expr_ref.element = 0;
        g_expr_ref.index_count = 0;
        g_expr_ref.whole = 0;
        g_expr_failed = 0;
    }
    *value = v;
    return true;
}
