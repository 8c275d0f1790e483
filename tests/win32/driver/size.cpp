// Sizing and dropping: client sizes, outer resizes, the sizing and track-size
// questions a window answers, system commands and files dropped on a window.
#include "driver.h"
#include <shlobj.h>
#include <cwchar>
#include <vector>

namespace {

bool parse_int(const wchar_t *s, int *out)
{
    long long v;
    if (!parse_number(s, &v) || v < INT_MIN || v > INT_MAX)
        return false;
    *out = (int)v;
    return true;
}

void print_numbers(const int *v, int n)
{
    std::wstring line;
    for (int i = 0; i < n; i++) {
        if (i)
            line += L' ';
        line += std::to_wstring(v[i]);
    }
    out_line(line);
}

struct SysCommand {
    const wchar_t *name;
    WPARAM code;
};
const SysCommand k_syscommands[] = {
    {L"close", SC_CLOSE}, {L"maximize", SC_MAXIMIZE}, {L"minimize", SC_MINIMIZE},
    {L"restore", SC_RESTORE},
};

} // namespace

int cmd_client(int argc, wchar_t **argv)
{
    HWND h = argc == 2 ? parse_hwnd(argv[1]) : nullptr;
    if (argc != 2)
        return EXIT_USAGE;
    RECT rc;
    if (!h || !GetClientRect(h, &rc))
        return EXIT_NOT_FOUND;
    int v[2] = {(int)(rc.right - rc.left), (int)(rc.bottom - rc.top)};
    print_numbers(v, 2);
    return EXIT_OK;
}

// Outer size; the window's procedure sees WM_GETMINMAXINFO, WM_SIZE and so on
// as for any programmatic resize.
int cmd_resize(int argc, wchar_t **argv)
{
    int w, hgt;
    if (argc != 4 || !parse_int(argv[2], &w) || !parse_int(argv[3], &hgt))
        return EXIT_USAGE;
    HWND h = parse_hwnd(argv[1]);
    if (!h)
        return EXIT_NOT_FOUND;
    UINT flags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
    return SetWindowPos(h, nullptr, 0, 0, w, hgt, flags) ? EXIT_OK : EXIT_NOT_FOUND;
}

// WM_SIZING as the sizing loop sends it while edge EDGE (1..8) is dragged to
// the outer rectangle L T R B; prints the rectangle the window made of it.
int cmd_sizing(int argc, wchar_t **argv)
{
    int edge, v[4];
    if (argc != 7 || !parse_int(argv[2], &edge))
        return EXIT_USAGE;
    for (int i = 0; i < 4; i++)
        if (!parse_int(argv[3 + i], &v[i]))
            return EXIT_USAGE;
    HWND h = parse_hwnd(argv[1]);
    if (!h)
        return EXIT_NOT_FOUND;
    RECT rc = {v[0], v[1], v[2], v[3]};
    DWORD_PTR res;
    if (!SendMessageTimeoutW(h, WM_SIZING, (WPARAM)edge, (LPARAM)&rc, SMTO_ABORTIFHUNG, 5000, &res))
        return EXIT_NOT_FOUND;
    int out[4] = {(int)rc.left, (int)rc.top, (int)rc.right, (int)rc.bottom};
    print_numbers(out, 4);
    return EXIT_OK;
}

// WM_GETMINMAXINFO; prints min width, min height, max width, max height.
int cmd_minmax(int argc, wchar_t **argv)
{
    HWND h = argc == 2 ? parse_hwnd(argv[1]) : nullptr;
    if (argc != 2)
        return EXIT_USAGE;
    if (!h)
        return EXIT_NOT_FOUND;
    MINMAXINFO mm = {};
    mm.ptMaxTrackSize.x = mm.ptMaxTrackSize.y = -1;
    DWORD_PTR res;
    if (!SendMessageTimeoutW(h, WM_GETMINMAXINFO, 0, (LPARAM)&mm, SMTO_ABORTIFHUNG, 5000, &res))
        return EXIT_NOT_FOUND;
    int out[4] = {(int)mm.ptMinTrackSize.x, (int)mm.ptMinTrackSize.y, (int)mm.ptMaxTrackSize.x,
                  (int)mm.ptMaxTrackSize.y};
    print_numbers(out, 4);
    return EXIT_OK;
}

// WM_SYSCOMMAND as the caption buttons send it; posted, since a close may
// open a modal box.
int cmd_syscommand(int argc, wchar_t **argv)
{
    if (argc != 3)
        return EXIT_USAGE;
    HWND h = parse_hwnd(argv[1]);
    if (!h)
        return EXIT_NOT_FOUND;
    for (const SysCommand &c : k_syscommands)
        if (_wcsicmp(argv[2], c.name) == 0)
            return PostMessageW(h, WM_SYSCOMMAND, c.code, 0) ? EXIT_OK : EXIT_NOT_FOUND;
    return EXIT_USAGE;
}

// Files dropped as the shell drops them: a DROPFILES block (wide names, each
// ended by a 0, the list by another) in the window's process, whose address
// is the HDROP of WM_DROPFILES. The block is never freed by the driver: the
// window's DragFinish owns it. --fill N adds the names x<i> after the files
// given until there are N names.
int cmd_drop(int argc, wchar_t **argv)
{
    long long fill = 0;
    if (argc >= 4 && wcscmp(argv[argc - 2], L"--fill") == 0) {
        if (!parse_number(argv[argc - 1], &fill) || fill < 0 || fill > 1000000)
            return EXIT_USAGE;
        argc -= 2;
    }
    if (argc < 3)
        return EXIT_USAGE;
    HWND h = parse_hwnd(argv[1]);
    if (!h)
        return EXIT_NOT_FOUND;
    std::vector<wchar_t> names;
    long long count = 0;
    for (int i = 2; i < argc; i++, count++) {
        std::wstring p = windows_path(argv[i]);
        names.insert(names.end(), p.begin(), p.end());
        names.push_back(0);
    }
    for (; count < fill; count++) {
        std::wstring p = L"x" + std::to_wstring(count);
        names.insert(names.end(), p.begin(), p.end());
        names.push_back(0);
    }
    names.push_back(0);
    std::vector<BYTE> block(sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
    DROPFILES *df = (DROPFILES *)block.data();
    df->pFiles = sizeof(DROPFILES);
    df->fWide = TRUE;
    memcpy(block.data() + sizeof(DROPFILES), names.data(), names.size() * sizeof(wchar_t));

    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    HANDLE proc = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid);
    if (!proc)
        return EXIT_NOT_FOUND;
    void *remote = VirtualAllocEx(proc, nullptr, block.size(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    SIZE_T done = 0;
    bool ok = remote && WriteProcessMemory(proc, remote, block.data(), block.size(), &done) &&
              done == block.size();
    CloseHandle(proc);
    if (!ok || !PostMessageW(h, WM_DROPFILES, (WPARAM)remote, 0)) {
        err_line(L"cannot drop the files");
        return EXIT_NOT_FOUND;
    }
    return EXIT_OK;
}

// The display's current mode (prints W H).
int cmd_screen(int argc, wchar_t **)
{
    if (argc != 1)
        return EXIT_USAGE;
    DEVMODEA dm;
    ZeroMemory(&dm, sizeof dm);
    dm.dmSize = sizeof dm;
    if (!EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &dm))
        return EXIT_NOT_FOUND;
    int v[2] = {(int)dm.dmPelsWidth, (int)dm.dmPelsHeight};
    print_numbers(v, 2);
    return EXIT_OK;
}

// Back to the display mode of the registry.
int cmd_restore_mode(int argc, wchar_t **)
{
    if (argc != 1)
        return EXIT_USAGE;
    return ChangeDisplaySettingsA(nullptr, 0) == DISP_CHANGE_SUCCESSFUL ? EXIT_OK : EXIT_NOT_FOUND;
}
