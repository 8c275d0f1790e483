// Stand-in GDI output of the native build: nothing to draw on. Tests put a
// recorder in g_present_blit instead (display/present.h).
#include "platform/sys_present.h"

void sys_present_blit(void *, const SysBlit *) {}
