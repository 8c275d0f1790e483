// Evaluator opcodes: constants, string literals, conversions and operators.
// Two-operand operators pop the right operand and leave the result in place
// of the left one.
#include <cstring>

#include "script/expr_internal.h"
#include "script/expr_number.h"
#include "script/sjis_text.h"

namespace {

inline ExprEntry *top(int k) { return &g_expr.stack[g_expr.depth - 1 - k]; }

// Constants: the width is checked once per instruction, then read in place.
int op_int8(const uint8_t *o, uint32_t n)
{
    if (expr_operand(n, 1))
        return -1;
    return expr_push_int((int8_t)o[0]);
}
int op_int16(const uint8_t *o, uint32_t n)
{
    if (expr_operand(n, 2))
        return -1;
    return expr_push_int((int16_t)expr_read_le(o, 2));
}
int op_int32(const uint8_t *o, uint32_t n)
{
    if (expr_operand(n, 4))
        return -1;
    return expr_push_int((int32_t)expr_read_le(o, 4));
}
int op_int64(const uint8_t *o, uint32_t n)
{
    if (expr_operand(n, 8))
        return -1;
    return expr_push_int(expr_read_le(o, 8));
}
int op_double(const uint8_t *o, uint32_t n)
{
    if (expr_operand(n, 8))
        return -1;
    uint64_t bits = (uint64_t)expr_read_le(o, 8);
    double d;
    memcpy(&d, &bits, sizeof d);
    return expr_push_double(d);
}

// 'M': delimiter byte, then the text up to the delimiter (or the operand's end).
int op_string(const uint8_t *p, uint32_t n)
{
    if (expr_operand(n, 1))
        return -1;
    uint32_t i = 1;
    uint8_t delim = p[0];
    char *out;
    ExprEntry *e = expr_push_new_string(&out);
    if (!e)
        return -1;
    uint32_t len = 0;
    // A NUL byte ends the text too: string values never hold one, so their
    // lengths always agree with the C strings made from them.
    while (i < n && p[i] != delim && p[i] != 0) {
        uint8_t c = p[i];
        if (sjis_is_lead(c)) {
            // The trail byte is text, even a backslash or the delimiter.
            if (i + 1 >= n || p[i + 1] == 0)
                break;               // a lead byte without its trail byte
            if (len + 2 > g_expr.string_max)
                break;               // full: never split a character
            out[len++] = (char)c;
            out[len++] = (char)p[i + 1];
            i += 2;
        } else if (c == '\\' && i + 1 < n) {
            uint8_t x = p[i + 1];
            if (x == 0)
                break;
            char v = x == 'n' ? '\n' : x == 't' ? '\t' : (char)x;
            if (len < g_expr.string_max)
                out[len++] = v;
            i += 2;
        } else {
            if (len < g_expr.string_max)
                out[len++] = (char)c;
            i++;
        }
    }
    out[len] = 0;
    g_expr.slot_len[e->str] = (uint16_t)len;
    return 0;
}

int op_negate(const uint8_t *, uint32_t)
{
    if (expr_need(1))
        return -1;
    ExprEntry *a = top(0);
    if (a->str)
        return expr_fail(EXPR_ERR_TYPE);
    if (g_expr.float_arith)
        expr_set_double(a, -a->d);
    else
        expr_set_int(a, (int64_t)(0 - (uint64_t)a->i));
    return 0;
}

int op_to_string(const uint8_t *, uint32_t)
{
    if (expr_need(1))
        return -1;
    ExprEntry *a = top(0);
    if (a->str)
        return 0;
    char text[KV_NUMBER_TEXT_MAX];
    uint32_t n = g_expr.float_arith ? kv_format_double(text, a->d) : kv_format_int(text, a->i);
    g_expr.depth--;
    return expr_push_string(text, n);
}

int op_to_number(const uint8_t *, uint32_t)
{
    if (expr_need(1))
        return -1;
    ExprEntry *a = top(0);
    if (!a->str)
        return 0;
    const char *t = g_expr_string_slots[a->str];
    uint32_t n = g_expr.slot_len[a->str];
    expr_release_slot(a->str);   // the text stays readable until the next push
    if (n >= 2 && t[0] == '0' && t[1] == 'x') {
        int64_t v;
        if (kv_parse_hex(t + 2, n - 2, &v))
            return -1;   // no report: the run just fails
        expr_set_int(a, v);
        return 0;
    }
    bool dot = false;
    for (uint32_t k = 0; k < n; k++) {
        char c = t[k];
        if (c == '.')
            dot = true;
        else if (!(c == '-' || (c >= '0' && c <= '9')))
            return expr_fail(EXPR_ERR_NOT_NUMBER);
    }
    if (dot)
        expr_set_double(a, kv_parse_double(t, n, nullptr));
    else
        expr_set_int(a, kv_parse_int(t, n, nullptr));
    return 0;
}

// Pops the right operand of a numeric operator; fails on strings.
inline int numeric_pair(ExprEntry **l, ExprEntry **r)
{
    if (expr_need(2))
        return -1;
    *l = top(1);
    *r = top(0);
    if (__builtin_expect(((*l)->str | (*r)->str) != 0, 0))
        return expr_fail(EXPR_ERR_TYPE);
    g_expr.depth--;
    return 0;
}

// '+' of two strings: the right text appended to the left one in its slot.
// Out of line so the integer path of '+' stays a leaf without saved registers.
__attribute__((noinline)) int concat(ExprEntry *l, ExprEntry *r)
{
    char *lt = g_expr_string_slots[l->str];
    uint32_t ll = g_expr.slot_len[l->str], rl = g_expr.slot_len[r->str];
    uint32_t n = (uint32_t)sjis_cut(g_expr_string_slots[r->str], rl, g_expr.string_max - ll);
    memcpy(lt + ll, g_expr_string_slots[r->str], n);
    lt[ll + n] = 0;
    g_expr.slot_len[l->str] = (uint16_t)(ll + n);
    expr_release_slot(r->str);
    g_expr.depth--;
    return 0;
}

// Integer results are written in place of the left operand (wrap-around).
int op_add(const uint8_t *, uint32_t)
{
    if (expr_need(2))
        return -1;
    ExprEntry *l = top(1), *r = top(0);
    if (__builtin_expect((l->str | r->str) != 0, 0)) {
        if (l->str && r->str)
            return concat(l, r);
        return expr_fail(EXPR_ERR_TYPE);
    }
    g_expr.depth--;
    if (g_expr.float_arith)
        expr_set_double(l, l->d + r->d);
    else
        expr_set_int(l, (int64_t)((uint64_t)l->i + (uint64_t)r->i));
    return 0;
}

int op_sub(const uint8_t *, uint32_t)
{
    ExprEntry *l, *r;
    if (numeric_pair(&l, &r))
        return -1;
    if (g_expr.float_arith)
        expr_set_double(l, l->d - r->d);
    else
        expr_set_int(l, (int64_t)((uint64_t)l->i - (uint64_t)r->i));
    return 0;
}

int op_mul(const uint8_t *, uint32_t)
{
    ExprEntry *l, *r;
    if (numeric_pair(&l, &r))
        return -1;
    if (g_expr.float_arith)
        expr_set_double(l, l->d * r->d);
    else
        expr_set_int(l, (int64_t)((uint64_t)l->i * (uint64_t)r->i));
    return 0;
}

int op_div(const uint8_t *, uint32_t)
{
    ExprEntry *l, *r;
    if (numeric_pair(&l, &r))
        return -1;
    if (g_expr.float_arith)
        expr_set_double(l, r->d == 0.0 ? 0.0 : l->d / r->d);
    else
        expr_set_int(l, expr_int_div(l->i, r->i));
    return 0;
}

// In floating arithmetic '%' and the bitwise operators work on both values
// truncated to i64 and give the result as a double (as the assignment
// operators do).
int op_rem(const uint8_t *, uint32_t)
{
    ExprEntry *l, *r;
    if (numeric_pair(&l, &r))
        return -1;
    if (g_expr.float_arith)
        expr_set_double(l, (double)expr_int_rem(kv_double_to_int(l->d), kv_double_to_int(r->d)));
    else
        expr_set_int(l, expr_int_rem(l->i, r->i));
    return 0;
}

template <int K>
int op_bitwise(const uint8_t *, uint32_t)
{
    ExprEntry *l, *r;
    if (numeric_pair(&l, &r))
        return -1;
    int64_t a = g_expr.float_arith ? kv_double_to_int(l->d) : l->i;
    int64_t b = g_expr.float_arith ? kv_double_to_int(r->d) : r->i;
    int64_t v = K == 0 ? (a & b) : K == 1 ? (a | b) : (a ^ b);
    if (g_expr.float_arith)
        expr_set_double(l, (double)v);
    else
        expr_set_int(l, v);
    return 0;
}

template <int K>
int op_logical(const uint8_t *, uint32_t)
{
    ExprEntry *l, *r;
    if (numeric_pair(&l, &r))
        return -1;
    bool a = g_expr.float_arith ? l->d != 0.0 : l->i != 0;
    bool b = g_expr.float_arith ? r->d != 0.0 : r->i != 0;
    expr_set_int(l, K == 0 ? (a && b) : (a || b));
    return 0;
}

// Comparisons: numbers in the arithmetic in force, strings byte for byte
// (unsigned, a shorter prefix first); mixed kinds are an error.
enum { CMP_EQ, CMP_NE, CMP_GT, CMP_LT, CMP_GE, CMP_LE };

template <int K>
inline bool compare_result(int c)
{
    switch (K) {
    case CMP_EQ: return c == 0;
    case CMP_NE: return c != 0;
    case CMP_GT: return c == 1;
    case CMP_LT: return c == -1;
    case CMP_GE: return c == 1 || c == 0;
    default: return c == -1 || c == 0;
    }
}

// Strings, floating numbers and mixed kinds; out of line so the integer
// comparison stays a leaf.
template <int K>
__attribute__((noinline)) int compare_slow(ExprEntry *l, ExprEntry *r)
{
    int c;
    if (l->str && r->str) {
        uint32_t ll = g_expr.slot_len[l->str], rl = g_expr.slot_len[r->str];
        int m = memcmp(g_expr_string_slots[l->str], g_expr_string_slots[r->str], ll < rl ? ll : rl);
        c = m != 0 ? (m < 0 ? -1 : 1) : (ll < rl ? -1 : ll > rl ? 1 : 0);
    } else if (l->str || r->str) {
        return expr_fail(EXPR_ERR_TYPE);
    } else {
        // Floating arithmetic. NaN compares unequal and neither greater nor less.
        if (l->d != l->d || r->d != r->d)
            c = 2;
        else
            c = l->d < r->d ? -1 : l->d > r->d ? 1 : 0;
    }
    // Right first: it is the later of the two slots.
    expr_release_slot(r->str);
    expr_release_slot(l->str);
    g_expr.depth--;
    expr_set_int(l, compare_result<K>(c));
    return 0;
}

template <int K>
int op_compare(const uint8_t *, uint32_t)
{
    if (expr_need(2))
        return -1;
    ExprEntry *l = top(1), *r = top(0);
    if (__builtin_expect(((l->str | r->str) != 0) | g_expr.float_arith, 0))
        return compare_slow<K>(l, r);
    // Two integers: no slots to give back.
    int64_t a = l->i, b = r->i;
    bool v = K == CMP_EQ ? a == b : K == CMP_NE ? a != b : K == CMP_GT ? a > b
           : K == CMP_LT ? a < b : K == CMP_GE ? a >= b : a <= b;
    g_expr.depth--;
    expr_set_int(l, v);
    return 0;
}

int op_unknown(const uint8_t *, uint32_t)
{
    return expr_fail(EXPR_ERR_BAD_CODE);
}

int op_noop(const uint8_t *, uint32_t)
{
    return 0;
}

}  // namespace

void expr_ops_fill(ExprOpHandler *t)
{
    for (int k = 0; k < 256; k++)
        t[k] = op_unknown;
    t[(uint8_t)'M'] = op_string;
    t[(uint8_t)'B'] = op_int8;
    t[(uint8_t)'W'] = op_int16;
    t[(uint8_t)'I'] = op_int32;
    t[(uint8_t)'L'] = op_int64;
    t[(uint8_t)'F'] = op_double;
    t[(uint8_t)'R'] = op_negate;
    t[(uint8_t)'s'] = op_to_string;
    t[(uint8_t)'i'] = op_to_number;
    t[(uint8_t)'+'] = op_add;
    t[(uint8_t)'-'] = op_sub;
    t[(uint8_t)'*'] = op_mul;
    t[(uint8_t)'/'] = op_div;
    t[(uint8_t)'%'] = op_rem;
    t[(uint8_t)'='] = op_compare<CMP_EQ>;
    t[(uint8_t)'!'] = op_compare<CMP_NE>;
    t[(uint8_t)'>'] = op_compare<CMP_GT>;
    t[(uint8_t)'<'] = op_compare<CMP_LT>;
    t[(uint8_t)'Z'] = op_compare<CMP_GE>;
    t[(uint8_t)'S'] = op_compare<CMP_LE>;
    t[(uint8_t)'A'] = op_bitwise<0>;
    t[(uint8_t)'O'] = op_bitwise<1>;
    t[(uint8_t)'^'] = op_bitwise<2>;
    t[(uint8_t)'&'] = op_logical<0>;
    t[(uint8_t)'|'] = op_logical<1>;
    t[(uint8_t)','] = op_noop;
}
