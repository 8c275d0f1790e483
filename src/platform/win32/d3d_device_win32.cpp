// The Direct3D 9 device of window 0: creation on the adapter of the main
// window's monitor, the capability check, the fixed states, the quad's
// vertex declaration, re-creation after a loss and the release of it all.
#include "platform/win32/d3d_win32.h"

#include <cstdio>

#include "core/engine_state.h"
#include "core/error_report.h"
#include "core/settings.h"
#include "core/window.h"
#include "display/gpu_quad.h"
#include "platform/sys_gpu.h"
#include "script/project.h"
#include "shell/display_modes.h"

IDirect3D9 *g_d3d;
IDirect3DDevice9 *g_d3d_device;
D3DPRESENT_PARAMETERS g_present_params;
IDirect3DSurface9 *g_d3d_backbuffer_surface;
IDirect3DTexture9 *g_frame_texture;
IDirect3DSurface9 *g_upload_surface;
IDirect3DVertexDeclaration9 *g_vertex_decl;
std::atomic<bool> g_d3d_ready;
uint8_t g_recreate_frame_texture = 1;

static uint8_t g_caps_checked = 1;
static uint8_t g_mode_list_pending = 1;
static uint32_t g_max_texture_w, g_max_texture_h;
static DWORD g_ps_version_limit;

void d3d_reset_first_run(DWORD ps_limit)
{
    g_caps_checked = 1;
    g_mode_list_pending = 1;
    g_ps_version_limit = ps_limit;
}

static const char *const k_no_ps20 =
    "ビデオカードにピクセルシェーダ 2.0以降 が実装されていません。\r\n"
    "ビデオカードが推奨スペック(※DirectX9.0 に対応したAGP/PCI-E接続ビデオカード、もしくはチップセット)を\r\n"
    "満たしていない可能性があります。\r\n\r\n"
    "[エンジン設定.exe]を起動して頂き、ゲーム画面の描画方法の項目を【 CPU(バイリニア) 】にセットして\r\n"
    "起動し直していただければ動作いたします。";

static int32_t adapter_index()
{
    WindowObject *w0 = g_windows[0];
    enumerate_monitors();
    char device[KV_DEVICE_NAME_SIZE];
    bool named = false;
    int32_t index = w0 && w0->hwnd ? find_window_monitor(w0->hwnd, device, &named) : 0;
    if (!named)
        index = 0;
    if (index < 0 || index >= KV_MAX_MONITORS)
        index = 0;
    monitor_size(index, &g_desktop_mode.width, &g_desktop_mode.height);
    return index;
}

// The display modes are listed once; the debug trace, their only reader,
// is empty in this build.
static void list_modes_once(UINT adapter)
{
    if (!g_mode_list_pending)
        return;
    g_mode_list_pending = 0;
    static const D3DFORMAT formats[] = {D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, D3DFMT_A2B10G10R10,
                                        D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5, D3DFMT_R5G6B5};
    for (D3DFORMAT f : formats) {
        UINT n = g_d3d->GetAdapterModeCount(adapter, f);
        for (UINT i = 0; i < n; i++) {
            D3DDISPLAYMODE m;
            g_d3d->EnumAdapterModes(adapter, f, i, &m);
        }
    }
}

static void fill_present_params()
{
    D3DPRESENT_PARAMETERS &p = g_present_params;
    ZeroMemory(&p, sizeof p);
    p.BackBufferFormat = (D3DFORMAT)g_texture_format;
    p.SwapEffect = D3DSWAPEFFECT_COPY;
    p.Windowed = TRUE;
    p.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    WindowObject *w0 = g_windows[0];
    if (g_fullscreen == 1 || g_window_maximized == 1) {
        p.BackBufferWidth = (UINT)g_screen_size.width;
        p.BackBufferHeight = (UINT)g_screen_size.height;
    } else if (g_gpu_mode == 1) {
        p.BackBufferWidth = (UINT)g_desktop_mode.width;
        p.BackBufferHeight = (UINT)g_desktop_mode.height;
    } else if (w0) {
        p.BackBufferWidth = (UINT)w0->game_width;
        p.BackBufferHeight = (UINT)w0->game_height;
    }
}

int create_d3d_device()
{
    int32_t adapter = adapter_index();
    g_d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!g_d3d) {
        message_box_printf(nullptr, "[DX]オブジェクトを生成できませんでした。");
        return -1;
    }
    D3DDISPLAYMODE mode;
    if (FAILED(g_d3d->GetAdapterDisplayMode((UINT)adapter, &mode))) {
        release_com(g_d3d);
        message_box_printf(nullptr, "[DX]現在のディスプレイモードを取得できませんでした。(DispNo.%d)",
                           adapter);
        return -1;
    }
    list_modes_once((UINT)adapter);
    fill_present_params();
    WindowObject *w0 = g_windows[0];
    HWND hwnd = w0 ? (HWND)w0->hwnd : nullptr;
    static const DWORD flags[] = {
        D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_FPU_PRESERVE,
        D3DCREATE_MIXED_VERTEXPROCESSING | D3DCREATE_FPU_PRESERVE,
        D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_FPU_PRESERVE};
    for (DWORD f : flags) {
        D3DPRESENT_PARAMETERS p = g_present_params;
        if (SUCCEEDED(g_d3d->CreateDevice((UINT)adapter, D3DDEVTYPE_HAL, hwnd, f, &p,
                                          &g_d3d_device)))
            return 0;
        g_d3d_device = nullptr;
    }
    message_box_printf(nullptr, "[Direct3Dエラー]頂点処理ソフトウェアエミュレーションに失敗しました。");
    release_com(g_d3d);
    return -1;
}

static int d3d_shader_rank(DWORD version)
{
    if (version >= D3DPS_VERSION(3, 0))
        return 30;
    if (version >= D3DPS_VERSION(2, 0))
        return 20;
    for (int minor = 4; minor >= 0; minor--)
        if (version == D3DPS_VERSION(1, minor))
            return 10 + minor;
    return 0;
}

int d3d_check_caps()
{
    if (!g_caps_checked)
        return 0;
    g_caps_checked = 0;
    D3DCAPS9 caps;
    ZeroMemory(&caps, sizeof caps);
    g_d3d_device->GetAvailableTextureMem();
    g_d3d_device->GetDeviceCaps(&caps);
    g_max_texture_w = caps.MaxTextureWidth;
    g_max_texture_h = caps.MaxTextureHeight;
    DWORD ps = caps.PixelShaderVersion;
    if (g_ps_version_limit && ps > g_ps_version_limit)
        ps = g_ps_version_limit;
    if (d3d_shader_rank(ps) < 20) {
        message_box_printf("環境チェック", "%s", k_no_ps20);
        return 1;
    }
    return 0;
}

static void set_filter(DWORD sampler, D3DSAMPLERSTATETYPE type, int value)
{
    static const DWORD filters[] = {D3DTEXF_POINT, D3DTEXF_LINEAR, D3DTEXF_ANISOTROPIC};
    if (value >= 0 && value <= 2)
        g_d3d_device->SetSamplerState(sampler, type, filters[value]);
    else if (value == -1 && type == D3DSAMP_MIPFILTER)
        g_d3d_device->SetSamplerState(sampler, type, D3DTEXF_NONE);
}

int set_d3d_device_states()
{
    IDirect3DDevice9 *d = g_d3d_device;
    if (g_gpu_mode) {
        DWORD tex = g_render_mode == 3 ? D3DFVF_TEX8 : g_render_mode == 2 ? D3DFVF_TEX4 : D3DFVF_TEX1;
        d->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | tex);
    }
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->SetRenderState(D3DRS_ZENABLE, FALSE);
    d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    d->SetRenderState(D3DRS_ZFUNC, D3DCMP_NEVER);
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_DITHERENABLE, FALSE);
    // The settings fix magnification and minification to linear, mip to point.
    for (DWORD s = 0; s < 3; s++) {
        set_filter(s, D3DSAMP_MAGFILTER, 1);
        set_filter(s, D3DSAMP_MINFILTER, 1);
        set_filter(s, D3DSAMP_MIPFILTER, 0);
    }
    d->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &g_d3d_backbuffer_surface);
    for (DWORD s = 0; s < 2; s++) {
        d->SetSamplerState(s, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
        d->SetSamplerState(s, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    }
    return 0;
}

static int create_vertex_declaration()
{
    D3DVERTEXELEMENT9 el[11];
    el[0] = {0, 0, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITIONT, 0};
    el[1] = {0, 16, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0};
    for (BYTE k = 0; k < 8; k++)
        el[2 + k] = {0, (WORD)(20 + 8 * k), D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT,
                     D3DDECLUSAGE_TEXCOORD, k};
    el[10] = D3DDECL_END();
    if (FAILED(g_d3d_device->CreateVertexDeclaration(el, &g_vertex_decl))) {
        message_box_printf("", "CreateVertexDeclaration エラー.");
        return 1;
    }
    g_d3d_device->SetVertexDeclaration(g_vertex_decl);
    return 0;
}

// A game the frame texture or the device cannot hold is refused at once:
// the upload would not fit the surface.
static bool frame_fits_device()
{
    WindowObject *w0 = g_windows[0];
    if (!w0)
        return false;
    return gpu_frame_fits(w0->game_width, w0->game_height, g_frame_texture_size[0],
                          g_frame_texture_size[1], g_max_texture_w, g_max_texture_h);
}

static int d3d_init_steps()
{
    if (create_d3d_device() != 0)
        return 1;
    if (d3d_check_caps() != 0 || !frame_fits_device())
        return 1;
    set_d3d_device_states();
    if (create_vertex_declaration() != 0)
        return 1;
    return create_d3d_effect() != 0 ? 1 : 0;
}

// A failed start-up leaves no Direct3D object behind.
int d3d_init()
{
    g_d3d_ready = false;
    if (d3d_init_steps() != 0) {
        d3d_release_all();
        return 1;
    }
    g_recreate_frame_texture = 1;
    g_d3d_ready = true;
    return 0;
}

int d3d_recreate_device()
{
    release_com(g_frame_texture);
    release_com(g_d3d_backbuffer_surface);
    d3d_release_all();
    if (d3d_init() == 0)
        return 0;
    d3d_release_all();
    g_render_mode = 0;
    g_smooth_scaling = 1;
    g_gpu_mode = 0;
    message_box_printf("", "GPU描画が出来ませんでした。CPU描画に移行します。");
    return -1;
}

int release_effect_and_declaration()
{
    if (g_effect) {
        effect_release(g_effect);
        g_effect = nullptr;
    }
    release_com(g_vertex_decl);
    return 0;
}

// The frame texture goes too: it belongs to the device being released.
void d3d_release_all()
{
    g_d3d_ready = false;
    release_effect_and_declaration();
    release_com(g_d3d_backbuffer_surface);
    release_com(g_upload_surface);
    release_com(g_frame_texture);
    release_com(g_d3d_device);
    release_com(g_d3d);
    g_recreate_frame_texture = 1;
}
