// The evaluator on variables: elements, indices up to 8 dimensions, the
// reference record and reference mode.
#include "expr_fixture.h"

using namespace exprtest;

namespace {
class ExprIndex : public ExprFixture {};
}  // namespace

TEST_F(ExprIndex, ScalarsOfEachType)
{
    def_int(1000, -77);
    def_float(1001, 2.75);
    def_string(1002, "値");
    EXPECT_EQ(I(Code().var(1000)), -77);
    EXPECT_EQ(D(Code().var(1000)), -77.0);
    EXPECT_EQ(I(Code().var(1001)), 2);
    EXPECT_EQ(D(Code().var(1001)), 2.75);
    EXPECT_EQ(S(Code().var(1002)), "値");
    EXPECT_EQ(S(Code().var(1002).s("x").op('+')), "値x");
    EXPECT_EQ(g_expr_ref.var_id, 1002u);
    EXPECT_EQ(g_expr_ref.element, 0);
    EXPECT_EQ(g_expr_ref.scope, '`');
    EXPECT_EQ(I(Code().var(1000, '#')), -77);
    EXPECT_EQ(g_expr_ref.scope, '#');
    // a + b * c - d over variables
    def_int(1003, 3);
    EXPECT_EQ(I(Code().var(1000).var(1003).var(1003).op('*').op('+').var(1003).op('-')), -71);
    EXPECT_EQ(g_last_error_code, 0u);
}

TEST_F(ExprIndex, TwoDimensionsRowMajor)
{
    def_int(1000, 0, {3, 4});
    VarDescriptor *v = var_descriptor(1000);
    ASSERT_EQ(v->count, 12);
    for (int k = 0; k < 12; k++)
        v->ints[k] = 100 + k;
    EXPECT_EQ(I(Code().open(1000).i(1).i(2).close()), 106);
    EXPECT_EQ(g_expr_ref.element, 6);
    EXPECT_EQ(g_expr_ref.index_count, 2);
    EXPECT_EQ(g_expr_ref.indices[0], 1);
    EXPECT_EQ(g_expr_ref.indices[1], 2);
    EXPECT_EQ(I(Code().open(1000).i(2).i(3).close()), 111);
    // Fewer indices than dimensions: the missing trailing ones are 0.
    EXPECT_EQ(I(Code().open(1000).i(2).close()), 108);
    // An index is always integer, also in a floating expression: 3 / 2 is 1.
    Code c;
    c.open(1000).i(3).i(2).op('/').f(2.9).close().f(0.5).op('+');
    EXPECT_EQ(D(c), 106.5);
    // Nested: v[v[0][0] - 100][1]
    Code n;
    n.open(1000).open(1000).i(0).i(0).close().i(99).op('-').i(1).close();
    EXPECT_EQ(I(n), 105);
    EXPECT_EQ(g_last_error_code, 0u);
}

TEST_F(ExprIndex, EightDimensions)
{
    def_float(1000, 0.0, {2, 3, 2, 2, 3, 2, 2, 2});
    VarDescriptor *v = var_descriptor(1000);
    ASSERT_EQ(v->count, 2 * 3 * 2 * 2 * 3 * 2 * 2 * 2);
    for (int64_t k = 0; k < v->count; k++)
        v->floats[k] = (double)k + 0.5;
    // [1][2][1][0][2][1][0][1]
    int64_t want = ((((((1 * 3 + 2) * 2 + 1) * 2 + 0) * 3 + 2) * 2 + 1) * 2 + 0) * 2 + 1;
    Code c;
    c.open(1000).i(1).i(2).i(1).i(0).i(2).i(1).i(0).i(1).close();
    EXPECT_EQ(D(c), (double)want + 0.5);
    EXPECT_EQ(g_expr_ref.element, want);
    EXPECT_EQ(g_expr_ref.index_count, 8);
    EXPECT_EQ(g_last_error_code, 0u);
    // A ninth index is out of range.
    Code nine;
    nine.open(1000).i(1).i(2).i(1).i(0).i(2).i(1).i(0).i(1).i(0).close();
    EXPECT_EQ(D(nine), 0.0);
    EXPECT_EQ(g_last_error_code, 107010u);
}

TEST_F(ExprIndex, IndexFaults)
{
    def_int(1000, 5, {3, 4});
    def_int(1001, 9);
    struct Case { Code code; uint32_t err; };
    Case cases[] = {
        {Code().open(1000).i(3).i(0).close(), 107010},            // first index too big
        {Code().open(1000).i(0).i(4).close(), 107010},            // second too big
        {Code().open(1000).i(-1).i(0).close(), 107010},           // negative
        {Code().open(1000).i(0x100000000LL).i(0).close(), 107010},  // 2^32: full 64-bit compare
        {Code().open(1000).i(0).i(0).i(0).close(), 107010},       // more than the dimensions
        {Code().open(1001).i(0).close(), 107010},                 // a scalar takes no index
        {Code().open(1000).s("1").i(0).close(), 160010},          // a string index
        {Code().var(1500), 108010},                               // never created
        {Code().var(2100), 108010},                               // beyond the table
        {Code().var(65535), 108010},
        {Code().open(1999).i(0).close(), 108010},
    };
    for (Case &k : cases) {
        clear_errors();
        EXPECT_EQ(I(k.code), 0);
        EXPECT_EQ(g_last_error_code, k.err);
        EXPECT_EQ(g_quit_flag.load(), 1);
    }
}

TEST_F(ExprIndex, WholeVariableReference)
{
    def_int(1000, 5, {10});
    EXPECT_EQ(I(Code().whole(1000)), 0);
    EXPECT_EQ(g_expr_ref.var_id, 1000u);
    EXPECT_EQ(g_expr_ref.whole, 1);
    EXPECT_EQ(I(Code().open(1000).i(3).close()), 5);
    EXPECT_EQ(g_expr_ref.whole, 0);
    EXPECT_EQ(g_expr_ref.element, 3);
}

TEST_F(ExprIndex, ReferenceModeOnlyRecords)
{
    // The variable does not exist yet: reference mode neither reads nor checks.
    g_expr_ref_mode = 1;
    EXPECT_EQ(run(Code().open(1200).i(2000).i(3).i(0).i(-4).close()), 0);
    EXPECT_EQ(g_expr_ref.var_id, 1200u);
    EXPECT_EQ(g_expr_ref.index_count, 4);
    EXPECT_EQ(g_expr_ref.indices[0], 2000);
    EXPECT_EQ(g_expr_ref.indices[3], -4);
    EXPECT_EQ(run(Code().var(1201)), 0);
    EXPECT_EQ(g_expr_ref.var_id, 1201u);
    EXPECT_EQ(g_expr_ref.index_count, 0);
    // Inside an index the values are read as usual.
    def_int(1000, 7);
    EXPECT_EQ(run(Code().open(1202).var(1000).i(1).op('+').close()), 0);
    EXPECT_EQ(g_expr_ref.var_id, 1202u);
    EXPECT_EQ(g_expr_ref.indices[0], 8);
    g_expr_ref_mode = 0;
    EXPECT_EQ(g_last_error_code, 0u);
}

TEST_F(ExprIndex, LabelResolutionModeRefusesVariables)
{
    def_int(1000, 1);
    init_expr_op_table(0);
    for (const Code &c : {Code().var(1000), Code().open(1000).close(), Code().whole(1000)}) {
        g_expr_uses_vars = 0;
        char buf[EXPR_STRING_SIZE];
        EXPECT_EQ(expr_eval_string(buf, c.data(), c.size()), 0u);
        EXPECT_EQ(g_expr_uses_vars, 1);
    }
    g_expr_uses_vars = 0;
    EXPECT_EQ(S(Code().s("LABEL")), "LABEL");
    EXPECT_EQ(g_expr_uses_vars, 0);
    EXPECT_EQ(g_last_error_code, 0u);   // no report in this mode
    init_expr_op_table(1);
    EXPECT_EQ(I(Code().var(1000)), 1);
}
