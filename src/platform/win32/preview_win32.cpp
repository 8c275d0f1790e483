// The screen-saver preview window: a child of the window that the display
// settings give, painted with the appended preview bitmap.
#include <windows.h>

#include <cstdlib>

#include "platform/sys_window.h"
#include "shell/screensaver.h"

static uint8_t *g_preview_bytes;
static PreviewImage g_preview;

static void free_preview()
{
    std::free(g_preview_bytes);
    g_preview_bytes = nullptr;
    g_preview = {};
}

// The bitmap is kept only when it passes every check; otherwise the window
// stays black.
static void take_preview()
{
    free_preview();
    uint32_t size = 0;
    g_preview_bytes = load_preview_bitmap(&size);
    if (g_preview_bytes && parse_preview_bitmap(g_preview_bytes, size, &g_preview) != 0)
        free_preview();
}

static void paint_preview(HWND window)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (dc && g_preview_bytes) {
        // A header of our own: only the checked fields, no colour table.
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = g_preview.width;
        info.bmiHeader.biHeight = g_preview.height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        int w = g_preview.width;
        int h = g_preview.height < 0 ? -g_preview.height : g_preview.height;
        StretchDIBits(dc, 0, 0, w, h, 0, 0, w, h, g_preview.pixels, &info, DIB_RGB_COLORS,
                      SRCCOPY);
    }
    EndPaint(window, &ps);
}

static LRESULT CALLBACK preview_wndproc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_CREATE:
        take_preview();
        return 0;
    case WM_PAINT:
        paint_preview(window);
        return 0;
    case WM_DESTROY:
        free_preview();
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

static int create_preview_window(HWND parent)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_BYTEALIGNCLIENT | CS_BYTEALIGNWINDOW;
    wc.lpfnWndProc = preview_wndproc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(10001));
    wc.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    wc.lpszClassName = "KAVRENScreenSaver";
    if (!RegisterClassA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return 1;
    RECT r;
    GetWindowRect(parent, &r);
    int w = (int16_t)(r.right - r.left);
    int h = (int16_t)(r.bottom - r.top);
    HWND child = CreateWindowExA(0, "KAVRENScreenSaver", "KAVRENScreenSaver",
                                 WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
                                 w, h, parent, nullptr, instance, nullptr);
    return child ? 0 : 1;
}

// Without a window the loop would wait for a WM_QUIT that never comes.
int sys_preview_run(uint64_t parent)
{
    HWND hwnd = (HWND)(uintptr_t)parent;
    if (!IsWindow(hwnd) || create_preview_window(hwnd) != 0)
        return 1;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
