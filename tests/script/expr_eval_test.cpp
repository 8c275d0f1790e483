// The evaluator: every opcode with known answers, both arithmetics, strings.
#include <cmath>
#include <limits>

#include "expr_fixture.h"
#include "script/sysvars.h"

using namespace exprtest;

namespace {

class ExprEval : public ExprFixture {};

Code bin(int64_t a, int64_t b, char op)
{
    Code c;
    c.i(a).i(b).op(op);
    return c;
}

Code fbin(double a, double b, char op)
{
    Code c;
    c.f(a).f(b).op(op);
    return c;
}

}  // namespace

TEST_F(ExprEval, ConstantsOfEveryWidth)
{
    EXPECT_EQ(I(Code().i(-5)), -5);
    EXPECT_EQ(I(Code().i(300)), 300);
    EXPECT_EQ(I(Code().i(-70000)), -70000);
    EXPECT_EQ(I(Code().i(INT64_MIN)), INT64_MIN);
    EXPECT_EQ(I(Code().op('B', {0xFF})), -1);
    EXPECT_EQ(I(Code().op('W', {0x00, 0x80})), -32768);
    // A double pushed in integer arithmetic is truncated toward zero.
    EXPECT_EQ(I(Code().f(-2.9)), -2);
    EXPECT_EQ(D(Code().f(-2.9)), -2.9);
    EXPECT_EQ(D(Code().i(7)), 7.0);
    EXPECT_EQ(I(Code()), 0);   // empty code
    EXPECT_EQ(g_last_error_code, 0u);
}

TEST_F(ExprEval, IntegerArithmetic)
{
    struct Case { int64_t a, b; char op; int64_t want; };
    const Case cases[] = {
        {2, 3, '+', 5}, {2, 3, '-', -1}, {-4, 3, '*', -12}, {7, 0, '/', 0}, {7, 0, '%', 0},
        {-7, 2, '/', -3}, {-7, 2, '%', -1}, {INT64_MIN, -1, '/', INT64_MIN},
        {INT64_MIN, -1, '%', 0}, {INT64_MAX, 1, '+', INT64_MIN}, {INT64_MIN, 1, '-', INT64_MAX},
        {INT64_MAX, 2, '*', -2},
        {0xF0, 0x3C, 'A', 0x30}, {0xF0, 0x0F, 'O', 0xFF}, {0xFF, 0x0F, '^', 0xF0},
        {2, 3, '&', 1}, {2, 0, '&', 0}, {0, 3, '|', 1}, {0, 0, '|', 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(I(bin(c.a, c.b, c.op)), c.want) << c.a << ' ' << c.op << ' ' << c.b;
    EXPECT_EQ(I(Code().i(INT64_MIN).op('R')), INT64_MIN);
    EXPECT_EQ(I(Code().i(5).op('R')), -5);
    // a + b * c - d
    EXPECT_EQ(I(Code().i(10).i(3).i(4).op('*').op('+').i(2).op('-')), 20);
    EXPECT_EQ(I(Code().i(1).op(',')), 1);
    EXPECT_EQ(g_last_error_code, 0u);
}

TEST_F(ExprEval, FloatingArithmetic)
{
    struct Case { double a, b; char op; double want; };
    const Case cases[] = {
        {1.5, 2.25, '+', 3.75}, {1.5, 2.25, '-', -0.75}, {1.5, 3, '*', 4.5}, {7, 2, '/', 3.5},
        {7, 0, '/', 0.0},
        // '%' and the bitwise operators work through i64.
        {7.9, 2.5, '%', 1.0}, {7.5, 0.5, '%', 0.0}, {6.7, 3.2, 'A', 2.0}, {4.5, 1.5, 'O', 5.0},
        {0.5, 0.0, '&', 0.0}, {0.5, 0.25, '&', 1.0}, {0.0, 0.25, '|', 1.0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(D(fbin(c.a, c.b, c.op)), c.want) << c.a << ' ' << c.op << ' ' << c.b;
    EXPECT_EQ(D(Code().f(2.5).op('R')), -2.5);
    // 1.5 + 1: type 1 truncates the double when pushed, type 2 does not.
    Code c;
    c.f(1.5).i(1).op('+');
    EXPECT_EQ(expr_eval_table[1].as_int(c.data(), c.size()), 2);
    EXPECT_EQ(expr_eval_table[2].as_double(c.data(), c.size()), 2.5);
    EXPECT_EQ(expr_eval_table[2].as_int(c.data(), c.size()), 2);
    EXPECT_EQ(expr_eval_table[1].as_double(c.data(), c.size()), 2.0);
    EXPECT_EQ(expr_eval_table[3].always_double(c.data(), c.size()), 2.5);
    EXPECT_EQ(g_last_error_code, 0u);
}

TEST_F(ExprEval, Comparisons)
{
    struct Case { int64_t a, b; char op; int64_t want; };
    const Case cases[] = {
        {1, 1, '=', 1}, {1, 2, '=', 0}, {1, 2, '!', 1}, {2, 2, '!', 0},
        {3, 2, '>', 1}, {2, 3, '>', 0}, {2, 3, '<', 1}, {3, 3, '<', 0},
        {3, 3, 'Z', 1}, {2, 3, 'Z', 0}, {3, 3, 'S', 1}, {4, 3, 'S', 0},
        {-1, 1, '<', 1}, {INT64_MIN, INT64_MAX, '<', 1},
    };
    for (const Case &k : cases) {
        EXPECT_EQ(I(bin(k.a, k.b, k.op)), k.want) << k.a << k.op << k.b;
        EXPECT_EQ(D(fbin((double)k.a, (double)k.b, k.op)), (double)k.want) << k.a << k.op << k.b;
    }
    // In integer arithmetic doubles are truncated before they are compared.
    EXPECT_EQ(I(fbin(1.2, 1.7, '=')), 1);
    EXPECT_EQ(D(fbin(1.2, 1.7, '=')), 0.0);
    // NaN is unequal to everything, itself included.
    double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(D(fbin(nan, nan, '=')), 0.0);
    EXPECT_EQ(D(fbin(nan, 1, '!')), 1.0);
    EXPECT_EQ(D(fbin(nan, 1, 'Z')), 0.0);
    // Strings: byte for byte, case-sensitive; ordering by unsigned bytes.
    EXPECT_EQ(I(Code().s("ab").s("ab").op('=')), 1);
    EXPECT_EQ(I(Code().s("ab").s("aB").op('=')), 0);
    EXPECT_EQ(I(Code().s("ab").s("abc").op('!')), 1);
    EXPECT_EQ(I(Code().s("ab").s("abc").op('<')), 1);
    EXPECT_EQ(I(Code().s("b").s("abc").op('>')), 1);
    EXPECT_EQ(I(Code().s("あ").s("z").op('>')), 1);
    EXPECT_EQ(I(Code().s("").s("").op('Z')), 1);
    // A string comparison gives a number: it can be used in arithmetic.
    EXPECT_EQ(I(Code().s("x").s("x").op('=').i(1).op('+')), 2);
    EXPECT_EQ(D(Code().s("x").s("x").op('=').f(0.5).op('+')), 1.5);
    EXPECT_EQ(g_last_error_code, 0u);
}

TEST_F(ExprEval, MixedKindsReport160010)
{
    const Code cases[] = {
        Code().s("ab").i(1).op('+'), Code().i(1).s("ab").op('='), Code().s("a").i(1).op('!'),
        Code().s("a").i(1).op('<'),  Code().s("a").i(1).op('-'),  Code().s("a").op('R'),
        Code().s("a").s("b").op('*'), Code().s("a").s("b").op('&'),
    };
    for (const Code &c : cases) {
        clear_errors();
        EXPECT_EQ(I(c), 0);
        EXPECT_EQ(g_last_error_code, 160010u);
        EXPECT_EQ(g_quit_flag.load(), 1);
    }
}

TEST_F(ExprEval, StringLiteralsAndConcatenation)
{
    EXPECT_EQ(S(Code().s("ab").s("cd").op('+')), "abcd");
    EXPECT_EQ(S(Code().s("")), "");
    // \\ \n \t, and a backslash before any other byte drops the backslash.
    EXPECT_EQ(S(Code().s("a\\\\b\\nc\\td\\qe\\\"")), std::string("a\\b\nc\td") + "qe\"");
    // A two-byte character whose second byte is a backslash stays whole.
    EXPECT_EQ(S(Code().s("表示")), "表示");
    EXPECT_EQ(std::string("表").size(), 2u);
    // ... and one whose second byte equals the delimiter is text too.
    Code c;
    c.op('M', {'|', 'a', 0x81, '|', 'b', '|', 'x'});
    EXPECT_EQ(S(c), std::string("a\x81|b"));
    // Without a closing delimiter the text runs to the operand's end; a lone
    // lead byte at the end is dropped.
    EXPECT_EQ(S(Code().op('M', {'"', 'a', 'b'})), "ab");
    EXPECT_EQ(S(Code().op('M', {'"', 'a', 0x82})), "a");
    // Japanese text compares and joins byte for byte.
    EXPECT_EQ(S(Code().s("日本").s("語").op('+')), "日本語");
    EXPECT_EQ(g_last_error_code, 0u);
}

TEST_F(ExprEval, StringsAreCutAt4095Bytes)
{
    std::string a(3000, 'a'), b(2000, 'b');
    std::string r = S(Code().s(a).s(b).op('+'));
    EXPECT_EQ(r.size(), 4095u);
    EXPECT_EQ(r, a + b.substr(0, 1095));
    // A two-byte character that would straddle the cut is left out whole.
    std::string j;
    for (int k = 0; k < 1000; k++)
        j += "あ";
    r = S(Code().s(std::string(3000, 'x')).s(j).op('+'));
    EXPECT_EQ(r.size(), 4094u);
    // A literal longer than a slot is cut the same way.
    std::string big(5000, 'q');
    EXPECT_EQ(S(Code().s(big)).size(), 4095u);
    EXPECT_EQ(S(Code().s("x" + j + j + j + j + j)).size(), 4095u);
    EXPECT_EQ(g_last_error_code, 0u);
}

TEST_F(ExprEval, NumberToString)
{
    EXPECT_EQ(S(Code().i(-123).op('s')), "-123");
    EXPECT_EQ(S(Code().i(INT64_MIN).op('s')), "-9223372036854775808");
    EXPECT_EQ(SF(Code().f(1.5).op('s')), "1.500000");
    EXPECT_EQ(SF(Code().f(-0.0000004).op('s')), "-0.000000");
    EXPECT_EQ(SF(Code().f(1e20).op('s')), "100000000000000000000.000000");
    // Integer arithmetic formats the truncated value.
    EXPECT_EQ(S(Code().f(2.75).op('s')), "2");
    // 's' on a string leaves it; a number result of a string evaluator is "".
    EXPECT_EQ(S(Code().s("k").op('s')), "k");
    EXPECT_EQ(S(Code().i(5)), "");
    EXPECT_EQ(S(Code().s("n=").i(5).op('s').op('+')), "n=5");
}

TEST_F(ExprEval, StringToNumber)
{
    EXPECT_EQ(I(Code().s("0x1F").op('i')), 31);
    EXPECT_EQ(I(Code().s("0xffffffffffffffff").op('i')), -1);
    EXPECT_EQ(I(Code().s("0x10zz").op('i')), 16);   // the rest is ignored
    EXPECT_EQ(I(Code().s("12.5").op('i')), 12);
    EXPECT_EQ(D(Code().s("12.5").op('i')), 12.5);
    EXPECT_EQ(D(Code().s("-0.125").op('i')), -0.125);
    EXPECT_EQ(I(Code().s("-42").op('i')), -42);
    EXPECT_EQ(I(Code().s("").op('i')), 0);
    EXPECT_EQ(I(Code().s("99999999999999999999").op('i')), INT64_MAX);
    EXPECT_EQ(I(Code().s("7").op('i').i(1).op('+')), 8);
    EXPECT_EQ(I(Code().i(3).op('i')), 3);   // a number stays
    EXPECT_EQ(g_last_error_code, 0u);

    // Not a number: 108210, fatal.
    for (const char *t : {"1a", " 1", "１", "1e5"}) {
        clear_errors();
        EXPECT_EQ(I(Code().s(t).op('i')), 0) << t;
        EXPECT_EQ(g_last_error_code, 108210u) << t;
    }
    // A bad hexadecimal form fails the run without a report.
    for (const char *t : {"0x", "0xg", "0x12345678901234567"}) {
        clear_errors();
        EXPECT_EQ(I(Code().s(t).op('i')), 0) << t;
        EXPECT_EQ(g_expr_failed, 1) << t;
        EXPECT_EQ(g_last_error_code, 0u) << t;
    }
}

TEST_F(ExprEval, DoubleToIntegerHasNoUndefinedCases)
{
    double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(kv_double_to_int(std::numeric_limits<double>::quiet_NaN()), INT64_MIN);
    EXPECT_EQ(kv_double_to_int(inf), INT64_MIN);
    EXPECT_EQ(kv_double_to_int(-inf), INT64_MIN);
    EXPECT_EQ(kv_double_to_int(9223372036854775808.0), INT64_MIN);
    EXPECT_EQ(kv_double_to_int(-9223372036854775808.0), INT64_MIN);
    EXPECT_EQ(kv_double_to_int(-9223372036854777856.0), INT64_MIN);
    EXPECT_EQ(kv_double_to_int(9223372036854774784.0), 9223372036854774784LL);
    EXPECT_EQ(kv_double_to_int(-1.9), -1);
    EXPECT_EQ(I(Code().f(inf)), INT64_MIN);
    EXPECT_EQ(expr_eval_float_as_int(Code().f(1e300).data(), 11), INT64_MIN);
    EXPECT_EQ(I(Code().f(std::nan("")).i(1).op('+')), INT64_MIN + 1);
}

TEST_F(ExprEval, EntryPointTable)
{
    Code c;
    c.f(2.5).f(2).op('*');   // 5.0 in floating arithmetic, 4 in integer
    EXPECT_EQ(expr_evaluators(1)->as_int(c.data(), c.size()), 4);
    EXPECT_EQ(expr_evaluators(2)->as_int(c.data(), c.size()), 5);
    EXPECT_EQ(expr_evaluators(3)->as_int(c.data(), c.size()), 4);
    EXPECT_EQ(expr_evaluators(4)->as_double(c.data(), c.size()), 5.0);
    EXPECT_EQ(expr_evaluators(0)->as_int(c.data(), c.size()), 4);
    EXPECT_EQ(expr_evaluators(77)->as_int(c.data(), c.size()), 4);
    Code t;
    t.f(2.5).f(2).op('*').op('s');
    EXPECT_EQ(S(t), "4");
    char buf[EXPR_STRING_SIZE];
    expr_evaluators(4)->as_string(buf, t.data(), t.size());
    EXPECT_STREQ(buf, "5.000000");
    expr_evaluators(2)->as_string(buf, t.data(), t.size());
    EXPECT_STREQ(buf, "4");
}

TEST_F(ExprEval, SystemVariablesGoThroughTheirGetters)
{
    def_int(49, 0);
    def_float(10, 0.0);
    def_string(105, "", {256});
    EXPECT_EQ(I(Code().var(49)), 999);
    EXPECT_DOUBLE_EQ(D(Code().var(10)), 3.141592653589793);
    EXPECT_EQ(S(Code().open(105).i(65).close()), "A");
    // A system variable declared without dimensions takes its index as the
    // element, for the getter to judge.
    def_int(86, 0);
    EXPECT_EQ(I(Code().open(86).i(5).close()), 479);
    EXPECT_EQ(g_last_error_code, 0u);
}
