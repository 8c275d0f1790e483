// Built-in error texts and the licence notice of the libraries.
#pragma once

#include <cstddef>

#include "core/kv_base.h"

// The text of a built-in code (the fifteen codes, 100000 included), else null.
const char *builtin_error_text(uint32_t code);
extern const char g_internal_error_text[];

// The licence notice of code 100000: every linked library with its version
// and licence text. Built once; stays valid for the whole run.
const char *license_notice();
size_t license_notice_length();
bool license_notice_was_cut();
