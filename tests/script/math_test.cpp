// Math, random and camera commands: MT19937 against the standard library's
// generator, CRC-32, every function against the C library, the random range
// at its edges, the evaluation rules and the camera projection.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>

#include "cmd_args.h"
#include "core/error_report.h"
#include "script/math_random.h"

using namespace cmdtest;
using runtest::E;
using runtest::fvar;
using runtest::ivar;

TEST(MathRandom, Mt19937MatchesTheReference)
{
    mt_seed(5489);
    EXPECT_EQ(mt_genrand(), 3499211612u);
    for (uint32_t seed : {1u, 5489u, 0xDEADBEEFu}) {
        std::mt19937 ref(seed);
        mt_seed(seed);
        for (int i = 0; i < 2000; i++)   // over three regenerations
            ASSERT_EQ(mt_genrand(), ref()) << seed << " " << i;
    }
}

TEST(MathRandom, Crc32)
{
    EXPECT_EQ(text_crc32("123456789", 9), 0xCBF43926u);
    EXPECT_EQ(text_crc32("", 0), 0u);
}

TEST(MathRandom, RangeEdges)
{
    const struct {
        int64_t x, y;
        uint32_t r;
        int64_t want;
    } cases[] = {
        {INT64_MIN, INT64_MAX, 0, INT64_MIN},
        {INT64_MIN, INT64_MAX, 0xFFFFFFFFu, INT64_MIN + 0xFFFFFFFFll},   // the full range
        {INT64_MAX, INT64_MIN, 7, INT64_MIN + 7},
        {-1, INT64_MAX, 0xFFFFFFFFu, -1 + 0xFFFFFFFFll},
        {INT64_MAX, INT64_MAX, 12345, INT64_MAX},
        {-3, -3, 0xFFFFFFFFu, -3},
        {5, 1, 7, 3},                                          // lo > hi: swapped
        {0, 9, 0xFFFFFFFFu, 5},
    };
    for (const auto &c : cases)
        EXPECT_EQ(random_in_range(c.x, c.y, c.r), c.want) << c.x << " " << c.y << " " << c.r;
    mt_seed(42);
    bool seen[6] = {};
    for (int i = 0; i < 500; i++) {
        int64_t v = random_in_range(5, 1, mt_genrand());
        ASSERT_TRUE(v >= 1 && v <= 5);
        seen[v] = true;
    }
    for (int v = 1; v <= 5; v++)
        EXPECT_TRUE(seen[v]) << v;
}

namespace {

// Within a relative 1e-12; NaN and the infinities exactly as the library gives them.
void expect_close(double got, double want, const std::string &what)
{
    if (std::isnan(want))
        EXPECT_TRUE(std::isnan(got)) << what;
    else if (std::isinf(want))
        EXPECT_EQ(got, want) << what;
    else
        EXPECT_NEAR(got, want, 1e-12 * std::max(1.0, std::fabs(want))) << what;
}

}  // namespace

TEST(MathRandom, FunctionsFollowTheCLibrary)
{
    typedef double (*F1)(double);
    const struct {
        uint32_t op;
        F1 f;
    } unary[] = {{4, std::sin},   {5, std::asin},  {6, std::sinh}, {7, std::cos},  {8, std::acos},
                 {9, std::cosh},  {10, std::tan},  {11, std::atan}, {13, std::tanh}, {15, std::fabs},
                 {16, std::exp},  {17, std::log},  {18, std::log10}};
    const double xs[] = {-2.5, -1, -0.3, 0, 0.25, 0.9, 1, 3.7, 100};
    for (const auto &u : unary)
        for (double x : xs)
            expect_close(math_function(u.op, x, 0), u.f(x), std::to_string(u.op) + " " + std::to_string(x));
    for (double x : xs) {
        EXPECT_EQ(math_function(14, x, 0), x);
        for (double y : {-2.0, 0.5, 3.0}) {
            std::string what = std::to_string(x) + " " + std::to_string(y);
            expect_close(math_function(12, x, y), std::atan2(x, y), "atan2 " + what);
            expect_close(math_function(19, x, y), std::pow(x, y), "pow " + what);
        }
    }
}

class MathCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        fresh_engine();
        define_var(1000, VAR_TYPE_FLOAT, {40});
        define_var(1001, VAR_TYPE_INT, {8});
        define_var(1002, VAR_TYPE_FLOAT, {33});
        define_var(1003, VAR_TYPE_STRING, {40});
    }
};

TEST_F(MathCommand, EvaluationTypesAndDestinations)
{
    std::string half = E({"1", "2", "/"});   // an integer-typed 1/2
    set_args({ref(0, 1000, 0), raw(1, half), num(4, 1)});
    ASSERT_EQ(math_run(), 0);
    EXPECT_DOUBLE_EQ(fvar(1000, 0), std::sin(0.5));   // sin evaluates in floating point
    set_args({ref(0, 1000, 1), raw(1, half), num(10, 1), num(4, 0)});
    math_run();   // sin (id 4) is tested first and wins
    EXPECT_DOUBLE_EQ(fvar(1000, 1), std::sin(0.5));
    var_set_float(1000, 1, 9);
    set_args({ref(0, 1000, 1), raw(1, half), num(10, 1)});
    math_run();
    EXPECT_EQ(fvar(1000, 1), 0.0);                     // tan of the integer 0
    set_args({ref(0, 1000, 2), raw(1, E({"2.0"}), 2), raw(2, E({"10"})), num(19, 1)});
    math_run();
    EXPECT_EQ(fvar(1000, 2), 1024.0);
    set_args({ref(0, 1001, 0), raw(1, E({"-7.9"}), 2), num(15, 1)});
    math_run();
    EXPECT_EQ(ivar(1001, 0), 7);                       // integer element: truncated
    set_args({ref(0, 1001, 1), raw(1, E({"-1.0"}), 2), num(17, 1)});
    math_run();
    EXPECT_EQ(ivar(1001, 1), INT64_MIN);               // NaN through the one conversion
    set_args({ref(0, 1001, 2), str(3, "123456789"), num(21, 1)});
    math_run();
    EXPECT_EQ(ivar(1001, 2), 0xCBF43926ll);
    set_args({ref(0, 1001, 3), num(20, 1)});           // no x, no y: 0..0
    math_run();
    EXPECT_EQ(ivar(1001, 3), 0);
    set_args({ref(0, 1001, 4), raw(1, E({"5"})), raw(2, E({"1"})), num(20, 1)});
    math_run();
    EXPECT_TRUE(ivar(1001, 4) >= 1 && ivar(1001, 4) <= 5);
    var_set_number(1001, 5, 77);
    set_args({ref(0, 1001, 5), raw(1, E({"1"}))});     // no function chosen
    EXPECT_EQ(math_run(), 0);
    EXPECT_EQ(ivar(1001, 5), 77);
    set_args({ref(0, 1003, 0), raw(1, E({"1"})), num(16, 1)});
    math_run();
    EXPECT_EQ(g_last_error_code, 101140u);
}

TEST(Camera, ProjectionCases)
{
    double P[KV_CAMERA_P] = {}, Q[KV_CAMERA_Q] = {}, out[4];
    P[7] = 1;
    Q[13] = 100, Q[18] = 40, Q[16] = 50;
    camera_project(P, Q, out);
    EXPECT_EQ(out[0], 80);
    EXPECT_EQ(out[2], 50);
    std::fill(std::begin(P), std::end(P), 0.0);
    std::fill(std::begin(Q), std::end(Q), 0.0);
    Q[16] = Q[17] = 100, P[5] = 640, P[6] = 480;
    camera_project(P, Q, out);
    EXPECT_EQ(out[0], 320);
    EXPECT_EQ(out[1], 240);
    EXPECT_EQ(out[2], 100);
    EXPECT_EQ(out[3], 100);
    // Depth 100 behind the layer's plane doubles the size.
    Q[27] = 100;
    camera_project(P, Q, out);
    EXPECT_EQ(out[2], 200);
}

TEST_F(MathCommand, CameraStoresOnlyWhatFits)
{
    var_set_number(1001, 5, 640);
    var_set_number(1001, 6, 480);
    var_set_float(1002, 16, 100);
    var_set_float(1002, 17, 100);
    for (int k = 31; k < 33; k++)
        var_set_float(1002, k, -1);
    set_args({ref(0, 1001), ref(1, 1002)});
    ASSERT_EQ(camera_calc_run(), 0);
    EXPECT_EQ(fvar(1002, 31), 320);
    EXPECT_EQ(fvar(1002, 32), 240);
    EXPECT_EQ(g_last_error_code, 0u);
    define_var(1000, VAR_TYPE_INT, {35});   // an integer Q: read and written converted
    var_set_number(1000, 16, 100);
    var_set_number(1000, 17, 100);
    set_args({ref(0, 1001), ref(1, 1000)});
    ASSERT_EQ(camera_calc_run(), 0);
    EXPECT_EQ(ivar(1000, 31), 320);
    EXPECT_EQ(ivar(1000, 34), 100);
    set_args({ref(0, 1001), ref(1, 1003)});
    EXPECT_EQ(camera_calc_run(), -1);
    EXPECT_EQ(g_last_error_code, 101140u);
    set_args({ref(1, 1002)});   // without P: nothing
    EXPECT_EQ(camera_calc_run(), 0);
}
