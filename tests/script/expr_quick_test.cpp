// Quick forms of expressions: which shapes are found when a file is loaded,
// and that the quick value, reference record and failure flag are always
// those of the general run (or the general run takes over).
#include <cstdint>
#include <string>
#include <vector>

#include "script/expr_quick.h"
#include "script/expr_quick_eval.h"
#include "vars_task.h"

using namespace exprtest;

namespace {

struct Outcome {
    int64_t value;
    uint32_t var_id;
    uint8_t scope;
    int64_t element;
    uint8_t index_count, whole, failed;
    uint32_t error;
};

Outcome capture(int64_t v)
{
    return {v, g_expr_ref.var_id, g_expr_ref.scope, g_expr_ref.element, g_expr_ref.index_count,
            g_expr_ref.whole, g_expr_failed, g_last_error_code};
}

void expect_same(const Outcome &a, const Outcome &b, const std::string &what)
{
    EXPECT_EQ(a.value, b.value) << what;
    EXPECT_EQ(a.var_id, b.var_id) << what;
    EXPECT_EQ(a.scope, b.scope) << what;
    EXPECT_EQ(a.element, b.element) << what;
    EXPECT_EQ(a.index_count, b.index_count) << what;
    EXPECT_EQ(a.whole, b.whole) << what;
    EXPECT_EQ(a.failed, b.failed) << what;
    EXPECT_EQ(a.error, b.error) << what;
}

// A record with its quick form beside it, as a loaded file has them.
struct QuickRecord {
    ExprQuick q;
    ArgRecord r;
    QuickRecord(const Code &c, uint8_t type = 1)
    {
        expr_quick_classify(&q, c.data(), c.size(), type);
        r = ArgRecord{};
        r.eval_type = type;
        r.length = c.size();
        r.quick = q.form != EXPR_QUICK_NONE ? &q : nullptr;
    }
    QuickRecord(const QuickRecord &) = delete;
};

class ExprQuickTest : public VarsFixture {
protected:
    static ExprQuick form(const Code &c, uint8_t type = 1)
    {
        ExprQuick q;
        expr_quick_classify(&q, c.data(), c.size(), type);
        return q;
    }
    // The record's integer value by the quick path (when it applies) and by
    // the general run, from the same error state.
    void compare(const Code &c, uint8_t type, const std::string &what)
    {
        QuickRecord qr(c, type);
        clear_errors();
        g_expr_ref = ExprRef{};
        g_expr_ref.var_id = 12345;   // a stale record must not survive
        Outcome quick = capture(expr_eval_record_int(&qr.r, c.data()));
        clear_errors();
        g_expr_ref = ExprRef{};
        Outcome general = capture(expr_evaluators(type)->as_int(c.data(), c.size()));
        expect_same(quick, general, what);
    }
};

}  // namespace

TEST_F(ExprQuickTest, ShapesFoundAtLoad)
{
    // One operand, two operands and an operator; anything longer or with
    // another opcode has none.
    EXPECT_EQ(EXPR_QUICK_ONE, form(Code().i(5)).form);
    EXPECT_EQ(EXPR_QUICK_ONE, form(Code().i(INT64_MIN)).form);
    EXPECT_EQ(EXPR_QUICK_ONE, form(Code().var(1000)).form);
    EXPECT_EQ(EXPR_QUICK_BINARY, form(Code().var(1000).i(3).op('>')).form);
    EXPECT_EQ(EXPR_QUICK_BINARY, form(Code().var(1000).var(1001).op('%')).form);
    EXPECT_EQ(EXPR_QUICK_NONE, form(Code().var(1000).i(3).op('+').i(1).op('+')).form);
    EXPECT_EQ(EXPR_QUICK_NONE, form(Code().var(1000).op('R')).form);
    EXPECT_EQ(EXPR_QUICK_NONE, form(Code().f(1.5)).form);
    EXPECT_EQ(EXPR_QUICK_NONE, form(Code().s("1")).form);
    EXPECT_EQ(EXPR_QUICK_NONE, form(Code().i(1).i(2).op(',')).form);
    EXPECT_EQ(EXPR_QUICK_NONE, form(Code().open(1000).i(1).close()).form);
    EXPECT_EQ(EXPR_QUICK_NONE, form(Code()).form);
    // Floating arithmetic (types 2 and 4) always takes the general run.
    EXPECT_EQ(EXPR_QUICK_NONE, form(Code().i(5), 2).form);
    EXPECT_EQ(EXPR_QUICK_NONE, form(Code().i(5), 4).form);
    EXPECT_EQ(EXPR_QUICK_ONE, form(Code().i(5), 3).form);

    // Operand widths as the evaluator reads them: too short is no quick
    // form, longer reads the first bytes.
    EXPECT_EQ(EXPR_QUICK_NONE, form(Code().op('L', {1, 2, 3})).form);
    EXPECT_EQ(EXPR_QUICK_NONE, form(Code().op('H', {'`', 0xE8})).form);
    ExprQuick longer = form(Code().op('W', {0x34, 0x12, 0xFF, 0xFF}));
    ASSERT_EQ(EXPR_QUICK_ONE, longer.form);
    EXPECT_EQ(0x1234, longer.a.k);

    // Code whose last instruction runs past its end is not read.
    Code cut = Code().var(1000);
    std::vector<uint8_t> bytes = cut.b;
    bytes[1] = 9;
    ExprQuick q;
    expr_quick_classify(&q, bytes.data(), (uint32_t)bytes.size(), 1);
    EXPECT_EQ(EXPR_QUICK_NONE, q.form);

    // The reference the run leaves: the last variable met.
    ExprQuick two = form(Code().var(1000, '`').var(1001, '#').op('+'));
    EXPECT_EQ(1001, two.ref_id);
    EXPECT_EQ('#', two.ref_scope);
    ExprQuick first = form(Code().var(1000, '#').i(1).op('+'));
    EXPECT_EQ(1000, first.ref_id);
    EXPECT_EQ(0, form(Code().i(1).i(2).op('+')).ref_id);
    // Id 48 is the loop counter, other ids below 1000 their getters.
    EXPECT_EQ(EXPR_QUICK_LOOP, form(Code().var(48)).a.kind);
    EXPECT_EQ(EXPR_QUICK_SYSTEM, form(Code().var(49)).a.kind);
    EXPECT_EQ(EXPR_QUICK_USER, form(Code().var(1000)).a.kind);
}

TEST_F(ExprQuickTest, EveryOperatorAndOperandAgreesWithTheGeneralRun)
{
    def_int(1000, -7);
    def_int(1001, 3, {4, 2});           // an array read without index: element 0
    def_int(1002, INT64_MIN);
    def_int(1003, 0);
    def_float(1004, 2.75);              // general run: truncated
    def_string(1005, "12");             // general run: a type error on arithmetic
    def_int(49, 0);                     // the getter gives 999
    // 1006 is never created: 108010 from the general run.
    const std::vector<Code> operands = {
        Code().i(0),        Code().i(-1),       Code().i(7),        Code().i(INT64_MAX),
        Code().i(INT64_MIN), Code().var(1000),  Code().var(1001),   Code().var(1002),
        Code().var(1003),   Code().var(1004),   Code().var(1005),   Code().var(1006),
        Code().var(49),     Code().var(48),
    };
    const char ops[] = "+-*/%=!><ZSAO^&|";
    for (uint8_t type : {1, 3, 0, 9}) {
        for (size_t a = 0; a < operands.size(); a++) {
            compare(operands[a], type, "one " + std::to_string(a));
            for (size_t b = 0; b < operands.size(); b++) {
                for (const char *op = ops; *op; op++) {
                    Code c = operands[a];
                    c.b.insert(c.b.end(), operands[b].b.begin(), operands[b].b.end());
                    c.op(*op);
                    compare(c, type, std::to_string(a) + *op + std::to_string(b) + " type " +
                                         std::to_string(type));
                }
            }
        }
    }
}

TEST_F(ExprQuickTest, DivisionEdgesAndWrapAround)
{
    def_int(1000, INT64_MIN);
    QuickRecord r(Code().var(1000).i(-1).op('/'));
    Code c = Code().var(1000).i(-1).op('/');
    EXPECT_EQ(INT64_MIN, expr_eval_record_int(&r.r, c.data()));
    Code rem = Code().var(1000).i(-1).op('%');
    QuickRecord rr(rem);
    EXPECT_EQ(0, expr_eval_record_int(&rr.r, rem.data()));
    Code zero = Code().i(5).i(0).op('/');
    QuickRecord rz(zero);
    EXPECT_EQ(0, expr_eval_record_int(&rz.r, zero.data()));
    Code wrap = Code().var(1000).i(-1).op('+');
    QuickRecord rw(wrap);
    EXPECT_EQ(INT64_MAX, expr_eval_record_int(&rw.r, wrap.data()));
    EXPECT_EQ(0u, g_last_error_code);
}

TEST_F(ExprQuickTest, ChangedVariablesAreCheckedAgain)
{
    def_int(1000, 5);
    Code c = Code().var(1000);
    QuickRecord r(c);
    int64_t v = 0;
    ASSERT_TRUE(expr_quick_int(&r.q, &v));
    EXPECT_EQ(5, v);
    // A new value in the same element: the same cell.
    ASSERT_EQ(0, var_set_number(1000, 0, 9));
    ASSERT_TRUE(expr_quick_int(&r.q, &v));
    EXPECT_EQ(9, v);
    // Declared again as floating: the general run reads it.
    def_float(1000, 2.5);
    EXPECT_FALSE(expr_quick_int(&r.q, &v));
    EXPECT_EQ(2, expr_eval_record_int(&r.r, c.data()));
    // And as an integer array: the new element array.
    def_int(1000, 4, {3});
    ASSERT_TRUE(expr_quick_int(&r.q, &v));
    EXPECT_EQ(4, v);
    // Released values (count 0): the general run reports the index.
    var_release_values(var_descriptor(1000));
    EXPECT_FALSE(expr_quick_int(&r.q, &v));
    clear_errors();
    EXPECT_EQ(0, expr_eval_record_int(&r.r, c.data()));
    EXPECT_EQ(EXPR_ERR_INDEX, g_last_error_code);
    // A new table: nothing found before holds.
    clear_errors();
    ASSERT_EQ(0, var_table_alloc(2100));
    EXPECT_FALSE(expr_quick_int(&r.q, &v));
    def_int(1000, 6);
    ASSERT_TRUE(expr_quick_int(&r.q, &v));
    EXPECT_EQ(6, v);
}

TEST_F(ExprQuickTest, ReferenceModeAndLabelTableTakeTheGeneralRun)
{
    def_int(1000, 5);
    Code c = Code().var(1000);
    QuickRecord r(c);
    int64_t v;
    g_expr_ref_mode = 1;
    EXPECT_FALSE(expr_quick_int(&r.q, &v));
    g_expr_ref_mode = 0;
    init_expr_op_table(0);
    EXPECT_FALSE(expr_quick_int(&r.q, &v));
    g_expr_uses_vars = 0;
    EXPECT_EQ(0, expr_eval_record_int(&r.r, c.data()));
    EXPECT_EQ(1, g_expr_uses_vars);
    init_expr_op_table(1);
    ASSERT_TRUE(expr_quick_int(&r.q, &v));
    EXPECT_EQ(5, v);
}

TEST_F(ExprQuickTest, LoopCounterIsTheInnermostOpenLoop)
{
    Code c = Code().var(48).i(1).op('+');
    QuickRecord r(c);
    def_int(48, 0);
    ScriptTask task;
    memset(&task, 0, sizeof task);
    g_cur_script = &task;
    EXPECT_EQ(1, expr_eval_record_int(&r.r, c.data()));   // no loop open: 0
    task.loop_depth = 2;
    task.loops[1].counter = 5;
    task.loops[2].counter = 8;
    EXPECT_EQ(9, expr_eval_record_int(&r.r, c.data()));
    g_cur_script = nullptr;
    EXPECT_EQ(1, expr_eval_record_int(&r.r, c.data()));
}

TEST_F(ExprQuickTest, QuickPathTakesCreatedIntegersOnly)
{
    def_int(1000, 1);
    def_int(1001, 2, {3});
    def_float(1002, 1.5);
    def_string(1003, "1");
    def_int(49, 0);
    int64_t v;
    struct Case {
        Code code;
        bool quick;
    } cases[] = {
        {Code().i(4), true},
        {Code().var(1000), true},
        {Code().var(1001), true},
        {Code().var(49), true},
        {Code().var(1000).var(1001).op('*'), true},
        {Code().var(1002), false},
        {Code().var(1003), false},
        {Code().var(1004), false},             // never created
        {Code().var(50000), false},            // beyond the table
        {Code().var(1000).var(1002).op('+'), false},
    };
    for (Case &c : cases) {
        QuickRecord r(c.code);
        EXPECT_EQ(c.quick, expr_quick_int(&r.q, &v)) << c.code.size();
    }
}
