// Quick forms of expressions: the shapes most script expressions take (one
// constant, one variable, or two of these joined by one operator) are found
// once when a script file is loaded, so that a run in integer arithmetic can
// compute them without the stack machine. Anything else, and any quick form
// whose variables are not plain integers at run time, takes the general run,
// which gives the same value, the same reference record and the same reports.
#pragma once

#include "core/kv_base.h"

enum : uint8_t {
    EXPR_QUICK_NONE = 0,     // general run only
    EXPR_QUICK_ONE = 1,      // operand a alone
    EXPR_QUICK_BINARY = 2    // a op b
};

// Operand kinds.
enum : uint8_t {
    EXPR_QUICK_CONST = 0,    // integer constant k
    EXPR_QUICK_USER = 1,     // element 0 of user variable id
    EXPR_QUICK_SYSTEM = 2,   // system variable id, element 0, from its getter
    EXPR_QUICK_LOOP = 3      // the loop counter (system variable 48)
};

struct ExprQuickOperand {
    uint8_t kind;
    uint16_t id;
    int64_t k;
    // Where a constant or user variable is read: k, or the variable's
    // element 0; valid while ready_gen of the form is current (forms are
    // never copied once in use, so &k stays right).
    mutable const int64_t *cell;
};

struct ExprQuick {
    uint8_t form;            // EXPR_QUICK_NONE, _ONE or _BINARY
    uint8_t op;              // the operator byte of a binary form
    uint8_t ref_scope;       // the reference record the run leaves: the last
    uint16_t ref_id;         // variable met (0 and 0 when there is none)
    ExprQuickOperand a, b;
    // The variable layout generation in which every operand was last found
    // readable (0: not yet); cells are valid while it is current.
    mutable uint64_t ready_gen;
};

// The quick form of code (length bytes, already known to lie in its file)
// for a record of evaluator type eval_type; form EXPR_QUICK_NONE when the
// code has another shape or the type uses floating arithmetic.
void expr_quick_classify(ExprQuick *q, const uint8_t *code, uint32_t length, uint8_t eval_type);

// Checks that the form has a quick shape, that the full opcode table is in
// force and that every operand can be read now (created integer variables,
// user ones with elements), and points the cells at their elements; false
// when not.
bool expr_quick_prepare(const ExprQuick *q);

struct ArgRecord;
// A record's expression as an integer with the evaluator of its type: the
// quick form when there is one and it applies now, otherwise the general run
// of code (the record's bytes in its file).
int64_t expr_eval_record_int(const ArgRecord *r, const uint8_t *code);
