// Instructions the scheduler runs inside its own loop: the commonest flow
// and assignment instructions, marked when their file was loaded (their
// records were checked then). Each does exactly what its command's handler
// does, leaves the task as the handler leaves it, and gives the next program
// counter in a register, so the loop goes on without a call or reading pc
// back. When one cannot finish here (a condition for the general evaluator,
// no open level to close) it changes nothing and the handler runs instead.
// The one difference from the handler: a quick condition or assigned value
// leaves the evaluator's reference record and failure flag as they were,
// since nothing reads them after an if or an assignment.
#pragma once

#include "script/assign_ops.h"
#include "script/expr_quick_eval.h"
#include "script/script_file.h"
#include "script/task.h"
#include "script/vars.h"

enum : uint8_t {
    QUICK_OP_NONE = 0,
    QUICK_OP_ASSIGN = 1,      // 39 with a quick target
    QUICK_OP_IF = 2,          // 30 with a quick condition
    QUICK_OP_END_BLOCK = 3,   // 34
    QUICK_OP_LOOP_END = 4     // 44
};

// An integer user variable given a value that has a quick form: the
// assignment without either general run.
static inline bool quick_assign_records(const ArgRecord *target, const ArgRecord *source, uint8_t op)
{
    if (!target->quick || !source->quick || op >= ASSIGN_OP_COUNT)
        return false;
    const ExprQuick &q = *target->quick;
    if (q.form != EXPR_QUICK_ONE || q.a.kind != EXPR_QUICK_USER)
        return false;
    // The target is a created integer variable with elements while the
    // layout generation its form was checked in lasts.
    if (__builtin_expect(q.ready_gen != g_var_layout_gen, 0) && !expr_quick_prepare(&q))
        return false;
    int64_t x;
    if (!expr_quick_int<false>(source->quick, &x))
        return false;
    assign_int_apply(op, &g_vars[q.a.id]->ints[0], x);
    return true;
}

static inline bool quick_assign(ScriptTask *t, uint32_t i, uint32_t *next)
{
    const ArgRecord *r = t->arg_records[i];
    if (!quick_assign_records(&r[0], &r[1], r[0].op))
        return false;
    *next = i + 1;
    return true;
}

// Opens the block and goes to the next branch (or the end) when the
// condition is 0.
static inline bool quick_if(ScriptTask *t, uint32_t i, uint32_t *next)
{
    const ArgRecord *r = t->arg_records[i];
    int64_t cond;
    if (t->block_depth >= KV_MAX_LEVELS || !r[0].quick || !expr_quick_int<false>(r[0].quick, &cond))
        return false;
    BlockLevel &b = t->blocks[++t->block_depth];
    b.start_pc = i;
    b.saved_loop_depth = t->loop_depth;
    b.end_pc = r[2].length;
    uint32_t skip = r[1].length ? r[1].length : r[2].length;
    *next = cond ? i + 1 : skip;
    t->pc = *next;
    return true;
}

static inline bool quick_end_block(ScriptTask *t, uint32_t i, uint32_t *next)
{
    if (t->block_depth == 0)
        return false;
    t->blocks[t->block_depth].end_pc = 0;
    t->block_depth--;
    *next = i + 1;
    return true;
}

// The end of a counted loop: back to its start, or out after the last
// iteration (count -1 never ends).
static inline bool quick_loop_end(ScriptTask *t, uint32_t i, uint32_t *next)
{
    if (t->loop_depth == 0)
        return false;
    LoopLevel &l = t->loops[t->loop_depth];
    if (l.count != -1 && l.counter >= l.count) {
        l.counter = 0;
        l.count = 0;
        l.start_pc = 0;
        t->loop_depth--;
        *next = i + 1;
        return true;
    }
    l.counter++;
    t->pc = l.start_pc;
    t->block_depth = l.saved_block_depth;
    *next = l.start_pc;
    return true;
}

// Runs instruction i when it is marked; false when its handler must run.
static inline bool quick_op_run(ScriptTask *t, uint8_t op, uint32_t i, uint32_t *next)
{
    switch (op) {
    case QUICK_OP_ASSIGN: return quick_assign(t, i, next);
    case QUICK_OP_IF: return quick_if(t, i, next);
    case QUICK_OP_END_BLOCK: return quick_end_block(t, i, next);
    case QUICK_OP_LOOP_END: return quick_loop_end(t, i, next);
    default: return false;
    }
}
