// Command 95: the value of an expression appended to the message window as
// text, each character as command 91 appends it. The expression is the
// instruction's first argument record, evaluated by its type: an integer as
// decimal text, a float in fixed notation with six decimals, a string as it
// stands. A byte that stands alone outside the printable ASCII range (control
// bytes, half-width kana, a final lead byte) is shown as a space.
#include <cstring>

#include "core/error_report.h"
#include "core/quit.h"
#include "script/args.h"
#include "script/commands.h"
#include "script/expr.h"
#include "script/expr_number.h"
#include "script/script_file.h"
#include "script/task.h"
#include "text/message_window.h"
#include "text/text_commands.h"

namespace {

enum : uint32_t { KV_ERR_NO_MEMORY = 100010, KV_ERR_MESSAGE_FULL = 102000, KV_ERR_VALUE_LONG = 102030 };
enum { KV_FORMAT_ROOM = 8189, KV_FORMAT_TEXT_MAX = 1024 };

// Text of the record's value into out (EXPR_STRING_SIZE bytes); its length.
uint32_t record_text(const ArgRecord *r, const uint8_t *code, char *out)
{
    const ExprEvaluators *ev = expr_evaluators(r->eval_type);
    switch (r->eval_type) {
    case 2:
        return kv_format_double(out, ev->as_double(code, r->length));
    case 3:
    case 4:
        return ev->as_string(out, code, r->length);
    default:
        return kv_format_int(out, ev->as_int(code, r->length));
    }
}

}  // namespace

int format_value_append(const char *text, uint32_t n)
{
    const MessageWindow *w = g_message_window;
    if (!w) {
        // The window is made at start-up; only a failed allocation leaves none.
        report_script_error_text(KV_ERR_NO_MEMORY, 1);
        return -1;
    }
    if ((uint64_t)w->text_length + n > KV_FORMAT_ROOM) {
        report_script_error(KV_ERR_MESSAGE_FULL, 1);
        return -1;
    }
    if (n > KV_FORMAT_TEXT_MAX) {
        report_script_error(KV_ERR_VALUE_LONG, 1);
        return -1;
    }
    char shown[KV_FORMAT_TEXT_MAX];
    const uint8_t *src = (const uint8_t *)text;
    for (uint32_t k = 0; k < n;) {
        if (k + 1 < n && sjis_is_lead(src[k])) {
            shown[k] = (char)src[k];
            shown[k + 1] = (char)src[k + 1];
            k += 2;
        } else {
            shown[k] = (src[k] < 0x20 || src[k] > 0x7E) ? ' ' : (char)src[k];
            k++;
        }
    }
    // The shared append also keeps room in the code entries for the codes
    // that close the block.
    return message_append_text(shown, n);
}

int format_value_args()
{
    ScriptTask *t = g_cur_script;
    uint32_t n = 0;
    const ArgRecord *r = t ? task_instr_args(t, g_cur_instr, &n) : nullptr;
    if (!r || n == 0)
        return t ? report_task_data_error(t) : -1;
    const uint8_t *code = task_expr_at(t, r->offset, r->length);
    if (!code)
        return report_task_data_error(t);
    static char text[EXPR_STRING_SIZE];
    uint32_t len = record_text(r, code, text);
    if (g_quit_flag)
        return -1;
    return format_value_append(text, len);
}

int cmd_format_value(void) { return run_with_args(95, format_value_args); }
