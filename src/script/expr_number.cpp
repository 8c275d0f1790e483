// Number text: the one formatter and the one parser of the engine.
//
// Both are exact (they work on the binary value with big integers when the
// easy paths do not apply), so the text never depends on the C runtime:
// glibc and the Windows runtime round doubles differently.
#include "script/expr_number.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Little-endian base-2^32 big integer, only what the two conversions need.
struct Big {
    std::vector<uint32_t> limb;

    bool zero() const { return limb.empty(); }
    void trim()
    {
        while (!limb.empty() && limb.back() == 0)
            limb.pop_back();
    }
    void mul_add(uint32_t m, uint32_t a)
    {
        uint64_t carry = a;
        for (uint32_t &x : limb) {
            uint64_t t = (uint64_t)x * m + carry;
            x = (uint32_t)t;
            carry = t >> 32;
        }
        if (carry)
            limb.push_back((uint32_t)carry);
    }
    // Divides in place; returns the remainder.
    uint32_t div_small(uint32_t d)
    {
        uint64_t rem = 0;
        for (size_t i = limb.size(); i-- > 0;) {
            uint64_t cur = (rem << 32) | limb[i];
            limb[i] = (uint32_t)(cur / d);
            rem = cur % d;
        }
        trim();
        return (uint32_t)rem;
    }
    void shift_left(uint32_t bits)
    {
        if (zero() || bits == 0)
            return;
        uint32_t words = bits / 32, rest = bits % 32;
        std::vector<uint32_t> out(limb.size() + words + 1, 0);
        for (size_t i = 0; i < limb.size(); i++) {
            uint64_t v = (uint64_t)limb[i] << rest;
            out[i + words] |= (uint32_t)v;
            out[i + words + 1] |= (uint32_t)(v >> 32);
        }
        limb.swap(out);
        trim();
    }
    uint32_t bit_length() const
    {
        if (limb.empty())
            return 0;
        uint32_t top = limb.back(), n = 0;
        while (top) {
            n++;
            top >>= 1;
        }
        return (uint32_t)(limb.size() - 1) * 32 + n;
    }
    bool bit(uint32_t i) const
    {
        size_t w = i / 32;
        return w < limb.size() && ((limb[w] >> (i % 32)) & 1);
    }
    // 1 when any bit below position i is set.
    bool any_below(uint32_t i) const
    {
        size_t w = i / 32;
        for (size_t k = 0; k < w && k < limb.size(); k++)
            if (limb[k])
                return true;
        if (w < limb.size() && (limb[w] & ((1u << (i % 32)) - 1)))
            return true;
        return false;
    }
};

const double kExactPow10[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

inline bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Writes the decimal digits of b (destroyed) into out; returns the count.
uint32_t big_to_decimal(Big &b, char *out)
{
    char rev[KV_NUMBER_TEXT_MAX];
    uint32_t n = 0;
    if (b.zero())
        rev[n++] = '0';
    while (!b.zero()) {
        uint32_t chunk = b.div_small(1000000000u);
        for (int k = 0; k < 9; k++) {
            rev[n++] = (char)('0' + chunk % 10);
            chunk /= 10;
            if (b.zero() && chunk == 0)
                break;
        }
    }
    for (uint32_t i = 0; i < n; i++)
        out[i] = rev[n - 1 - i];
    return n;
}

}  // namespace

uint32_t kv_format_int(char *out, int64_t v)
{
    char rev[24];
    uint32_t n = 0;
    uint64_t u = v < 0 ? 0 - (uint64_t)v : (uint64_t)v;
    do {
        rev[n++] = (char)('0' + u % 10);
        u /= 10;
    } while (u);
    uint32_t len = 0;
    if (v < 0)
        out[len++] = '-';
    while (n)
        out[len++] = rev[--n];
    out[len] = 0;
    return len;
}

uint32_t kv_format_double(char *out, double v)
{
    if (std::isnan(v)) {
        memcpy(out, "nan", 4);
        return 3;
    }
    uint32_t len = 0;
    if (std::signbit(v))
        out[len++] = '-';
    if (std::isinf(v)) {
        memcpy(out + len, "inf", 4);
        return len + 3;
    }
    uint64_t bits;
    memcpy(&bits, &v, sizeof bits);
    uint64_t frac = bits & ((1ull << 52) - 1);
    int expf = (int)((bits >> 52) & 0x7FF);
    uint64_t m = expf ? frac | (1ull << 52) : frac;
    int e = expf ? expf - 1075 : -1074;

    // N = round(m * 2^e * 10^6), half to even on the exact value.
    unsigned __int128 scaled = (unsigned __int128)m * 1000000u;
    Big n;
    if (e >= 0) {
        for (int k = 0; k < 4; k++)
            n.limb.push_back((uint32_t)(scaled >> (32 * k)));
        n.trim();
        n.shift_left((uint32_t)e);
    } else {
        int s = -e;
        unsigned __int128 q = 0;
        if (s < 128) {
            q = scaled >> s;
            unsigned __int128 r = scaled & ((((unsigned __int128)1) << s) - 1);
            unsigned __int128 half = ((unsigned __int128)1) << (s - 1);
            if (r > half || (r == half && (q & 1)))
                q++;
        }
        for (int k = 0; k < 4; k++)
            n.limb.push_back((uint32_t)(q >> (32 * k)));
        n.trim();
    }
    char digits[KV_NUMBER_TEXT_MAX];
    uint32_t nd = big_to_decimal(n, digits);
    // At least one digit before the point.
    uint32_t pad = nd < 7 ? 7 - nd : 0;
    uint32_t whole = nd + pad - 6;
    for (uint32_t i = 0; i < whole; i++)
        out[len++] = i < pad ? '0' : digits[i - pad];
    out[len++] = '.';
    for (uint32_t i = whole; i < nd + pad; i++)
        out[len++] = i < pad ? '0' : digits[i - pad];
    out[len] = 0;
    return len;
}

int64_t kv_parse_int(const char *text, uint32_t length, uint32_t *used)
{
    uint32_t i = 0;
    bool neg = false;
    if (i < length && text[i] == '-') {
        neg = true;
        i++;
    }
    uint32_t start = i;
    uint64_t mag = 0;
    bool over = false;
    const uint64_t limit = neg ? (uint64_t)INT64_MAX + 1 : (uint64_t)INT64_MAX;
    while (i < length && is_digit(text[i])) {
        uint32_t d = (uint32_t)(text[i] - '0');
        if (!over && (mag > (limit - d) / 10))
            over = true;
        if (!over)
            mag = mag * 10 + d;
        i++;
    }
    if (i == start) {   // no digits: nothing read
        if (used)
            *used = 0;
        return 0;
    }
    if (used)
        *used = i;
    if (over)
        return neg ? INT64_MIN : INT64_MAX;
    return neg ? (int64_t)(0 - mag) : (int64_t)mag;
}

double kv_parse_double(const char *text, uint32_t length, uint32_t *used)
{
    uint32_t i = 0;
    bool neg = false;
    if (i < length && text[i] == '-') {
        neg = true;
        i++;
    }
    // Significant digits (leading zeros dropped) and the decimal exponent.
    enum { KEEP = 800 };   // beyond this, later digits only decide the rounding
    char sig[KEEP + 1];
    uint32_t ns = 0, seen = 0;
    int64_t exp10 = 0;     // value = sig * 10^exp10
    bool sticky = false;
    auto take = [&](char c, bool fraction) {
        seen++;
        if (ns == 0 && c == '0') {
            if (fraction)
                exp10--;
            return;
        }
        if (ns < KEEP) {
            sig[ns++] = c;
            if (fraction)
                exp10--;
        } else {
            if (c != '0')
                sticky = true;
            if (!fraction)
                exp10++;
        }
    };
    while (i < length && is_digit(text[i]))
        take(text[i++], false);
    if (i < length && text[i] == '.') {
        i++;
        while (i < length && is_digit(text[i]))
            take(text[i++], true);
    }
    if (seen == 0) {
        if (used)
            *used = 0;
        return 0.0;
    }
    if (used)
        *used = i;
    if (sticky)
        sig[ns++] = '1', exp10--;
    while (ns > 0 && sig[ns - 1] == '0')   // trailing zeros
        ns--, exp10++;
    if (ns == 0)
        return neg ? -0.0 : 0.0;

    double result;
    if (ns <= 15 && exp10 >= -22 && exp10 <= 22) {
        // Exact integer and exact power of ten: one correctly rounded step.
        uint64_t d = 0;
        for (uint32_t k = 0; k < ns; k++)
            d = d * 10 + (uint64_t)(sig[k] - '0');
        result = exp10 < 0 ? (double)d / kExactPow10[-exp10] : (double)d * kExactPow10[exp10];
        return neg ? -result : result;
    }
    if (exp10 > 400)
        return neg ? -HUGE_VAL : HUGE_VAL;
    if ((int64_t)ns + exp10 < -400)
        return neg ? -0.0 : 0.0;

    Big b;
    for (uint32_t k = 0; k < ns; k++)
        b.mul_add(10, (uint32_t)(sig[k] - '0'));
    for (int64_t k = 0; k < exp10; k++)
        b.mul_add(10, 0);
    // q = floor(b * 2^s / 10^k10) keeps at least 66 significant bits.
    uint32_t k10 = exp10 < 0 ? (uint32_t)(-exp10) : 0;
    int64_t want = 66 + (k10 ? (int64_t)k10 * 3322 / 1000 + 2 : 0) - (int64_t)b.bit_length();
    uint32_t s = want > 0 ? (uint32_t)want : 0;
    bool rest = false;
    b.shift_left(s);
    if (k10) {
        while (k10 >= 9) {
            rest |= b.div_small(1000000000u) != 0;
            k10 -= 9;
        }
        uint32_t p = 1;
        while (k10--)
            p *= 10;
        if (p > 1)
            rest |= b.div_small(p) != 0;
    }
    int64_t L = b.bit_length();
    int64_t E = L - 1 - (int64_t)s;   // value in [2^E, 2^(E+1))
    if (E > 1023)
        return neg ? -HUGE_VAL : HUGE_VAL;
    int64_t prec = 53;
    if (E < -1022)
        prec = 53 - (-1022 - E);
    if (prec < 0)
        return neg ? -0.0 : 0.0;
    uint64_t mant = 0;
    int64_t low = L - prec;   // bits below the kept ones
    for (int64_t k = L - 1; k >= low && k >= 0; k--)
        mant = (mant << 1) | (b.bit((uint32_t)k) ? 1 : 0);
    bool round_bit = low >= 1 && b.bit((uint32_t)(low - 1));
    bool below = rest || (low >= 2 && b.any_below((uint32_t)(low - 1)));
    if (round_bit && (below || (mant & 1)))
        mant++;
    result = std::ldexp((double)mant, (int)(low - (int64_t)s));
    return neg ? -result : result;
}

int kv_parse_hex(const char *text, uint32_t length, int64_t *value)
{
    uint64_t v = 0;
    uint32_t n = 0;
    while (n < length) {
        char c = text[n];
        uint32_t d;
        if (c >= '0' && c <= '9')
            d = (uint32_t)(c - '0');
        else if (c >= 'A' && c <= 'F')
            d = (uint32_t)(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f')
            d = (uint32_t)(c - 'a' + 10);
        else
            break;
        if (n == 16)
            return -1;
        v = (v << 4) | d;
        n++;
    }
    if (n == 0)
        return -1;
    *value = (int64_t)v;
    return 0;
}
