// What the stand-in GDI output has seen (tests of the native build).
#pragma once

#include "platform/sys_present.h"

// Number of blits so far; the last one and its window when asked.
int null_present_blit_count(SysBlit *last, void **hwnd);
