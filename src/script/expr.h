// The expression evaluator: postfix byte code run on one static value stack.
//
// Code: instructions {u8 opcode, u16 operand length L (little-endian), L bytes},
// run in order until the given length is used up. One run computes one value;
// the entry points below choose the arithmetic (integer or floating) and the
// kind of result.
#pragma once

#include <cstring>

#include "core/kv_base.h"

enum {
    EXPR_STACK_MAX = 1024,     // value stack entries
    EXPR_STRING_SIZE = 4096,   // bytes of a caller's buffer for a string result
    EXPR_STRING_MAX = 4095,    // longest string value; longer texts are cut
    // Longest string value of a long run (expr_eval_string_long), which a
    // task state string at its longest fits; a string slot holds one.
    EXPR_LONG_STRING_MAX = 4863,
    EXPR_SLOT_SIZE = EXPR_LONG_STRING_MAX + 1,
    EXPR_SLOT_MAX = 1023,      // string values per run (slots 1..1023)
    EXPR_INDEX_MAX = 8,        // index values of one variable reference
    EXPR_NEST_MAX = 8          // indices open at once (a[b[c]] is two)
};

// Arithmetic modes of a run.
enum {
    EXPR_MODE_INT = 1,         // integer result, integer arithmetic
    EXPR_MODE_FLOAT = 2,       // number result, floating arithmetic
    EXPR_MODE_STR_INT = 3,     // string result, integer arithmetic
    EXPR_MODE_STR_FLOAT = 4,   // string result, floating arithmetic
    EXPR_MODE_LONG = 8         // with a string mode: values up to EXPR_LONG_STRING_MAX
};

// Error codes of the evaluator.
enum : uint32_t {
    EXPR_ERR_BAD_CODE = 900030,     // unknown opcode, or code that is not well formed
    EXPR_ERR_NO_VAR = 108010,       // variable id without a descriptor
    EXPR_ERR_INDEX = 107010,        // array index out of range
    EXPR_ERR_TYPE = 160010,         // string where a number is needed, or mixed
    EXPR_ERR_NOT_NUMBER = 108210    // text that is not a number given to 'i'
};

// The reference record every run leaves behind: the last variable met.
struct ExprRef {
    uint32_t var_id;
    int64_t element;               // flat element index
    uint8_t scope;                 // '`' or '#' as the compiler wrote it
    uint8_t index_count;           // 0..EXPR_INDEX_MAX
    int64_t indices[EXPR_INDEX_MAX];
    uint8_t whole;                 // 1 after opcode 'v'
};
extern ExprRef g_expr_ref;

// Reference mode: set by the declare commands around one run. A bare 'H' and
// an index closed at nesting 0 then only record their variable (and indices).
extern uint8_t g_expr_ref_mode;

// Set when a variable opcode ran while the table was in label-resolution mode.
extern uint8_t g_expr_uses_vars;

// One handler per opcode byte, given its instruction's operand (the run has
// checked that `length` bytes lie inside the code); 0 to go on, non-zero
// fails the run.
typedef int (*ExprOpHandler)(const uint8_t *operand, uint32_t length);
extern ExprOpHandler expr_op_table[256];

// normal = 1: the full table; 0: the variable opcodes 'H', 'V' and 'v' set
// g_expr_uses_vars and fail the run (label pre-resolution while loading).
void init_expr_op_table(int normal);
// 1 while the full table is in force (variables may be read).
extern uint8_t g_expr_vars_normal;
int expr_op_var_forbidden(const uint8_t *operand, uint32_t length);

// The run itself: 0, or -1 when it failed (reported where a report exists).
// mode is one of EXPR_MODE_*; the entry points below call it.
int expr_run_mode(const uint8_t *code, uint32_t length, int mode);
// 1 when the last run failed (its value is then 0, 0.0 or "").
extern uint8_t g_expr_failed;
// A run in integer mode; its value stays on the stack (entry 0).
int expr_run(const uint8_t *code, uint32_t length);

// Entry points. A failed run gives 0, 0.0 or the empty string.
int64_t expr_eval_int(const uint8_t *code, uint32_t length);          // mode 1
int64_t expr_eval_float_as_int(const uint8_t *code, uint32_t length); // mode 2, truncated
double expr_eval_int_as_double(const uint8_t *code, uint32_t length); // mode 1
double expr_eval_double(const uint8_t *code, uint32_t length);        // mode 2
// Copy the string result (at most 4095 bytes) into buffer (EXPR_STRING_SIZE
// bytes) with a NUL; return its length. A number result gives "" and 0.
uint32_t expr_eval_string(char *buffer, const uint8_t *code, uint32_t length);       // mode 3
uint32_t expr_eval_string_float(char *buffer, const uint8_t *code, uint32_t length); // mode 4
// The string entry of evaluation type t (mode 4 for t = 4, else 3) in a long
// run: every string value of the run may hold up to EXPR_LONG_STRING_MAX bytes
// instead of 4095. buffer holds EXPR_LONG_STRING_MAX + 1 bytes. Only for the
// argument that gives a task state string back, which may be longer than an
// ordinary string.
uint32_t expr_eval_string_long(char *buffer, const uint8_t *code, uint32_t length, uint32_t type);

// The evaluators of one evaluation type t (1..4) of an argument record.
typedef int64_t (*ExprEvalInt)(const uint8_t *code, uint32_t length);
typedef double (*ExprEvalDouble)(const uint8_t *code, uint32_t length);
typedef uint32_t (*ExprEvalString)(char *buffer, const uint8_t *code, uint32_t length);
struct ExprEvaluators {
    ExprEvalInt as_int;
    ExprEvalDouble as_double;
    ExprEvalString as_string;
    ExprEvalDouble always_double;   // expr_eval_double for every type
};
// Indexed by t; entry 0 and types above 4 fall back to type 1 through
// expr_evaluators().
extern const ExprEvaluators expr_eval_table[5];
const ExprEvaluators *expr_evaluators(uint32_t type);

// The string slots of the last run (slot 0 unused), for readers of the stack.
extern char *g_expr_string_slots[EXPR_SLOT_MAX + 1];

// A little-endian operand of `bytes` bytes (1..8); one load where the
// machine is little-endian.
inline int64_t expr_read_le(const uint8_t *p, int bytes)
{
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    if (bytes == 8) {
        uint64_t v;
        memcpy(&v, p, 8);
        return (int64_t)v;
    }
    if (bytes == 4) {
        uint32_t v;
        memcpy(&v, p, 4);
        return (int64_t)v;
    }
#endif
    uint64_t v = 0;
    for (int k = bytes - 1; k >= 0; k--)
        v = (v << 8) | p[k];
    return (int64_t)v;
}

// Integer division and remainder of the evaluator: a zero divisor gives 0,
// INT64_MIN / -1 stays INT64_MIN (wrap-around) and % -1 gives 0.
inline int64_t expr_int_div(int64_t a, int64_t b)
{
    if (b == 0)
        return 0;
    return b == -1 ? (int64_t)(0 - (uint64_t)a) : a / b;
}
inline int64_t expr_int_rem(int64_t a, int64_t b)
{
    return (b == 0 || b == -1) ? 0 : a % b;
}

// Double to i64, truncating toward zero; NaN, infinities and values outside
// the i64 range give INT64_MIN. Inline: every floating operator calls it.
inline int64_t kv_double_to_int(double d)
{
    // The negated test also catches NaN.
    if (!(d >= -9223372036854775808.0 && d < 9223372036854775808.0))
        return INT64_MIN;
    return (int64_t)d;
}
