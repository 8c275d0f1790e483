// Run state of the evaluator, shared by its files (not for other modules).
#pragma once

#include "script/expr.h"

// One stack entry. Both number slots always hold the entry's value (the one
// of the arithmetic in force, the other converted), so no reader can see a
// stale slot. str != 0: the entry is a string in that slot.
struct ExprEntry {
    int64_t i;
    double d;
    uint16_t str;
};

struct ExprOpen {
    int32_t pos;       // stack position of the placeholder
    uint32_t var_id;
    uint8_t scope;
};

// Only the fields below `stack` are reset by a run; stack entries and string
// slots are written before they are read, so nothing large is cleared.
struct ExprState {
    int32_t depth;            // entries on the stack
    int32_t floor;            // lowest entry an operator may touch
    int mode;
    bool float_base;          // the mode's arithmetic is floating
    bool float_arith;         // arithmetic in force (integer inside an index)
    int32_t nest;
    uint32_t string_max;      // longest string value of the run
    uint16_t next_slot;
    ExprOpen open[EXPR_NEST_MAX];
    uint16_t slot_len[EXPR_SLOT_MAX + 1];
    ExprEntry stack[EXPR_STACK_MAX];
};
extern ExprState g_expr;

// Only the run's own fields: the stack and the slots are written before
// they are read.
static inline void expr_reset_run(int mode)
{
    g_expr.string_max = (mode & EXPR_MODE_LONG) ? EXPR_LONG_STRING_MAX : EXPR_STRING_MAX;
    mode &= ~EXPR_MODE_LONG;
    bool fl = (mode == EXPR_MODE_FLOAT || mode == EXPR_MODE_STR_FLOAT);
    g_expr.mode = mode;
    g_expr.depth = 0;
    g_expr.floor = 0;
    g_expr.nest = 0;
    g_expr.next_slot = 1;
    g_expr.float_base = fl;
    g_expr.float_arith = fl;
    g_expr_ref.var_id = 0;
    g_expr_ref.element = 0;
    g_expr_ref.scope = 0;
    g_expr_ref.index_count = 0;
    g_expr_ref.whole = 0;
}

// Reports code (fatal) and gives -1. Kept out of line: it is the cold path
// of every handler.
int expr_fail(uint32_t code);
// Fail unless `count` entries lie above the floor / the operand holds `bytes`.
static inline int expr_need(uint32_t count)
{
    if (__builtin_expect(g_expr.depth - g_expr.floor < (int32_t)count, 0))
        return expr_fail(EXPR_ERR_BAD_CODE);
    return 0;
}
static inline int expr_operand(uint32_t have, uint32_t bytes)
{
    if (__builtin_expect(have < bytes, 0))
        return expr_fail(EXPR_ERR_BAD_CODE);
    return 0;
}

// The new top entry (a number 0 until set), or null after a report.
static inline ExprEntry *expr_push(void)
{
    if (__builtin_expect(g_expr.depth >= EXPR_STACK_MAX, 0)) {
        expr_fail(EXPR_ERR_BAD_CODE);
        return nullptr;
    }
    ExprEntry *e = &g_expr.stack[g_expr.depth++];
    e->str = 0;
    return e;
}
// Pushes a copy of the text, cut to the run's longest string value on a
// character boundary.
int expr_push_string(const char *text, uint32_t length);
int expr_new_slot(uint16_t *slot);
// Pushes an entry on a new string slot, whose buffer (EXPR_STRING_SIZE bytes)
// goes to *text for the caller to fill, with g_expr.slot_len; null after a
// report.
ExprEntry *expr_push_new_string(char **text);
// Gives back a popped entry's slot when it is the last one handed out, so
// chains such as a + b + c ... use two slots.
static inline void expr_release_slot(uint16_t slot)
{
    if (slot && slot + 1 == g_expr.next_slot)
        g_expr.next_slot--;
}

// Store a number in the arithmetic in force.
static inline void expr_set_int(ExprEntry *e, int64_t v)
{
    e->i = v;
    e->d = (double)v;
    e->str = 0;
}
static inline void expr_set_double(ExprEntry *e, double d)
{
    if (g_expr.float_arith) {
        e->d = d;
        e->i = kv_double_to_int(d);
    } else {
        e->i = kv_double_to_int(d);
        e->d = (double)e->i;
    }
    e->str = 0;
}

static inline int expr_push_int(int64_t v)
{
    ExprEntry *e = expr_push();
    if (!e)
        return -1;
    expr_set_int(e, v);
    return 0;
}
static inline int expr_push_double(double d)
{
    ExprEntry *e = expr_push();
    if (!e)
        return -1;
    expr_set_double(e, d);
    return 0;
}

// Opcode handlers of the variable opcodes (expr_vars.cpp).
int expr_op_var(const uint8_t *o, uint32_t n);         // 'H'
int expr_op_index_open(const uint8_t *o, uint32_t n);  // 'V'
int expr_op_index_close(const uint8_t *o, uint32_t n); // ')'
int expr_op_var_whole(const uint8_t *o, uint32_t n);   // 'v'
void expr_ops_fill(ExprOpHandler *table);   // the other opcodes
