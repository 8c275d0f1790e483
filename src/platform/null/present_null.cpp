// Stand-in GDI output: remembers the blits instead of drawing them.
#include "platform/sys_present.h"
#include "platform/null/present_null.h"

static SysBlit g_last_blit;
static void *g_last_hwnd;
static int g_blit_count;

void sys_present_blit(void *hwnd, const SysBlit *blit)
{
    g_last_blit = *blit;
    g_last_hwnd = hwnd;
    g_blit_count++;
}

int null_present_blit_count(SysBlit *last, void **hwnd)
{
    if (last)
        *last = g_last_blit;
    if (hwnd)
        *hwnd = g_last_hwnd;
    return g_blit_count;
}
