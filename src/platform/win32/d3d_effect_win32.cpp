// The engine's effect layer: one technique ("KV_ShaderTest1") of one pass
// ("Pass0") made of a pixel shader in its own token stream, its constants
// (KV_TexSize in c0; KV_TexDiffU or SharpN in c1) and the point-filtered,
// clamped sampler "Samp" on KV_Texture. The sampler states are set for the
// pass and put back after it.
#include "platform/win32/d3d_win32.h"

#include <cstdlib>

#include "core/error_report.h"
#include "core/settings.h"
#include "display/gpu_shaders.h"

struct KvEffect {
    IDirect3DPixelShader9 *shader;
    int mode;               // 3 bicubic, 2 sharpened bilinear
    float second[4];        // c1: KV_TexDiffU per frame, or SharpN
    DWORD saved[5];         // sampler 0 states around the pass
};

KvEffect *g_effect;

static const D3DSAMPLERSTATETYPE k_pass_states[5] = {
    D3DSAMP_MINFILTER, D3DSAMP_MAGFILTER, D3DSAMP_MIPFILTER, D3DSAMP_ADDRESSU,
    D3DSAMP_ADDRESSV};
static const DWORD k_pass_values[5] = {D3DTEXF_POINT, D3DTEXF_POINT, D3DTEXF_NONE,
                                       D3DTADDRESS_CLAMP, D3DTADDRESS_CLAMP};

int create_d3d_effect()
{
    if (g_render_mode != 2 && g_render_mode != 3)
        return 0;
    const uint32_t *tokens = g_render_mode == 3 ? k_bicubic_ps30 : k_sharp_bilinear_ps20;
    KvEffect *e = (KvEffect *)std::calloc(1, sizeof *e);
    if (!e || FAILED(g_d3d_device->CreatePixelShader((const DWORD *)tokens, &e->shader))) {
        std::free(e);
        message_box_printf("", "[エラー] Shader Init Error.");
        return -1;
    }
    e->mode = g_render_mode;
    if (e->mode == 2) {  // SharpN's default; the engine never changes it
        e->second[0] = 1.25f;
        e->second[1] = 1.25f;
    }
    g_effect = e;
    return 0;
}

int effect_begin_pass(KvEffect *e, IDirect3DTexture9 *tex, int32_t tex_w, int32_t tex_h)
{
    IDirect3DDevice9 *d = g_d3d_device;
    for (int i = 0; i < 5; i++) {
        d->GetSamplerState(0, k_pass_states[i], &e->saved[i]);
        d->SetSamplerState(0, k_pass_states[i], k_pass_values[i]);
    }
    float size[4] = {(float)tex_w, (float)tex_h, 0, 0};
    if (e->mode == 3) {
        e->second[0] = 2.0f / (float)tex_w;
        e->second[1] = 0;
    }
    d->SetTexture(0, tex);
    d->SetPixelShaderConstantF(0, size, 1);
    d->SetPixelShaderConstantF(1, e->second, 1);
    return FAILED(d->SetPixelShader(e->shader)) ? -1 : 0;
}

void effect_end_pass(KvEffect *e)
{
    IDirect3DDevice9 *d = g_d3d_device;
    d->SetPixelShader(nullptr);
    for (int i = 0; i < 5; i++)
        d->SetSamplerState(0, k_pass_states[i], e->saved[i]);
}

void effect_release(KvEffect *e)
{
    release_com(e->shader);
    std::free(e);
}
