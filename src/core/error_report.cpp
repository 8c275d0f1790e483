// Error reporting: the four reporters, the text of a code, the location
// prefix and the first-report-only dialog.
#include "core/error_report.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "core/error_format.h"
#include "core/error_texts.h"
#include "core/input.h"
#include "core/quit.h"
#include "core/window.h"
#include "platform/sys.h"
#include "platform/sys_error.h"

ErrorTextEntry g_error_texts[KV_ERROR_TABLE_MAX];
uint32_t g_error_text_count;
ErrorLocationFn g_error_location_fn;
ErrorLocation g_error_location = {nullptr, 1};
char g_error_text[KV_ERROR_TEXT_SIZE];
char g_error_message[KV_ERROR_TEXT_SIZE];
uint32_t g_last_error_code;
const char *g_dialog_caption = "KAVREN Debug Info.";
uint8_t g_error_shown;
const char *g_error_dialog_text;
uint8_t g_debug_mode;

// Reports may come from the frame thread and from start-up at once; the
// texts and the shown flag are built under this lock. The dialog itself is
// shown outside it (it runs a message loop and may take long).
static std::recursive_mutex g_report_lock;
// The dialog's own copy of its message: later reports rewrite the buffers above.
static char g_dialog_copy[KV_ERROR_TEXT_SIZE];
// The location of the shown report, for the editor button.
static ErrorLocation g_dialog_location = {nullptr, 1};

ErrorTextEntry *g_project_error_texts;
uint32_t g_project_error_text_count;

const char *project_error_text(uint32_t code)
{
    for (uint32_t i = 0; i < g_project_error_text_count; i++)
        if (g_project_error_texts[i].code == code)
            return g_project_error_texts[i].text;
    return nullptr;
}

const char *error_text(uint32_t code)
{
    const char *builtin = builtin_error_text(code);
    if (builtin)
        return builtin;
    uint32_t count = g_error_text_count < (uint32_t)KV_ERROR_TABLE_MAX ? g_error_text_count
                                                                : (uint32_t)KV_ERROR_TABLE_MAX;
    for (uint32_t i = 0; i < count; i++)
        if (g_error_texts[i].code == code && g_error_texts[i].text)
            return g_error_texts[i].text;
    // The table holds the first 256 records of kve.kbn; the project keeps the rest.
    if (const char *text = project_error_text(code))
        return text;
    return g_internal_error_text;
}

// "[対象ファイル]\n<file>\n\n[場所]\n<line> 行目\n\n[内容]\n\n", the file name
// copied as it stands.
static void put_prefix(TextBuf *b, const char *file, int32_t line)
{
    char num[16];
    std::snprintf(num, sizeof num, "%d", (int)line);
    textbuf_puts(b, "[対象ファイル]\n");
    textbuf_puts(b, file);
    textbuf_puts(b, "\n\n[場所]\n");
    textbuf_puts(b, num);
    textbuf_puts(b, " 行目\n\n[内容]\n\n");
}

static bool current_location(const char **file, int32_t *line)
{
    *file = nullptr;
    *line = 1;
    if (!g_error_location_fn || !g_error_location_fn(file, line) || !*file) {
        *file = nullptr;
        *line = 1;
        return false;
    }
    return true;
}

static void apply_fatal(int fatal)
{
    // A fatal report ends the run; nothing ever takes that back.
    if (fatal)
        g_quit_flag = 1;
}

static const char *build_error_text(uint32_t code, int fatal, bool located)
{
    std::lock_guard<std::recursive_mutex> hold(g_report_lock);
    g_error_location.file = nullptr;
    g_error_location.line = 1;
    const char *text = error_text(code);
    TextBuf b;
    textbuf_init(&b, g_error_text, sizeof g_error_text);
    const char *file;
    int32_t line;
    if (located && current_location(&file, &line)) {
        put_prefix(&b, file, line);
        g_error_location.file = file;
        g_error_location.line = line;
    }
    textbuf_puts(&b, text);
    textbuf_finish(&b);
    apply_fatal(fatal);
    return g_error_text;
}

const char *error_text_located(uint32_t code, int fatal)
{
    return build_error_text(code, fatal, true);
}

const char *error_text_plain(uint32_t code, int fatal)
{
    return build_error_text(code, fatal, false);
}

// Builds the message of a report into g_error_message: the prefix as it
// stands, then the text of the code filled with the caller's arguments.
static const char *build_message(uint32_t code, const ErrorArg *args, size_t count)
{
    if (code == KV_LICENSE_CODE)
        return license_notice();   // too long for the report buffers
    TextBuf b;
    textbuf_init(&b, g_error_message, sizeof g_error_message);
    if (g_error_location.file)
        put_prefix(&b, g_error_location.file, g_error_location.line);
    textbuf_format(&b, error_text(code), args, count);
    textbuf_finish(&b);
    return g_error_message;
}

// Takes the right to show the dialog (the first report of the run only) and
// gives the text to show, or null.
static const char *claim_dialog(const char *message)
{
    std::lock_guard<std::recursive_mutex> hold(g_report_lock);
    if (g_error_shown)
        return nullptr;
    g_error_shown = 1;
    g_dialog_location = g_error_location;
    if (message == license_notice()) {
        g_error_dialog_text = message;   // static, never rewritten
    } else {
        sjis_copy_bounded(g_dialog_copy, sizeof g_dialog_copy, message);
        g_error_dialog_text = g_dialog_copy;
    }
    return g_error_dialog_text;
}

static void *dialog_owner()
{
    WindowObject *w = g_windows[0];
    return (w && g_window_slots[0] == 1) ? w->hwnd : nullptr;
}

// The dialog needs the mouse: the cursor may be hidden by the auto-hide.
static void open_dialog(const char *text)
{
    request_cursor_visible();
    sys_show_error_dialog(dialog_owner(), g_dialog_caption, text);
}

void show_error_dialog(const char *message)
{
    const char *text = claim_dialog(message ? message : "");
    if (text)
        open_dialog(text);
}

void report_error_args(uint32_t code, int fatal, bool located, const ErrorArg *args,
                       size_t count)
{
    const char *message;
    {
        std::lock_guard<std::recursive_mutex> hold(g_report_lock);
        g_last_error_code = code;
        build_error_text(code, fatal, located);
        message = build_message(code, args, count);
        message = claim_dialog(message);
    }
    if (message)
        open_dialog(message);
}

// The text alone: its conversions stay as they stand ("%%" still gives "%").
void report_script_error_text(uint32_t code, int fatal)
{
    report_error_args(code, fatal, true, nullptr, 0);
}

void report_system_error_text(uint32_t code, int fatal)
{
    report_error_args(code, fatal, false, nullptr, 0);
}

int message_box_printf(const char *caption, const char *format, ...)
{
    char buf[KV_ERROR_TEXT_SIZE];
    va_list ap;
    va_start(ap, format);
    int n = std::vsnprintf(buf, sizeof buf, format, ap);
    va_end(ap);
    if (n < 0)
        buf[0] = 0;
    else if ((size_t)n >= sizeof buf)
        sjis_trim_cut(buf);   // drop a half character at the cut
    return g_message_box_hook ? g_message_box_hook(caption, buf) : sys_message_box(caption, buf);
}

int (*g_message_box_hook)(const char *caption, const char *text);

void debug_trace(const char *, ...) {}

void reset_error_reports()
{
    std::lock_guard<std::recursive_mutex> hold(g_report_lock);
    g_error_shown = 0;
    g_error_location = {nullptr, 1};
    g_dialog_location = {nullptr, 1};
    g_error_dialog_text = nullptr;
    g_error_text[0] = 0;
    g_error_message[0] = 0;
    g_last_error_code = 0;
}

int error_dialog_editor_state()
{
    if (g_debug_mode != 1)
        return 0;
    return g_dialog_location.file ? 2 : 1;
}

ErrorLocation error_dialog_location()
{
    return g_dialog_location;
}
