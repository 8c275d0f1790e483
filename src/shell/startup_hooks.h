// Set-ups and services of engine parts that are not in this build yet. Each
// succeeds and does nothing; they go away as those parts arrive.
#pragma once

#include "core/kv_base.h"

struct WindowObject;
struct TreeNode;

// Layered main window (window command).
extern uint8_t g_layered_window;
