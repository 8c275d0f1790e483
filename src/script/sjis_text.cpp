// Shift-JIS case and width conversions with the tables of code page 932, so
// that every build (the native one has no code page 932) converts alike.
#include "script/sjis_text.h"

#include <cstring>

// Full-width forms of ASCII 0x20..0x7E (the single-to-double-byte rule of
// code page 932).
static const uint16_t k_full_ascii[95] = {
    0x8140, 0x8149, 0x8168, 0x8194, 0x8190, 0x8193, 0x8195, 0x8166,  // sp ! " # $ % & '
    0x8169, 0x816A, 0x8196, 0x817B, 0x8143, 0x817C, 0x8144, 0x815E,  // ( ) * + , - . /
    0x824F, 0x8250, 0x8251, 0x8252, 0x8253, 0x8254, 0x8255, 0x8256,  // 0..7
    0x8257, 0x8258, 0x8146, 0x8147, 0x8183, 0x8181, 0x8184, 0x8148,  // 8 9 : ; < = > ?
    0x8197, 0x8260, 0x8261, 0x8262, 0x8263, 0x8264, 0x8265, 0x8266,  // @ A..G
    0x8267, 0x8268, 0x8269, 0x826A, 0x826B, 0x826C, 0x826D, 0x826E,  // H..O
    0x826F, 0x8270, 0x8271, 0x8272, 0x8273, 0x8274, 0x8275, 0x8276,  // P..W
    0x8277, 0x8278, 0x8279, 0x816D, 0x818F, 0x816E, 0x814F, 0x8151,  // X Y Z [ \ ] ^ _
    0x8165, 0x8281, 0x8282, 0x8283, 0x8284, 0x8285, 0x8286, 0x8287,  // ` a..g
    0x8288, 0x8289, 0x828A, 0x828B, 0x828C, 0x828D, 0x828E, 0x828F,  // h..o
    0x8290, 0x8291, 0x8292, 0x8293, 0x8294, 0x8295, 0x8296, 0x8297,  // p..w
    0x8298, 0x8299, 0x829A, 0x816F, 0x8162, 0x8170, 0x8150,          // x y z { | } ~
};

// Full-width forms of the half-width katakana 0xA1..0xDF, in order:
// 。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテト
// ナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン゛゜
static const uint16_t k_full_kana[63] = {
    0x8142, 0x8175, 0x8176, 0x8141, 0x8145, 0x8392, 0x8340, 0x8342, 0x8344, 0x8346, 0x8348,
    0x8383, 0x8385, 0x8387, 0x8362, 0x815B, 0x8341, 0x8343, 0x8345, 0x8347, 0x8349, 0x834A,
    0x834C, 0x834E, 0x8350, 0x8352, 0x8354, 0x8356, 0x8358, 0x835A, 0x835C, 0x835E, 0x8360,
    0x8363, 0x8365, 0x8367, 0x8369, 0x836A, 0x836B, 0x836C, 0x836D, 0x836E, 0x8371, 0x8374,
    0x8377, 0x837A, 0x837D, 0x837E, 0x8380, 0x8381, 0x8382, 0x8384, 0x8386, 0x8388, 0x8389,
    0x838A, 0x838B, 0x838C, 0x838D, 0x838F, 0x8393, 0x814A, 0x814B,
};

int64_t sjis_char_count(const char *text)
{
    const unsigned char *p = (const unsigned char *)text;
    int64_t n = 0;
    while (uint32_t step = sjis_char_bytes(p)) {
        p += step;
        n++;
    }
    return n;
}

static void change_ascii(char *text, char from, char to, int delta)
{
    unsigned char *p = (unsigned char *)text;
    while (uint32_t step = sjis_char_bytes(p)) {
        if (step == 1 && p[0] >= (unsigned char)from && p[0] <= (unsigned char)to)
            p[0] = (unsigned char)(p[0] + delta);
        p += step;
    }
}

void str_upper_sjis(char *text)
{
    change_ascii(text, 'a', 'z', -32);
}

void str_lower_sjis(char *text)
{
    change_ascii(text, 'A', 'Z', 32);
}

// Double-byte letters of code page 932 with a case partner, as the system's
// case mapping pairs them: runs of `count` codes from `from` change to the
// run at `to`. Only letters move; every other character keeps its code.
struct CaseRun {
    uint16_t from, to, count;
};
static const CaseRun k_to_upper[] = {
    {0x8281, 0x8260, 26},   // ａ..ｚ
    {0x83BF, 0x839F, 24},   // α..ω
    {0x8470, 0x8440, 15},   // а..н (0x847F is no character)
    {0x8480, 0x844F, 18},   // о..я
    {0xFA40, 0x8754, 10},   // ⅰ..ⅹ
    {0xEEEF, 0x8754, 10},   // ⅰ..ⅹ at their second code
};
static const CaseRun k_to_lower[] = {
    {0x8260, 0x8281, 26},   // Ａ..Ｚ
    {0x839F, 0x83BF, 24},   // Α..Ω
    {0x8440, 0x8470, 15},   // А..Н
    {0x844F, 0x8480, 18},   // О..Я
    {0x8754, 0xFA40, 10},   // Ⅰ..Ⅹ
    {0xFA4A, 0xFA40, 10},   // Ⅰ..Ⅹ at their second code
};

static void change_wide(char *text, const CaseRun *runs, size_t n)
{
    unsigned char *p = (unsigned char *)text;
    while (uint32_t step = sjis_char_bytes(p)) {
        if (step == 2) {
            uint16_t c = (uint16_t)(p[0] << 8 | p[1]);
            for (size_t k = 0; k < n; k++) {
                if (c >= runs[k].from && c - runs[k].from < runs[k].count) {
                    c = (uint16_t)(runs[k].to + (c - runs[k].from));
                    p[0] = (unsigned char)(c >> 8);
                    p[1] = (unsigned char)c;
                    break;
                }
            }
        }
        p += step;
    }
}

void str_upper_mb(char *text)
{
    str_upper_sjis(text);
    change_wide(text, k_to_upper, KV_COUNTOF(k_to_upper));
}

void str_lower_mb(char *text)
{
    str_lower_sjis(text);
    change_wide(text, k_to_lower, KV_COUNTOF(k_to_lower));
}

size_t sjis_cut(const char *text, size_t len, size_t max)
{
    if (len <= max)
        return len;
    size_t i = 0;
    while (i < len) {
        size_t step = (sjis_is_lead((unsigned char)text[i]) && i + 1 < len) ? 2 : 1;
        if (i + step > max)
            break;
        i += step;
    }
    return i;
}

size_t sjis_copy_cut(char *out, size_t size, const char *text)
{
    size_t n = sjis_cut(text, std::strlen(text), size - 1);
    std::memcpy(out, text, n);
    out[n] = 0;
    return n;
}

// Appends a character of n bytes when it fits; false when it does not.
static bool put_char(char *out, size_t size, size_t *len, uint16_t c, int n)
{
    if (*len + n + 1 > size)
        return false;
    if (n == 2)
        out[(*len)++] = (char)(c >> 8);
    out[(*len)++] = (char)c;
    return true;
}

// The form of the character of step bytes at p in the other width: its
// code, and its byte count in *n.
typedef uint16_t (*WidthMap)(const unsigned char *p, uint32_t step, int *n);

// Copies src into out (size bytes) character by character through map.
static size_t map_width(const char *src, char *out, size_t size, WidthMap map)
{
    const unsigned char *p = (const unsigned char *)src;
    size_t len = 0;
    while (uint32_t step = sjis_char_bytes(p)) {
        int n;
        uint16_t c = map(p, step, &n);
        if (!put_char(out, size, &len, c, n))
            break;
        p += step;
    }
    if (size)
        out[len] = 0;
    return len;
}

static uint16_t full_form(const unsigned char *p, uint32_t step, int *n)
{
    *n = 2;
    if (step == 2)
        return (uint16_t)(p[0] << 8 | p[1]);
    if (p[0] >= 0xA1 && p[0] <= 0xDF)
        return k_full_kana[p[0] - 0xA1];
    if (p[0] >= 0x20 && p[0] <= 0x7E)
        return k_full_ascii[p[0] - 0x20];
    *n = 1;
    return p[0];
}

// The one-byte form of a double-byte character, or 0 when it has none.
static unsigned char half_of(uint16_t c)
{
    for (int k = 0; k < 95; k++)
        if (k_full_ascii[k] == c)
            return (unsigned char)(0x20 + k);
    for (int k = 0; k < 63; k++)
        if (k_full_kana[k] == c)
            return (unsigned char)(0xA1 + k);
    return 0;
}

static uint16_t half_form(const unsigned char *p, uint32_t step, int *n)
{
    *n = (int)step;
    if (step == 1)
        return p[0];
    uint16_t c = (uint16_t)(p[0] << 8 | p[1]);
    if (unsigned char h = half_of(c)) {
        *n = 1;
        return h;
    }
    return c;
}

size_t sjis_to_full_width(const char *src, char *out, size_t size)
{
    return map_width(src, out, size, full_form);
}

size_t sjis_to_half_width(const char *src, char *out, size_t size)
{
    return map_width(src, out, size, half_form);
}
