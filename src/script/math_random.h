// The engine's random generator (MT19937) and the pure parts of the math and
// camera commands (46, 47).
#pragma once

#include <cstddef>

#include "core/kv_base.h"

struct MtState {
    uint32_t words[624];
    uint32_t index;   // 624 after seeding: the next draw regenerates
};
extern MtState g_mt_state;

void mt_seed(uint32_t seed);
uint32_t mt_genrand(void);

// lo + (r mod (hi - lo + 1)) with lo, hi the smaller and larger of x and y;
// the span is unsigned 64-bit, and the full range gives lo + r.
int64_t random_in_range(int64_t x, int64_t y, uint32_t r);

// CRC-32 (reflected 0xEDB88320, initial value and final XOR 0xFFFFFFFF).
uint32_t text_crc32(const char *text, size_t length);

// Command 46's functions of x (and y) by their argument id 4..19.
double math_function(uint32_t op, double x, double y);

// Command 47's projection: P[0..7] and Q[0..34] as doubles; out receives
// X, Y, W, H (for Q[31..34]).
enum { KV_CAMERA_P = 8, KV_CAMERA_Q = 35 };
void camera_project(const double *p, const double *q, double out[4]);

// Commands 46 and 47 on arguments already loaded.
int math_run();
int camera_calc_run();
