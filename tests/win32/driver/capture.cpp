// capture: reads back what a window shows in its client area, with GDI, into
// a file of raw 32-bit pixels (B, G, R, A; rows top-down, no header) and
// prints "W H". Only the part of the client area that lies on the screen can
// be read (under Wine a read that reaches beyond the screen gives nothing):
// its pixels get alpha 255, the others are 0, 0, 0, 0. The pixels come from
// the screen at the client area's place (what the user sees); --window reads
// through the window's own DC instead, which under Wine gives black for a
// window of another process that reaches beyond the screen.
#include "driver.h"

#include <algorithm>
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
    ClientToScreen(hwnd, &origin);
    int sx = GetSystemMetrics(SM_XVIRTUALSCREEN), sy = GetSystemMetrics(SM_YVIRTUALSCREEN);
    int sw = GetSystemMetrics(SM_CXVIRTUALSCREEN), sh = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    // The visible part in client coordinates.
    int x0 = std::max(0, sx - (int)origin.x), y0 = std::max(0, sy - (int)origin.y);
    int x1 = std::min(*w, sx + sw - (int)origin.x), y1 = std::min(*h, sy + sh - (int)origin.y);
    if (x1 <= x0 || y1 <= y0)
        return false;
    HWND source = from_screen ? nullptr : hwnd;
    POINT at = {x0, y0};
    if (from_screen) {
        at.x += origin.x;
        at.y += origin.y;
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
        ok = BitBlt(mem, x0, y0, x1 - x0, y1 - y0, src, at.x, at.y, SRCCOPY) != FALSE;
        GdiFlush();
        size_t n = (size_t)*w * (size_t)*h * 4;
        px->assign((unsigned char *)bits, (unsigned char *)bits + n);
        for (int y = 0; y < *h; y++)
            for (int x = 0; x < *w; x++) {
                unsigned char *p = &(*px)[((size_t)y * *w + x) * 4];
                bool seen = x >= x0 && x < x1 && y >= y0 && y < y1;
                if (seen)
                    p[3] = 255;
                else
                    p[0] = p[1] = p[2] = p[3] = 0;
            }
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
    bool from_screen = !(argc > 3 && wcscmp(argv[3], L"--window") == 0);
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
