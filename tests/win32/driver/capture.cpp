// capture: reads back what a window shows in its client area, with GDI, into
// a file of raw 32-bit pixels (B, G, R, 255; rows top-down, no header) and
// prints "W H". --screen reads the screen at the client area's place instead
// of the window's own device context.
#include "driver.h"

#include <cwchar>
#include <vector>

namespace {

bool write_file(const std::wstring &path, const void *data, DWORD size)
{
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    DWORD done = 0;
    BOOL ok = WriteFile(f, data, size, &done, nullptr) && done == size;
    CloseHandle(f);
    return ok != FALSE;
}

// The client area's pixels, read from the window's DC (or the screen's).
bool read_client(HWND hwnd, bool from_screen, int *w, int *h, std::vector<unsigned char> *px)
{
    RECT rc;
    if (!GetClientRect(hwnd, &rc))
        return false;
    *w = rc.right - rc.left;
    *h = rc.bottom - rc.top;
    if (*w <= 0 || *h <= 0)
        return false;
    POINT origin = {0, 0};
    HWND source = hwnd;
    if (from_screen) {
        ClientToScreen(hwnd, &origin);
        source = nullptr;
    }
    HDC src = GetDC(source);
    HDC mem = CreateCompatibleDC(src);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = *w;
    bi.bmiHeader.biHeight = -*h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    HBITMAP bmp = CreateDIBSection(src, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (bmp && bits) {
        HGDIOBJ old = SelectObject(mem, bmp);
        ok = BitBlt(mem, 0, 0, *w, *h, src, origin.x, origin.y, SRCCOPY) != FALSE;
        GdiFlush();
        size_t n = (size_t)*w * (size_t)*h * 4;
        px->assign((unsigned char *)bits, (unsigned char *)bits + n);
        for (size_t i = 3; i < n; i += 4)
            (*px)[i] = 255;
        SelectObject(mem, old);
        DeleteObject(bmp);
    }
    DeleteDC(mem);
    ReleaseDC(source, src);
    return ok;
}

}  // namespace

int cmd_capture(int argc, wchar_t **argv)
{
    if (argc < 3)
        return EXIT_USAGE;
    HWND hwnd = parse_hwnd(argv[1]);
    if (!hwnd) {
        err_line(L"not a window");
        return EXIT_NOT_FOUND;
    }
    bool from_screen = argc > 3 && wcscmp(argv[3], L"--screen") == 0;
    int w = 0, h = 0;
    std::vector<unsigned char> px;
    if (!read_client(hwnd, from_screen, &w, &h, &px)) {
        err_line(L"cannot read the client area");
        return EXIT_NOT_FOUND;
    }
    if (!write_file(windows_path(argv[2]), px.data(), (DWORD)px.size())) {
        err_line(L"cannot write the file");
        return EXIT_NOT_FOUND;
    }
    wchar_t buf[64];
    swprintf(buf, KV_COUNT(buf), L"%d %d", w, h);
    out_line(buf);
    return EXIT_OK;
}
