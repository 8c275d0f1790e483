// Error reporting: every failure of the engine reaches the user through these.
#pragma once

#include <cstddef>
#include <type_traits>

#include "core/kv_base.h"

#if defined(__MINGW32__)
#define KV_PRINTF_FORMAT(f, a) __attribute__((format(gnu_printf, f, a)))
#else
#define KV_PRINTF_FORMAT(f, a) __attribute__((format(printf, f, a)))
#endif

enum {
    KV_ERROR_TEXT_SIZE = 1024,   // a report's text and its formatted message
    KV_ERROR_TABLE_MAX = 256,    // entries of the project's error table
    KV_LICENSE_CODE = 100000     // the licence notice of the libraries ("/info")
};

// One argument of a report, kept with its kind so that the formatter only
// ever fills a conversion with an argument of its own kind.
struct ErrorArg {
    enum Kind : uint8_t { NONE, INT, UINT, TEXT } kind;
    uint8_t wide;        // the caller's integer had more than 32 bits
    int64_t value;
    const char *text;
};

template <class T>
inline ErrorArg error_arg(T v)
{
    static_assert(std::is_integral<T>::value || std::is_enum<T>::value,
                  "report arguments are integers and texts");
    ErrorArg a{};
    bool is_signed = std::is_signed<T>::value;
    a.kind = is_signed ? ErrorArg::INT : ErrorArg::UINT;
    a.wide = sizeof(T) > 4;
    a.value = (int64_t)v;
    return a;
}
inline ErrorArg error_arg(const char *s)
{
    ErrorArg a{};
    a.kind = ErrorArg::TEXT;
    a.text = s;
    return a;
}
inline ErrorArg error_arg(char *s) { return error_arg((const char *)s); }

// Reporters: a six-digit code and a fatal flag. A fatal report sets
// g_quit_flag (a later non-fatal one never clears it). Only the first report
// of a run is shown. The text of the code (built-in or the project's) is
// formatted with the caller's arguments: a conversion takes the next
// argument only when it is of its kind (%s a text; %d %i %u %x %X %o %c an
// integer), anything else (%n among them) stays as it stands. The script
// variants put the script file and line in front, literally, when a script
// runs.
void report_error_args(uint32_t code, int fatal, bool located, const ErrorArg *args,
                       size_t count);

template <class... A>
inline void report_script_error(uint32_t code, int fatal, A... args)
{
    const ErrorArg list[] = {error_arg(args)..., ErrorArg{}};
    report_error_args(code, fatal, true, list, sizeof...(A));
}

template <class... A>
inline void report_system_error(uint32_t code, int fatal, A... args)
{
    const ErrorArg list[] = {error_arg(args)..., ErrorArg{}};
    report_error_args(code, fatal, false, list, sizeof...(A));
}

void report_script_error_text(uint32_t code, int fatal);
void report_system_error_text(uint32_t code, int fatal);

// The text of a code: the fifteen built-in texts first, then the project's
// error table, else the internal-error text.
const char *error_text(uint32_t code);
// Builds g_error_text for a code (with the location prefix when a script
// runs / without it) and applies the fatal flag; returns g_error_text.
const char *error_text_located(uint32_t code, int fatal);
const char *error_text_plain(uint32_t code, int fatal);
// Shows the dialog with the message, the first time only.
void show_error_dialog(const char *message);

// System-modal message box with a printf-style text (1024 bytes at most).
int message_box_printf(const char *caption, const char *format, ...) KV_PRINTF_FORMAT(2, 3);
// Where message_box_printf shows its text: null for the system's box; tests
// put a recorder here.
extern int (*g_message_box_hook)(const char *caption, const char *text);
// Trace hook for diagnostics: accepts any printf-style text and discards it.
void debug_trace(const char *format, ...) KV_PRINTF_FORMAT(1, 2);

// The project's error table (kve.kbn), filled by project loading: code and
// Shift-JIS text pairs, searched in order.
struct ErrorTextEntry {
    uint32_t code;
    const char *text;
};
extern ErrorTextEntry g_error_texts[KV_ERROR_TABLE_MAX];
extern uint32_t g_error_text_count;
// Every record of kve.kbn, which project loading fills and frees.
extern ErrorTextEntry *g_project_error_texts;
extern uint32_t g_project_error_text_count;
// Finds a code among all the records of kve.kbn: its text, or null.
const char *project_error_text(uint32_t code);

// Where a script report happens: the script engine installs a function that
// gives the current task's script file name and the source line of the
// current instruction, and returns false when no script runs.
typedef bool (*ErrorLocationFn)(const char **file, int32_t *line);
extern ErrorLocationFn g_error_location_fn;

// Location of the last located report (file null and line 1 when none).
struct ErrorLocation {
    const char *file;
    int32_t line;
};
extern ErrorLocation g_error_location;

// The text of the last report, prefix included, before formatting; the
// formatted message of the last report; and its code (0 when none).
extern char g_error_text[KV_ERROR_TEXT_SIZE];
extern char g_error_message[KV_ERROR_TEXT_SIZE];
extern uint32_t g_last_error_code;

// Dialog state: the caption ("KAVREN Debug Info.", or "License Information"
// for "/info"), whether the dialog has been shown in this run, and the text
// that the dialog shows.
extern const char *g_dialog_caption;
extern uint8_t g_error_shown;
extern const char *g_error_dialog_text;

// Back to the state of a new run: nothing shown, no location, no report.
// (Test programs run many reports in one process.)
void reset_error_reports();

// The project's debug mode (kvcfg.kbn): the editor button exists only when
// it is 1. Project loading sets it.
extern uint8_t g_debug_mode;

// The editor button of the dialog: 0 absent, 1 disabled, 2 enabled.
int error_dialog_editor_state();
// The location of the report that the dialog shows.
ErrorLocation error_dialog_location();
// The editor button was pressed: opens the located script file in the
// user's editor at its line. Returns true when an editor was started.
bool open_error_location_in_editor();
// The same for a given folder, script file name and line.
bool open_in_editor(const char *folder, const char *file, int32_t line);

// Editor launch rules (bounded; a path holding '"' is refused):
// the base name of an executable path (behind the last single-byte '\' or
// '/', empty when none), and the parameters for an editor.
const char *editor_base_name(const char *exe_path);
bool editor_parameters(const char *exe_base, const char *path, int32_t line,
                       char *out, size_t size);

// Copies text into out turning each LF into CR LF; cut on a character
// boundary when out is too small. Returns the length written.
size_t crlf_convert(const char *text, char *out, size_t size);
// Copies src into dst (size bytes with the terminator), cutting on a
// Shift-JIS character boundary. Returns the length written.
size_t sjis_copy_bounded(char *dst, size_t size, const char *src);
