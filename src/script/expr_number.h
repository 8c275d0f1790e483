// The engine's one number formatter and one number parser. They do not go
// through the C runtime, so every build prints and reads the same text.
#pragma once

#include "core/kv_base.h"

enum { KV_NUMBER_TEXT_MAX = 352 };   // enough for any double in fixed notation

// Decimal text of v; returns the length. out holds at least 21 bytes.
uint32_t kv_format_int(char *out, int64_t v);
// Fixed notation with six decimals, correctly rounded (half to even on the
// exact binary value), like "%f": "-12.500000", "nan", "inf", "-inf".
// out holds KV_NUMBER_TEXT_MAX bytes; returns the length.
uint32_t kv_format_double(char *out, double v);

// Signed 64-bit decimal: optional '-', digits; reading stops at the first
// byte that does not continue the number; out-of-range values clamp to
// INT64_MIN / INT64_MAX. *used (optional) receives the bytes read.
int64_t kv_parse_int(const char *text, uint32_t length, uint32_t *used);
// Decimal double: optional '-', digits, optional '.' and digits; correctly
// rounded to nearest. Reading stops as for kv_parse_int; no digits gives 0.
double kv_parse_double(const char *text, uint32_t length, uint32_t *used);
// The hexadecimal form after "0x": 1 to 16 digits (the rest is ignored).
// 0 on success with *value set; -1 with no digit or more than 16.
int kv_parse_hex(const char *text, uint32_t length, int64_t *value);
