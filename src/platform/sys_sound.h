// Sound output: the device, looping sound buffers with their cursors,
// volume, pan and frequency, and the conversion of compressed WAVE data to
// PCM. Windows implements it with DirectSound and the Audio Compression
// Manager; the stand-in keeps buffers in memory and moves their cursors only
// when a test tells it to.
#pragma once

#include <cstdint>

// The PCM format of a buffer (the fields of a WAVEFORMATEX).
struct KvWaveFormat {
    uint16_t tag;            // 1 PCM
    uint16_t channels;
    uint32_t rate;
    uint32_t avg_bytes;
    uint16_t block_align;
    uint16_t bits;
};

struct SysSoundBuffer;

// Opens the default output device for the main window. 1 when it is there,
// 0 when it could not be made or asked for its capabilities, -1 when it
// refused the priority level (the device is released again).
int sys_sound_open();
void sys_sound_close();

// A looping buffer of `bytes` bytes in format fmt, with volume, pan and
// frequency control and accurate cursors. 0, or -1.
int sys_sound_buffer_create(SysSoundBuffer **out, const KvWaveFormat *fmt, uint32_t bytes);
void sys_sound_buffer_release(SysSoundBuffer *buf);
// Each 0, or -1 when the device refused.
int sys_sound_play(SysSoundBuffer *buf);   // from the play cursor, looping
int sys_sound_stop(SysSoundBuffer *buf);
int sys_sound_position(SysSoundBuffer *buf, uint32_t *play, uint32_t *write);
int sys_sound_set_volume(SysSoundBuffer *buf, int32_t hundredths_db);   // -10000..0
int sys_sound_set_pan(SysSoundBuffer *buf, int32_t pan);                // -10000..10000
int sys_sound_set_frequency(SysSoundBuffer *buf, uint32_t hz);
// Locks `bytes` bytes from offset (wrapping): one or two regions.
int sys_sound_lock(SysSoundBuffer *buf, uint32_t offset, uint32_t bytes, void **p1,
                   uint32_t *n1, void **p2, uint32_t *n2);
void sys_sound_unlock(SysSoundBuffer *buf, void *p1, uint32_t n1, void *p2, uint32_t n2);

// Converts compressed WAVE data to PCM. fmt is the whole "fmt " chunk (a
// WAVEFORMATEX with its extra bytes). 0 with *out (heap, the caller frees)
// and its size and format, or a negative code: -10200 no PCM format offered,
// -10210/-10220 no memory, -10300 to -10350 refused conversions.
int sys_sound_convert_to_pcm(const uint8_t *fmt, uint32_t fmt_size, const uint8_t *data,
                             uint32_t size, KvWaveFormat *out_format, uint8_t **out,
                             uint32_t *out_size);

// A message box without an owner window (MB_OK).
void sys_sound_show_error(const char *caption, const char *text);
