// Stand-in platform for native builds and unit tests.
#include "platform/sys.h"

#include <chrono>
#include <cstdio>
#include <thread>

uint32_t sys_milliseconds()
{
    using namespace std::chrono;
    return (uint32_t)duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void sys_sleep(uint32_t ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

int sys_message_box(const char *caption, const char *text)
{
    std::fprintf(stderr, "[%s] %s\n", caption ? caption : "", text);
    return 1;
}

