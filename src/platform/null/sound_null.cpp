// Stand-in sound device for the native build: buffers in memory whose cursors
// move only when a test advances them (see sound_null.h).
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/null/output_null.h"
#include "platform/null/sound_null.h"

struct SysSoundBuffer {
    NullSoundBuffer b;
};

static std::mutex g_null_sound_mutex;
static std::vector<SysSoundBuffer *> g_null_buffers;
static int g_open_result = 1;

void null_sound_set_open_result(int result) { g_open_result = result; }

std::vector<NullSoundBuffer *> null_sound_buffers()
{
    std::lock_guard<std::mutex> lock(g_null_sound_mutex);
    std::vector<NullSoundBuffer *> out;
    for (SysSoundBuffer *s : g_null_buffers)
        out.push_back(&s->b);
    return out;
}

NullSoundBuffer *null_sound_view(SysSoundBuffer *buf) { return buf ? &buf->b : nullptr; }

void null_sound_advance(SysSoundBuffer *buf, uint32_t bytes, std::vector<uint8_t> *played)
{
    NullSoundBuffer &b = buf->b;
    if (!b.playing || b.data.empty())
        return;
    for (uint32_t i = 0; i < bytes; i++) {
        if (played)
            played->push_back(b.data[b.play]);
        b.play = (b.play + 1) % (uint32_t)b.data.size();
    }
}

int sys_sound_open() { return g_open_result; }
void sys_sound_close() {}

int sys_sound_buffer_create(SysSoundBuffer **out, const KvWaveFormat *fmt, uint32_t bytes)
{
    if (bytes == 0)
        return -1;
    SysSoundBuffer *s = new SysSoundBuffer();
    s->b.format = *fmt;
    s->b.data.assign(bytes, 0xEE);   // a byte no decoder writes by chance
    s->b.frequency = fmt->rate;
    std::lock_guard<std::mutex> lock(g_null_sound_mutex);
    g_null_buffers.push_back(s);
    *out = s;
    return 0;
}

void sys_sound_buffer_release(SysSoundBuffer *buf)
{
    if (!buf)
        return;
    std::lock_guard<std::mutex> lock(g_null_sound_mutex);
    g_null_buffers.erase(std::remove(g_null_buffers.begin(), g_null_buffers.end(), buf),
                         g_null_buffers.end());
    delete buf;
}

int sys_sound_play(SysSoundBuffer *buf) { buf->b.playing = true; return 0; }
int sys_sound_stop(SysSoundBuffer *buf) { buf->b.playing = false; return 0; }

int sys_sound_position(SysSoundBuffer *buf, uint32_t *play, uint32_t *write)
{
    if (buf->b.fail_position)
        return -1;
    *play = *write = buf->b.play;
    return 0;
}

int sys_sound_set_volume(SysSoundBuffer *buf, int32_t v) { buf->b.volume = v; return 0; }
int sys_sound_set_pan(SysSoundBuffer *buf, int32_t p) { buf->b.pan = p; return 0; }
int sys_sound_set_frequency(SysSoundBuffer *buf, uint32_t hz) { buf->b.frequency = hz; return 0; }

int sys_sound_lock(SysSoundBuffer *buf, uint32_t offset, uint32_t bytes, void **p1, uint32_t *n1,
                   void **p2, uint32_t *n2)
{
    NullSoundBuffer &b = buf->b;
    uint32_t size = (uint32_t)b.data.size();
    if (b.fail_lock || offset >= size || bytes > size)
        return -1;
    *p1 = b.data.data() + offset;
    *n1 = std::min(bytes, size - offset);
    *p2 = *n1 < bytes ? b.data.data() : nullptr;
    *n2 = bytes - *n1;
    return 0;
}

void sys_sound_unlock(SysSoundBuffer *, void *, uint32_t, void *, uint32_t) {}

int sys_sound_convert_to_pcm(const uint8_t *, uint32_t, const uint8_t *, uint32_t, KvWaveFormat *,
                             uint8_t **, uint32_t *)
{
    return -10200;
}

void sys_sound_show_error(const char *caption, const char *text)
{
    null_print_shown(caption, text);
}
