// The RIFF WAVE reader: finds and checks the "fmt " and "data" chunks of a
// WAVE image in memory (layout in sound_wav.cpp).
#pragma once

#include "core/kv_base.h"

struct WaveInfo {
    const uint8_t *fmt;       // the whole "fmt " chunk
    uint32_t fmt_size;        // 16..1024
    uint16_t tag, channels;
    uint32_t rate, avg_bytes; // rate 100..200000
    uint16_t block_align, bits;
    const uint8_t *data;      // inside the image
    uint32_t data_size;       // cut to the image; PCM: whole frames; never 0
};

// 0, or -10040 no RIFF, -10050 no WAVE, -10060 no usable "fmt ", -10070 a
// format out of range, -10080 no (or empty) "data", -10090 a broken chunk walk.
int riff_read_wave(const uint8_t *image, uint32_t size, WaveInfo *out);
