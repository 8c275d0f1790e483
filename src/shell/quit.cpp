#include "shell/quit.h"

std::atomic<uint8_t> g_quit_flag;
std::recursive_mutex g_engine_lock;

void request_quit()
{
    g_quit_flag = 1;
}
