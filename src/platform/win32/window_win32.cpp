// Win32 windows of the engine: class, creation, the window procedure and the
// message pump.
#include <windows.h>
#include <imm.h>
#include <mmsystem.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/entry.h"
#include "core/input.h"
#include "core/quit.h"
#include "core/settings.h"
#include "core/window.h"
#include "display/present.h"
#include "media/movie.h"
#include "platform/sys_window.h"
#include "platform/win32/window_win32.h"
#include "script/project.h"
#include "shell/main_loop.h"
#include "shell/startup.h"
#include "shell/display_modes.h"
#include "shell/cursor.h"
#include "shell/menu.h"

enum { KV_ICON_ID = 10001, KV_MENU_RESET_SIZE = 30001, KV_MAX_DROPPED = 65536 };

static HWND hwnd_of(const WindowObject *win)
{
    return (HWND)win->hwnd;
}

// --- window procedure ----------------------------------------------------------

static LRESULT on_close_command(WindowObject *win, HWND hwnd, WPARAM wp, LPARAM lp)
{
    switch (win->close_mode) {
    case KV_CLOSE_REPORT:
        g_window_events.close = 1;
        return 0;
    case KV_CLOSE_ASK: {
        g_pause_frames = 1;
        request_cursor_visible();
        apply_cursor_request();
        int answer = MessageBoxA(hwnd, "終了します。よろしいですか？", g_window_title,
                                 MB_YESNO | MB_ICONINFORMATION);
        g_pause_frames = 0;
        if (answer == IDNO)
            return 0;
        g_quit_flag = 1;
        break;
    }
    case KV_CLOSE_QUITTING:
        g_quit_flag = 1;
        break;
    default:
        break;
    }
    return DefWindowProcA(hwnd, WM_SYSCOMMAND, wp, lp);
}

static LRESULT on_syscommand(WindowObject *win, HWND hwnd, WPARAM wp, LPARAM lp)
{
    if (wp == KV_MENU_RESET_SIZE) {
        if (g_gpu_mode)
            g_force_device_reset = 1;
        g_menu_command = KV_MENU_RESET_SIZE;
        g_menu_command_companion = 0;
        return 0;
    }
    switch (wp & 0xFFF0) {
    case SC_MINIMIZE:
        g_window_events.minimize = win->number + 1;
        if (!win->minimize_allowed)
            return 0;
        break;
    case SC_MAXIMIZE:
        g_window_events.maximize = win->number + 1;
        if (!win->maximize_allowed)
            return 0;
        note_maximize(win, hwnd);
        break;
    case SC_RESTORE:
        note_restore(win, hwnd);
        break;
    case SC_SCREENSAVE:
        if (!g_screensaver_build && g_block_screensaver)
            return 0;
        break;
    case SC_CLOSE:
        return on_close_command(win, hwnd, wp, lp);
    default:
        break;
    }
    return DefWindowProcA(hwnd, WM_SYSCOMMAND, wp, lp);
}

static void on_drop_files(HDROP drop)
{
    free_dropped_files();
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    if (count > KV_MAX_DROPPED)
        count = KV_MAX_DROPPED;
    g_dropped_files = (char **)std::calloc(count ? count : 1, sizeof(char *));
    if (g_dropped_files) {
        for (UINT i = 0; i < count; i++) {
            char *name = (char *)std::calloc(261, 1);
            if (!name)
                break;
            DragQueryFileA(drop, i, name, 261);
            g_dropped_files[i] = name;
            g_dropped_file_count = (int32_t)i + 1;
            g_dropped_files_held = (int32_t)i + 1;
        }
    }
    DragFinish(drop);
}

static LRESULT main_wndproc(WindowObject *win, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_ERASEBKGND:
        if (!IsZoomed(hwnd) && !window_is_fullscreen())
            return 0;
        break;
    case WM_PAINT:
        window_paint(win);
        break;
    case WM_ACTIVATEAPP:
        window_paint(win);
        return 0;
    case WM_COMMAND:
        g_menu_command = LOWORD(wp);
        g_menu_command_companion = 0;
        break;
    case WM_CLOSE:
        // A close from outside (task bar, another program) ends the run like
        // the close box does: also the frames of the script thread.
        if (win->number == 0 || win->close_mode != KV_CLOSE_WINDOW)
            g_quit_flag = 1;
        g_window_slots[win->number] = -1;
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        if (win->number == 0)
            tray_icon_remove();
        // Close mode 3 keeps the engine running for a sub-window only: with
        // the main window gone nothing could end the run any more.
        if (win->number == 0 || win->close_mode != KV_CLOSE_WINDOW) {
            destroy_menu_set(0);
            PostQuitMessage(0);
        }
        win->hwnd = nullptr;
        win->active = 0;
        break;
    case WM_ACTIVATE:
        win->active = LOWORD(wp) != 0;
        window_paint(win);
        break;
    case WM_SYSCOMMAND:
        return on_syscommand(win, hwnd, wp, lp);
    case WM_KEYDOWN:
        g_last_key = (int32_t)wp;
        break;
    case WM_SYSKEYDOWN:
        if (wp == VK_F10 || wp == VK_MENU)
            return 0;
        break;
    case WM_MOUSEMOVE:
        g_mouse_moved = 128;
        return 0;
    case WM_MOUSEWHEEL:
        g_wheel_delta = (int16_t)HIWORD(wp);
        return 0;
    case WM_LBUTTONDOWN:
        g_last_mouse_button = 1;
        on_drag_click(win, lp);
        return 0;
    case WM_RBUTTONDOWN:
        g_last_mouse_button = 2;
        return 0;
    case WM_MBUTTONDOWN:
        g_last_mouse_button = 4;
        return 0;
    case WM_NCLBUTTONDBLCLK:
        if (g_caption_dblclick_fullscreen == 1 && !IsZoomed(hwnd)) {
            g_window_events.fullscreen_toggle = win->number + 1;
            return 0;
        }
        g_redraw_countdown = 1;
        break;
    case WM_DROPFILES:
        on_drop_files((HDROP)wp);
        break;
    case WM_MOVE:
        on_window_move(win, hwnd);
        break;
    case WM_DISPLAYCHANGE:
        displays_changed();
        break;
    case WM_SIZING:
        on_window_sizing(win, hwnd, wp, (RECT *)lp);
        break;
    case WM_GETMINMAXINFO:
        on_window_minmax(win, hwnd, (MINMAXINFO *)lp);
        break;
    case WM_SIZE:
        on_window_size(win, hwnd, wp);
        if (win->number == 0) {
            movie_on_window_size();
            flash_set_window_rect();
        }
        break;
    case MM_MCINOTIFY:
    case 0x4C8:
        if (win->number == 0 && movie_window_exists())
            movie_on_mci_notify(wp, (uint32_t)lp);
        return 0;
    case WM_APP + 1:
        if (win->number == 0)
            movie_on_graph_event();
        break;
    case WM_WINDOWPOSCHANGED:
        on_window_pos_changed(win, hwnd);
        break;
    case KV_TRACK_MENU_MESSAGE:
        return on_track_menu_message(hwnd, lp);
    case WM_USER + 10:
        if (on_tray_message(win, hwnd, wp, lp))
            return 0;
        break;
    default:
        break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

static LRESULT CALLBACK main_wndproc_thunk(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    WindowObject *win = (WindowObject *)GetWindowLongPtrA(hwnd, GWLP_USERDATA);
    if (!win)
        return DefWindowProcA(hwnd, msg, wp, lp);
    return main_wndproc(win, hwnd, msg, wp, lp);
}

// --- creation --------------------------------------------------------------------

static bool register_class(WindowObject *win, HINSTANCE inst, const char *name)
{
    if (win->class_registered)
        return true;
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = main_wndproc_thunk;
    wc.hInstance = inst;
    wc.hIcon = LoadIconA(inst, MAKEINTRESOURCEA(KV_ICON_ID));
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    wc.lpszClassName = name;
    if (!RegisterClassExA(&wc))
        return false;
    win->class_registered = 1;
    return true;
}

static bool apply_layered(HWND hwnd)
{
    HMODULE user32 = LoadLibraryA("user32.dll");
    if (!user32) {
        MessageBoxA(nullptr, "user32.dll Error.", nullptr, MB_OK);
        return false;
    }
    typedef BOOL(WINAPI * SetLayeredFn)(HWND, COLORREF, BYTE, DWORD);
    SetLayeredFn fn = (SetLayeredFn)(void *)GetProcAddress(user32, "SetLayeredWindowAttributes");
    if (!fn) {
        MessageBoxA(nullptr, "SetLayeredWindowAttributes Error.", nullptr, MB_OK);
        FreeLibrary(user32);
        return false;
    }
    fn(hwnd, 0, 160, LWA_ALPHA);
    FreeLibrary(user32);
    return true;
}

int sys_window_create(WindowObject *win, void *instance, int, const char *class_name,
                      const char *title)
{
    HINSTANCE inst = (HINSTANCE)instance;
    char name[300];
    if (win->number == 0)
        std::snprintf(name, sizeof name, "%s", class_name);
    else
        std::snprintf(name, sizeof name, "%s_sub_%d", class_name, (int)win->number);
    if (!register_class(win, inst, name))
        return 0;

    bool main = win->number == 0;
    DWORD style = 0x02CB0000;
    if (main && g_window_resizable)
        style |= WS_THICKFRAME;
    if (main && !g_window_framed)
        style = WS_POPUP | WS_CLIPCHILDREN;
    DWORD ex = 0;
    if (g_window_framed)
        ex = g_screensaver_build ? WS_EX_TOPMOST : 0;
    else if (main)
        ex = WS_EX_TOOLWINDOW;
    if (g_layered_window)
        ex |= WS_EX_LAYERED;

    RECT rc = {0, 0, win->game_width, win->game_height};
    AdjustWindowRectEx(&rc, style, FALSE, ex);
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    int x = 0, y = 0;
    if (main || !g_window_framed) {
        RECT work;
        if (SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) {
            x = work.left + (work.right - work.left) / 2 - w / 2;
            y = work.top + (work.bottom - work.top) / 2 - h / 2;
        }
    }
    HWND hwnd = CreateWindowExA(ex, name, title, style, x, y, w, h, nullptr, nullptr, inst,
                                nullptr);
    win->hwnd = hwnd;
    if (hwnd && g_layered_window && !apply_layered(hwnd))
        return 0;
    if (!hwnd)
        return 0;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, (LONG_PTR)win);
    if (main) {
        HMENU sys = GetSystemMenu(hwnd, FALSE);
        InsertMenuA(sys, 0, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
        InsertMenuA(sys, 0, MF_BYPOSITION | MF_STRING, KV_MENU_RESET_SIZE,
                    "ウィンドウサイズ初期化");
        DrawMenuBar(hwnd);
    }
    if (g_window_framed || !main)
        SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    else
        SetWindowPos(hwnd, HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_FRAMECHANGED |
                         SWP_NOOWNERZORDER);
    DragAcceptFiles(hwnd, TRUE);
    SetCursor(LoadCursorA(nullptr, (LPCSTR)IDC_ARROW));
    return 1;
}

// --- pump and requests -----------------------------------------------------------

bool sys_pump_messages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        BOOL r = GetMessageA(&msg, nullptr, 0, 0);
        if (r == 0)
            return false;
        if (r == -1)
            break;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}

bool sys_window_exists(const WindowObject *win)
{
    return win->hwnd && IsWindow(hwnd_of(win));
}

bool sys_window_post_close(WindowObject *win)
{
    if (!sys_window_exists(win))
        return false;
    return PostMessageA(hwnd_of(win), WM_CLOSE, 0, 0) != 0;
}

void sys_window_post_command(WindowObject *win, int id)
{
    if (sys_window_exists(win))
        PostMessageA(hwnd_of(win), WM_COMMAND, (WPARAM)(unsigned)id, 0);
}

void sys_window_show(WindowObject *win)
{
    if (win->hwnd)
        ShowWindow(hwnd_of(win), SW_SHOW);
}

void sys_redraw_all()
{
    RedrawWindow(nullptr, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_ERASENOW);
}

void sys_window_remove_thick_frame(WindowObject *win)
{
    if (!win->hwnd)
        return;
    HWND hwnd = hwnd_of(win);
    LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
    SetWindowLongPtrA(hwnd, GWL_STYLE, style & ~(LONG_PTR)WS_THICKFRAME);
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void sys_window_detach_ime(WindowObject *win)
{
    if (win->hwnd)
        ImmAssociateContext(hwnd_of(win), nullptr);
}
