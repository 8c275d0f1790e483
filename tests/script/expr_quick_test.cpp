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

class ExprQuickTest : public VarsFixture {
protected:
    ArgRecord record(const Code &c, uint8_t type = 1)
    {
        ArgRecord r{};
        r.eval_type = type;
        r.length = c.size();
        expr_quick_classify(&r.quick, c.data(), c.size(), type);
        return r;
    }
    // The record's integer value by the quick path (when it applies) and by
    // the general run, from the same error state.
    void compare(const Code &c, uint8_t type, const std::string &what)
    {
        ArgRecord r = record(c, type);
        clear_errors();
        g_expr_ref = ExprRef{};
        g_expr_ref.var_id = 12345;   // a stale record must not survive
        Outcome quick = capture(expr_eval_record_int(&r, c.data()));
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
    EXPECT_EQ(EXPR_QUICK_ONE, record(Code().i(5)).quick.form);
    EXPECT_EQ(EXPR_QUICK_ONE, record(Code().i(INT64_MIN)).quick.form);
    EXPECT_EQ(EXPR_QUICK_ONE, record(Code().var(1000)).quick.form);
    EXPECT_EQ(EXPR_QUICK_BINARY, record(Code().var(1000).i(3).op('>')).quick.form);
    EXPECT_EQ(EXPR_QUICK_BINARY, record(Code().var(1000).var(1001).op('%')).quick.form);
    EXPECT_EQ(EXPR_QUICK_NONE, record(Code().var(1000).i(3).op('+').i(1).op('+')).quick.form);
    EXPECT_EQ(EXPR_QUICK_NONE, record(Code().var(1000).op('R')).quick.form);
    EXPECT_EQ(EXPR_QUICK_NONE, record(Code().f(1.5)).quick.form);
    EXPECT_EQ(EXPR_QUICK_NONE, record(Code().s("1")).quick.form);
    EXPECT_EQ(EXPR_QUICK_NONE, record(Code().i(1).i(2).op(',')).quick.form);
    EXPECT_EQ(EXPR_QUICK_NONE, record(Code().open(1000).i(1).close()).quick.form);
    EXPECT_EQ(EXPR_QUICK_NONE, record(Code()).quick.form);
    // Floating arithmetic (types 2 and 4) always takes the general run.
    EXPECT_EQ(EXPR_QUICK_NONE, record(Code().i(5), 2).quick.form);
    EXPECT_EQ(EXPR_QUICK_NONE, record(Code().i(5), 4).quick.form);
    EXPECT_EQ(EXPR_QUICK_ONE, record(Code().i(5), 3).quick.form);

    // Operand widths as the evaluator reads them: too short is no quick
    // form, longer reads the first bytes.
    EXPECT_EQ(EXPR_QUICK_NONE, record(Code().op('L', {1, 2, 3})).quick.form);
    EXPECT_EQ(EXPR_QUICK_NONE, record(Code().op('H', {'`', 0xE8})).quick.form);
    ArgRecord longer = record(Code().op('W', {0x34, 0x12, 0xFF, 0xFF}));
    ASSERT_EQ(EXPR_QUICK_ONE, longer.quick.form);
    EXPECT_EQ(0x1234, longer.quick.a.k);

    // Code whose last instruction runs past its end is not read.
    Code cut = Code().var(1000);
    std::vector<uint8_t> bytes = cut.b;
    bytes[1] = 9;
    ExprQuick q;
    expr_quick_classify(&q, bytes.data(), (uint32_t)bytes.size(), 1);
    EXPECT_EQ(EXPR_QUICK_NONE, q.form);

    // The reference the run leaves: the last variable met.
    ArgRecord two = record(Code().var(1000, '`').var(1001, '#').op('+'));
    EXPECT_EQ(1001, two.quick.ref_id);
    EXPECT_EQ('#', two.quick.ref_scope);
    ArgRecord first = record(Code().var(1000, '#').i(1).op('+'));
    EXPECT_EQ(1000, first.quick.ref_id);
    EXPECT_EQ(0, record(Code().i(1).i(2).op('+')).quick.ref_id);
    // Id 48 is the loop counter, other ids below 1000 their getters.
    EXPECT_EQ(EXPR_QUICK_LOOP, record(Code().var(48)).quick.a.kind);
    EXPECT_EQ(EXPR_QUICK_SYSTEM, record(Code().var(49)).quick.a.kind);
    EXPECT_EQ(EXPR_QUICK_USER, record(Code().var(1000)).quick.a.kind);
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
    ArgRecord r = record(Code().var(1000).i(-1).op('/'));
    Code c = Code().var(1000).i(-1).op('/');
    EXPECT_EQ(INT64_MIN, expr_eval_record_int(&r, c.data()));
    Code rem = Code().var(1000).i(-1).op('%');
    ArgRecord rr = record(rem);
    EXPECT_EQ(0, expr_eval_record_int(&rr, rem.data()));
    Code zero = Code().i(5).i(0).op('/');
    ArgRecord rz = record(zero);
    EXPECT_EQ(0, expr_eval_record_int(&rz, zero.data()));
    Code wrap = Code().var(1000).i(-1).op('+');
    ArgRecord rw = record(wrap);
    EXPECT_EQ(INT64_MAX, expr_eval_record_int(&rw, wrap.data()));
    EXPECT_EQ(0u, g_last_error_code);
}

TEST_F(ExprQuickTest, ChangedVariablesAreCheckedAgain)
{
    def_int(1000, 5);
    Code c = Code().var(1000);
    ArgRecord r = record(c);
    int64_t v = 0;
    ASSERT_TRUE(expr_quick_int(&r.quick, &v));
    EXPECT_EQ(5, v);
    // A new value in the same element: the same cell.
    ASSERT_EQ(0, var_set_number(1000, 0, 9));
    ASSERT_TRUE(expr_quick_int(&r.quick, &v));
    EXPECT_EQ(9, v);
    // Declared again as floating: the general run reads it.
    def_float(1000, 2.5);
    EXPECT_FALSE(expr_quick_int(&r.quick, &v));
    EXPECT_EQ(2, expr_eval_record_int(&r, c.data()));
    // And as an integer array: the new element array.
    def_int(1000, 4, {3});
    ASSERT_TRUE(expr_quick_int(&r.quick, &v));
    EXPECT_EQ(4, v);
    // Released values (count 0): the general run reports the index.
    var_release_values(var_descriptor(1000));
    EXPECT_FALSE(expr_quick_int(&r.quick, &v));
    clear_errors();
    EXPECT_EQ(0, expr_eval_record_int(&r, c.data()));
    EXPECT_EQ(EXPR_ERR_INDEX, g_last_error_code);
    // A new table: nothing found before holds.
    clear_errors();
    ASSERT_EQ(0, var_table_alloc(2100));
    EXPECT_FALSE(expr_quick_int(&r.quick, &v));
    def_int(1000, 6);
    ASSERT_TRUE(expr_quick_int(&r.quick, &v));
    EXPECT_EQ(6, v);
}

TEST_F(ExprQuickTest, ReferenceModeAndLabelTableTakeTheGeneralRun)
{
    def_int(1000, 5);
    Code c = Code().var(1000);
    ArgRecord r = record(c);
    int64_t v;
    g_expr_ref_mode = 1;
    EXPECT_FALSE(expr_quick_int(&r.quick, &v));
    g_expr_ref_mode = 0;
    init_expr_op_table(0);
    EXPECT_FALSE(expr_quick_int(&r.quick, &v));
    g_expr_uses_vars = 0;
    EXPECT_EQ(0, expr_eval_record_int(&r, c.data()));
    EXPECT_EQ(1, g_expr_uses_vars);
    init_expr_op_table(1);
    ASSERT_TRUE(expr_quick_int(&r.quick, &v));
    EXPECT_EQ(5, v);
}

TEST_F(ExprQuickTest, LoopCounterIsTheInnermostOpenLoop)
{
    Code c = Code().var(48).i(1).op('+');
    ArgRecord r = record(c);
    def_int(48, 0);
    ScriptTask task;
    memset(&task, 0, sizeof task);
    g_cur_script = &task;
    EXPECT_EQ(1, expr_eval_record_int(&r, c.data()));   // no loop open: 0
    task.loop_depth = 2;
    task.loops[1].counter = 5;
    task.loops[2].counter = 8;
    EXPECT_EQ(9, expr_eval_record_int(&r, c.data()));
    g_cur_script = nullptr;
    EXPECT_EQ(1, expr_eval_record_int(&r, c.data()));
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
        ArgRecord r = record(c.code);
        EXPECT_EQ(c.quick, expr_quick_int(&r.quick, &v)) << c.code.size();
    }
}
