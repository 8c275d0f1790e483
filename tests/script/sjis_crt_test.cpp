// The engine's code-page-932 case and width tables against the Windows C
// runtime's multibyte rules (_mbctoupper, _mbctolower, _mbbtombc, _mbctombb),
// over every double-byte code and every single byte. Windows builds only.
//
// Where the runtime answers otherwise, only these are accepted:
// - case: the same character under another code (the runtime's case change
//   goes through Unicode and back, so a character without case may come back
//   at its other code in the code page; the engine keeps the code);
// - full width: a form that the runtime's own reverse rule takes back to the
//   byte (Wine's forward table is shifted for "_".."}");
// - half width: a kana without an exact one-byte form that the runtime folds
//   onto a half-width kana (hiragana, voiced and small katakana); the engine
//   converts only the characters that have a one-byte form and keeps the rest.
#ifdef _WIN32
#include <gtest/gtest.h>
#include <mbctype.h>
#include <mbstring.h>
#include <windows.h>

#include <string>
#include <vector>

#include "script/sjis_text.h"

namespace {

std::string chars_of(unsigned c)
{
    std::string s;
    if (c > 0xFF)
        s += (char)(c >> 8);
    s += (char)c;
    return s;
}
unsigned code_of(const std::string &s)
{
    if (s.size() == 2)
        return (unsigned char)s[0] << 8 | (unsigned char)s[1];
    return s.empty() ? 0 : (unsigned char)s[0];
}

unsigned upper(unsigned c)
{
    std::string s = chars_of(c);
    str_upper_mb(&s[0]);
    return code_of(s);
}
unsigned lower(unsigned c)
{
    std::string s = chars_of(c);
    str_lower_mb(&s[0]);
    return code_of(s);
}
unsigned full(unsigned c)
{
    char out[8];
    return code_of(std::string(out, sjis_to_full_width(chars_of(c).c_str(), out, sizeof out)));
}
unsigned half(unsigned c)
{
    char out[8];
    return code_of(std::string(out, sjis_to_half_width(chars_of(c).c_str(), out, sizeof out)));
}

std::wstring unicode_of(unsigned c)
{
    std::string s = chars_of(c);
    wchar_t w[4];
    int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, s.data(), (int)s.size(), w, 4);
    return n > 0 ? std::wstring(w, (size_t)n) : std::wstring();
}

bool same_character(unsigned c, unsigned engine, unsigned crt)
{
    (void)c;
    std::wstring a = unicode_of(engine);
    return !a.empty() && a == unicode_of(crt);
}
bool reverse_confirms(unsigned c, unsigned engine, unsigned)
{
    return engine > 0xFF && _mbctombb(engine) == c;
}
bool folded_kana(unsigned c, unsigned engine, unsigned crt)
{
    bool kana = (c >= 0x829F && c <= 0x82F1) || (c >= 0x8340 && c <= 0x8396);
    return kana && engine == c && crt >= 0xA6 && crt <= 0xDD;
}

struct Rule {
    const char *name;
    bool double_byte;   // the rule takes double-byte codes too
    unsigned (*engine)(unsigned);
    unsigned (*crt)(unsigned);
    bool (*accepted)(unsigned c, unsigned engine, unsigned crt);
};
unsigned crt_upper(unsigned c) { return _mbctoupper(c); }
unsigned crt_lower(unsigned c) { return _mbctolower(c); }
unsigned crt_full(unsigned c) { return _mbbtombc(c); }
unsigned crt_half(unsigned c) { return _mbctombb(c); }

}  // namespace

TEST(SjisCrt, EveryCodeConvertsAsTheCRuntime)
{
    ASSERT_EQ(_setmbcp(932), 0);
    const Rule rules[] = {
        {"upper", true, upper, crt_upper, same_character},
        {"lower", true, lower, crt_lower, same_character},
        {"full", false, full, crt_full, reverse_confirms},
        {"half", true, half, crt_half, folded_kana},
    };
    std::vector<unsigned> codes;
    for (unsigned b = 1; b <= 0xFF; b++)
        codes.push_back(b);
    for (unsigned lead = 0x81; lead <= 0xFC; lead = lead == 0x9F ? 0xE0 : lead + 1)
        for (unsigned trail = 0x40; trail <= 0xFC; trail++)
            if (trail != 0x7F)
                codes.push_back(lead << 8 | trail);
    for (const Rule &r : rules) {
        int changed = 0, accepted = 0, wrong = 0;
        for (unsigned c : codes) {
            if (c > 0xFF && !r.double_byte)
                continue;
            unsigned e = r.engine(c), w = r.crt(c);
            changed += e != c;
            if (e == w)
                continue;
            if (r.accepted(c, e, w)) {
                accepted++;
                continue;
            }
            if (++wrong <= 20)
                ADD_FAILURE() << r.name << " " << std::hex << c << ": engine " << e << ", runtime " << w;
        }
        EXPECT_EQ(wrong, 0) << r.name;
        std::printf("%s: %d codes changed, %d other answers of the runtime accepted\n", r.name, changed,
                    accepted);
    }
    _setmbcp(_MB_CP_ANSI);
}
#endif
