// Stand-in Direct3D presenter for native builds: there is no device, so
// start-up falls back to the CPU presenter.
#include "platform/sys_gpu.h"

int d3d_init() { return 1; }
void d3d_release_all() {}
int d3d_recreate_device() { return -1; }
int d3d_present_frame(const uint8_t *) { return 1; }
int d3d_present() { return 0; }
