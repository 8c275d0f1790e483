// Command 85: string edits (extract, delete, case, full and half width,
// number-string conversion) and one-dimensional array edits (resize, insert,
// delete). String results are built in a buffer of their own, so a source
// that is also the destination is read whole before it changes, and are cut
// on a character boundary at the 4095-byte string limit.
//
// Positions count characters from 1; a start below 2 means the first
// character. A start of 2 or more must name a character of the text: one
// past the last character is refused (120010 / 120110) even with length 0.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/error_report.h"
#include "core/quit.h"
#include "script/args.h"
#include "script/commands.h"
#include "script/sjis_text.h"
#include "script/vars.h"

enum : uint32_t {
    KV_ERR_CONVERT_TYPES = 108200,
    KV_ERR_NOT_NUMBER = 108210,
    KV_ERR_NOT_STRING = 108220,
    KV_ERR_START = 120010,
    KV_ERR_LENGTH = 120020,
    KV_ERR_DEL_START = 120110,
    KV_ERR_DEL_LENGTH = 120120
};
enum { CMD_VAR_OPS = 85 };

struct VarRef {
    uint32_t id;
    int64_t elem;
    bool present;
};

static VarRef ref_of(uint32_t arg)
{
    uint32_t p = arg_pos(arg);
    if (!p)
        return {0, 0, false};
    return {g_arg_slots.var_id[p], (int64_t)g_arg_slots.var_elem[p], true};
}

static uint8_t type_of(const VarRef &r)
{
    const VarDescriptor *v = r.present ? var_descriptor(r.id) : nullptr;
    return v ? v->type : (uint8_t)VAR_TYPE_NONE;
}

static char g_result[KV_STRING_RESULT_MAX + 1];

// The text of a string element. Null with *skip set for an index outside
// the variable (nothing happens), null after the 108220 report otherwise.
static const char *string_of(const VarRef &r, bool *skip)
{
    *skip = false;
    if (type_of(r) != VAR_TYPE_STRING) {
        report_script_error_text(KV_ERR_NOT_STRING, 1);
        return nullptr;
    }
    const char *s = var_get_string(r.id, r.elem);
    *skip = s == nullptr;
    return s;
}

static int store_result(const VarRef &r, const char *text, size_t len)
{
    len = sjis_cut(text, len, KV_STRING_RESULT_MAX);
    var_set_string(r.id, r.elem, text, (uint32_t)len);
    return g_quit_flag ? -1 : 0;
}

// --- conversion ---------------------------------------------------------------------

static int hex_to_number(const VarRef &dst, const char *digits)
{
    size_t n = std::strlen(digits);
    if (n < 1 || n > 16)
        return -1;
    uint64_t v = 0;
    for (size_t k = 0; k < n; k++) {
        char c = digits[k];
        int d = (c >= '0' && c <= '9') ? c - '0'
              : (c >= 'a' && c <= 'f') ? c - 'a' + 10
              : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
        if (d < 0)
            return -1;
        v = (v << 4) | (uint64_t)d;
    }
    var_set_number(dst.id, dst.elem, (int64_t)v);
    return g_quit_flag ? -1 : 0;
}

static int text_to_number(const VarRef &dst, const char *text)
{
    if (text[0] == '0' && text[1] == 'x')
        return hex_to_number(dst, text + 2);
    bool dot = false;
    for (const unsigned char *p = (const unsigned char *)text; *p; p++) {
        if (sjis_is_lead(*p) || !((*p >= '0' && *p <= '9') || *p == '.' || *p == '-')) {
            report_script_error_text(KV_ERR_NOT_NUMBER, 1);
            return -1;
        }
        dot |= *p == '.';
    }
    if (dot)
        var_set_float(dst.id, dst.elem, std::strtod(text, nullptr));
    else
        var_set_number(dst.id, dst.elem, (int64_t)std::strtoll(text, nullptr, 10));
    return g_quit_flag ? -1 : 0;
}

static int op_convert(const VarRef &src, const VarRef &dst)
{
    uint8_t st = type_of(src), dt = type_of(dst);
    bool s_str = st == VAR_TYPE_STRING, d_str = dt == VAR_TYPE_STRING;
    bool s_num = st == VAR_TYPE_INT || st == VAR_TYPE_FLOAT;
    bool d_num = dt == VAR_TYPE_INT || dt == VAR_TYPE_FLOAT;
    if (!((s_num && d_str) || (s_str && d_num))) {
        report_script_error_text(KV_ERR_CONVERT_TYPES, 1);
        return -1;
    }
    if (s_str) {
        bool skip;
        const char *text = string_of(src, &skip);
        return text ? text_to_number(dst, text) : (skip ? 0 : -1);
    }
    char text[400];
    if (st == VAR_TYPE_INT)
        std::snprintf(text, sizeof text, "%" PRId64, var_get_int(src.id, src.elem));
    else
        std::snprintf(text, sizeof text, "%f", var_get_float(src.id, src.elem));
    return store_result(dst, text, std::strlen(text));
}

// --- extract and delete -------------------------------------------------------------

// Byte offsets of the characters start..start+length-1 of text in *from,
// *to. 0, or the error code (start or length) to report.
static uint32_t char_span(const char *text, int64_t start, int64_t length, size_t *from,
                          size_t *to, uint32_t err_start, uint32_t err_length)
{
    const unsigned char *p = (const unsigned char *)text;
    size_t pos = 0;
    for (int64_t k = 1; k < start; k++) {
        uint32_t step = sjis_char_bytes(p + pos);
        if (!step)
            return err_start;
        pos += step;
    }
    if (start >= 2 && !p[pos])
        return err_start;
    *from = pos;
    for (int64_t k = 0; k < length; k++) {
        uint32_t step = sjis_char_bytes(p + pos);
        if (!step)
            return err_length;
        pos += step;
    }
    *to = pos;
    return 0;
}

static int op_span(const VarRef &src, const VarRef &dst, bool extract)
{
    if (dst.present && type_of(dst) != VAR_TYPE_STRING) {
        report_script_error_text(KV_ERR_NOT_STRING, 1);
        return -1;
    }
    bool skip;
    const char *text = string_of(src, &skip);
    if (!text)
        return skip ? 0 : -1;
    size_t from = 0, to = 0;
    uint32_t err = char_span(text, arg_int(4, 0), arg_int(5, 0), &from, &to,
                             extract ? KV_ERR_START : KV_ERR_DEL_START,
                             extract ? KV_ERR_LENGTH : KV_ERR_DEL_LENGTH);
    if (err) {
        report_script_error_text(err, 1);
        return -1;
    }
    size_t n = std::strlen(text);
    size_t len;
    if (extract) {
        len = sjis_cut(text + from, to - from, KV_STRING_RESULT_MAX);
        std::memcpy(g_result, text + from, len);
    } else {
        len = sjis_cut(text, from, KV_STRING_RESULT_MAX);
        std::memcpy(g_result, text, len);
        size_t rest = sjis_cut(text + to, n - to, KV_STRING_RESULT_MAX - len);
        std::memcpy(g_result + len, text + to, rest);
        len += rest;
    }
    return store_result(dst.present ? dst : src, g_result, len);
}

// --- case and width copies ----------------------------------------------------------

static int op_copy(const VarRef &src, const VarRef &dst, int op)
{
    if (!dst.present) {
        report_script_error_text(VAR_ERR_TYPE, 1);
        return -1;
    }
    if (type_of(dst) != VAR_TYPE_STRING) {
        report_script_error_text(KV_ERR_NOT_STRING, 1);
        return -1;
    }
    bool skip;
    const char *text = string_of(src, &skip);
    if (!text)
        return skip ? 0 : -1;
    size_t len;
    if (op == 11) {
        len = sjis_to_full_width(text, g_result, sizeof g_result);
    } else if (op == 12) {
        len = sjis_to_half_width(text, g_result, sizeof g_result);
    } else {
        len = sjis_cut(text, std::strlen(text), KV_STRING_RESULT_MAX);
        std::memcpy(g_result, text, len);
        g_result[len] = 0;
        if (op == 7)
            str_upper_sjis(g_result);
        else if (op == 8)
            str_upper_mb(g_result);
        else if (op == 9)
            str_lower_sjis(g_result);
        else
            str_lower_mb(g_result);
    }
    return store_result(dst, g_result, len);
}

// --- arrays -------------------------------------------------------------------------

static VarDescriptor *one_dim_array(const VarRef &src, const char *message)
{
    VarDescriptor *v = src.present && src.id >= VAR_SYSTEM_LIMIT ? var_descriptor(src.id) : nullptr;
    if (!v || v->dim_count != 1 || v->type == VAR_TYPE_NONE) {
        message_box_printf("", "%s", message);
        return nullptr;
    }
    return v;
}

static int op_resize(const VarRef &src)
{
    VarDescriptor *v = one_dim_array(
        src, "配列サイズを変更しようとしましたが、この変数は１次元配列ではありません。");
    if (!v)
        return -1;
    int64_t cur = v->dims[0], val = arg_int(13), n = cur;
    bool over = false;
    switch (g_arg_slots.op[arg_pos(13)]) {
    case 0: n = val; break;
    case 1: over = __builtin_add_overflow(cur, val, &n); break;
    case 2: over = __builtin_sub_overflow(cur, val, &n); break;
    case 3: over = __builtin_mul_overflow(cur, val, &n); break;
    case 4: n = val ? (val == -1 ? -cur : cur / val) : cur; break;
    default: break;
    }
    if (!over && n < 1) {
        message_box_printf("", "変更後の配列サイズが不正です。");
        return -1;
    }
    if (over || n > VAR_ELEMENT_MAX) {
        report_script_error(VAR_ERR_TOO_MANY, 1, (int)VAR_ELEMENT_MAX);
        return -1;
    }
    return n == cur ? 0 : var_resize(src.id, n);
}

static void clear_element(VarDescriptor *v, int64_t k)
{
    if (v->type == VAR_TYPE_INT)
        v->ints[k] = 0;
    else if (v->type == VAR_TYPE_FLOAT)
        v->floats[k] = 0.0;
    else if (v->strings[k])
        v->strings[k][0] = 0;
}

// Moves element `from` to `to` (strings move their buffers).
static void move_element(VarDescriptor *v, int64_t to, int64_t from)
{
    if (v->type == VAR_TYPE_INT) {
        v->ints[to] = v->ints[from];
    } else if (v->type == VAR_TYPE_FLOAT) {
        v->floats[to] = v->floats[from];
    } else {
        v->strings[to] = v->strings[from];
        v->caps[to] = v->caps[from];
    }
}

static int op_shift(const VarRef &src, bool insert)
{
    VarDescriptor *v = one_dim_array(
        src, insert ? "配列挿入処理をしようとしましたが、この変数は１次元配列ではありません。"
                    : "配列削除処理をしようとしましたが、この変数は１次元配列ではありません。");
    if (!v)
        return -1;
    int64_t i = arg_int(insert ? 14 : 15), n = v->count;
    if (i < 0 || i >= n)
        return 0;
    // The buffer that falls off one end is reused, emptied, at the other.
    int64_t spare = insert ? n - 1 : i;
    char *s = v->type == VAR_TYPE_STRING ? v->strings[spare] : nullptr;
    uint16_t cap = v->type == VAR_TYPE_STRING ? v->caps[spare] : 0;
    if (insert) {
        for (int64_t k = n - 1; k > i; k--)
            move_element(v, k, k - 1);
    } else {
        for (int64_t k = i; k < n - 1; k++)
            move_element(v, k, k + 1);
    }
    int64_t fresh = insert ? i : n - 1;
    if (v->type == VAR_TYPE_STRING) {
        v->strings[fresh] = s;
        v->caps[fresh] = cap;
    }
    clear_element(v, fresh);
    return 0;
}

int cmd_var_ops(void)
{
    if (load_command_args(CMD_VAR_OPS) & 0xFF)
        return -1;
    VarRef src = ref_of(0), dst = ref_of(1);
    if (arg_present(6))
        return op_convert(src, dst);
    if (arg_present(3))
        return op_span(src, dst, true);
    if (arg_present(2))
        return op_span(src, dst, false);
    static const uint8_t order[] = {11, 12, 7, 8, 9, 10};
    for (uint8_t op : order)
        if (arg_present(op) && op_copy(src, dst, op) != 0)
            return -1;
    if (arg_present(13) && op_resize(src) != 0)
        return -1;
    if (arg_present(14) && op_shift(src, true) != 0)
        return -1;
    if (arg_present(15) && op_shift(src, false) != 0)
        return -1;
    return 0;
}
