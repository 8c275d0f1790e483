// Shift-JIS text work of the string commands: case changes, full-width and
// half-width forms from the engine's own tables (code page 932), and the
// character walk. Every walk steps over both bytes of a double-byte
// character and stops at the terminator even after a final lead byte.
#pragma once

#include "core/kv_base.h"

// Longest string result of the string commands (bytes, terminator apart).
enum { KV_STRING_RESULT_MAX = 4095 };

// Bytes of the character at p (0 at the terminator, 1 for a lead byte
// followed by the terminator).
static inline uint32_t sjis_char_bytes(const unsigned char *p)
{
    if (!p[0])
        return 0;
    return (sjis_is_lead(p[0]) && p[1]) ? 2 : 1;
}

// Number of characters of text.
int64_t sjis_char_count(const char *text);

// In place: ASCII a-z to upper case / A-Z to lower case.
void str_upper_sjis(char *text);
void str_lower_sjis(char *text);
// In place: also the double-byte letters (full-width Latin, Greek, Cyrillic,
// Roman numerals), as the C runtime's multibyte rule changes them.
void str_upper_mb(char *text);
void str_lower_mb(char *text);

// Full-width and half-width copies of src into out (size bytes); the result
// is cut on a character boundary to fit. Returns its length.
size_t sjis_to_full_width(const char *src, char *out, size_t size);
size_t sjis_to_half_width(const char *src, char *out, size_t size);

// Longest prefix of text[0..len) that ends on a character boundary and is
// at most max bytes.
size_t sjis_cut(const char *text, size_t len, size_t max);
// Copies text into out (size bytes, size > 0), cut on a character boundary
// to fit with its terminator. Returns the length copied.
size_t sjis_copy_cut(char *out, size_t size, const char *text);
