// Broken expression code ends in a report, never outside the code or stack,
// and a failed run never hands back an earlier value.
#include "expr_fixture.h"

using namespace exprtest;

namespace {
class ExprFault : public ExprFixture {};
}  // namespace

TEST_F(ExprFault, MalformedCodeIsReported)
{
    def_int(1000, 1, {4});
    const std::vector<uint8_t> trailing{'B', 1};   // header cut short
    Code cases[] = {
        Code().op('?'),                                  // unknown opcode
        Code().op(0),
        Code().op(0xFF),
        Code().raw({'B', 0x05, 0x00, 0x01}),             // operand runs past the end
        Code().i(1).raw(trailing),
        Code().op('L', {1, 2, 3}),                       // operand too short
        Code().op('F', {}),
        Code().op('H', {'`', 0xE8}),
        Code().op('M', {}),
        Code().op('+'),                                  // stack underflow
        Code().i(1).op('*'),
        Code().op('R'),
        Code().op('s'),
        Code().close(),                                  // ')' without an index
        Code().i(7).open(1000).op('+').close(),          // reaching below the index
        Code().i(7).open(1000).op('R').close(),
    };
    for (Code &c : cases) {
        clear_errors();
        EXPECT_EQ(I(c), 0);
        EXPECT_EQ(g_expr_failed, 1);
        EXPECT_EQ(g_last_error_code, 900030u);
        EXPECT_EQ(g_quit_flag.load(), 1);
    }
}

TEST_F(ExprFault, StackAndNestingLimits)
{
    Code ok, over;
    for (int k = 0; k < EXPR_STACK_MAX; k++)
        ok.i(k);
    EXPECT_EQ(run(ok), 0);
    over = ok;
    over.i(1);
    EXPECT_EQ(run(over), -1);
    EXPECT_EQ(g_last_error_code, 900030u);

    clear_errors();
    def_int(1000, 3, {10});
    Code deep;   // v[v[...v[0]...]] eight deep is fine, nine is not
    for (int k = 0; k < EXPR_NEST_MAX; k++)
        deep.open(1000);
    deep.i(0);
    for (int k = 0; k < EXPR_NEST_MAX; k++)
        deep.close();
    EXPECT_EQ(I(deep), 3);
    Code deeper;
    for (int k = 0; k <= EXPR_NEST_MAX; k++)
        deeper.open(1000);
    deeper.i(0);
    for (int k = 0; k <= EXPR_NEST_MAX; k++)
        deeper.close();
    EXPECT_EQ(I(deeper), 0);
    EXPECT_EQ(g_last_error_code, 900030u);
}

TEST_F(ExprFault, StringSlotLimit)
{
    Code ok;
    for (int k = 0; k < EXPR_SLOT_MAX; k++)
        ok.s("x").op(',');
    EXPECT_EQ(run(ok), 0);
    Code over = ok;
    over.s("y");
    EXPECT_EQ(run(over), -1);
    EXPECT_EQ(g_last_error_code, 900030u);
    // Joined strings reuse the left slot.
    clear_errors();
    Code join;
    join.s("a");
    for (int k = 0; k < 2000; k++)
        join.s("b").op('+');
    EXPECT_EQ(S(join).size(), 2001u);
    EXPECT_EQ(g_last_error_code, 0u);
}

TEST_F(ExprFault, FailedRunGivesNoStaleValue)
{
    def_string(1000, "old");
    EXPECT_EQ(I(Code().i(5)), 5);
    EXPECT_EQ(I(Code().i(9).op('?')), 0);
    EXPECT_EQ(D(Code().f(2.5)), 2.5);
    EXPECT_EQ(D(Code().f(2.5).op('?')), 0.0);
    EXPECT_EQ(expr_eval_float_as_int(Code().f(2.5).op('?').data(), 14), 0);
    EXPECT_EQ(S(Code().var(1000)), "old");
    EXPECT_EQ(S(Code().var(1000).op('?')), "");
    EXPECT_EQ(S(Code().var(1000).i(1).op('+')), "");
    // A run that leaves nothing on the stack gives 0 as well.
    EXPECT_EQ(I(Code().i(4)), 4);
    EXPECT_EQ(I(Code().op(',')), 0);
}

TEST_F(ExprFault, NullCode)
{
    EXPECT_EQ(expr_eval_int(nullptr, 0), 0);
    EXPECT_EQ(g_last_error_code, 0u);
    EXPECT_EQ(expr_eval_int(nullptr, 5), 0);
    EXPECT_EQ(g_last_error_code, 900030u);
}
