// The Direct3D frame present of window 0: the frame texture and its upload
// surface, the lost-device test and re-creation, the upload, and one quad
// drawn through the effect of the filter mode.
#include "platform/win32/d3d_win32.h"

#include <cstring>

#include "core/engine_state.h"
#include "core/error_report.h"
#include "core/settings.h"
#include "core/window.h"
#include "display/gpu_quad.h"
#include "media/movie.h"
#include "platform/sys_gpu.h"
#include "script/project.h"
#include "shell/screen_layout.h"

// A lock that keeps failing is said once per device, not on every frame.
static uint8_t g_lock_failure_shown;

static bool fitted()
{
    return g_fullscreen == 1 || g_window_maximized == 1;
}

// Edge taps read beyond the game area, so the surface starts out black.
static void clear_upload_surface(int32_t h)
{
    D3DLOCKED_RECT lr;
    if (FAILED(g_upload_surface->LockRect(&lr, nullptr, 0)))
        return;
    for (int32_t y = 0; y < h; y++)
        std::memset((uint8_t *)lr.pBits + (ptrdiff_t)y * lr.Pitch, 0, (size_t)lr.Pitch);
    g_upload_surface->UnlockRect();
}

static int create_frame_objects(int32_t w2, int32_t h2)
{
    g_lock_failure_shown = 0;
    release_com(g_frame_texture);
    release_com(g_upload_surface);
    if (FAILED(g_d3d_device->CreateTexture((UINT)w2, (UINT)h2, 1, 0, (D3DFORMAT)g_texture_format,
                                           D3DPOOL_DEFAULT, &g_frame_texture, nullptr))) {
        g_frame_texture = nullptr;
        message_box_printf(nullptr, "テクスチャを生成できませんでした。");
        return -1;
    }
    if (FAILED(g_d3d_device->CreateOffscreenPlainSurface(
            (UINT)w2, (UINT)h2, (D3DFORMAT)g_texture_format, D3DPOOL_SYSTEMMEM,
            &g_upload_surface, nullptr))) {
        g_upload_surface = nullptr;
        message_box_printf("エラー", "オフスクリーンサーフェスを生成できませんでした。");
        return -1;
    }
    clear_upload_surface(h2);
    return 0;
}

// Lost, or a mode change asked for a new device.
static bool device_lost()
{
    bool lost = g_d3d_device->TestCooperativeLevel() == D3DERR_DEVICENOTRESET;
    if (g_gpu_mode == 1 && g_force_device_reset) {
        g_force_device_reset = 0;
        lost = true;
    }
    return lost;
}

static int upload(const uint8_t *pixels, int32_t gw, int32_t gh)
{
    IDirect3DSurface9 *level = nullptr;
    if (FAILED(g_frame_texture->GetSurfaceLevel(0, &level)))
        return -1;
    D3DLOCKED_RECT lr;
    bool locked = SUCCEEDED(g_upload_surface->LockRect(&lr, nullptr, 0));
    if (locked)
        upload_frame_rows((uint8_t *)lr.pBits, lr.Pitch, pixels, gw, gh);
    if (!locked || FAILED(g_upload_surface->UnlockRect())) {
        if (!g_lock_failure_shown) {
            g_lock_failure_shown = 1;
            message_box_printf("エラー", "CTG 転送できませんでした。");
        }
        level->Release();
        return 0;
    }
    if (FAILED(g_d3d_device->UpdateSurface(g_upload_surface, nullptr, level, nullptr))) {
        level->Release();
        message_box_printf("エラー", "サーフェイス転送できませんでした。");
        return -1;
    }
    level->Release();
    return 0;
}

static int draw(int32_t gw, int32_t gh, int32_t w2, int32_t h2)
{
    IDirect3DDevice9 *d = g_d3d_device;
    d->BeginScene();
    d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    QuadPlace p = quad_placement(fitted(), g_layout_kind, gw, gh, g_screen_size.width,
                                 g_screen_size.height, g_screen_size.shown_width,
                                 g_screen_size.shown_height, w2, h2);
    QuadVertex v[4];
    build_quad(v, p, g_render_mode, w2, h2);
    if (FAILED(d->SetTexture(0, g_frame_texture))) {
        d->EndScene();
        return -1;
    }
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    d->SetPixelShader(nullptr);
    d->SetVertexDeclaration(g_vertex_decl);
    KvEffect *e = g_effect;
    if (e && effect_begin_pass(e, g_frame_texture, w2, h2) != 0) {
        effect_end_pass(e);
        d->EndScene();
        return -1;
    }
    HRESULT hr = d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(QuadVertex));
    if (e)
        effect_end_pass(e);
    d->EndScene();
    if (FAILED(hr))
        return -1;
    d3d_present();
    return 0;
}

int d3d_present_frame(const uint8_t *pixels)
{
    WindowObject *w0 = g_windows[0];
    if (!g_d3d_ready || !g_d3d_device || !pixels || !w0)
        return 0;
    int32_t w2 = (int32_t)g_frame_texture_size[0], h2 = (int32_t)g_frame_texture_size[1];
    int32_t gw = w0->game_width, gh = w0->game_height;
    if (gw <= 0 || gh <= 0 || gw > w2 || gh > h2)
        return -1;
    for (;;) {
        if (g_recreate_frame_texture) {
            g_recreate_frame_texture = 0;
            if (create_frame_objects(w2, h2) != 0)
                return -1;
        }
        if (!device_lost())
            break;
        if (g_gpu_mode != 1) {
            g_recreate_frame_texture = 1;
            return 0;
        }
        if (d3d_recreate_device() != 0)
            return 0;
        g_recreate_frame_texture = 1;
    }
    if (upload(pixels, gw, gh) != 0)
        return -1;
    if (movie_playing())
        return 0;
    return draw(gw, gh, w2, h2);
}

int d3d_present()
{
    if (!g_d3d_device)
        return 0;
    if (fitted()) {
        g_d3d_device->Present(nullptr, nullptr, nullptr, nullptr);
    } else {
        RECT r = {0, 0, g_screen_size.shown_width, g_screen_size.shown_height};
        g_d3d_device->Present(&r, &r, nullptr, nullptr);
    }
    return 0;
}
