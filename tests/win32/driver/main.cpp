// kvdriver entry: the command table, output and argument helpers.
#include "driver.h"
#include <cstdio>
#include <cstdlib>
#include <cwchar>

namespace {

struct Command {
    const wchar_t *name;
    int (*fn)(int, wchar_t **);
    const char *usage;
};

const Command k_commands[] = {
    {L"wait-window", cmd_wait_window, "wait-window [--class C] [--title T] [--exe PATH] [--pid N] [--visible] [--announce] [--timeout MS]"},
    {L"wait-dialog", cmd_wait_dialog, "wait-dialog [--title T] [--exe PATH] [--pid N] [--timeout MS] (a shown dialog box)"},
    {L"wait-gone", cmd_wait_gone, "wait-gone [--class C] [--title T] [--exe PATH] [--pid N] [--timeout MS]"},
    {L"count", cmd_count, "count [--class C] [--title T] [--exe PATH] [--pid N] [--visible]"},
    {L"texts", cmd_texts, "texts HWND [--ids]"},
    {L"info", cmd_info, "info HWND [CTRL-ID|TEXT]"},
    {L"enabled", cmd_enabled, "enabled HWND CTRL-ID|TEXT"},
    {L"press", cmd_press, "press HWND CTRL-ID|TEXT"},
    {L"set-text", cmd_set_text, "set-text HWND CTRL-ID|TEXT TEXT (WM_SETTEXT, as typing would leave it)"},
    {L"clipboard", cmd_clipboard, "clipboard [TEXT] (prints the clipboard's text, or puts TEXT there)"},
    {L"font-face", cmd_font_face, "font-face FACE [CHARSET] (prints the face GDI selects for it)"},
    {L"dismiss", cmd_dismiss, "dismiss HWND"},
    {L"close", cmd_close, "close HWND"},
    {L"minimize", cmd_minimize, "minimize HWND [--timeout MS]"},
    {L"is-iconic", cmd_is_iconic, "is-iconic HWND"},
    {L"activate", cmd_activate, "activate HWND"},
    {L"foreground", cmd_foreground, "foreground"},
    {L"keys", cmd_keys, "keys KEY... (KEY: VK press+release, +VK down, -VK up; VK a number, a name or a letter/digit)"},
    {L"click", cmd_click, "click X Y [left|right|middle]"},
    {L"move", cmd_move, "move X Y"},
    {L"cursor", cmd_cursor, "cursor (prints X Y)"},
    {L"show-box", cmd_show_box, "show-box TITLE TEXT [okcancel] (exit code 10 + the button chosen)"},
    {L"hold-mutex", cmd_hold_mutex, "hold-mutex NAME SECONDS"},
    {L"wait-exit", cmd_wait_exit, "wait-exit PID|--image NAME|--exe PATH [--timeout MS]"},
    {L"pid-of", cmd_pid_of, "pid-of --image NAME|--exe PATH"},
    {L"capture", cmd_capture, "capture HWND FILE [--window] (client area as raw B,G,R,A rows, A 0 off the screen; prints W H)"},
    {L"run", cmd_run, "run --desktop NAME[,WxH] [--] PROGRAM [ARGS...]"},
    {L"client", cmd_client, "client HWND (prints the client W H)"},
    {L"screen", cmd_screen, "screen (prints the display mode's W H)"},
    {L"restore-mode", cmd_restore_mode, "restore-mode (the display mode of the registry)"},
    {L"menu", cmd_menu, "menu HWND (the menu bar: DEPTH ID STATE TEXT per item)"},
    {L"resize", cmd_resize, "resize HWND W H (outer size)"},
    {L"sizing", cmd_sizing, "sizing HWND EDGE L T R B (WM_SIZING; prints the rectangle L T R B)"},
    {L"minmax", cmd_minmax, "minmax HWND (WM_GETMINMAXINFO; prints MINW MINH MAXW MAXH)"},
    {L"syscommand", cmd_syscommand, "syscommand HWND close|maximize|minimize|restore"},
    {L"drop", cmd_drop, "drop HWND FILE... [--fill N] (WM_DROPFILES; names x<i> up to N names)"},
};

void write_utf8(DWORD which, const std::wstring &text)
{
    std::wstring line = text;
    line += L'\n';
    int n = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), (int)line.size(), nullptr, 0, nullptr, nullptr);
    std::string bytes(n > 0 ? n : 0, '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, line.c_str(), (int)line.size(), &bytes[0], n, nullptr, nullptr);
    DWORD done = 0;
    WriteFile(GetStdHandle(which), bytes.data(), (DWORD)bytes.size(), &done, nullptr);
}

int usage()
{
    err_line(L"usage: kvdriver COMMAND ARGS...");
    for (const Command &c : k_commands) {
        wchar_t buf[256];
        swprintf(buf, KV_COUNT(buf), L"  %hs", c.usage);
        err_line(buf);
    }
    return EXIT_USAGE;
}

} // namespace

void out_line(const std::wstring &text) { write_utf8(STD_OUTPUT_HANDLE, text); }
void err_line(const std::wstring &text) { write_utf8(STD_ERROR_HANDLE, text); }

std::wstring hwnd_text(HWND hwnd)
{
    wchar_t buf[32];
    swprintf(buf, KV_COUNT(buf), L"0x%llx", (unsigned long long)(UINT_PTR)hwnd);
    return buf;
}

bool parse_number(const wchar_t *s, long long *out)
{
    if (!s || !*s)
        return false;
    wchar_t *end = nullptr;
    long long v = wcstoll(s, &end, 0);
    if (*end)
        return false;
    *out = v;
    return true;
}

HWND parse_hwnd(const wchar_t *s)
{
    long long v;
    if (!parse_number(s, &v))
        return nullptr;
    HWND h = (HWND)(UINT_PTR)v;
    return IsWindow(h) ? h : nullptr;
}

std::wstring windows_path(const wchar_t *path)
{
    std::wstring p = path;
    if (!p.empty() && p[0] == L'/') {
        for (wchar_t &c : p)
            if (c == L'/')
                c = L'\\';
        p = L"Z:" + p;
    }
    return p;
}

namespace {

// The file named by KV_DRIVER_DONE is made once a command has run to its
// end: Wine on a loaded machine now and then ends a process as it starts,
// with an exit code that a command could give too, and the caller tells the
// two apart by the file. "run" leaves it to the program it starts.
void mark_done()
{
    const wchar_t *path = _wgetenv(L"KV_DRIVER_DONE");
    if (!path || !*path)
        return;
    HANDLE f = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f != INVALID_HANDLE_VALUE)
        CloseHandle(f);
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc < 2)
        return usage();
    for (const Command &c : k_commands)
        if (wcscmp(argv[1], c.name) == 0) {
            int rc = c.fn(argc - 1, argv + 1);
            // "run" passes the program's exit code on, whatever it is.
            if (rc == EXIT_USAGE && c.fn != cmd_run) {
                wchar_t buf[256];
                swprintf(buf, KV_COUNT(buf), L"usage: kvdriver %hs", c.usage);
                err_line(buf);
            }
            if (c.fn != cmd_run)
                mark_done();
            return rc;
        }
    return usage();
}
