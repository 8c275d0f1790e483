// Bounded text buffers for error reports (Shift-JIS aware).
#pragma once

#include <cstddef>

#include "core/kv_base.h"

struct ErrorArg;

struct TextBuf {
    char *buf;
    size_t size;   // bytes, terminator included
    size_t len;
    bool cut;      // something did not fit
};

void textbuf_init(TextBuf *b, char *buf, size_t size);
void textbuf_put(TextBuf *b, const char *s, size_t n);
void textbuf_puts(TextBuf *b, const char *s);
// A report text with its arguments (see report_error_args): "%%" becomes
// "%", a conversion takes the next argument only when it is of its kind,
// everything else is copied as it stands.
void textbuf_format(TextBuf *b, const char *text, const ErrorArg *args, size_t count);
// After a cut, drops a double-byte character left half in the buffer.
void textbuf_finish(TextBuf *b);
// Cuts a terminated text before a double-byte character left half at its end.
void sjis_trim_cut(char *text);
