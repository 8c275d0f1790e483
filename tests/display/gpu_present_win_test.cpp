// The Direct3D presenter on a real device (Windows builds, under Wine over
// the software rasteriser): the frame read back from the back buffer against
// a reference of the two filters' maths, and the falls back to the CPU
// presenter when a step fails.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "core/engine_state.h"
#include "core/settings.h"
#include "core/window.h"
#include "display/gpu_quad.h"
#include "display/present.h"
#include "graphics/kernels.h"
#include "graphics/layer.h"
#include "platform/win32/d3d_win32.h"
#include "script/project.h"

namespace {

struct Frame {
    int32_t w, h;
    std::vector<uint8_t> px;
    uint8_t at(int32_t x, int32_t y, int c, int32_t tw, int32_t th) const
    {
        x = x < 0 ? 0 : x >= tw ? tw - 1 : x;   // clamped addressing
        y = y < 0 ? 0 : y >= th ? th - 1 : y;
        return x < w && y < h ? px[((size_t)y * w + x) * 4 + c] : 0;  // beyond: zeroed surface
    }
};

float texel(const Frame &f, float u, float v, int c, int32_t tw, int32_t th)
{
    return f.at((int32_t)std::floor(u * tw), (int32_t)std::floor(v * th), c, tw, th) / 255.0f;
}

float fracf(float x) { return x - std::floor(x); }
float sat(float x) { return x < 0 ? 0 : x > 1 ? 1 : x; }

// One output channel of a filter at texture coordinate (u, v).
float reference(int mode, const Frame &f, float u, float v, int c, int32_t tw, int32_t th)
{
    float dx = 1.0f / tw, dy = 1.0f / th;
    float fx = fracf(u * tw), fy = fracf(v * th);
    if (mode == 2) {
        float sx = sat((fx - 0.5f) * 1.25f + 0.5f), sy = sat((fy - 0.5f) * 1.25f + 0.5f);
        float top = texel(f, u, v, c, tw, th) * (1 - sx) + texel(f, u + dx, v, c, tw, th) * sx;
        float bot = texel(f, u, v + dy, c, tw, th) * (1 - sx) +
                    texel(f, u + dx, v + dy, c, tw, th) * sx;
        return sat(top * (1 - sy) + bot * sy);
    }
    auto w = [](float t, int k) {
        float t2 = t * t, t3 = t2 * t;
        return k == -1 ? -t + 2 * t2 - t3 : k == 0 ? 1 - 2 * t2 + t3 : k == 1 ? t + t2 - t3 : t3 - t2;
    };
    // Summed in the shader's order: per row the columns -1, +1, 0, +2.
    float sum = 0;
    for (int ky = -1; ky <= 2; ky++) {
        float row = 0, y = v + ky * dy;
        for (int kx : {-1, 1, 0, 2})
            row += texel(f, u + kx * dx, y, c, tw, th) * w(fx, kx);
        sum += row * w(fy, ky);
    }
    return sat(sum);
}

class GpuPresent : public ::testing::Test {
protected:
    WindowObject win = {};
    WindowObject *saved = nullptr;
    HWND hwnd = nullptr;
    Frame frame = {64, 48, {}};

    void SetUp() override
    {
        init_pixel_kernels();
        hwnd = CreateWindowA("STATIC", "gpu", WS_POPUP, 0, 0, 320, 240, nullptr, nullptr,
                             nullptr, nullptr);
        ASSERT_TRUE(hwnd);
        saved = g_windows[0];
        g_windows[0] = &win;
        win.hwnd = hwnd;
        win.game_width = frame.w;
        win.game_height = frame.h;
        frame.px.resize((size_t)frame.w * frame.h * 4);
        uint32_t seed = 12345;
        for (uint8_t &b : frame.px) {
            seed = seed * 1664525u + 1013904223u;
            b = (uint8_t)(seed >> 24);
        }
        g_frame_texture_size[0] = g_frame_texture_size[1] = 256;
        g_texture_format = 21;
        g_fullscreen = g_window_maximized = 0;
        g_gpu_mode = 1;
        g_force_device_reset = 0;
        d3d_reset_first_run(0);
    }
    void TearDown() override
    {
        d3d_release_all();
        g_windows[0] = saved;
        g_gpu_mode = 0;
        g_render_mode = 0;
        DestroyWindow(hwnd);
    }

    // The back buffer's top-left w x h, BGRA.
    std::vector<uint8_t> read_back(int32_t w, int32_t h)
    {
        std::vector<uint8_t> out;
        D3DSURFACE_DESC d;
        if (!g_d3d_backbuffer_surface || FAILED(g_d3d_backbuffer_surface->GetDesc(&d)))
            return out;
        IDirect3DSurface9 *mem = nullptr;
        if (FAILED(g_d3d_device->CreateOffscreenPlainSurface(d.Width, d.Height, d.Format,
                                                             D3DPOOL_SYSTEMMEM, &mem, nullptr)))
            return out;
        D3DLOCKED_RECT lr;
        if (SUCCEEDED(g_d3d_device->GetRenderTargetData(g_d3d_backbuffer_surface, mem)) &&
            SUCCEEDED(mem->LockRect(&lr, nullptr, D3DLOCK_READONLY))) {
            out.resize((size_t)w * h * 4);
            for (int32_t y = 0; y < h; y++)
                std::memcpy(&out[(size_t)y * w * 4], (uint8_t *)lr.pBits + y * lr.Pitch, w * 4);
            mem->UnlockRect();
        }
        mem->Release();
        return out;
    }

    // Largest channel difference (in 1/255) between the shown frame and
    // the reference, pixel centres at integer positions as Direct3D 9 has.
    int worst_difference(int mode, int32_t sw, int32_t sh)
    {
        g_screen_size.shown_width = g_screen_size.width = sw;
        g_screen_size.shown_height = g_screen_size.height = sh;
        EXPECT_EQ(d3d_present_frame(frame.px.data()), 0);
        std::vector<uint8_t> got = read_back(sw, sh);
        if (got.empty())
            return 1000;
        QuadPlace p = quad_placement(false, 0, frame.w, frame.h, sw, sh, sw, sh, 256, 256);
        const float lo = -0.00001f, hi = 0.99999f;
        int worst = 0;
        for (int32_t y = 0; y < sh; y++)
            for (int32_t x = 0; x < sw; x++) {
                float u = lo + (float)((x - p.x0) / p.w) * (hi - lo);
                float v = lo + (float)((y - p.y0) / p.h) * (hi - lo);
                for (int c = 0; c < 4; c++) {
                    float ref = reference(mode, frame, u, v, c, 256, 256) * 255;
                    int want = (int)std::lround(ref);
                    int diff = std::abs(want - got[((size_t)y * sw + x) * 4 + c]);
                    // A value on a rounding edge may go either way: float
                    // sums in another order differ in the last bits.
                    if (diff == 1 && std::fabs(ref - std::floor(ref) - 0.5f) < 0.002f)
                        continue;
                    worst = diff > worst ? diff : worst;
                }
            }
        return worst;
    }
};

// Runs fn on a thread of its own and closes the box it shows; the box's text.
std::string box_of(const std::function<void()> &fn)
{
    std::atomic<bool> done{false};
    std::thread t([&] { fn(); done = true; });
    std::string text;
    for (int i = 0; i < 400 && !done && text.empty(); i++) {
        Sleep(50);
        HWND box = nullptr;
        while ((box = FindWindowExA(nullptr, box, "#32770", nullptr))) {
            DWORD pid = 0;
            GetWindowThreadProcessId(box, &pid);
            if (pid != GetCurrentProcessId())
                continue;
            char buf[1024] = "";
            // The text control is 0xFFFF on Windows, 100 under Wine.
            if (!GetDlgItemTextA(box, 0xFFFF, buf, sizeof buf))
                GetDlgItemTextA(box, 100, buf, sizeof buf);
            if (!buf[0])
                break;  // not filled in yet: read it again
            text = buf;
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            break;
        }
    }
    t.join();
    return text;
}

}  // namespace

TEST_F(GpuPresent, FiltersMatchTheirMaths)
{
    for (int mode : {2, 3}) {
        g_render_mode = (uint8_t)mode;
        ASSERT_EQ(d3d_init(), 0) << "mode " << mode;
        // The software rasteriser's filter arithmetic is single precision:
        // now and then a value lands one step off even at 1:1. A sampling
        // offset of half a texel would be far larger on this frame.
        EXPECT_LE(worst_difference(mode, 64, 48), 1) << "1:1, mode " << mode;
        EXPECT_LE(worst_difference(mode, 100, 75), 1) << "scaled, mode " << mode;
        d3d_release_all();
    }
}

// A mode change asks for a new device: made before the upload, the flag
// cleared, and the frame shown through it.
TEST_F(GpuPresent, ForcedResetMakesANewDevice)
{
    g_render_mode = 2;
    ASSERT_EQ(d3d_init(), 0);
    g_force_device_reset = 1;
    EXPECT_EQ(worst_difference(2, 64, 48), 0);
    EXPECT_EQ(g_force_device_reset, 0);
    EXPECT_EQ(g_gpu_mode, 1);
    EXPECT_NE(g_frame_texture, nullptr);
}

TEST_F(GpuPresent, PixelShaderBelow20IsRefused)
{
    g_render_mode = 2;
    d3d_reset_first_run(D3DPS_VERSION(1, 4));
    int r = -5;
    std::string text = box_of([&] { r = d3d_init(); });
    EXPECT_EQ(r, 1);
    EXPECT_EQ(text.rfind("ビデオカードにピクセルシェーダ 2.0以降", 0), 0u) << text;
    EXPECT_EQ(g_d3d_device, nullptr);
    EXPECT_EQ(g_d3d, nullptr);
}

TEST_F(GpuPresent, GameBeyondTheTextureIsRefused)
{
    g_render_mode = 3;
    win.game_width = 4100;
    g_frame_texture_size[0] = 4096;
    EXPECT_EQ(d3d_init(), 1);
    EXPECT_EQ(g_d3d_device, nullptr);
}

// A texture the device cannot make: the frame goes to the CPU presenter,
// which also lets go of every Direct3D object.
TEST_F(GpuPresent, TextureFailureFallsBackToTheCpu)
{
    g_render_mode = 3;
    ASSERT_EQ(d3d_init(), 0);
    g_frame_texture_size[0] = 65536;
    LayerState root = {};
    root.width = frame.w;
    root.height = frame.h;
    root.pixels = frame.px.data();
    root.acc = LayerRect{0, 0, frame.w - 1, frame.h - 1};
    g_screen_size.shown_width = frame.w;
    g_screen_size.shown_height = frame.h;
    std::string text = box_of([&] { window_blit_frame(&win, &root); });
    EXPECT_EQ(text, "テクスチャを生成できませんでした。");
    EXPECT_EQ(g_gpu_mode, 0);
    EXPECT_EQ(g_render_mode, 0);
    EXPECT_EQ(g_smooth_scaling, 1);
    EXPECT_EQ(g_d3d_device, nullptr);
    EXPECT_EQ(g_frame_texture, nullptr);
    EXPECT_EQ(g_upload_surface, nullptr);
}

#endif  // _WIN32
