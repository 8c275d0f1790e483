// Win32 implementation of the platform layer.
#include <windows.h>
#include <mmsystem.h>

#include "platform/sys.h"

uint32_t sys_milliseconds()
{
    return timeGetTime();
}

void sys_sleep(uint32_t ms)
{
    Sleep(ms);
}

int sys_message_box(const char *caption, const char *text)
{
    return MessageBoxA(nullptr, text, caption, MB_SYSTEMMODAL);
}
