// Expression code written by hand in the tests: a small byte builder that
// needs no generator (so the tests also run where python does not).
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace exprtest {

struct Code {
    std::vector<uint8_t> b;

    Code &op(char opcode, const std::vector<uint8_t> &operand = {})
    {
        b.push_back((uint8_t)opcode);
        b.push_back((uint8_t)(operand.size() & 0xFF));
        b.push_back((uint8_t)(operand.size() >> 8));
        b.insert(b.end(), operand.begin(), operand.end());
        return *this;
    }
    static std::vector<uint8_t> le(uint64_t v, int bytes)
    {
        std::vector<uint8_t> out;
        for (int k = 0; k < bytes; k++)
            out.push_back((uint8_t)(v >> (8 * k)));
        return out;
    }
    // The shortest push of v, like the generator.
    Code &i(int64_t v)
    {
        if (v >= -128 && v <= 127)
            return op('B', le((uint64_t)v, 1));
        if (v >= -32768 && v <= 32767)
            return op('W', le((uint64_t)v, 2));
        if (v >= INT32_MIN && v <= INT32_MAX)
            return op('I', le((uint64_t)v, 4));
        return op('L', le((uint64_t)v, 8));
    }
    Code &f(double d)
    {
        uint64_t bits;
        memcpy(&bits, &d, sizeof bits);
        return op('F', le(bits, 8));
    }
    // String literal with delimiter '"'; the text is put in as it stands
    // (escape sequences are the caller's).
    Code &s(const std::string &text)
    {
        std::vector<uint8_t> operand{'"'};
        operand.insert(operand.end(), text.begin(), text.end());
        operand.push_back('"');
        return op('M', operand);
    }
    std::vector<uint8_t> var_operand(uint32_t id, char scope)
    {
        return {(uint8_t)scope, (uint8_t)(id & 0xFF), (uint8_t)(id >> 8)};
    }
    Code &var(uint32_t id, char scope = '`') { return op('H', var_operand(id, scope)); }
    Code &open(uint32_t id, char scope = '`') { return op('V', var_operand(id, scope)); }
    Code &close() { return op(')'); }
    Code &whole(uint32_t id) { return op('v', var_operand(id, '`')); }
    Code &raw(const std::vector<uint8_t> &bytes)
    {
        b.insert(b.end(), bytes.begin(), bytes.end());
        return *this;
    }
    Code &operator+(const Code &o)
    {
        b.insert(b.end(), o.b.begin(), o.b.end());
        return *this;
    }
    const uint8_t *data() const { return b.data(); }
    uint32_t size() const { return (uint32_t)b.size(); }
};

}  // namespace exprtest
