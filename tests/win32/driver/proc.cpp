// Processes: holding a named mutex, waiting for exits, finding processes by
// image, and starting a program on a named (virtual) desktop.
#include "driver.h"
#include <tlhelp32.h>
#include <cwchar>
#include <vector>

namespace {

// Windows process ids whose image matches: by base name (image) or full path (exe).
std::vector<DWORD> find_processes(const wchar_t *image, const std::wstring &exe)
{
    std::vector<DWORD> pids;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE)
        return pids;
    PROCESSENTRY32W pe = {};
    pe.dwSize = sizeof(pe);
    for (BOOL ok = Process32FirstW(snap, &pe); ok; ok = Process32NextW(snap, &pe)) {
        if (pe.th32ProcessID == GetCurrentProcessId())
            continue;
        if (image && _wcsicmp(pe.szExeFile, image) != 0)
            continue;
        if (!exe.empty() && !same_path(process_image(pe.th32ProcessID), exe))
            continue;
        pids.push_back(pe.th32ProcessID);
    }
    CloseHandle(snap);
    return pids;
}

bool parse_image_opts(int argc, wchar_t **argv, int first, const wchar_t **image, std::wstring *exe,
                      DWORD *timeout)
{
    for (int i = first; i < argc; i++) {
        long long v;
        if (i + 1 >= argc)
            return false;
        if (wcscmp(argv[i], L"--image") == 0)
            *image = argv[++i];
        else if (wcscmp(argv[i], L"--exe") == 0)
            *exe = windows_path(argv[++i]);
        else if (timeout && wcscmp(argv[i], L"--timeout") == 0 && parse_number(argv[i + 1], &v) && v >= 0)
            *timeout = (DWORD)v, i++;
        else
            return false;
    }
    return true;
}

// Quotes one argument the way the C runtime's parser splits it again.
std::wstring quote_arg(const std::wstring &a)
{
    if (!a.empty() && a.find_first_of(L" \t\"") == std::wstring::npos)
        return a;
    std::wstring r = L"\"";
    size_t slashes = 0;
    for (wchar_t c : a) {
        if (c == L'\\') {
            slashes++;
        } else if (c == L'"') {
            r.append(slashes * 2 + 1, L'\\');
            slashes = 0;
        } else {
            slashes = 0;
        }
        r += c;
    }
    r.append(slashes, L'\\');
    return r + L"\"";
}

} // namespace

int cmd_hold_mutex(int argc, wchar_t **argv)
{
    long long seconds;
    if (argc != 3 || !parse_number(argv[2], &seconds) || seconds < 0 || seconds > 3600)
        return EXIT_USAGE;
    HANDLE m = CreateMutexW(nullptr, TRUE, argv[1]);
    if (!m)
        return EXIT_NOT_FOUND;
    DWORD w = GetLastError() == ERROR_ALREADY_EXISTS ? WaitForSingleObject(m, 0) : WAIT_OBJECT_0;
    if (w != WAIT_OBJECT_0 && w != WAIT_ABANDONED) {  // abandoned: its holder died
        err_line(L"mutex held by another process");
        CloseHandle(m);
        return EXIT_NOT_FOUND;
    }
    // The desktop's window made now, once: the desktop keeper of the tests
    // holds a mutex, and programs started after it then find the desktop set
    // up. The process that owns that window follows "held".
    DWORD owner = 0;
    GetWindowThreadProcessId(GetDesktopWindow(), &owner);
    out_line(L"held " + std::to_wstring(owner));
    Sleep((DWORD)seconds * 1000);
    ReleaseMutex(m);
    CloseHandle(m);
    return EXIT_OK;
}

int cmd_wait_exit(int argc, wchar_t **argv)
{
    const wchar_t *image = nullptr;
    std::wstring exe;
    DWORD timeout = 10000;
    long long pid = 0;
    int first = 1;
    if (argc >= 2 && parse_number(argv[1], &pid))
        first = 2;
    if (!parse_image_opts(argc, argv, first, &image, &exe, &timeout) || (first == 2) == (image || !exe.empty()))
        return EXIT_USAGE;
    if (pid) {
        HANDLE p = OpenProcess(SYNCHRONIZE, FALSE, (DWORD)pid);
        if (!p)
            return EXIT_OK;  // already gone
        DWORD r = WaitForSingleObject(p, timeout);
        CloseHandle(p);
        return r == WAIT_OBJECT_0 ? EXIT_OK : EXIT_NOT_FOUND;
    }
    for (DWORD start = GetTickCount(); !find_processes(image, exe).empty(); Sleep(20))
        if (GetTickCount() - start >= timeout)
            return EXIT_NOT_FOUND;
    return EXIT_OK;
}

int cmd_pid_of(int argc, wchar_t **argv)
{
    const wchar_t *image = nullptr;
    std::wstring exe;
    if (!parse_image_opts(argc, argv, 1, &image, &exe, nullptr) || (!image && exe.empty()))
        return EXIT_USAGE;
    std::vector<DWORD> pids = find_processes(image, exe);
    for (DWORD p : pids)
        out_line(std::to_wstring(p));
    return pids.empty() ? EXIT_NOT_FOUND : EXIT_OK;
}

// Starts PROGRAM on the desktop NAME (Wine opens a virtual desktop of size
// WxH for it, from HKCU\Software\Wine\Explorer\Desktops) and returns its
// exit code; the standard handles are passed on.
int cmd_run(int argc, wchar_t **argv)
{
    if (argc < 4 || wcscmp(argv[1], L"--desktop") != 0)
        return EXIT_USAGE;
    std::wstring desk = argv[2], size;
    size_t comma = desk.find(L',');
    if (comma != std::wstring::npos) {
        size = desk.substr(comma + 1);
        desk.resize(comma);
    }
    int first = wcscmp(argv[3], L"--") == 0 ? 4 : 3;
    if (desk.empty() || first >= argc)
        return EXIT_USAGE;
    if (!size.empty()) {
        HKEY key;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\Explorer\\Desktops", 0, nullptr, 0,
                            KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
            RegSetValueExW(key, desk.c_str(), 0, REG_SZ, (const BYTE *)size.c_str(),
                           (DWORD)((size.size() + 1) * sizeof(wchar_t)));
            RegCloseKey(key);
        }
    }
    std::wstring cmdline;
    for (int i = first; i < argc; i++)
        cmdline += (i > first ? L" " : L"") + quote_arg(argv[i]);
    std::vector<wchar_t> buf(cmdline.begin(), cmdline.end());
    buf.push_back(0);
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    si.lpDesktop = &desk[0];
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, buf.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        wchar_t msg[64];
        swprintf(msg, KV_COUNT(msg), L"cannot start (error %lu): ", GetLastError());
        err_line(msg + cmdline);
        return 126;
    }
    CloseHandle(pi.hThread);
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    return (int)code;
}
