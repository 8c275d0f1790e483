// Bounded text building for error reports: Shift-JIS-safe copies, the
// engine's own formatter for its built-in texts, LF to CR LF.
#include "core/error_format.h"

#include <cstdio>
#include <cstring>

#include "core/error_report.h"

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

// One conversion of a report text: "%", flags, width, precision, length,
// conversion letter. Width and precision are kept small (a text cannot ask
// for a megabyte of blanks); the length letters are dropped because the
// argument's own size is known.
struct Conversion {
    char flags[6];
    int width, precision;   // -1: none
    char letter;
    size_t length;          // bytes of the conversion in the text
};

static int read_number(const char *p, size_t *i)
{
    long v = 0;
    while (p[*i] >= '0' && p[*i] <= '9') {
        if (v < 100000)
            v = v * 10 + (p[*i] - '0');
        (*i)++;
    }
    return v > 512 ? 512 : (int)v;
}

// Parses the conversion at p (p[0] == '%'); false when it is none this
// formatter fills.
static bool parse_conversion(const char *p, Conversion *c)
{
    size_t i = 1, nf = 0;
    while (p[i] && std::strchr("-+ #0", p[i]) && nf < sizeof c->flags - 1)
        c->flags[nf++] = p[i++];
    c->flags[nf] = 0;
    c->width = (p[i] >= '0' && p[i] <= '9') ? read_number(p, &i) : -1;
    c->precision = -1;
    if (p[i] == '.') {
        i++;
        c->precision = read_number(p, &i);
    }
    if (p[i] == 'I' && p[i + 1] == '6' && p[i + 2] == '4')
        i += 3;
    else
        while (p[i] && std::strchr("hlLqjzt", p[i]))
            i++;
    c->letter = p[i];
    c->length = i + 1;
    return c->letter && std::strchr("diuxXocs", c->letter);
}

// printf format of one conversion for the argument's real type.
static void conversion_format(const Conversion *c, const char *length, char *out, size_t size)
{
    char width[16] = "", precision[16] = "";
    if (c->width >= 0)
        std::snprintf(width, sizeof width, "%d", c->width);
    if (c->precision >= 0)
        std::snprintf(precision, sizeof precision, ".%d", c->precision);
    std::snprintf(out, size, "%%%s%s%s%s%c", c->flags, width, precision, length, c->letter);
}

static bool arg_fits(const Conversion *c, const ErrorArg *a)
{
    if (c->letter == 's')
        return a->kind == ErrorArg::TEXT;
    return a->kind == ErrorArg::INT || a->kind == ErrorArg::UINT;
}

// Fills one conversion with its argument into piece (cut on a character
// boundary when the piece is too small).
static void format_arg(const Conversion *c, const ErrorArg *a, char *piece, size_t size)
{
    char fmt[48];
    if (c->letter == 's') {
        conversion_format(c, "", fmt, sizeof fmt);
        std::snprintf(piece, size, fmt, a->text ? a->text : "(null)");
        sjis_trim_cut(piece);
        return;
    }
    bool is_signed = c->letter == 'd' || c->letter == 'i';
    if (c->letter == 'c') {
        conversion_format(c, "", fmt, sizeof fmt);
        std::snprintf(piece, size, fmt, (int)(unsigned char)a->value);
    } else if (a->wide) {
        conversion_format(c, "ll", fmt, sizeof fmt);
        if (is_signed)
            std::snprintf(piece, size, fmt, (long long)a->value);
        else
            std::snprintf(piece, size, fmt, (unsigned long long)a->value);
    } else {
        conversion_format(c, "", fmt, sizeof fmt);
        if (is_signed)
            std::snprintf(piece, size, fmt, (int)(int32_t)a->value);
        else
            std::snprintf(piece, size, fmt, (unsigned)(uint32_t)a->value);
    }
}

// A report text is never a printf format: "%%" becomes "%"; %s %d %i %u %x
// %X %o %c take the arguments in order, each filled only when its argument
// is of its kind; every other '%' (a lone one, %n, %p, %*d, a conversion
// without an argument) is copied as it stands.
void textbuf_format(TextBuf *b, const char *text, const ErrorArg *args, size_t count)
{
    const char *p = text;
    size_t next = 0;
    while (*p && !b->cut) {
        if (p[0] != '%') {
            const char *q = std::strchr(p, '%');
            size_t n = q ? (size_t)(q - p) : std::strlen(p);
            textbuf_put(b, p, n);
            p += n;
            continue;
        }
        if (p[1] == '%') {
            textbuf_put(b, "%", 1);
            p += 2;
            continue;
        }
        // A conversion of the wrong kind stays as it stands but still uses up
        // its argument, so the later ones keep their places.
        Conversion c;
        if (next < count && parse_conversion(p, &c) && arg_fits(&c, &args[next++])) {
            char piece[KV_ERROR_TEXT_SIZE];
            format_arg(&c, &args[next - 1], piece, sizeof piece);
            textbuf_puts(b, piece);
            p += c.length;
        } else {
            textbuf_put(b, p, 1);
            p++;
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
