// The three value operators of the layer command, in wrapping two's
// complement arithmetic: no script value can trap (INT64_MIN / -1 included).
#include "graphics/layer.h"

enum { OP_SET = 0, OP_ADD = 1, OP_SUB = 2, OP_MUL = 3, OP_DIV = 4 };

static int64_t wrap(uint64_t v)
{
    return (int64_t)v;
}

static int64_t divide(int64_t a, int64_t b)
{
    if (b == -1)
        return wrap(0 - (uint64_t)a);
    return a / b;
}

int64_t apply_value_op(uint32_t op, int64_t old_value, int64_t value)
{
    switch (op) {
    case OP_SET: return value;
    case OP_ADD: return wrap((uint64_t)old_value + (uint64_t)value);
    case OP_SUB: return wrap((uint64_t)old_value - (uint64_t)value);
    case OP_MUL: return wrap((uint64_t)old_value * (uint64_t)value);
    case OP_DIV: return value == 0 ? old_value : divide(old_value, value);
    default: return old_value;
    }
}

int64_t apply_value_op_min(uint32_t op, int64_t old_value, int64_t value, int64_t lo)
{
    if (op == OP_SET || op == OP_ADD || (op == OP_DIV && value == 0))
        return apply_value_op(op, old_value, value);
    if (op < OP_SUB || op > OP_DIV)
        return old_value;
    int64_t r = apply_value_op(op, old_value, value);
    return r < lo ? lo : r;
}

int64_t apply_value_op_clamped(uint32_t op, int64_t old_value, int64_t value, int64_t lo,
                               int64_t hi)
{
    int64_t r = apply_value_op(op, old_value, value);
    switch (op) {
    case OP_ADD: return r > hi ? hi : r;
    case OP_SUB: return r < lo ? lo : r;
    case OP_MUL: return r < lo ? lo : r > hi ? hi : r;
    case OP_DIV: return value == 0 ? old_value : r < lo ? lo : r > hi ? hi : r;
    default: return r;
    }
}
