// Flash movies on Windows: the "kv_fls" child window of the main window and
// the control hosted in it, whose members are called by name through
// IDispatch (get_Playing, get_TotalFrames, put_Movie, Play, CurrentFrame,
// GetVariable).
#include <windows.h>
#include <oleauto.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "core/error_report.h"
#include "core/window.h"
#include "platform/sys_movie.h"
#include "platform/win32/flash_win32.h"

enum { KV_FLASH_STYLE = 0x56000000, KV_FLASH_PATH = 261 };

static std::atomic<HWND> g_host{nullptr};
static IDispatch *g_control;
FlashControlMaker g_flash_control_maker = flash_make_atl_control;

HWND flash_host_window()
{
    return g_host.load();
}

// --- the ATL host -------------------------------------------------------------------

typedef BOOL(WINAPI *AtlAxWinInitFn)();
typedef HRESULT(WINAPI *AtlAxCreateControlFn)(LPCOLESTR, HWND, IStream *, IUnknown **);
typedef HRESULT(WINAPI *AtlAxGetControlFn)(HWND, IUnknown **);

struct AtlEntries {
    int state;   // 0 not loaded, 1 loaded, -1 missing
    AtlAxWinInitFn init;
    AtlAxCreateControlFn create;
    AtlAxGetControlFn get;
};
static AtlEntries g_atl;

static bool load_atl()
{
    if (g_atl.state == 0) {
        char path[MAX_PATH + 16];
        UINT n = GetSystemDirectoryA(path, MAX_PATH);
        HMODULE dll = nullptr;
        if (n > 0 && n < MAX_PATH) {
            std::snprintf(path + n, sizeof path - n, "\\atl.dll");
            dll = LoadLibraryA(path);
        }
        if (dll) {
            g_atl.init = (AtlAxWinInitFn)(void *)GetProcAddress(dll, "AtlAxWinInit");
            g_atl.create = (AtlAxCreateControlFn)(void *)GetProcAddress(dll, "AtlAxCreateControl");
            g_atl.get = (AtlAxGetControlFn)(void *)GetProcAddress(dll, "AtlAxGetControl");
        }
        g_atl.state = (dll && g_atl.init && g_atl.create && g_atl.get) ? 1 : -1;
        if (!dll)
            message_box_printf(nullptr, "ATL.DLLが見つかりませんでした。");
    }
    return g_atl.state == 1;
}

IDispatch *flash_make_atl_control(HWND host)
{
    if (!load_atl())
        return nullptr;
    static const GUID iid_flash = {0xd27cdb6c, 0xae6d, 0x11cf,
                                   {0x96, 0xb8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
    g_atl.init();
    IUnknown *container = nullptr;
    if (FAILED(g_atl.create(L"{d27cdb6e-ae6d-11cf-96b8-444553540000}", host, nullptr, &container)))
        return nullptr;
    if (container)
        container->Release();
    IUnknown *unknown = nullptr;
    if (FAILED(g_atl.get(host, &unknown)) || !unknown)
        return nullptr;
    // IShockwaveFlash is a dual interface: its pointer is an IDispatch.
    IDispatch *flash = nullptr;
    HRESULT hr = unknown->QueryInterface(iid_flash, (void **)&flash);
    unknown->Release();
    return SUCCEEDED(hr) ? flash : nullptr;
}

// --- calls by name -------------------------------------------------------------------

static HRESULT call(const wchar_t *name, WORD kind, VARIANT *args, UINT count, VARIANT *result)
{
    if (!g_control)
        return E_POINTER;
    DISPID id;
    LPOLESTR names[1] = {(LPOLESTR)name};
    HRESULT hr = g_control->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr))
        return hr;
    DISPID put_id = DISPID_PROPERTYPUT;
    DISPPARAMS params = {args, kind == DISPATCH_PROPERTYPUT ? &put_id : nullptr, count,
                         kind == DISPATCH_PROPERTYPUT ? 1u : 0u};
    if (result)
        VariantInit(result);
    return g_control->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &params, result, nullptr,
                             nullptr);
}

// An integer member or property; 0 when the call fails.
static int32_t get_int(const wchar_t *name, WORD kind)
{
    VARIANT v;
    if (FAILED(call(name, kind, nullptr, 0, &v)))
        return 0;
    int32_t out = 0;
    if (SUCCEEDED(VariantChangeType(&v, &v, 0, VT_I4)))
        out = v.lVal;
    VariantClear(&v);
    return out;
}

int sys_flash_create_window(const MovieRect *dest)
{
    HWND parent = g_windows[0] ? (HWND)g_windows[0]->hwnd : nullptr;
    char class_name[256];
    if (!parent || !GetClassNameA(parent, class_name, sizeof class_name))
        return -1;
    // The game window class: with no window object attached, the window
    // procedure leaves this window to the default handling, so that its
    // destruction never ends the engine.
    HWND host = CreateWindowExA(0, class_name, "kv_fls", KV_FLASH_STYLE, dest->x, dest->y,
                                dest->w, dest->h, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!host)
        return -1;
    ShowWindow(host, SW_SHOW);
    UpdateWindow(host);
    g_host = host;
    return 0;
}

void sys_flash_destroy_window()
{
    HWND host = g_host.exchange(nullptr);
    if (host)
        DestroyWindow(host);
}

void sys_flash_place(const MovieRect *dest)
{
    HWND host = g_host.load();
    if (host)
        SetWindowPos(host, nullptr, dest->x, dest->y, dest->w, dest->h, SWP_NOZORDER | SWP_NOACTIVATE);
}

int sys_flash_create_control(const char *path, int32_t *frames)
{
    sys_flash_release_control();
    wchar_t wide[KV_FLASH_PATH];
    int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, path, -1, wide, KV_FLASH_PATH);
    HWND host = g_host.load();
    if (n <= 1 || !host)
        return 0;
    g_control = g_flash_control_maker(host);
    if (!g_control)
        return 0;
    VARIANT movie;
    VariantInit(&movie);
    movie.vt = VT_BSTR;
    movie.bstrVal = SysAllocString(wide);
    HRESULT hr = movie.bstrVal ? call(L"Movie", DISPATCH_PROPERTYPUT, &movie, 1, nullptr) : E_OUTOFMEMORY;
    VariantClear(&movie);
    if (FAILED(hr)) {
        sys_flash_release_control();
        return 0;
    }
    *frames = get_int(L"TotalFrames", DISPATCH_PROPERTYGET);
    call(L"Play", DISPATCH_METHOD, nullptr, 0, nullptr);
    return 1;
}

void sys_flash_release_control()
{
    if (g_control)
        g_control->Release();
    g_control = nullptr;
}

int sys_flash_has_control()
{
    return g_control != nullptr;
}

int sys_flash_is_playing()
{
    VARIANT v;
    if (FAILED(call(L"Playing", DISPATCH_PROPERTYGET, nullptr, 0, &v)))
        return 0;
    int playing = v.vt == VT_BOOL && v.boolVal == VARIANT_TRUE;
    VariantClear(&v);
    return playing;
}

int32_t sys_flash_current_frame()
{
    return get_int(L"CurrentFrame", DISPATCH_METHOD);
}

int sys_flash_get_variable(const char *name, int32_t *value)
{
    wchar_t wide[64];
    if (MultiByteToWideChar(CP_ACP, 0, name, -1, wide, 64) <= 0)
        return 0;
    VARIANT arg, result;
    VariantInit(&arg);
    arg.vt = VT_BSTR;
    arg.bstrVal = SysAllocString(wide);
    if (!arg.bstrVal)
        return 0;
    HRESULT hr = call(L"GetVariable", DISPATCH_METHOD, &arg, 1, &result);
    VariantClear(&arg);
    if (FAILED(hr))
        return 0;
    // The control's string is ours to free (VariantClear); only a whole
    // integer counts as found.
    int ok = 0;
    if (result.vt == VT_BSTR && result.bstrVal && result.bstrVal[0]) {
        wchar_t *end = nullptr;
        long v = wcstol(result.bstrVal, &end, 10);
        ok = end && *end == 0;
        if (ok)
            *value = (int32_t)v;
    }
    VariantClear(&result);
    return ok;
}
