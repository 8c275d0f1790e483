// Stand-in platform for native builds and unit tests.
#include "platform/sys.h"

#include <atomic>

#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/null/output_null.h"

static std::atomic<bool> g_null_quiet;
static std::atomic<int> g_null_lines;

void null_set_quiet(bool quiet) { g_null_quiet = quiet; }
int null_printed_lines() { return g_null_lines; }

void null_print_shown(const char *caption, const char *text)
{
    if (g_null_quiet)
        return;
    g_null_lines++;
    std::fprintf(stderr, "[%s] %s\n", caption ? caption : "", text ? text : "");
}

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
    null_print_shown(caption, text);
    return 1;
}

