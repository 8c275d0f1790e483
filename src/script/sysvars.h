// System variables: ids below 1000, computed when read.
#pragma once

#include "core/kv_base.h"

enum { KV_SYSVAR_LIMIT = 1000, KV_SYSVAR_INT_MAX = 525 };

// Integer system variable `id` at flat element e; 0 for ids not listed.
int64_t sysvar_get_int(uint32_t id, int64_t e);
// Floating system variable; 0.0 for ids not listed.
double sysvar_get_float(uint32_t id, int64_t e);
// String system variable into buf (size bytes, at most 4095 + NUL); returns the
// length. Ids not listed give "" (length 0).
size_t sysvar_get_string(uint32_t id, int64_t e, char *buf, size_t size);
