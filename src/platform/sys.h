// The thin platform layer: the few operating-system services that the
// portable engine code calls. src/platform/win32 implements it over Win32;
// src/platform/null is the stand-in used by native builds and unit tests.
#pragma once

#include <cstdint>

// Milliseconds of the system timer (timeGetTime); wraps every 49.7 days.
uint32_t sys_milliseconds();
void sys_sleep(uint32_t ms);

// A system-modal message box (MB_SYSTEMMODAL); caption may be null.
int sys_message_box(const char *caption, const char *text);
