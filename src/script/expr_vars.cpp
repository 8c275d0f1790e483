// Evaluator opcodes that read variables: 'H', 'V' ... ')', 'v', and the
// opcode table with its label-resolution form.
#include <cstring>

#include "core/byte_order.h"
#include "script/expr_internal.h"
#include "script/sysvars.h"
#include "script/vars.h"

namespace {

struct VarOperand {
    uint8_t scope;
    uint32_t id;
};

inline int read_var_operand(const uint8_t *o, uint32_t n, VarOperand *out)
{
    if (expr_operand(n, 3))
        return -1;
    out->scope = o[0];
    out->id = get_le16(o + 1);
    return 0;
}

// The descriptor of a variable that exists; 108010 otherwise (an id beyond
// the table or never created).
const VarDescriptor *lookup(uint32_t id)
{
    // The table itself rather than var_descriptor(): this is on every read.
    const VarDescriptor *v = id < g_var_count ? g_vars[id] : nullptr;
    if (!v || v->type < VAR_TYPE_INT || v->type > VAR_TYPE_STRING) {
        expr_fail(EXPR_ERR_NO_VAR);
        return nullptr;
    }
    return v;
}

int push_system(const VarDescriptor *v, uint32_t id, int64_t e)
{
    // The getters take the element narrowed to 32 bits.
    int64_t e32 = (int32_t)e;
    if (v->type == VAR_TYPE_INT)
        return expr_push_int(sysvar_get_int(id, e32));
    if (v->type == VAR_TYPE_FLOAT)
        return expr_push_double(sysvar_get_float(id, e32));
    char *buf;
    ExprEntry *entry = expr_push_new_string(&buf);
    if (!entry)
        return -1;
    size_t n = sysvar_get_string(id, e32, buf, EXPR_STRING_SIZE);
    if (n > EXPR_STRING_MAX)
        n = EXPR_STRING_MAX;
    buf[n] = 0;
    n = strnlen(buf, n);
    g_expr.slot_len[entry->str] = (uint16_t)n;
    return 0;
}

int push_element(const VarDescriptor *v, uint32_t id, int64_t e)
{
    if (id < VAR_SYSTEM_LIMIT)
        return push_system(v, id, e);
    if (e < 0 || e >= v->count)
        return expr_fail(EXPR_ERR_INDEX);
    switch (v->type) {
    case VAR_TYPE_INT:
        return expr_push_int(v->ints[e]);
    case VAR_TYPE_FLOAT:
        return expr_push_double(v->floats[e]);
    default: {
        const char *t = v->strings ? v->strings[e] : nullptr;
        if (!t)
            t = "";
        return expr_push_string(t, (uint32_t)strnlen(t, (size_t)g_expr.string_max + 1));
    }
    }
}

inline void record_var(const VarOperand &o)
{
    g_expr_ref.var_id = o.id;
    g_expr_ref.scope = o.scope;
    g_expr_ref.element = 0;
    g_expr_ref.index_count = 0;
    g_expr_ref.whole = 0;
}

void update_arith(void)
{
    if (g_expr.nest > 0) {
        g_expr.floor = g_expr.open[g_expr.nest - 1].pos + 1;
        g_expr.float_arith = false;
    } else {
        g_expr.floor = 0;
        g_expr.float_arith = g_expr.float_base;
    }
}

// Flat element of the given indices (row-major, missing trailing indices 0).
int flat_element(const VarDescriptor *v, uint32_t id, const int64_t *idx, uint32_t count,
                 int64_t *element)
{
    if (id < VAR_SYSTEM_LIMIT && v->dim_count == 0) {
        // A system variable declared without dimensions takes one index as
        // its element as it stands; its getter answers for every element.
        if (count > 1)
            return expr_fail(EXPR_ERR_INDEX);
        *element = count ? idx[0] : 0;
        return 0;
    }
    if (count > v->dim_count)
        return expr_fail(EXPR_ERR_INDEX);
    int64_t e = 0;
    for (uint32_t k = 0; k < v->dim_count; k++) {
        int64_t ix = k < count ? idx[k] : 0;
        if (ix < 0 || ix >= (int64_t)v->dims[k])
            return expr_fail(EXPR_ERR_INDEX);
        e = e * (int64_t)v->dims[k] + ix;
    }
    if (id >= VAR_SYSTEM_LIMIT && e >= v->count)
        return expr_fail(EXPR_ERR_INDEX);
    *element = e;
    return 0;
}

}  // namespace

// 'H' for system variables, missing ids and strings.
static __attribute__((noinline)) int var_slow(VarOperand o)
{
    const VarDescriptor *v = lookup(o.id);
    if (!v)
        return -1;
    record_var(o);
    return push_element(v, o.id, 0);
}

// 'H'. User scalars and first elements are read straight from the element
// array, integer system variables from their getter; the rest takes the
// full path.
int expr_op_var(const uint8_t *op, uint32_t n)
{
    VarOperand o;
    if (read_var_operand(op, n, &o))
        return -1;
    if (g_expr_ref_mode && g_expr.nest == 0) {
        record_var(o);
        return 0;
    }
    if (o.id < g_var_count) {
        const VarDescriptor *v = g_vars[o.id];
        if (o.id < VAR_SYSTEM_LIMIT) {
            // Integer system variables (counters, key states) are the
            // common ones; element 0 as push_system reads it.
            if (v->type == VAR_TYPE_INT) {
                record_var(o);
                return expr_push_int(sysvar_get_int(o.id, 0));
            }
        } else if (v->count > 0) {
            if (v->type == VAR_TYPE_INT) {
                record_var(o);
                return expr_push_int(v->ints[0]);
            }
            if (v->type == VAR_TYPE_FLOAT) {
                record_var(o);
                return expr_push_double(v->floats[0]);
            }
        }
    }
    return var_slow(o);
}

int expr_op_index_open(const uint8_t *op, uint32_t n)
{
    VarOperand o;
    if (read_var_operand(op, n, &o))
        return -1;
    if (g_expr.nest >= EXPR_NEST_MAX)
        return expr_fail(EXPR_ERR_BAD_CODE);
    if (expr_push_int(0))   // the placeholder
        return -1;
    ExprOpen *open = &g_expr.open[g_expr.nest++];
    open->pos = g_expr.depth - 1;
    open->var_id = o.id;
    open->scope = o.scope;
    update_arith();
    return 0;
}

int expr_op_index_close(const uint8_t *, uint32_t)
{
    if (g_expr.nest == 0)
        return expr_fail(EXPR_ERR_BAD_CODE);
    ExprOpen open = g_expr.open[--g_expr.nest];
    update_arith();
    uint32_t count = (uint32_t)(g_expr.depth - (open.pos + 1));
    if (count > EXPR_INDEX_MAX)
        return expr_fail(EXPR_ERR_INDEX);
    // The indices go straight into the reference record: a run that fails
    // here leaves no value, and no reader looks at the record of a failed run.
    int64_t *idx = g_expr_ref.indices;
    const ExprEntry *first = &g_expr.stack[open.pos + 1];
    for (uint32_t k = 0; k < count; k++) {
        if (first[k].str)
            return expr_fail(EXPR_ERR_TYPE);
        idx[k] = first[k].i;
    }
    VarOperand o = {open.scope, open.var_id};
    g_expr.depth = open.pos;   // drop the indices and the placeholder
    if (g_expr_ref_mode && g_expr.nest == 0) {
        record_var(o);
        g_expr_ref.index_count = (uint8_t)count;
        return 0;
    }
    const VarDescriptor *v = lookup(o.id);
    if (!v)
        return -1;
    record_var(o);
    g_expr_ref.index_count = (uint8_t)count;
    int64_t element = 0;
    if (flat_element(v, o.id, idx, count, &element))
        return -1;
    g_expr_ref.element = element;
    // Integer and floating user elements without the general push.
    if (o.id >= VAR_SYSTEM_LIMIT) {
        if (v->type == VAR_TYPE_INT)
            return expr_push_int(v->ints[element]);
        if (v->type == VAR_TYPE_FLOAT)
            return expr_push_double(v->floats[element]);
    }
    return push_element(v, o.id, element);
}

int expr_op_var_whole(const uint8_t *op, uint32_t n)
{
    VarOperand o;
    if (read_var_operand(op, n, &o))
        return -1;
    record_var(o);
    g_expr_ref.whole = 1;
    return expr_push_int(0);
}

int expr_op_var_forbidden(const uint8_t *, uint32_t)
{
    g_expr_uses_vars = 1;
    return -1;
}

uint8_t g_expr_vars_normal;

void init_expr_op_table(int normal)
{
    g_expr_vars_normal = normal ? 1 : 0;
    g_var_layout_gen++;   // quick forms check the table again
    expr_ops_fill(expr_op_table);
    expr_op_table[(uint8_t)')'] = expr_op_index_close;
    if (normal) {
        expr_op_table[(uint8_t)'H'] = expr_op_var;
        expr_op_table[(uint8_t)'V'] = expr_op_index_open;
        expr_op_table[(uint8_t)'v'] = expr_op_var_whole;
    } else {
        expr_op_table[(uint8_t)'H'] = expr_op_var_forbidden;
        expr_op_table[(uint8_t)'V'] = expr_op_var_forbidden;
        expr_op_table[(uint8_t)'v'] = expr_op_var_forbidden;
    }
}
