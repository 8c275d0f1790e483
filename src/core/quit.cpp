// The quit request.
#include "core/quit.h"

#include "core/window.h"
#include "platform/sys_window.h"

std::atomic<uint8_t> g_quit_flag;
std::recursive_mutex g_engine_lock;

static std::atomic<bool> g_quit_posted;

void request_quit()
{
    g_quit_flag = 1;
    WindowObject *w0 = g_windows[0];
    if (!w0)
        return;
    w0->close_mode = KV_CLOSE_QUITTING;
    if (sys_window_post_close(w0))
        g_quit_posted = true;
}

bool request_quit_pending()
{
    return g_quit_posted;
}
