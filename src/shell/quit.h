// The one quit state of the engine and the engine lock.
#pragma once

#include <atomic>
#include <mutex>

#include "core/kv_base.h"

// Once set, every loop of the engine ends; it never goes back to 0.
// Worker threads read it, so it is atomic.
extern std::atomic<uint8_t> g_quit_flag;

// The engine's one critical section (recursive, like a Win32 critical section).
extern std::recursive_mutex g_engine_lock;

// Sets g_quit_flag and asks window 0 to close (see main_loop).
void request_quit();
