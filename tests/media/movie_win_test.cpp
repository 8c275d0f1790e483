// Movies and Flash movies under Windows: the Flash control through the
// maker seam (a fake control answering by name through IDispatch) and the
// real, absent control; the MCI and DirectShow players on a generated
// MPEG-1 program stream named by KV_TEST_MOVIE (tests/win32/e2e_movie_play.sh).
#ifdef _WIN32
#include "movie_test_util.h"

#include <windows.h>
#include <mmsystem.h>

#include <cstdlib>

#include "platform/win32/flash_win32.h"

using namespace movietest;

namespace {

struct FakeFlash : IDispatch {
    LONG refs = 1;
    int32_t frames = 120, frame = 5;
    bool playing = false, movie_set = false, has_variable = true;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        if (iid == IID_IUnknown || iid == IID_IDispatch) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *n) override { *n = 0; return S_OK; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *names, UINT, LCID, DISPID *id) override
    {
        static const wchar_t *known[] = {L"Playing", L"TotalFrames", L"Movie", L"Play",
                                         L"CurrentFrame", L"GetVariable"};
        for (DISPID i = 0; i < 6; i++)
            if (!wcscmp(names[0], known[i])) {
                *id = i + 1;
                return S_OK;
            }
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD kind, DISPPARAMS *p,
                                     VARIANT *result, EXCEPINFO *, UINT *) override
    {
        switch (id) {
        case 1:
            result->vt = VT_BOOL;
            result->boolVal = playing ? VARIANT_TRUE : VARIANT_FALSE;
            return kind == DISPATCH_PROPERTYGET ? S_OK : DISP_E_MEMBERNOTFOUND;
        case 2:
            result->vt = VT_I4;
            result->lVal = frames;
            return S_OK;
        case 3:
            movie_set = kind == DISPATCH_PROPERTYPUT && p->cArgs == 1 && p->rgvarg[0].vt == VT_BSTR &&
                        wcsstr(p->rgvarg[0].bstrVal, L"intro.swf");
            return movie_set ? S_OK : E_INVALIDARG;
        case 4:
            playing = true;
            return S_OK;
        case 5:
            result->vt = VT_I4;
            result->lVal = frame;
            return S_OK;
        case 6:
            if (!has_variable || p->cArgs != 1 || wcscmp(p->rgvarg[0].bstrVal, L"kavrin"))
                return E_FAIL;
            result->vt = VT_BSTR;
            result->bstrVal = SysAllocString(L"42");
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }
};

FakeFlash *g_next_fake;
IDispatch *make_fake(HWND) { return g_next_fake; }
IDispatch *make_none(HWND) { return nullptr; }


LRESULT CALLBACK test_proc(HWND h, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == MM_MCINOTIFY && std::getenv("KV_MOVIE_TRACE"))
        std::printf("notify %u device %u\n", (unsigned)wp, (unsigned)lp);
    if (msg == MM_MCINOTIFY)
        movie_on_mci_notify(wp, (uint32_t)lp);
    else if (msg == WM_APP + 1)
        movie_on_graph_event();
    return DefWindowProcA(h, msg, wp, lp);
}

struct WinMovie : MovieFixture {
    HWND hwnd = nullptr;
    void SetUp() override
    {
        MovieFixture::SetUp();
        WNDCLASSA wc = {};
        wc.lpfnWndProc = test_proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "kv_movie_test";
        RegisterClassA(&wc);
        hwnd = CreateWindowExA(0, "kv_movie_test", "movie", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                               660, 520, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_TRUE(hwnd);
        main_window.hwnd = hwnd;
        write_file("intro.swf", {'F', 'W', 'S'});
    }
    void TearDown() override
    {
        MovieFixture::TearDown();
        g_flash_control_maker = flash_make_atl_control;
        DestroyWindow(hwnd);
    }
    static void play_flash(int32_t user)
    {
        load_args({{0, 0, "intro.swf", 0}, {6, user, nullptr, 0}, {1, 1, nullptr, 0}});
        EXPECT_EQ(flash_play_run(), 0);
    }
    // Pumps messages until the movie stops playing or `ms` pass.
    static void pump_until_stopped(DWORD ms)
    {
        DWORD start = GetTickCount();
        while (movie_playing() && GetTickCount() - start < ms) {
            MSG m;
            while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&m);
            Sleep(20);
        }
    }
};

}  // namespace

TEST_F(WinMovie, FlashFakeControl)
{
    FakeFlash first, second;
    g_next_fake = &first;
    g_flash_control_maker = make_fake;
    play_flash(9);
    ASSERT_TRUE(first.movie_set) << boxes().size() << " active " << (int)g_flash.active << " refs " << first.refs << " err " << g_last_error_code;
    EXPECT_TRUE(flash_host_window());
    EXPECT_EQ(flash_query(0), 1);
    EXPECT_EQ(flash_query(1), 42);
    EXPECT_EQ(flash_query(6), 5);
    EXPECT_EQ(flash_query(7), 9);
    EXPECT_EQ(flash_query(8), 120);
    EXPECT_EQ(g_flash.control_refs, 1);
    // A second play without a close lets the first control go.
    g_next_fake = &second;
    second.has_variable = false;
    play_flash(3);
    EXPECT_EQ(first.refs, 0);
    EXPECT_EQ(g_flash.control_refs, 1);
    EXPECT_EQ(flash_query(1), 0);
    EXPECT_EQ(boxes().size(), 1u);
    EXPECT_EQ(flash_query(7), 3);
    EXPECT_EQ(flash_close_run(), 0);
    EXPECT_EQ(second.refs, 0);
    EXPECT_FALSE(flash_host_window());
    EXPECT_EQ(flash_close_run(), 0);
    EXPECT_EQ(g_flash.control_refs, 0);
    EXPECT_EQ(flash_query(8), 0);
    EXPECT_TRUE(IsWindow(hwnd));   // the control's window going ends nothing
}

TEST_F(WinMovie, FlashWithoutControlFailsCleanly)
{
    for (FlashControlMaker maker : {make_none, flash_make_atl_control}) {
        g_flash_control_maker = maker;
        play_flash(9);
        EXPECT_FALSE(flash_host_window());
        EXPECT_EQ(g_flash.control_refs, 0);
        for (uint32_t id : {0u, 6u, 7u, 8u})
            EXPECT_EQ(flash_query(id), 0) << id;
    }
}

// The players on a real movie: it plays to the end and the playing flag
// clears, or the player fails with its failure result and nothing plays.
TEST_F(WinMovie, GeneratedMovie)
{
    const char *movie = std::getenv("KV_TEST_MOVIE");
    if (!movie)
        GTEST_SKIP() << "KV_TEST_MOVIE not set";
    std::filesystem::copy_file(movie, "clip.mpg");
    write_file("damaged.mpg", {0x00, 0x00, 0x01, 0xBA, 0x21, 0x13, 0x37, 0x00, 0xFF, 0xFF});
    EXPECT_EQ(movie_info(6, "clip.mpg"), 1);
    for (const char *name : {"clip.mpg", "damaged.mpg"}) {
        for (uint8_t rule : {0, 1}) {
            g_movie_draw_rule = rule;
            reset_error_reports();
            load_args({{0, 0, name, 0}, {6, 128, nullptr, 0}, {1, 1, nullptr, 0}});
            int r = movie_play_run();
            int started = movie_playing();
            std::printf("%s through %s: result %d, playing %d, error %u\n", name,
                        rule ? "DirectShow" : "MCI", r, started, (unsigned)g_last_error_code);
            if (r < 0) {
                EXPECT_TRUE(g_last_error_code == 101510 || g_last_error_code == 101520);
            }
            if (!started) {
                EXPECT_EQ(movie_info(0), 0);
            }
            pump_until_stopped(30000);
            EXPECT_EQ(movie_playing(), 0) << name << " rule " << (int)rule;
            EXPECT_EQ(movie_stop_run(), 0);
            EXPECT_EQ(movie_window_exists(), 0);
        }
    }
}
#endif
