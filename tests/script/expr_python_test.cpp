// The generator's expression compiler writes the code the evaluator expects:
// its bytes equal the hand-built ones and evaluate to the known answers.
// Native builds only (the generator needs python).
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <unistd.h>
#include <iterator>
#include <string>

#include "expr_fixture.h"

using namespace exprtest;

namespace {

class ExprPython : public ExprFixture {
protected:
    void SetUp() override
    {
#if defined(_WIN32)
        GTEST_SKIP() << "the generator does not run here";
#else
        if (std::system("python3 -c pass > /dev/null 2>&1") != 0)
            GTEST_SKIP() << "no python3";
        ExprFixture::SetUp();
#endif
    }
    // Compiles postfix text with the generator.
    Code compile(const std::string &text)
    {
        // One file per test and process: CTest runs the cases side by side.
        std::string out = ::testing::TempDir() + "kv_expr_py_" +
                          ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
                          std::to_string(getpid()) + ".bin";
        std::string cmd = std::string("python3 '") + KV_GENERATOR + "' expr --out '" + out + "' '" + text + "'";
        Code c;
        if (std::system(cmd.c_str()) != 0) {
            ADD_FAILURE() << "generator failed: " << text;
            return c;
        }
        std::ifstream f(out, std::ios::binary);
        c.b.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
        std::remove(out.c_str());
        return c;
    }
};

}  // namespace

TEST_F(ExprPython, SameBytesAsTheHandBuiltCode)
{
    EXPECT_EQ(compile("10 3 4 * + 2 -").b, Code().i(10).i(3).i(4).op('*').op('+').i(2).op('-').b);
    EXPECT_EQ(compile("300 -70000 5000000000 L:1").b,
              Code().i(300).i(-70000).i(5000000000LL).op('L', {1, 0, 0, 0, 0, 0, 0, 0}).b);
    EXPECT_EQ(compile("1.5 F:2").b, Code().f(1.5).f(2.0).b);
    EXPECT_EQ(compile("[1000 1 2 ] @#1001 &1002 +").b,
              Code().open(1000).i(1).i(2).close().var(1001, '#').whole(1002).op('+').b);
    EXPECT_EQ(compile("== != >= <= band bor bxor && || neg str num nop").b,
              Code().op('=').op('!').op('Z').op('S').op('A').op('O').op('^').op('&').op('|')
                  .op('R').op('s').op('i').op(',').b);
    // Japanese text in Shift-JIS; a backslash and the quote are escaped.
    EXPECT_EQ(compile("\"表\\\\\\\"\"").b, Code().s("表\\\\\\\"").b);
}

TEST_F(ExprPython, CompiledCodeEvaluates)
{
    def_int(1000, 0, {3, 4});
    var_descriptor(1000)->ints[6] = 41;
    def_string(1001, "キャラ");
    EXPECT_EQ(I(compile("[1000 1 2 ] 1 +")), 42);
    EXPECT_EQ(D(compile("1.5 1 +")), 2.5);
    EXPECT_EQ(S(compile("@1001 \"の名前\" +")), "キャラの名前");
    EXPECT_EQ(S(compile("\"a\\\\b\\nc\"")), "a\\b\nc");
    EXPECT_EQ(I(compile("\"0x1F\" num 1 +")), 32);
    EXPECT_EQ(I(compile("@1001 \"キャラ\" ==")), 1);
    EXPECT_EQ(g_last_error_code, 0u);
}
