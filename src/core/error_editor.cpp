// The editor button of the error dialog: opens the failing script file in
// the user's text editor at the failing line, with that editor's own
// go-to-line command line.
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "core/error_report.h"
#include "core/window.h"
#include "platform/sys_error.h"

enum { KV_EDITOR_PATH_SIZE = 264 };

// Order of the values in a row's format: L line, P path, Q double quote.
enum EditorArgs { ARGS_LP, ARGS_QPQL, ARGS_PL, ARGS_QPLQ, ARGS_LQPQ, ARGS_P };

struct EditorRow {
    const char *exe;
    const char *format;
    EditorArgs args;
};

static const EditorRow g_editor_rows[] = {
    {"apsaly.exe", " /j%d %s", ARGS_LP},
    {"EmEditor.exe", " %c%s%c /l %d", ARGS_QPQL},
    {"Ginnie.exe", " %c%s%c /r%d", ARGS_QPQL},
    {"GinnieFE.exe", " %c%s%c /r%d", ARGS_QPQL},
    {"Jcref.exe", " %c%s%c /r%d", ARGS_QPQL},
    {"JmEdit2.exe", " %c%s%c/%d", ARGS_QPQL},
    {"K2Editor.exe", " %s /j%d", ARGS_PL},
    {"MIW.exe", " %c%s+%d%c", ARGS_QPLQ},
    {"oseditor2.exe", " /j%d %s", ARGS_LP},
    {"otbedit.exe", " %s /r%d", ARGS_PL},
    {"QXW32.exe", " -J%d %c%s%c", ARGS_LQPQ},
    {"tepa.exe", " /j%d %c%s%c", ARGS_LQPQ},
    {"TeraPad.exe", " /jl=%d %s", ARGS_LP},
    {"whinny.exe", " %c%s/%d%c", ARGS_QPLQ},
    {"WZEDITOR.exe", " %s /j%d", ARGS_PL},
    {"sakura.exe", " %c%s%c -Y=%d", ARGS_QPQL},
    {"hidemaru.exe", " /j%d %c%s%c", ARGS_LQPQ},
};
static const EditorRow g_editor_default = {"", " %s", ARGS_P};

const char *editor_base_name(const char *exe_path)
{
    const char *base = nullptr;
    const unsigned char *p = (const unsigned char *)exe_path;
    while (*p) {
        if (sjis_is_lead(*p) && p[1]) {
            p += 2;
            continue;
        }
        if (*p == '\\' || *p == '/')
            base = (const char *)p + 1;
        p++;
    }
    return base ? base : "";   // no separator: no base name (as an empty path ending in one)
}

static const EditorRow *editor_row(const char *exe_base)
{
    for (size_t i = 0; i < KV_COUNTOF(g_editor_rows); i++)
        if (strcasecmp(g_editor_rows[i].exe, exe_base) == 0)
            return &g_editor_rows[i];
    return &g_editor_default;
}

bool editor_parameters(const char *exe_base, const char *path, int32_t line,
                       char *out, size_t size)
{
    if (!out || size == 0)
        return false;
    out[0] = 0;
    // The path goes between double quotes on most editors' command lines; a
    // quote inside it would break the line apart.
    if (!path || std::strchr(path, '"'))
        return false;
    const EditorRow *row = editor_row(exe_base ? exe_base : "");
    const char q = '"';
    const int l = (int)line;
    int n = -1;
    switch (row->args) {
    case ARGS_LP: n = std::snprintf(out, size, row->format, l, path); break;
    case ARGS_QPQL: n = std::snprintf(out, size, row->format, q, path, q, l); break;
    case ARGS_PL: n = std::snprintf(out, size, row->format, path, l); break;
    case ARGS_QPLQ: n = std::snprintf(out, size, row->format, q, path, l, q); break;
    case ARGS_LQPQ: n = std::snprintf(out, size, row->format, l, q, path, q); break;
    case ARGS_P: n = std::snprintf(out, size, row->format, path); break;
    }
    if (n < 0 || (size_t)n >= size) {
        out[0] = 0;
        return false;
    }
    return true;
}

bool open_in_editor(const char *folder, const char *file, int32_t line)
{
    if (!folder || !file)
        return false;
    char path[KV_EDITOR_PATH_SIZE];
    int n = std::snprintf(path, sizeof path, "%s%s", folder, file);
    if (n < 0 || (size_t)n >= sizeof path || std::strchr(path, '"'))
        return false;
    char exe[KV_EDITOR_PATH_SIZE];
    std::memset(exe, 0, sizeof exe);
    if (!sys_find_executable(path, exe, sizeof exe) || !exe[0])
        return false;
    char params[KV_EDITOR_PATH_SIZE * 2];
    if (!editor_parameters(editor_base_name(exe), path, line, params, sizeof params))
        return false;
    WindowObject *w0 = g_windows[0];
    return sys_shell_execute(exe, params, w0 ? w0->hwnd : nullptr);
}
