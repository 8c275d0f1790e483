// Stand-in thread placement: the hint is accepted and ignored.
#include "platform/sys_thread.h"

int sys_thread_set_ideal_processor(std::thread &thread, int processor)
{
    return thread.joinable() && processor >= 0 ? 0 : -1;
}
