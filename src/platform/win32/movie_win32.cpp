// Movies on Windows: the MCI "MPEGVideo" device under the alias
// "kvmcimovie" and a DirectShow filter graph whose video window is a child
// of the main window and whose events reach it as WM_APP + 1.
#include <windows.h>
#include <dshow.h>
#include <mmsystem.h>
#include <digitalv.h>

#include <cstdio>

#include "core/window.h"
#include "platform/sys_movie.h"

enum { KV_MOVIE_STYLE = 0x56000000, KV_MOVIE_EVENT = WM_APP + 1 };

static const char kAlias[] = "kvmcimovie";

static HWND main_hwnd()
{
    return g_windows[0] ? (HWND)g_windows[0]->hwnd : nullptr;
}

// --- MCI -------------------------------------------------------------------------

static MCIDEVICEID g_mci_device;

static void mci_string(const char *command)
{
    char text[64];
    std::snprintf(text, sizeof text, "%s %s", command, kAlias);
    mciSendStringA(text, nullptr, 0, nullptr);
}

void sys_mci_movie_close()
{
    mci_string("stop");
    mci_string("close");
    g_mci_device = 0;
}

void sys_mci_movie_stop()
{
    mci_string("stop");
}

void sys_mci_movie_volume(int32_t level)
{
    char text[80];
    std::snprintf(text, sizeof text, "setaudio %s volume to %d", kAlias, (int)level);
    mciSendStringA(text, nullptr, 0, nullptr);
}

void sys_mci_movie_place(const MovieRect *dest)
{
    if (!g_mci_device)
        return;
    MCI_DGV_PUT_PARMS put = {};
    put.rc.left = dest->x;
    put.rc.top = dest->y;
    put.rc.right = dest->x + dest->w;
    put.rc.bottom = dest->y + dest->h;
    mciSendCommandA(g_mci_device, MCI_PUT, MCI_DGV_PUT_DESTINATION | MCI_DGV_RECT,
                    (DWORD_PTR)&put);
}

int sys_mci_movie_open(const char *file, const MovieRect *dest, uint32_t *device)
{
    sys_mci_movie_close();
    MCI_ANIM_OPEN_PARMSA open = {};
    open.dwCallback = (DWORD_PTR)main_hwnd();
    open.lpstrDeviceType = "MPEGVideo";
    open.lpstrElementName = file;
    open.lpstrAlias = kAlias;
    open.dwStyle = KV_MOVIE_STYLE;
    open.hWndParent = main_hwnd();
    DWORD flags = MCI_OPEN_TYPE | MCI_OPEN_ELEMENT | MCI_OPEN_ALIAS | MCI_ANIM_OPEN_PARENT |
                  MCI_ANIM_OPEN_WS;
    if (mciSendCommandA(0, MCI_OPEN, flags, (DWORD_PTR)&open) != 0)
        return 0;
    g_mci_device = open.wDeviceID;
    *device = open.wDeviceID;
    sys_mci_movie_place(dest);
    return 1;
}

int sys_mci_movie_start()
{
    MCI_PLAY_PARMS play = {};
    play.dwCallback = (DWORD_PTR)main_hwnd();
    return g_mci_device && mciSendCommandA(g_mci_device, MCI_PLAY, MCI_NOTIFY, (DWORD_PTR)&play) == 0;
}

// --- DirectShow ---------------------------------------------------------------------

struct Graph {
    IGraphBuilder *graph;
    IMediaControl *control;
    IMediaEventEx *events;
    IVideoWindow *video;
    IBasicAudio *audio;
};
static Graph g_graph;

template <class T> static void release(T *&p)
{
    if (p)
        p->Release();
    p = nullptr;
}

void sys_dshow_movie_release()
{
    if (g_graph.control)
        g_graph.control->Stop();
    if (g_graph.events)
        g_graph.events->SetNotifyWindow(0, 0, 0);
    if (g_graph.video) {
        g_graph.video->put_Visible(OAFALSE);
        g_graph.video->put_Owner(0);
    }
    release(g_graph.audio);
    release(g_graph.video);
    release(g_graph.events);
    release(g_graph.control);
    release(g_graph.graph);
}

// COM on the script thread, once: a thread of its own apartment kind.
static bool com_ready()
{
    static thread_local int state = 0;
    if (!state) {
        HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        state = (SUCCEEDED(hr) || hr == RPC_E_CHANGED_MODE) ? 1 : -1;
    }
    return state == 1;
}

void sys_dshow_movie_place(const MovieRect *dest)
{
    if (!g_graph.video)
        return;
    g_graph.video->SetWindowPosition(dest->x, dest->y, dest->w, dest->h);
}

static bool place_checked(const MovieRect *dest)
{
    IVideoWindow *v = g_graph.video;
    return SUCCEEDED(v->SetWindowPosition(dest->x, dest->y, dest->w, dest->h)) &&
           SUCCEEDED(v->put_Width(dest->w)) && SUCCEEDED(v->put_Height(dest->h));
}

void sys_dshow_movie_volume(int32_t volume_db)
{
    if (g_graph.audio)
        g_graph.audio->put_Volume(volume_db);
}

void sys_dshow_movie_stop()
{
    if (g_graph.control)
        g_graph.control->Stop();
}

static int build_graph(const char *file)
{
    wchar_t wide[261];
    int n = MultiByteToWideChar(CP_ACP, 0, file, -1, wide, (int)(sizeof wide / sizeof wide[0]));
    if (n <= 1)
        return -1;
    if (!com_ready())
        return -1;
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                (void **)&g_graph.graph)))
        return -1;
    IGraphBuilder *g = g_graph.graph;
    if (FAILED(g->QueryInterface(IID_IMediaControl, (void **)&g_graph.control)) ||
        FAILED(g->QueryInterface(IID_IMediaEventEx, (void **)&g_graph.events)) ||
        FAILED(g->QueryInterface(IID_IVideoWindow, (void **)&g_graph.video)) ||
        FAILED(g->QueryInterface(IID_IBasicAudio, (void **)&g_graph.audio)))
        return -1;
    if (FAILED(g->RenderFile(wide, nullptr)))
        return -1;
    return 0;
}

int sys_dshow_movie_play(const char *file, const MovieRect *dest, int32_t volume_db)
{
    sys_dshow_movie_release();
    int r = build_graph(file);
    if (r == 0) {
        IVideoWindow *v = g_graph.video;
        if (FAILED(v->put_Owner((OAHWND)main_hwnd())) || FAILED(v->put_WindowStyle(KV_MOVIE_STYLE)) ||
            !place_checked(dest))
            r = -2;
    }
    if (r == 0) {
        g_graph.video->put_Visible(OATRUE);
        g_graph.video->SetWindowForeground(OATRUE);
        g_graph.events->SetNotifyWindow((OAHWND)main_hwnd(), KV_MOVIE_EVENT, 0);
        sys_dshow_movie_volume(volume_db);
        if (FAILED(g_graph.control->Run()))
            r = -1;
    }
    if (r != 0)
        sys_dshow_movie_release();
    return r;
}

int sys_dshow_movie_drain_events()
{
    if (!g_graph.events)
        return 0;
    int ended = 0;
    long code;
    LONG_PTR p1, p2;
    while (g_graph.events->GetEvent(&code, &p1, &p2, 0) == S_OK) {
        if (code == EC_COMPLETE || code == EC_USERABORT || code == EC_ERRORABORT)
            ended = 1;
        g_graph.events->FreeEventParams(code, p1, p2);
    }
    return ended;
}

int sys_movie_window_exists()
{
    return g_mci_device != 0 || g_graph.video != nullptr;
}
