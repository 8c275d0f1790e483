// Direct3D 9 objects shared by the device, effect and present files.
#pragma once

#include <d3d9.h>

#include <atomic>

extern IDirect3D9 *g_d3d;
extern IDirect3DDevice9 *g_d3d_device;
extern D3DPRESENT_PARAMETERS g_present_params;
extern IDirect3DSurface9 *g_d3d_backbuffer_surface;
extern IDirect3DTexture9 *g_frame_texture;
extern IDirect3DSurface9 *g_upload_surface;
extern IDirect3DVertexDeclaration9 *g_vertex_decl;
// Set once d3d_init has finished: until then a present does nothing.
extern std::atomic<bool> g_d3d_ready;
extern uint8_t g_recreate_frame_texture;

// The engine's effect: a pixel shader with its constants and sampler states.
struct KvEffect;
extern KvEffect *g_effect;

int create_d3d_device();
int d3d_check_caps();
int set_d3d_device_states();
int create_d3d_effect();
int release_effect_and_declaration();
// Begins the effect's one pass for a frame texture of tex_w x tex_h (its
// constants, texture and sampler states), and ends it (the states put back).
int effect_begin_pass(KvEffect *e, IDirect3DTexture9 *tex, int32_t tex_w, int32_t tex_h);
void effect_end_pass(KvEffect *e);
void effect_release(KvEffect *e);

// Tests: the capability check and mode listing run again on the next start;
// ps_limit (0 none) caps the pixel shader version the device reports.
void d3d_reset_first_run(DWORD ps_limit);

template <class T> void release_com(T *&p)
{
    if (p) {
        p->Release();
        p = nullptr;
    }
}
