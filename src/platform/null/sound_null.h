// Test hooks of the stand-in sound device: buffers live in memory and their
// cursors move only when a test advances them.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/sys_sound.h"

struct NullSoundBuffer {
    KvWaveFormat format;
    std::vector<uint8_t> data;
    uint32_t play;           // play cursor; the write cursor is the same
    bool playing;
    int32_t volume, pan;
    uint32_t frequency;
    bool fail_lock, fail_position;
};

// What sys_sound_open gives next (default 1: a device).
void null_sound_set_open_result(int result);
// Buffers that exist now, oldest first.
std::vector<NullSoundBuffer *> null_sound_buffers();
NullSoundBuffer *null_sound_view(SysSoundBuffer *buf);
// Moves a playing buffer's cursor on by bytes (wrapping); the bytes passed
// over are appended to *played when given.
void null_sound_advance(SysSoundBuffer *buf, uint32_t bytes, std::vector<uint8_t> *played);
