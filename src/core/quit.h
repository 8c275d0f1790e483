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

// Sets g_quit_flag, sets window 0's close mode to "quitting" and posts it a
// close request. Any thread may call it.
void request_quit();
// True once request_quit has posted its close request.
bool request_quit_pending();
