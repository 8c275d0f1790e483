// The Direct3D 9 presenter of window 0: the device, its effect and the
// frame present. Win32: src/platform/win32/d3d_*_win32.cpp; the native
// stand-in (src/platform/null/gpu_null.cpp) has no device, so the CPU
// presenter shows every frame.
#pragma once

#include <cstdint>

// Full start-up of the device: 0 ok, 1 failed (draw with the CPU).
int d3d_init();
// Releases every Direct3D object; also at shutdown.
void d3d_release_all();
// Releases everything and starts again after a lost device or a mode change;
// on failure switches the process to CPU drawing. 0 or -1.
int d3d_recreate_device();
// Shows window 0's frame (BGRA, pitch game width x 4): 0 shown or nothing to
// do, non-zero failed (the caller switches to the CPU presenter for good).
// Only the thread that presents frames calls it.
int d3d_present_frame(const uint8_t *pixels);
// Presents the back buffer. 0.
int d3d_present();
