// Set-ups and services of engine parts not in this build: each succeeds and
// does nothing (see startup_hooks.h).
#include "shell/startup_hooks.h"

#include <cstring>

#include "core/entry.h"
#include "core/window.h"
#include "display/present.h"
#include "platform/sys_window.h"

uint8_t g_layered_window;




