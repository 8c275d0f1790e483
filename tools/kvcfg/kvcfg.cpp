// Stand-in for the engine settings program ("エンジン設定.exe"), for tests.
//
// The engine starts it with "/kvcfg" (and no other argument). Every start
// appends its arguments, as one UTF-8 line, to kvcfg_args.txt beside this
// executable. Unless told --record-only it then writes the two settings files
// beside itself, kvcfg.dat and kvsfs.dat: 32 little-endian 32-bit words each,
// holding the values that the engine would use without the files (CPU drawing
// with smoothing, aspect-fitting scaler, best display mode, save folder
// "save\"). Options change single words before writing:
//   --set cfg:WORD=VALUE   --set sfs:WORD=VALUE   (WORD 0..31)
// Exit code 0, or 2 for an argument it does not understand, 1 when a file
// cannot be written.
#include <windows.h>
#include <cstdint>
#include <cwchar>
#include <string>
#include <vector>

namespace {

const int k_words = 32;

std::wstring exe_folder()
{
    wchar_t path[MAX_PATH * 4];
    DWORD n = GetModuleFileNameW(nullptr, path, sizeof(path) / sizeof(path[0]));
    std::wstring p(path, n);
    size_t slash = p.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"" : p.substr(0, slash + 1);
}

// The command line without the program name, as the program received it.
std::wstring arguments()
{
    const wchar_t *s = GetCommandLineW();
    bool quoted = false;
    for (; *s && (quoted || (*s != L' ' && *s != L'\t')); s++)
        if (*s == L'"')
            quoted = !quoted;
    while (*s == L' ' || *s == L'\t')
        s++;
    return s;
}

std::string utf8(const std::wstring &w)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), (int)w.size(), nullptr, 0, nullptr, nullptr);
    std::string s(n > 0 ? n : 0, '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, w.c_str(), (int)w.size(), &s[0], n, nullptr, nullptr);
    return s;
}

bool write_file(const std::wstring &path, const void *data, DWORD size, bool append)
{
    HANDLE f = CreateFileW(path.c_str(), append ? FILE_APPEND_DATA : GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                           append ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    DWORD done = 0;
    bool ok = WriteFile(f, data, size, &done, nullptr) && done == size;
    return CloseHandle(f) && ok;
}

// Words stored field by field, little-endian, whatever the host.
bool write_words(const std::wstring &path, const uint32_t *words)
{
    unsigned char bytes[k_words * 4];
    for (int i = 0; i < k_words; i++)
        for (int b = 0; b < 4; b++)
            bytes[i * 4 + b] = (unsigned char)(words[i] >> (8 * b));
    return write_file(path, bytes, sizeof(bytes), false);
}

void default_words(uint32_t *cfg, uint32_t *sfs)
{
    for (int i = 0; i < k_words; i++)
        cfg[i] = sfs[i] = 0;
    cfg[0] = 1;  // drawing waits while a movie plays
    cfg[1] = 1;
    cfg[2] = 1;  // SSE allowed
    cfg[3] = 1;  // SSE2 allowed
    cfg[4] = 1;  // up to two render workers
    cfg[6] = 0;  // look for the best display mode
    cfg[7] = 0;  // scaler: fit the aspect
    cfg[8] = 2;  // CPU drawing with smoothing
    sfs[21] = 0; // save folder "save\" beside the executable
}

// "cfg:8=2" -> words[8] = 2 in the chosen file.
bool apply_set(const wchar_t *setting, uint32_t *cfg, uint32_t *sfs)
{
    uint32_t *words = wcsncmp(setting, L"cfg:", 4) == 0 ? cfg : wcsncmp(setting, L"sfs:", 4) == 0 ? sfs : nullptr;
    if (!words)
        return false;
    wchar_t *end = nullptr;
    unsigned long index = wcstoul(setting + 4, &end, 10);
    if (end == setting + 4 || *end != L'=' || index >= (unsigned long)k_words)
        return false;
    const wchar_t *value = end + 1;
    unsigned long long v = wcstoull(value, &end, 0);
    if (end == value || *end || v > 0xFFFFFFFFull)
        return false;
    words[index] = (uint32_t)v;
    return true;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    std::wstring folder = exe_folder();
    std::string line = utf8(arguments()) + "\n";
    if (!write_file(folder + L"kvcfg_args.txt", line.data(), (DWORD)line.size(), true))
        return 1;

    int argc = 0;
    wchar_t **argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    uint32_t cfg[k_words], sfs[k_words];
    default_words(cfg, sfs);
    bool write = true;
    for (int i = 1; argv && i < argc; i++) {
        if (_wcsicmp(argv[i], L"/kvcfg") == 0)
            continue;
        if (wcscmp(argv[i], L"--record-only") == 0)
            write = false;
        else if (wcscmp(argv[i], L"--set") == 0 && i + 1 < argc && apply_set(argv[i + 1], cfg, sfs))
            i++;
        else
            return 2;
    }
    if (write && !(write_words(folder + L"kvcfg.dat", cfg) && write_words(folder + L"kvsfs.dat", sfs)))
        return 1;
    return 0;
}
