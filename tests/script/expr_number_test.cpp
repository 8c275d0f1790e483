// The number formatter and parser give the same text in every build; where
// the C library is glibc they also agree with its "%f" and strtod.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "script/expr_number.h"

namespace {

std::string fmt(double v)
{
    char buf[KV_NUMBER_TEXT_MAX];
    uint32_t n = kv_format_double(buf, v);
    EXPECT_EQ(n, strlen(buf));
    return buf;
}

double parse(const std::string &s, uint32_t *used = nullptr)
{
    return kv_parse_double(s.data(), (uint32_t)s.size(), used);
}

}  // namespace

TEST(ExprNumber, FormatsDoublesExactly)
{
    EXPECT_EQ(fmt(0.0), "0.000000");
    EXPECT_EQ(fmt(-0.0), "-0.000000");
    EXPECT_EQ(fmt(1.5), "1.500000");
    EXPECT_EQ(fmt(-12.25), "-12.250000");
    EXPECT_EQ(fmt(0.1), "0.100000");
    EXPECT_EQ(fmt(3.141592653589793), "3.141593");
    // Rounding is done on the exact binary value.
    EXPECT_EQ(fmt(1.0000015), "1.000001");    // 1.00000149999999998762...
    EXPECT_EQ(fmt(1.0000005), "1.000001");    // 1.00000050000000006988...
    EXPECT_EQ(fmt(0.0000015), "0.000002");    // 1.50000000000000003841e-06
    EXPECT_EQ(fmt(5e-7), "0.000000");         // 4.99999999999999977396e-07
    EXPECT_EQ(fmt(0.5e-6 * 3), "0.000002");
    EXPECT_EQ(fmt(2.5), "2.500000");
    EXPECT_EQ(fmt(1e20), "100000000000000000000.000000");
    EXPECT_EQ(fmt(123456789012345678.0), "123456789012345680.000000");
    EXPECT_EQ(fmt(9007199254740993.0), "9007199254740992.000000");
    EXPECT_EQ(fmt(DBL_MIN), "0.000000");
    EXPECT_EQ(fmt(4.9e-324), "0.000000");
    EXPECT_EQ(fmt(std::numeric_limits<double>::infinity()), "inf");
    EXPECT_EQ(fmt(-std::numeric_limits<double>::infinity()), "-inf");
    EXPECT_EQ(fmt(std::nan("")), "nan");
    std::string big = fmt(DBL_MAX);
    EXPECT_EQ(big.size(), 309u + 7u);
    EXPECT_EQ(big.substr(0, 20), "17976931348623157081");
    EXPECT_EQ(big.substr(big.size() - 7), ".000000");
}

TEST(ExprNumber, FormatsIntegers)
{
    char buf[24];
    EXPECT_EQ(kv_format_int(buf, 0), 1u);
    EXPECT_STREQ(buf, "0");
    kv_format_int(buf, INT64_MIN);
    EXPECT_STREQ(buf, "-9223372036854775808");
    kv_format_int(buf, INT64_MAX);
    EXPECT_STREQ(buf, "9223372036854775807");
}

TEST(ExprNumber, ParsesDecimalsCorrectlyRounded)
{
    EXPECT_EQ(parse("12.5"), 12.5);
    EXPECT_EQ(parse("-0.125"), -0.125);
    EXPECT_EQ(parse("0.1"), 0.1);
    EXPECT_EQ(parse(".5"), 0.5);
    EXPECT_EQ(parse("5."), 5.0);
    EXPECT_EQ(parse("3.141592653589793238462643383279"), 3.141592653589793);
    EXPECT_EQ(parse("9007199254740993.0"), 9007199254740992.0);   // tie to even
    EXPECT_EQ(parse("9007199254740995.0"), 9007199254740996.0);
    EXPECT_EQ(parse("9007199254740993.00000000000000000001"), 9007199254740994.0);
    EXPECT_EQ(parse("0.000000000000000000000000000001"), 1e-30);
    EXPECT_EQ(parse("179769313486231570814527423731704356798070567525844996598917476803157260780028538760589558632766878171540458953514382464234321326889464182768467546703537516986049910576551282076245490090389328944075868508455133942304583236903222948165808559332123348274797826204144723168738177180919299881250404026184124858368.0"), DBL_MAX);
    EXPECT_TRUE(std::isinf(parse("1" + std::string(400, '0') + ".0")));
    std::string tiny = "0." + std::string(323, '0') + "5";   // 5e-324
    EXPECT_EQ(parse(tiny), 4.9406564584124654e-324);
    EXPECT_EQ(parse("0." + std::string(330, '0') + "1"), 0.0);
    std::string minnorm = "0." + std::string(307, '0') + "22250738585072014";
    EXPECT_EQ(parse(minnorm), DBL_MIN);
    EXPECT_TRUE(std::signbit(parse("-0.0")));
    uint32_t used = 99;
    EXPECT_EQ(parse("1.2.3", &used), 1.2);
    EXPECT_EQ(used, 3u);
    EXPECT_EQ(parse("-", &used), 0.0);
    EXPECT_EQ(used, 0u);
    EXPECT_EQ(parse("", &used), 0.0);
}

TEST(ExprNumber, ParsesIntegersAndHex)
{
    uint32_t used;
    EXPECT_EQ(kv_parse_int("-42x", 4, &used), -42);
    EXPECT_EQ(used, 3u);
    EXPECT_EQ(kv_parse_int("9223372036854775807", 19, nullptr), INT64_MAX);
    EXPECT_EQ(kv_parse_int("9223372036854775808", 19, nullptr), INT64_MAX);
    EXPECT_EQ(kv_parse_int("-9223372036854775808", 20, nullptr), INT64_MIN);
    EXPECT_EQ(kv_parse_int("-99999999999999999999", 21, nullptr), INT64_MIN);
    EXPECT_EQ(kv_parse_int("1-2", 3, nullptr), 1);
    EXPECT_EQ(kv_parse_int("--5", 3, &used), 0);
    EXPECT_EQ(used, 0u);
    int64_t v = 0;
    EXPECT_EQ(kv_parse_hex("1F", 2, &v), 0);
    EXPECT_EQ(v, 31);
    EXPECT_EQ(kv_parse_hex("8000000000000000", 16, &v), 0);
    EXPECT_EQ(v, INT64_MIN);
    EXPECT_EQ(kv_parse_hex("", 0, &v), -1);
    EXPECT_EQ(kv_parse_hex("10000000000000000", 17, &v), -1);
}

// Round trips: the parser reads back what the formatter writes for values
// with six decimals, and (on glibc) both agree with the C library.
TEST(ExprNumber, AgreesWithTheReferenceLibrary)
{
    std::mt19937_64 rng(12345);
    for (int k = 0; k < 20000; k++) {
        uint64_t bits = rng();
        double d;
        memcpy(&d, &bits, sizeof d);
        if (std::isnan(d))
            continue;
        if (k % 2) {
            uint64_t m = rng() % 100000000;
            int e = (int)(rng() % 60) - 40;
            d = std::ldexp((double)m, e);
        }
        std::string mine = fmt(d);
#if !defined(_WIN32)
        char ref[400];
        snprintf(ref, sizeof ref, "%f", d);
        ASSERT_EQ(mine, ref) << k;
#endif
        if (!std::isinf(d)) {
            // Exact decimal text of d (well within 800 digits) parses back to d.
            char exact[1500];
#if !defined(_WIN32)
            snprintf(exact, sizeof exact, "%.*f", 1074, d);
            std::string e = exact;
            EXPECT_EQ(parse(e), d) << e.substr(0, 40);
            ASSERT_EQ(parse(mine), strtod(mine.c_str(), nullptr)) << mine;
#else
            (void)exact;
#endif
        }
    }
}

// The same values give the same text and the same doubles in every build:
// digests of 5000 formatted values and of their parsed-back bits, taken
// where the results were checked against glibc's "%f" and strtod.
TEST(ExprNumber, SameTextInEveryBuild)
{
    std::mt19937_64 rng(777);
    uint64_t hf = 1469598103934665603ull, hp = 1469598103934665603ull;
    for (int k = 0; k < 5000; k++) {
        uint64_t bits = rng();
        double d;
        memcpy(&d, &bits, sizeof d);
        if (k % 3 == 1) {
            uint64_t m = rng() % 1000000007;   // one call per statement: a fixed order
            int e = (int)(rng() % 80) - 50;
            d = std::ldexp((double)m, e);
        }
        if (k % 3 == 2)
            d = (double)(int64_t)(rng() % 2000001) / 64.0 - 15000.0;
        std::string m = fmt(d);
        for (char c : m) {
            hf ^= (uint8_t)c;
            hf *= 1099511628211ull;
        }
        if (std::isnan(d) || std::isinf(d))
            continue;
        double p = parse(m);
        uint64_t pb;
        memcpy(&pb, &p, sizeof pb);
        for (int i = 0; i < 8; i++) {
            hp ^= (uint8_t)(pb >> (8 * i));
            hp *= 1099511628211ull;
        }
    }
    EXPECT_EQ(hf, 4925872116593341875ull);
    EXPECT_EQ(hp, 6585752733331388899ull);
}
