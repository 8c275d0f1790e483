// Finding windows, dialogs and controls; reading their texts.
#include "driver.h"
#include <cwchar>
#include <vector>

namespace {

const DWORD k_poll_ms = 20;
const DWORD k_default_timeout_ms = 10000;

struct EnumState {
    const WindowFilter *f;
    HWND *found;
    int max, count;
};

bool matches(HWND hwnd, const WindowFilter &f)
{
    if (f.visible && !IsWindowVisible(hwnd))
        return false;
    if (f.cls) {
        wchar_t cls[512];
        if (!GetClassNameW(hwnd, cls, KV_COUNT(cls)) || _wcsicmp(cls, f.cls) != 0)
            return false;
    }
    if (f.title) {
        wchar_t title[1024];
        GetWindowTextW(hwnd, title, KV_COUNT(title));
        if (wcscmp(title, f.title) != 0)
            return false;
    }
    if (f.pid || !f.exe.empty()) {
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        if (f.pid && pid != f.pid)
            return false;
        if (!f.exe.empty() && !same_path(process_image(pid), f.exe))
            return false;
    }
    return true;
}

BOOL CALLBACK enum_top(HWND hwnd, LPARAM lp)
{
    EnumState *s = (EnumState *)lp;
    if (matches(hwnd, *s->f)) {
        if (s->count < s->max)
            s->found[s->count] = hwnd;
        s->count++;
    }
    return TRUE;
}

// Polls until a matching window exists (want_present) or none does.
int wait_for(const WindowFilter &f, DWORD timeout_ms, bool want_present, HWND *hit)
{
    DWORD start = GetTickCount();
    for (;;) {
        HWND h = nullptr;
        int n = find_windows(f, &h, 1);
        if (want_present && n > 0) {
            *hit = h;
            return EXIT_OK;
        }
        if (!want_present && n == 0)
            return EXIT_OK;
        if (GetTickCount() - start >= timeout_ms)
            return EXIT_NOT_FOUND;
        Sleep(k_poll_ms);
    }
}

std::wstring strip_amp(const std::wstring &s)
{
    std::wstring r;
    for (size_t i = 0; i < s.size(); i++) {
        if (s[i] == L'&' && i + 1 < s.size())
            i++;
        r += s[i];
    }
    return r;
}

BOOL CALLBACK collect_child(HWND hwnd, LPARAM lp)
{
    ((std::vector<HWND> *)lp)->push_back(hwnd);
    return TRUE;
}

std::vector<HWND> children(HWND parent)
{
    std::vector<HWND> list;
    EnumChildWindows(parent, collect_child, (LPARAM)&list);
    return list;
}

// CR LF and lone CR become LF.
std::wstring unix_newlines(const std::wstring &s)
{
    std::wstring r;
    for (size_t i = 0; i < s.size(); i++) {
        if (s[i] == L'\r') {
            if (i + 1 < s.size() && s[i + 1] == L'\n')
                continue;
            r += L'\n';
        } else {
            r += s[i];
        }
    }
    return r;
}

} // namespace

int find_windows(const WindowFilter &f, HWND *found, int max)
{
    EnumState s = {&f, found, max, 0};
    EnumWindows(enum_top, (LPARAM)&s);
    return s.count;
}

std::wstring process_image(DWORD pid)
{
    HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!p)
        return L"";
    wchar_t buf[1024];
    DWORD n = KV_COUNT(buf);
    std::wstring r;
    if (QueryFullProcessImageNameW(p, 0, buf, &n))
        r.assign(buf, n);
    CloseHandle(p);
    return r;
}

bool same_path(const std::wstring &a, const std::wstring &b)
{
    // Wine may report "\\?\Z:\..." or "Z:\..."; compare without the prefix.
    auto bare = [](const std::wstring &s) {
        return s.compare(0, 4, L"\\\\?\\") == 0 ? s.substr(4) : s;
    };
    return !a.empty() && _wcsicmp(bare(a).c_str(), bare(b).c_str()) == 0;
}

std::wstring window_text(HWND hwnd)
{
    DWORD_PTR len = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &len)) {
        wchar_t buf[1024];
        GetWindowTextW(hwnd, buf, KV_COUNT(buf));
        return buf;
    }
    std::vector<wchar_t> buf(len + 64, 0);
    DWORD_PTR got = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, buf.size(), (LPARAM)buf.data(), SMTO_ABORTIFHUNG, 2000, &got);
    return std::wstring(buf.data());
}

HWND find_control(HWND parent, const wchar_t *id_or_text)
{
    long long id;
    if (parse_number(id_or_text, &id))
        return GetDlgItem(parent, (int)id);
    std::wstring want = id_or_text;
    for (HWND c : children(parent)) {
        std::wstring t = window_text(c);
        if (t == want || strip_amp(t) == strip_amp(want))
            return c;
    }
    return nullptr;
}

bool parse_filter_opts(int argc, wchar_t **argv, int first, WindowFilter *f, DWORD *timeout_ms)
{
    if (timeout_ms)
        *timeout_ms = k_default_timeout_ms;
    for (int i = first; i < argc; i++) {
        std::wstring o = argv[i];
        bool has_value = i + 1 < argc;
        long long v;
        if (o == L"--visible") {
            f->visible = true;
        } else if (o == L"--announce") {
            f->announce = true;
        } else if (!has_value) {
            return false;
        } else if (o == L"--class") {
            f->cls = argv[++i];
        } else if (o == L"--title") {
            f->title = argv[++i];
        } else if (o == L"--exe") {
            f->exe = windows_path(argv[++i]);
        } else if (o == L"--pid" && parse_number(argv[i + 1], &v)) {
            f->pid = (DWORD)v;
            i++;
        } else if (o == L"--timeout" && timeout_ms && parse_number(argv[i + 1], &v) && v >= 0) {
            *timeout_ms = (DWORD)v;
            i++;
        } else {
            return false;
        }
    }
    return true;
}

int cmd_wait_window(int argc, wchar_t **argv)
{
    WindowFilter f;
    DWORD timeout;
    if (!parse_filter_opts(argc, argv, 1, &f, &timeout) || (!f.cls && !f.title && f.exe.empty() && !f.pid))
        return EXIT_USAGE;
    if (f.announce)
        out_line(L"waiting");  // the caller knows the watch has begun
    HWND h = nullptr;
    int rc = wait_for(f, timeout, true, &h);
    if (rc == EXIT_OK)
        out_line(hwnd_text(h));
    return rc;
}

int cmd_wait_dialog(int argc, wchar_t **argv)
{
    WindowFilter f;
    DWORD timeout;
    if (!parse_filter_opts(argc, argv, 1, &f, &timeout) || f.cls)
        return EXIT_USAGE;
    f.cls = L"#32770";
    // A dialog box shows itself once it is set up and its message loop runs;
    // found before that, its controls may be missing or still changing.
    f.visible = true;
    HWND h = nullptr;
    int rc = wait_for(f, timeout, true, &h);
    if (rc == EXIT_OK)
        out_line(hwnd_text(h));
    return rc;
}

int cmd_wait_gone(int argc, wchar_t **argv)
{
    WindowFilter f;
    DWORD timeout;
    if (!parse_filter_opts(argc, argv, 1, &f, &timeout) || (!f.cls && !f.title && f.exe.empty() && !f.pid))
        return EXIT_USAGE;
    return wait_for(f, timeout, false, nullptr);
}

int cmd_count(int argc, wchar_t **argv)
{
    WindowFilter f;
    if (!parse_filter_opts(argc, argv, 1, &f, nullptr))
        return EXIT_USAGE;
    out_line(std::to_wstring(find_windows(f, nullptr, 0)));
    return EXIT_OK;
}

int cmd_texts(int argc, wchar_t **argv)
{
    if (argc < 2 || argc > 3 || (argc == 3 && wcscmp(argv[2], L"--ids") != 0))
        return EXIT_USAGE;
    HWND h = parse_hwnd(argv[1]);
    if (!h)
        return EXIT_NOT_FOUND;
    bool ids = argc == 3;
    out_line(unix_newlines(window_text(h)));
    for (HWND c : children(h)) {
        std::wstring t = unix_newlines(window_text(c));
        if (ids) {
            wchar_t cls[256] = L"";
            GetClassNameW(c, cls, KV_COUNT(cls));
            std::wstring esc;
            for (wchar_t ch : t)
                esc += ch == L'\n' ? std::wstring(L"\\n") : std::wstring(1, ch);
            out_line(std::to_wstring(GetDlgCtrlID(c)) + L"\t" + cls + L"\t" + esc);
        } else {
            out_line(t);
        }
    }
    return EXIT_OK;
}

int cmd_info(int argc, wchar_t **argv)
{
    if (argc != 2 && argc != 3)
        return EXIT_USAGE;
    HWND h = parse_hwnd(argv[1]);
    if (h && argc == 3)
        h = find_control(h, argv[2]);
    if (!h)
        return EXIT_NOT_FOUND;
    wchar_t cls[512] = L"";
    GetClassNameW(h, cls, KV_COUNT(cls));
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    RECT r = {};
    GetWindowRect(h, &r);
    RECT c = {};
    GetClientRect(h, &c);
    wchar_t buf[256];
    out_line(L"hwnd\t" + hwnd_text(h));
    out_line(std::wstring(L"class\t") + cls);
    out_line(L"title\t" + window_text(h));
    out_line(L"pid\t" + std::to_wstring(pid));
    out_line(L"image\t" + process_image(pid));
    swprintf(buf, KV_COUNT(buf), L"visible\t%d\niconic\t%d\nenabled\t%d\nforeground\t%d",
             IsWindowVisible(h) ? 1 : 0, IsIconic(h) ? 1 : 0, IsWindowEnabled(h) ? 1 : 0,
             GetForegroundWindow() == h ? 1 : 0);
    out_line(buf);
    swprintf(buf, KV_COUNT(buf), L"rect\t%ld %ld %ld %ld\nclient\t%ld %ld", r.left, r.top, r.right, r.bottom,
             c.right, c.bottom);
    out_line(buf);
    swprintf(buf, KV_COUNT(buf), L"style\t0x%08lx\nexstyle\t0x%08lx", (unsigned long)GetWindowLongW(h, GWL_STYLE),
             (unsigned long)GetWindowLongW(h, GWL_EXSTYLE));
    out_line(buf);
    return EXIT_OK;
}
