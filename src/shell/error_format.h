// Bounded text buffers for error reports (Shift-JIS aware).
#pragma once

#include <cstdarg>
#include <cstddef>

#include "core/kv_base.h"

struct TextBuf {
    char *buf;
    size_t size;   // bytes, terminator included
    size_t len;
    bool cut;      // something did not fit
};

void textbuf_init(TextBuf *b, char *buf, size_t size);
void textbuf_put(TextBuf *b, const char *s, size_t n);
void textbuf_puts(TextBuf *b, const char *s);
// Texts that are data: copied as they stand, "%%" becomes "%".
void textbuf_put_literal(TextBuf *b, const char *text);
// The engine's own texts: %s and %d take the arguments (none when ap is null).
void textbuf_format(TextBuf *b, const char *fmt, va_list *ap);
// After a cut, drops a double-byte character left half in the buffer.
void textbuf_finish(TextBuf *b);
// Cuts a terminated text before a double-byte character left half at its end.
void sjis_trim_cut(char *text);
