// Win32 side of the window sizes and shapes: the sizing, track-size, size and
// position messages of the window procedure, the monitor check, the tray
// callback, the drag test on a click, window regions and flashing. The
// arithmetic is in shell/window_sizing.cpp and shell/window_shape.cpp.
#include <windows.h>

#include <cstring>
#include <vector>

#include "core/engine_state.h"
#include "core/frame_state.h"
#include "core/input.h"
#include "core/settings.h"
#include "core/tree.h"
#include "core/window.h"
#include "graphics/compose.h"
#include "graphics/layer.h"
#include "platform/sys_window.h"
#include "platform/win32/window_win32.h"
#include "script/project.h"
#include "shell/screen_layout.h"
#include "shell/display_modes.h"
#include "shell/menu.h"
#include "shell/window_shape.h"
#include "shell/window_sizing.h"

enum { KV_TRAY_ICON_ID = 123 };

// Sizes kept while the main window is maximised, put back on the restore.
static ScreenSize g_kept_sizes;
static uint8_t g_restore_pending;

static bool main_is_maximized(HWND hwnd)
{
    return g_window_maximized || IsZoomed(hwnd);
}

void frame_size_for_client(void *hwnd, int32_t *w, int32_t *h)
{
    RECT rc = {0, 0, 320, 240};
    DWORD style = (DWORD)GetWindowLongPtrA((HWND)hwnd, GWL_STYLE);
    DWORD ex = (DWORD)GetWindowLongPtrA((HWND)hwnd, GWL_EXSTYLE);
    if (!AdjustWindowRectEx(&rc, style, GetMenu((HWND)hwnd) != nullptr, ex)) {
        *w = *h = -1;
        return;
    }
    *w = rc.right - rc.left - 320;
    *h = rc.bottom - rc.top - 240;
}

void on_window_sizing(WindowObject *win, HWND hwnd, WPARAM edge, RECT *rc)
{
    if (win->number != 0 || !rc)
        return;
    int32_t fw, fh;
    frame_size_for_client(hwnd, &fw, &fh);
    SizeRect r = {rc->left, rc->top, rc->right, rc->bottom};
    sizing_keep_aspect(&r, (int)edge, game_aspect(win->game_width, win->game_height), fw, fh);
    *rc = {r.left, r.top, r.right, r.bottom};
}

// The back buffer is made to hold the largest size the user may drag to; it
// is only reallocated when that size grows, and a size that failed is not
// tried again on every message.
void on_window_minmax(WindowObject *win, HWND hwnd, MINMAXINFO *mm)
{
    static int32_t tried_w, tried_h;
    if (win->number != 0 || !mm || !win->hwnd || window_is_fullscreen() ||
        main_is_maximized(hwnd))
        return;
    int32_t fw, fh;
    frame_size_for_client(hwnd, &fw, &fh);
    TrackSizes t;
    if (!track_sizes(win->game_width, win->game_height, g_desktop_mode.width,
                     g_desktop_mode.height, fw, fh, &t))
        return;
    mm->ptMinTrackSize = {t.min_w, t.min_h};
    mm->ptMaxTrackSize = {t.max_w, t.max_h};
    if (t.max_w > tried_w || t.max_h > tried_h) {
        tried_w = t.max_w > tried_w ? t.max_w : tried_w;
        tried_h = t.max_h > tried_h ? t.max_h : tried_h;
        reserve_back_buffer(t.max_w, t.max_h);
    }
}

static void centre_in_work_area(HWND hwnd, int32_t w, int32_t h)
{
    RECT work = {0, 0, 0, 0};
    int x = 0, y = 0;
    if (SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) {
        x = work.left + (work.right - work.left) / 2 - w / 2;
        y = work.top + (work.bottom - work.top) / 2 - h / 2;
    }
    MoveWindow(hwnd, x, y, w, h, TRUE);
}

// The main window, freely sized: fit the client to the game's aspect and make
// it the current and shown size.
static void fit_main_window(WindowObject *win, HWND hwnd, int32_t fw, int32_t fh)
{
    RECT wr;
    if (!GetWindowRect(hwnd, &wr))
        return;
    int32_t w, h;
    size_fit_client(win->game_width, win->game_height, wr.right - wr.left - fw,
                    wr.bottom - wr.top - fh, g_desktop_mode.width, g_desktop_mode.height, &w,
                    &h);
    MoveWindow(hwnd, wr.left, wr.top, w + fw, h + fh, TRUE);
    g_screen_size.width = g_screen_size.shown_width = w;
    g_screen_size.height = g_screen_size.shown_height = h;
    rebuild_back_buffer(w, h);
}

void on_window_size(WindowObject *win, HWND hwnd, WPARAM kind)
{
    // Moving the window from here sends WM_SIZE again; the fit of a fitted
    // size may differ by a rounding pixel, so the inner call is dropped.
    static bool busy;
    bool fs = window_is_fullscreen() != 0;
    if (busy || kind == SIZE_MINIMIZED || IsIconic(hwnd) || (g_frame_style_countdown && !fs))
        return;
    busy = true;
    int32_t fw, fh;
    frame_size_for_client(hwnd, &fw, &fh);
    if (fw < 0)
        fw = fh = 0;
    bool main = win->number == 0;
    if (main && !g_window_recentre.pending && !fs && !main_is_maximized(hwnd)) {
        fit_main_window(win, hwnd, fw, fh);
    } else if (main && g_window_recentre.pending) {
        g_window_recentre.pending = 0;
        centre_in_work_area(hwnd, g_window_recentre.width + fw, g_window_recentre.height + fh);
    } else {
        int32_t w = main ? g_screen_size.width : win->game_width;
        int32_t h = main ? g_screen_size.height : win->game_height;
        SetWindowPos(hwnd, nullptr, 0, 0, w + fw, h + fh,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    busy = false;
}

// SC_MAXIMIZE on the main window: a sizing border for the maximised window,
// the sizes to come back to.
void note_maximize(WindowObject *win, HWND hwnd)
{
    if (win->number != 0 || window_is_fullscreen())
        return;
    LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
    // Maximised again while minimised (from the task bar), the window keeps
    // what it had as a plain window, not the maximised sizes and border.
    if (!g_window_maximized) {
        g_maximize_frame_added = !(style & WS_THICKFRAME);
        g_kept_sizes = g_screen_size;
    }
    SetWindowLongPtrA(hwnd, GWL_STYLE, style | WS_THICKFRAME);
    g_window_maximized = 1;
    if (g_gpu_mode)
        g_force_device_reset = 1;
}

void note_restore(WindowObject *win, HWND hwnd)
{
    if (win->number != 0 || window_is_fullscreen())
        return;
    if (g_maximize_frame_added) {
        g_maximize_frame_added = 0;
        if (!g_window_resizable) {
            LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
            SetWindowLongPtrA(hwnd, GWL_STYLE, style & ~(LONG_PTR)WS_THICKFRAME);
        }
    }
    // Only a maximised window has sizes kept to go back to: a restore flagged
    // without them would put back sizes of nothing at the next move.
    if (!IsIconic(hwnd) && g_window_maximized)
        g_restore_pending = 1;
}

void on_window_pos_changed(WindowObject *win, HWND hwnd)
{
    if (win->number != 0 || window_is_fullscreen())
        return;
    if (g_restore_pending) {
        g_restore_pending = 0;
        g_window_maximized = 0;
        g_screen_size.width = g_kept_sizes.width;
        g_screen_size.height = g_kept_sizes.height;
        g_screen_size.shown_width = g_kept_sizes.shown_width;
        g_screen_size.shown_height = g_kept_sizes.shown_height;
        rebuild_back_buffer(g_screen_size.shown_width, g_screen_size.shown_height);
        if (g_gpu_mode)
            g_force_device_reset = 1;
        return;
    }
    // Minimised, the client area is empty: the current size stays the
    // maximised one, so that the window comes back as it was.
    RECT rc;
    if (!g_window_maximized || IsIconic(hwnd) || !GetClientRect(hwnd, &rc))
        return;
    int32_t w = rc.right - rc.left, h = rc.bottom - rc.top;
    if (w < 1 || h < 1 || (w == g_screen_size.width && h == g_screen_size.height))
        return;
    g_screen_size.width = w;
    g_screen_size.height = h;
    resize_back_buffer(win->game_width, win->game_height, w, h);
}

void on_window_move(WindowObject *win, HWND hwnd)
{
    if (win->number != 0)
        return;
    int32_t index = moved_window_monitor(hwnd);
    monitor_size(index, &g_desktop_mode.width, &g_desktop_mode.height);
    if (index != g_window_monitor_index && g_gpu_mode && !window_is_fullscreen() &&
        !main_is_maximized(hwnd))
        g_force_device_reset = 1;
    g_window_monitor_index = index;
}

bool on_tray_message(WindowObject *win, HWND hwnd, WPARAM id, LPARAM event)
{
    if (win->number != 0 || id != KV_TRAY_ICON_ID)
        return false;
    switch ((UINT)event) {
    case WM_LBUTTONDOWN:
        SetForegroundWindow(hwnd);
        SetFocus(hwnd);
        InvalidateRect(hwnd, nullptr, FALSE);
        break;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONUP:
        SetForegroundWindow(hwnd);
        SetFocus(hwnd);
        window_request_whole_compose(win);   // composed on the frame thread
        request_popup_at_cursor(2);
        break;
    default:
        break;
    }
    return true;
}

// A left click on a non-black pixel of the drag layer asks the input update
// to drag the window. The click is taken into game coordinates as the mouse
// position is.
void on_drag_click(WindowObject *win, LPARAM lp)
{
    if (!g_drag_layer.set || !g_drag_layer.node)
        return;
    int64_t x = (int16_t)LOWORD(lp), y = (int16_t)HIWORD(lp);
    int32_t sw = g_screen_size.shown_width, sh = g_screen_size.shown_height;
    if (win->number == 0 && sw > 0 && sh > 0) {
        x = x * win->game_width / sw;
        y = y * win->game_height / sh;
    }
    if (drag_layer_hit(g_drag_layer.node, (int32_t)x, (int32_t)y)) {
        g_window_drag_pos = (uint32_t)lp;
        g_window_drag_request = (uint8_t)(win->number + 1);
    }
}

int sys_window_flash(WindowObject *win, uint32_t timeout, uint32_t count)
{
    HMODULE user32 = LoadLibraryA("user32.dll");
    if (!user32)
        return -1;
    typedef BOOL(WINAPI * FlashFn)(PFLASHWINFO);
    FlashFn fn = (FlashFn)(void *)GetProcAddress(user32, "FlashWindowEx");
    if (!fn) {
        FreeLibrary(user32);
        return -1;
    }
    FLASHWINFO fi = {};
    fi.cbSize = sizeof fi;
    fi.hwnd = (HWND)win->hwnd;
    fi.dwFlags = FLASHW_TRAY;
    fi.uCount = count;
    fi.dwTimeout = timeout;
    fn(&fi);
    FreeLibrary(user32);
    return 0;
}

int sys_window_set_region(WindowObject *win, const SizeRect *in, int count)
{
    if (!win->hwnd || (!in && count) || count < 0)
        return -1;
    std::vector<uint8_t> data(sizeof(RGNDATAHEADER) + (size_t)count * sizeof(RECT));
    RGNDATA *rd = (RGNDATA *)data.data();
    rd->rdh.dwSize = sizeof(RGNDATAHEADER);
    rd->rdh.iType = RDH_RECTANGLES;
    rd->rdh.nCount = (DWORD)count;
    rd->rdh.nRgnSize = (DWORD)(count * sizeof(RECT));
    RECT bound = {0, 0, 0, 0};
    RECT *rects = (RECT *)rd->Buffer;
    for (int i = 0; i < count; i++) {
        RECT r = {in[i].left, in[i].top, in[i].right, in[i].bottom};
        std::memcpy(&rects[i], &r, sizeof r);
        UnionRect(&bound, &bound, &r);
    }
    rd->rdh.rcBound = bound;
    HRGN rgn = ExtCreateRegion(nullptr, (DWORD)data.size(), rd);
    if (!rgn)
        return -1;
    if (!SetWindowRgn((HWND)win->hwnd, rgn, TRUE)) {
        DeleteObject(rgn);
        return -1;
    }
    return 0;
}
