// The short cuts of the evaluator and of the assignment target: a plain
// variable read, the integer comparison and a one-variable target must give
// the same values, references and reports as the general paths.
#include <cmath>

#include "vars_task.h"

using namespace exprtest;

namespace {

class ExprFast : public VarsFixture {};

void expect_ref(uint32_t id, char scope)
{
    EXPECT_EQ(g_expr_ref.var_id, id);
    EXPECT_EQ(g_expr_ref.scope, (uint8_t)scope);
    EXPECT_EQ(g_expr_ref.element, 0);
    EXPECT_EQ(g_expr_ref.index_count, 0);
    EXPECT_EQ(g_expr_ref.whole, 0);
}

}  // namespace

TEST_F(ExprFast, PlainReadsKeepTheReferenceRecord)
{
    def_int(1000, -7);
    def_float(1001, 2.75);
    def_int(1002, 11, {3, 2});   // an array read without index: element 0
    // A reference left by an indexed read must not leak into the next one.
    EXPECT_EQ(I(Code().open(1002).i(2).i(1).close()), 11);
    EXPECT_EQ(g_expr_ref.index_count, 2);
    EXPECT_EQ(I(Code().var(1000, '#')), -7);
    expect_ref(1000, '#');
    EXPECT_EQ(D(Code().var(1000)), -7.0);
    EXPECT_EQ(I(Code().var(1001)), 2);            // truncated in integer runs
    expect_ref(1001, '`');
    EXPECT_EQ(D(Code().var(1001)), 2.75);
    EXPECT_EQ(SF(Code().var(1001).op('s')), "2.750000");
    EXPECT_EQ(I(Code().var(1002)), 11);
    // Inside an index the arithmetic is integer even in a floating run.
    def_float(1003, 0.0, {4});
    ASSERT_EQ(var_set_float(1003, 2, 6.5), 0);
    def_float(1004, 2.9);
    EXPECT_EQ(D(Code().open(1003).var(1004).close()), 6.5);
    EXPECT_EQ(g_last_error_code, 0u);
}

TEST_F(ExprFast, PlainReadFaultsAreUnchanged)
{
    // Beyond the table, never created, and the 16-bit id above the table.
    EXPECT_EQ(I(Code().i(5).var(2099)), 0);
    EXPECT_EQ(g_last_error_code, (uint32_t)EXPR_ERR_NO_VAR);
    clear_errors();
    EXPECT_EQ(I(Code().var(65535)), 0);
    EXPECT_EQ(g_last_error_code, (uint32_t)EXPR_ERR_NO_VAR);
    clear_errors();
    // An operand shorter than scope and id.
    EXPECT_EQ(I(Code().op('H', {'`', 0xE8})), 0);
    EXPECT_EQ(g_last_error_code, (uint32_t)EXPR_ERR_BAD_CODE);
    clear_errors();
    // The stack limit holds for plain reads too.
    def_int(1000, 1);
    Code c;
    for (int k = 0; k < EXPR_STACK_MAX; k++)
        c.var(1000);
    EXPECT_EQ(run(c), 0);
    EXPECT_EQ(g_last_error_code, 0u);
    c.var(1000);
    EXPECT_EQ(run(c), -1);
    EXPECT_EQ(g_last_error_code, (uint32_t)EXPR_ERR_BAD_CODE);
}

TEST_F(ExprFast, ComparisonsOfEveryKind)
{
    // Integers (the short path), floats with NaN, strings and a mix.
    const char ops[] = {'=', '!', '>', '<', 'Z', 'S'};
    const int64_t ints[][2] = {{3, 3}, {2, 3}, {3, 2}, {INT64_MIN, INT64_MAX}, {-1, 0}};
    for (char o : ops) {
        for (const auto &p : ints) {
            int64_t a = p[0], b = p[1];
            bool want = o == '=' ? a == b : o == '!' ? a != b : o == '>' ? a > b
                      : o == '<' ? a < b : o == 'Z' ? a >= b : a <= b;
            EXPECT_EQ(I(Code().i(a).i(b).op(o)), want) << a << o << b;
            EXPECT_EQ(D(Code().f((double)a).f((double)b).op(o)), want ? 1.0 : 0.0) << a << o << b;
        }
        bool nan_want = o == '!';
        EXPECT_EQ(D(Code().f(NAN).f(1.0).op(o)), nan_want ? 1.0 : 0.0) << o;
    }
    EXPECT_EQ(I(Code().s("ab").s("abc").op('<')), 1);
    EXPECT_EQ(I(Code().s("abc").s("abc").op('Z')), 1);
    EXPECT_EQ(g_last_error_code, 0u);
    EXPECT_EQ(I(Code().s("1").i(1).op('=')), 0);
    EXPECT_EQ(g_last_error_code, (uint32_t)EXPR_ERR_TYPE);
}

TEST_F(ExprFast, ConstantOperandWidths)
{
    // Every width is read little-endian; a short operand is damaged code and
    // a longer one keeps its extra bytes unread.
    EXPECT_EQ(I(Code().op('I', {0x78, 0x56, 0x34, 0x92})), (int32_t)0x92345678);
    EXPECT_EQ(I(Code().op('L', {1, 2, 3, 4, 5, 6, 7, 0x88})), (int64_t)0x8807060504030201);
    EXPECT_EQ(I(Code().op('W', {0x34, 0x82, 0xFF})), (int16_t)0x8234);
    EXPECT_EQ(g_last_error_code, 0u);
    EXPECT_EQ(I(Code().op('L', {1, 2, 3, 4, 5, 6, 7})), 0);
    EXPECT_EQ(g_last_error_code, (uint32_t)EXPR_ERR_BAD_CODE);
}

TEST_F(ExprFast, OneVariableTargets)
{
    // Integer, floating and string targets named by one plain read.
    def_int(1000, 5);
    ASSERT_EQ(assign(Code().var(1000), 3, Code().i(4)), 0);
    EXPECT_EQ(var_get_int(1000, 0), 20);
    def_float(1001, 1.5);
    ASSERT_EQ(assign(Code().var(1001), 1, Code().f(0.25), 2, 2), 0);
    EXPECT_EQ(var_get_float(1001, 0), 1.75);
    def_string(1002, "ab");
    ASSERT_EQ(assign(Code().var(1002), 1, Code().s("cd")), 0);
    EXPECT_STREQ(var_get_string(1002, 0), "abcd");
    // An array named without index is its element 0.
    def_int(1003, 1, {4});
    ASSERT_EQ(assign(Code().var(1003), 1, Code().i(9)), 0);
    EXPECT_EQ(var_get_int(1003, 0), 10);
    EXPECT_EQ(var_get_int(1003, 1), 1);
    EXPECT_EQ(g_last_error_code, 0u);

    // A variable never created or beyond the table is 108010, as before.
    EXPECT_EQ(assign(Code().var(1010), 0, Code().i(1)), -1);
    EXPECT_EQ(g_last_error_code, (uint32_t)EXPR_ERR_NO_VAR);
    clear_errors();
    EXPECT_EQ(assign(Code().var(2099), 0, Code().i(1)), -1);
    EXPECT_EQ(g_last_error_code, (uint32_t)EXPR_ERR_NO_VAR);
    clear_errors();
    // A failing value leaves the target unchanged.
    EXPECT_EQ(assign(Code().var(1000), 0, Code().i(1).op('?')), -1);
    EXPECT_EQ(var_get_int(1000, 0), 20);

    // With the label-resolution table a variable target fails as its run
    // would, and nothing is written.
    clear_errors();
    init_expr_op_table(0);
    g_expr_uses_vars = 0;
    EXPECT_EQ(assign(Code().var(1000), 0, Code().i(1)), -1);
    EXPECT_EQ(g_expr_uses_vars, 1);
    init_expr_op_table(1);
    EXPECT_EQ(var_get_int(1000, 0), 20);
}
