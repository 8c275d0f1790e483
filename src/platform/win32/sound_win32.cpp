// Sound output through DirectSound: the device at the priority level of the
// main window, and looping secondary buffers with volume, pan and frequency.
#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>

#include "platform/sys_sound.h"
#include "core/window.h"

static IDirectSound *g_direct_sound;

int sys_sound_open()
{
    if (DirectSoundCreate(nullptr, &g_direct_sound, nullptr) != DS_OK || !g_direct_sound)
        return 0;
    DSCAPS caps = {};
    caps.dwSize = sizeof caps;
    if (g_direct_sound->GetCaps(&caps) != DS_OK) {
        g_direct_sound->Release();
        g_direct_sound = nullptr;
        return 0;
    }
    HWND hwnd = g_windows[0] ? (HWND)g_windows[0]->hwnd : nullptr;
    if (g_direct_sound->SetCooperativeLevel(hwnd ? hwnd : GetDesktopWindow(), DSSCL_PRIORITY) != DS_OK) {
        g_direct_sound->Release();
        g_direct_sound = nullptr;
        return -1;
    }
    return 1;
}

void sys_sound_close()
{
    if (!g_direct_sound)
        return;
    HWND hwnd = g_windows[0] ? (HWND)g_windows[0]->hwnd : nullptr;
    if (hwnd)
        g_direct_sound->SetCooperativeLevel(hwnd, DSSCL_NORMAL);
    g_direct_sound->Release();
    g_direct_sound = nullptr;
}

static IDirectSoundBuffer *ds(SysSoundBuffer *buf)
{
    return (IDirectSoundBuffer *)buf;
}

int sys_sound_buffer_create(SysSoundBuffer **out, const KvWaveFormat *fmt, uint32_t bytes)
{
    *out = nullptr;
    if (!g_direct_sound)
        return -1;
    WAVEFORMATEX wf = {};
    wf.wFormatTag = fmt->tag;
    wf.nChannels = fmt->channels;
    wf.nSamplesPerSec = fmt->rate;
    wf.nAvgBytesPerSec = fmt->avg_bytes;
    wf.nBlockAlign = fmt->block_align;
    wf.wBitsPerSample = fmt->bits;
    wf.cbSize = 0;
    DSBUFFERDESC desc = {};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DSBCAPS_LOCSOFTWARE | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN |
                   DSBCAPS_CTRLVOLUME | DSBCAPS_GLOBALFOCUS | DSBCAPS_GETCURRENTPOSITION2;
    desc.dwBufferBytes = bytes;
    desc.lpwfxFormat = &wf;
    IDirectSoundBuffer *b = nullptr;
    if (g_direct_sound->CreateSoundBuffer(&desc, &b, nullptr) != DS_OK || !b)
        return -1;
    *out = (SysSoundBuffer *)b;
    return 0;
}

void sys_sound_buffer_release(SysSoundBuffer *buf)
{
    if (buf)
        ds(buf)->Release();
}

int sys_sound_play(SysSoundBuffer *buf)
{
    return ds(buf)->Play(0, 0, DSBPLAY_LOOPING) == DS_OK ? 0 : -1;
}

int sys_sound_stop(SysSoundBuffer *buf)
{
    return ds(buf)->Stop() == DS_OK ? 0 : -1;
}

int sys_sound_position(SysSoundBuffer *buf, uint32_t *play, uint32_t *write)
{
    DWORD p = 0, w = 0;
    if (ds(buf)->GetCurrentPosition(&p, &w) != DS_OK)
        return -1;
    *play = p;
    *write = w;
    return 0;
}

int sys_sound_set_volume(SysSoundBuffer *buf, int32_t v)
{
    return ds(buf)->SetVolume(v) == DS_OK ? 0 : -1;
}

int sys_sound_set_pan(SysSoundBuffer *buf, int32_t p)
{
    return ds(buf)->SetPan(p) == DS_OK ? 0 : -1;
}

int sys_sound_set_frequency(SysSoundBuffer *buf, uint32_t hz)
{
    if (hz < DSBFREQUENCY_MIN)
        hz = DSBFREQUENCY_MIN;
    if (hz > DSBFREQUENCY_MAX)
        hz = DSBFREQUENCY_MAX;
    return ds(buf)->SetFrequency(hz) == DS_OK ? 0 : -1;
}

int sys_sound_lock(SysSoundBuffer *buf, uint32_t offset, uint32_t bytes, void **p1, uint32_t *n1,
                   void **p2, uint32_t *n2)
{
    DWORD a = 0, b = 0;
    *p1 = *p2 = nullptr;
    HRESULT hr = ds(buf)->Lock(offset, bytes, p1, &a, p2, &b, 0);
    if (hr == DSERR_BUFFERLOST) {
        ds(buf)->Restore();
        hr = ds(buf)->Lock(offset, bytes, p1, &a, p2, &b, 0);
    }
    if (hr != DS_OK)
        return -1;
    *n1 = a;
    *n2 = b;
    return 0;
}

void sys_sound_unlock(SysSoundBuffer *buf, void *p1, uint32_t n1, void *p2, uint32_t n2)
{
    ds(buf)->Unlock(p1, n1, p2, n2);
}

void sys_sound_show_error(const char *caption, const char *text)
{
    MessageBoxA(nullptr, text, caption, MB_OK);
}
