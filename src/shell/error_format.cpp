// Bounded text building for error reports: Shift-JIS-safe copies, the
// engine's own formatter for its built-in texts, LF to CR LF.
#include "shell/error_format.h"

#include <cstdio>
#include <cstring>

#include "shell/error_report.h"

// Where a cut at len leaves a complete character: scanning from the start,
// a lead byte whose trail lies at or past len is dropped.
static size_t sjis_boundary(const char *s, size_t len)
{
    size_t i = 0;
    while (i < len) {
        size_t step = sjis_is_lead((unsigned char)s[i]) ? 2 : 1;
        if (i + step > len)
            break;
        i += step;
    }
    return i;
}

void textbuf_init(TextBuf *b, char *buf, size_t size)
{
    b->buf = buf;
    b->size = size;
    b->len = 0;
    b->cut = false;
    if (size)
        buf[0] = 0;
}

void textbuf_put(TextBuf *b, const char *s, size_t n)
{
    if (b->cut || b->size == 0)
        return;
    size_t room = b->size - 1 - b->len;
    if (n > room) {
        n = room;
        b->cut = true;
    }
    std::memcpy(b->buf + b->len, s, n);
    b->len += n;
    b->buf[b->len] = 0;
}

void textbuf_puts(TextBuf *b, const char *s)
{
    textbuf_put(b, s, std::strlen(s));
}

void textbuf_finish(TextBuf *b)
{
    if (b->cut && b->size) {
        b->len = sjis_boundary(b->buf, b->len);
        b->buf[b->len] = 0;
    }
}

void sjis_trim_cut(char *text)
{
    size_t len = std::strlen(text);
    text[sjis_boundary(text, len)] = 0;
}

size_t sjis_copy_bounded(char *dst, size_t size, const char *src)
{
    TextBuf b;
    textbuf_init(&b, dst, size);
    textbuf_puts(&b, src ? src : "");
    textbuf_finish(&b);
    return b.len;
}

// Text that is data (the project's texts): shown as it stands; only the
// escape "%%" becomes "%".
void textbuf_put_literal(TextBuf *b, const char *text)
{
    const char *p = text;
    while (*p) {
        const char *q = std::strstr(p, "%%");
        if (!q) {
            textbuf_puts(b, p);
            return;
        }
        textbuf_put(b, p, (size_t)(q - p) + 1);
        p = q + 2;
    }
}

// The engine's own texts hold only %s, %d and %%. Any other conversion is
// copied as it stands; so is every conversion when there are no arguments.
void textbuf_format(TextBuf *b, const char *fmt, va_list *ap)
{
    const char *p = fmt;
    while (*p) {
        if (p[0] != '%') {
            const char *q = std::strchr(p, '%');
            size_t n = q ? (size_t)(q - p) : std::strlen(p);
            textbuf_put(b, p, n);
            p += n;
            continue;
        }
        char c = p[1];
        if (c == '%') {
            textbuf_put(b, "%", 1);
            p += 2;
        } else if (c == 's' && ap) {
            const char *s = va_arg(*ap, const char *);
            textbuf_puts(b, s ? s : "(null)");
            p += 2;
        } else if (c == 'd' && ap) {
            char num[16];
            std::snprintf(num, sizeof num, "%d", va_arg(*ap, int));
            textbuf_puts(b, num);
            p += 2;
        } else {
            textbuf_put(b, p, 1);
            p += 1;
        }
    }
}

size_t crlf_convert(const char *text, char *out, size_t size)
{
    TextBuf b;
    textbuf_init(&b, out, size);
    for (const char *p = text; *p && !b.cut; ) {
        const char *q = std::strchr(p, '\n');
        size_t n = q ? (size_t)(q - p) : std::strlen(p);
        textbuf_put(&b, p, n);
        p += n;
        if (!q)
            break;
        // A CR LF pair is never split.
        if (b.size - 1 - b.len < 2) {
            b.cut = true;
            break;
        }
        textbuf_put(&b, "\r\n", 2);
        p++;
    }
    textbuf_finish(&b);
    return b.len;
}
