// Basic definitions shared by every part of the engine.
#pragma once

#include <cstddef>
#include <cstdint>

#define KV_COUNTOF(a) (sizeof(a) / sizeof((a)[0]))

// Engine version number: required in kvt.kbn, sent over the compiler link and
// accepted by the pack reader.
enum { KV_ENGINE_VERSION = 479 };

// Shift-JIS: a byte 0x81-0x9F or 0xE0-0xFC opens a two-byte character.
static inline bool sjis_is_lead(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
