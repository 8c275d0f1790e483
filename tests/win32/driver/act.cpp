// Acting on windows: buttons, closing, minimising, focus, keys and mouse.
#include "driver.h"
#include <cwchar>
#include <cwctype>

namespace {

struct KeyName {
    const wchar_t *name;
    WORD vk;
};

const KeyName k_key_names[] = {
    {L"RETURN", VK_RETURN}, {L"ENTER", VK_RETURN}, {L"ESCAPE", VK_ESCAPE}, {L"ESC", VK_ESCAPE},
    {L"SPACE", VK_SPACE},   {L"TAB", VK_TAB},      {L"BACK", VK_BACK},     {L"SHIFT", VK_SHIFT},
    {L"CONTROL", VK_CONTROL}, {L"CTRL", VK_CONTROL}, {L"MENU", VK_MENU},   {L"ALT", VK_MENU},
    {L"LEFT", VK_LEFT},     {L"RIGHT", VK_RIGHT},  {L"UP", VK_UP},         {L"DOWN", VK_DOWN},
    {L"F1", VK_F1},         {L"F4", VK_F4},        {L"F5", VK_F5},         {L"F10", VK_F10},
    {L"F12", VK_F12},
};

bool parse_vk(const wchar_t *s, WORD *vk)
{
    long long v;
    if (parse_number(s, &v) && v > 0 && v < 256 && !(s[0] >= L'0' && s[0] <= L'9' && s[1] == 0)) {
        *vk = (WORD)v;
        return true;
    }
    if (s[0] && !s[1] && iswalnum(s[0])) {  // a letter or digit names its own key
        *vk = (WORD)towupper(s[0]);
        return true;
    }
    for (const KeyName &k : k_key_names)
        if (_wcsicmp(s, k.name) == 0) {
            *vk = k.vk;
            return true;
        }
    return false;
}

// How long a press lasts, as a person's would: the engine reads the key and
// button state once a frame, so a press shorter than a frame of a loaded
// machine is never seen.
const DWORD k_press_ms = 150;

void send_key(WORD vk, bool up)
{
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = (WORD)MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &in, sizeof(in));
    Sleep(20);
}

// Moves the pointer as a real mouse would: an absolute move over the whole
// virtual screen (0..65535 on each axis), then SetCursorPos for the exact pixel.
void set_pointer(int x, int y)
{
    int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    int w = GetSystemMetrics(SM_CXVIRTUALSCREEN), h = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    INPUT in = {};
    in.type = INPUT_MOUSE;
    // The smallest value that Wine's scaling (value * size / 65536) turns into
    // the pixel itself: otherwise the move's own event, handled after
    // SetCursorPos, would leave the pointer one pixel off.
    in.mi.dx = w > 0 ? (LONG)((((long long)(x - left) << 16) + w - 1) / w) : 0;
    in.mi.dy = h > 0 ? (LONG)((((long long)(y - top) << 16) + h - 1) / h) : 0;
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
    SendInput(1, &in, sizeof(in));
    SetCursorPos(x, y);
    Sleep(20);
}

bool pointer_at(int x, int y)
{
    POINT p;
    return GetCursorPos(&p) && p.x == x && p.y == y;
}

// A pointer event of an earlier move that Wine handles late can put the
// pointer back, and a button pressed then would land there: so the pointer
// is put back until it has read (x, y) a few times in a row, for half a
// second at most (Wine may answer from the X pointer, which need not follow).
void move_pointer(int x, int y)
{
    set_pointer(x, y);
    for (int stable = 0, tries = 0; stable < 3 && tries < 25; tries++) {
        if (pointer_at(x, y)) {
            stable++;
        } else {
            stable = 0;
            SetCursorPos(x, y);
        }
        Sleep(20);
    }
}

void send_mouse(DWORD flags)
{
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    SendInput(1, &in, sizeof(in));
    Sleep(20);
}

// WM_COMMAND as a click on the control would send it; posted, so a modal
// loop on the other side can never block the driver.
// A post that fails (a queue briefly full under load) is tried again.
int post_command(HWND dlg, int id, HWND ctrl)
{
    for (int attempt = 0; attempt < 5; attempt++) {
        if (PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)ctrl))
            return EXIT_OK;
        if (!IsWindow(dlg))
            break;
        Sleep(100);
    }
    err_line(L"cannot post WM_COMMAND " + std::to_wstring(id) + L": error " + std::to_wstring(GetLastError()));
    return EXIT_NOT_FOUND;
}

HWND hwnd_arg(int argc, wchar_t **argv, int want_argc)
{
    return argc == want_argc ? parse_hwnd(argv[1]) : nullptr;
}

} // namespace

int cmd_enabled(int argc, wchar_t **argv)
{
    if (argc != 3)
        return EXIT_USAGE;
    HWND h = parse_hwnd(argv[1]);
    HWND c = h ? find_control(h, argv[2]) : nullptr;
    if (!c) {
        err_line(L"no such window or control");
        return EXIT_NOT_FOUND;
    }
    bool on = IsWindowEnabled(c);
    out_line(on ? L"enabled" : L"disabled");
    return on ? EXIT_OK : EXIT_NO;
}

int cmd_press(int argc, wchar_t **argv)
{
    if (argc != 3)
        return EXIT_USAGE;
    HWND h = parse_hwnd(argv[1]);
    if (!h) {
        err_line(L"not a window");
        return EXIT_NOT_FOUND;
    }
    HWND c = find_control(h, argv[2]);
    long long id;
    if (c)
        return post_command(h, GetDlgCtrlID(c), c);
    if (parse_number(argv[2], &id))  // IDOK/IDCANCEL work without a button
        return post_command(h, (int)id, nullptr);
    err_line(L"no such control");
    return EXIT_NOT_FOUND;
}

int cmd_dismiss(int argc, wchar_t **argv)
{
    HWND h = hwnd_arg(argc, argv, 2);
    if (!h)
        return argc == 2 ? EXIT_NOT_FOUND : EXIT_USAGE;
    DWORD_PTR def = 0;
    int id = IDOK;
    if (SendMessageTimeoutW(h, DM_GETDEFID, 0, 0, SMTO_ABORTIFHUNG, 2000, &def) && HIWORD(def) == DC_HASDEFID)
        id = LOWORD(def);
    return post_command(h, id, GetDlgItem(h, id));
}

int cmd_close(int argc, wchar_t **argv)
{
    HWND h = hwnd_arg(argc, argv, 2);
    if (!h)
        return argc == 2 ? EXIT_NOT_FOUND : EXIT_USAGE;
    return PostMessageW(h, WM_CLOSE, 0, 0) ? EXIT_OK : EXIT_NOT_FOUND;
}

int cmd_minimize(int argc, wchar_t **argv)
{
    WindowFilter unused;
    DWORD timeout = 5000;
    if (argc < 2 || !parse_filter_opts(argc, argv, 2, &unused, &timeout))
        return EXIT_USAGE;
    HWND h = parse_hwnd(argv[1]);
    if (!h)
        return EXIT_NOT_FOUND;
    ShowWindowAsync(h, SW_MINIMIZE);
    for (DWORD start = GetTickCount(); !IsIconic(h); Sleep(20))
        if (GetTickCount() - start >= timeout)
            return EXIT_NOT_FOUND;
    return EXIT_OK;
}

int cmd_is_iconic(int argc, wchar_t **argv)
{
    HWND h = hwnd_arg(argc, argv, 2);
    if (!h)
        return argc == 2 ? EXIT_NOT_FOUND : EXIT_USAGE;
    bool iconic = IsIconic(h);
    out_line(iconic ? L"iconic" : L"not iconic");
    return iconic ? EXIT_OK : EXIT_NO;
}

int cmd_activate(int argc, wchar_t **argv)
{
    HWND h = hwnd_arg(argc, argv, 2);
    if (!h)
        return argc == 2 ? EXIT_NOT_FOUND : EXIT_USAGE;
    SetForegroundWindow(h);
    for (DWORD start = GetTickCount(); GetForegroundWindow() != h; Sleep(20))
        if (GetTickCount() - start >= 3000)
            return EXIT_NOT_FOUND;
    return EXIT_OK;
}

int cmd_foreground(int argc, wchar_t **)
{
    if (argc != 1)
        return EXIT_USAGE;
    HWND h = GetForegroundWindow();
    if (!h)
        return EXIT_NOT_FOUND;
    out_line(hwnd_text(h));
    return EXIT_OK;
}

int cmd_keys(int argc, wchar_t **argv)
{
    if (argc < 2)
        return EXIT_USAGE;
    for (int i = 1; i < argc; i++) {  // check every key before sending any
        const wchar_t *s = argv[i];
        WORD vk;
        if (((s[0] == L'+' || s[0] == L'-') && s[1] ? !parse_vk(s + 1, &vk) : !parse_vk(s, &vk))) {
            err_line(std::wstring(L"unknown key: ") + s);
            return EXIT_USAGE;
        }
    }
    for (int i = 1; i < argc; i++) {
        const wchar_t *s = argv[i];
        WORD vk;
        if ((s[0] == L'+' || s[0] == L'-') && s[1]) {
            parse_vk(s + 1, &vk);
            send_key(vk, s[0] == L'-');
        } else {
            parse_vk(s, &vk);
            send_key(vk, false);
            Sleep(k_press_ms);
            send_key(vk, true);
        }
    }
    return EXIT_OK;
}

int cmd_click(int argc, wchar_t **argv)
{
    long long x, y;
    if (argc < 3 || argc > 4 || !parse_number(argv[1], &x) || !parse_number(argv[2], &y))
        return EXIT_USAGE;
    DWORD down = MOUSEEVENTF_LEFTDOWN, up = MOUSEEVENTF_LEFTUP;
    if (argc == 4) {
        if (wcscmp(argv[3], L"right") == 0) {
            down = MOUSEEVENTF_RIGHTDOWN;
            up = MOUSEEVENTF_RIGHTUP;
        } else if (wcscmp(argv[3], L"middle") == 0) {
            down = MOUSEEVENTF_MIDDLEDOWN;
            up = MOUSEEVENTF_MIDDLEUP;
        } else if (wcscmp(argv[3], L"left") != 0) {
            return EXIT_USAGE;
        }
    }
    move_pointer((int)x, (int)y);
    send_mouse(down);
    Sleep(k_press_ms);
    send_mouse(up);
    return EXIT_OK;
}

int cmd_move(int argc, wchar_t **argv)
{
    long long x, y;
    if (argc != 3 || !parse_number(argv[1], &x) || !parse_number(argv[2], &y))
        return EXIT_USAGE;
    move_pointer((int)x, (int)y);
    return EXIT_OK;
}

int cmd_cursor(int argc, wchar_t **)
{
    POINT p;
    if (argc != 1)
        return EXIT_USAGE;
    if (!GetCursorPos(&p))
        return EXIT_NOT_FOUND;
    out_line(std::to_wstring(p.x) + L" " + std::to_wstring(p.y));
    return EXIT_OK;
}

// A message box of our own, in code page 932 as the engine shows its texts,
// for testing the driver itself; the exit code is 10 + the button chosen
// (11 OK, 12 Cancel).
int cmd_show_box(int argc, wchar_t **argv)
{
    if (argc != 3 && argc != 4)
        return EXIT_USAGE;
    auto cp932 = [](const wchar_t *w) {
        int n = WideCharToMultiByte(932, 0, w, -1, nullptr, 0, nullptr, nullptr);
        std::string s(n > 0 ? n : 1, '\0');
        if (n > 0)
            WideCharToMultiByte(932, 0, w, -1, &s[0], n, nullptr, nullptr);
        return s;
    };
    UINT type = argc == 4 && wcscmp(argv[3], L"okcancel") == 0 ? MB_OKCANCEL : MB_OK;
    return 10 + MessageBoxA(nullptr, cp932(argv[2]).c_str(), cp932(argv[1]).c_str(), type | MB_SYSTEMMODAL);
}
