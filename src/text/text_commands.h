// Script commands of the text subsystem: text style (21), text information
// (22), end of a message block (64), message window set-up (81), message
// window state (82), text append (91) and a value appended as text (95).
// Each handler loads its arguments and hands them to the matching *_args
// routine, which reads g_arg_slots (tests fill the slots and call these
// directly).
#pragma once

#include "core/kv_base.h"

int text_style_args();        // 21
int text_info_args();         // 22
int text_end_args();          // 64
int message_setup_args();     // 81
int message_state_args();     // 82
int text_append_args();       // 91
int format_value_args();      // 95: the instruction's first argument record

// Appends n bytes of a value's text as command 95 does: 0, or -1 after error
// 102000 (the block would pass 8189 bytes or its code entries) or 102030 (more
// than 1024 bytes), both fatal.
int format_value_append(const char *text, uint32_t n);

// The new value of a style field: base b, argument v, value operator op
// (0 set, 1 add, 2 subtract, 3 multiply, 4 divide; others keep b), kept in
// 0..max without overflowing; keep_minus_one lets "set -1" through (colour2).
int64_t style_operator_value(int64_t b, int64_t v, uint32_t op, int64_t max, bool keep_minus_one);
