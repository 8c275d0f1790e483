// Quick forms of expressions (see expr_quick.h).
#include "script/expr_quick.h"

#include <cstring>

#include "core/byte_order.h"
#include "script/expr_quick_eval.h"
#include "script/script_file.h"

namespace {

// One instruction of the code: opcode, operand and its length; false when
// fewer than three bytes or a longer operand than the code holds remain.
struct QuickInstr {
    uint8_t op;
    const uint8_t *operand;
    uint32_t length;
};

bool next_instr(const uint8_t **p, const uint8_t *end, QuickInstr *out)
{
    size_t left = (size_t)(end - *p);
    if (left < 3)
        return false;
    uint32_t len = get_le16(*p + 1);
    if (len > left - 3)
        return false;
    out->op = (*p)[0];
    out->operand = *p + 3;
    out->length = len;
    *p += 3 + len;
    return true;
}

// An operand instruction as the evaluator reads it: an integer constant of
// its width (a longer operand reads its first bytes), or 'H' with its id.
bool operand_of(const QuickInstr &in, ExprQuickOperand *o)
{
    std::memset(o, 0, sizeof *o);
    switch (in.op) {
    case 'B':
        if (in.length < 1)
            return false;
        o->k = (int8_t)in.operand[0];
        return true;
    case 'W':
        if (in.length < 2)
            return false;
        o->k = (int16_t)expr_read_le(in.operand, 2);
        return true;
    case 'I':
        if (in.length < 4)
            return false;
        o->k = (int32_t)expr_read_le(in.operand, 4);
        return true;
    case 'L':
        if (in.length < 8)
            return false;
        o->k = expr_read_le(in.operand, 8);
        return true;
    case 'H':
        if (in.length < 3)
            return false;
        o->id = get_le16(in.operand + 1);
        o->kind = o->id == 48 ? EXPR_QUICK_LOOP
                : o->id < VAR_SYSTEM_LIMIT ? EXPR_QUICK_SYSTEM : EXPR_QUICK_USER;
        return true;
    default:
        return false;
    }
}

bool binary_op(uint8_t op)
{
    return op != 0 && std::strchr("+-*/%=!><ZSAO^&|", op) != nullptr;
}

}  // namespace

void expr_quick_classify(ExprQuick *q, const uint8_t *code, uint32_t length, uint8_t eval_type)
{
    std::memset(q, 0, sizeof *q);
    if (!code || eval_type == 2 || eval_type == 4)
        return;
    const uint8_t *p = code, *end = code + length;
    QuickInstr in[3];
    int n = 0;
    while (p != end) {
        if (n == 3 || !next_instr(&p, end, &in[n]))
            return;
        n++;
    }
    ExprQuick r;
    std::memset(&r, 0, sizeof r);
    if (n == 1 && operand_of(in[0], &r.a)) {
        r.form = EXPR_QUICK_ONE;
    } else if (n == 3 && operand_of(in[0], &r.a) && operand_of(in[1], &r.b) &&
               binary_op(in[2].op)) {
        r.form = EXPR_QUICK_BINARY;
        r.op = in[2].op;
    } else {
        return;
    }
    // The run records every variable it meets; the last one stays.
    for (int k = 0; k < n && k < 2; k++) {
        if (in[k].op == 'H') {
            r.ref_id = get_le16(in[k].operand + 1);
            r.ref_scope = in[k].operand[0];
        }
    }
    *q = r;
}

// A created integer variable: a system one (read from its getter), or a
// user one with elements, whose element 0 the cell then points at.
static bool prepare_operand(const ExprQuickOperand &o)
{
    if (o.kind == EXPR_QUICK_CONST) {
        o.cell = &o.k;
        return true;
    }
    if (o.id >= g_var_count)
        return false;
    const VarDescriptor *v = g_vars[o.id];
    if (v->type != VAR_TYPE_INT)
        return false;
    if (o.kind != EXPR_QUICK_USER)
        return true;
    if (v->count < 1)
        return false;
    o.cell = &v->ints[0];
    return true;
}

bool expr_quick_prepare(const ExprQuick *q)
{
    q->ready_gen = 0;
    if (q->form == EXPR_QUICK_NONE || !g_expr_vars_normal)
        return false;
    if (!prepare_operand(q->a) || (q->form == EXPR_QUICK_BINARY && !prepare_operand(q->b)))
        return false;
    q->ready_gen = g_var_layout_gen;
    return true;
}

int64_t expr_eval_record_int(const ArgRecord *r, const uint8_t *code)
{
    int64_t v;
    if (r->quick && expr_quick_int(r->quick, &v))
        return v;
    uint8_t t = r->eval_type;
    return expr_eval_table[t <= 4 ? t : 1].as_int(code, r->length);
}
