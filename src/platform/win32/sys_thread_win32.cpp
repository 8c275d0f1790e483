// Win32 thread placement. std::thread runs on winpthreads here: its native
// handle is a pthread_t, whose Win32 handle pthread_gethandle gives.
#include <windows.h>

#include <pthread.h>

#include "platform/sys_thread.h"

int sys_thread_set_ideal_processor(std::thread &thread, int processor)
{
    if (!thread.joinable() || processor < 0 || processor >= MAXIMUM_PROCESSORS)
        return -1;
    HANDLE h = (HANDLE)pthread_gethandle(thread.native_handle());
    if (!h)
        return -1;
    return SetThreadIdealProcessor(h, (DWORD)processor) == (DWORD)-1 ? -1 : 0;
}
