// The frame step's composition of one window: its layer tree is composed
// when the root layer needs a redraw, and wholly when another thread asked.
#include <atomic>

#include "core/quit.h"
#include "core/window.h"
#include "graphics/compose.h"

// The window procedure runs on another thread than the frames: it leaves the
// root's flags to the frame step.
static std::atomic<uint8_t> g_whole_compose_request[KV_WINDOW_COUNT];

void window_request_whole_compose(const WindowObject *win)
{
    if (win && win->number >= 0 && win->number < KV_WINDOW_COUNT)
        g_whole_compose_request[win->number] = 1;
}

static bool take_whole_compose_request(const WindowObject *win)
{
    return win->number >= 0 && win->number < KV_WINDOW_COUNT &&
           g_whole_compose_request[win->number].exchange(0) != 0;
}

int window_compose_if_dirty(WindowObject *win)
{
    int halt = g_quit_flag.load();
    if (!win)
        return halt;
    if (take_whole_compose_request(win))
        mark_layer_wholly_dirty(win->root_layer);
    LayerState *root = layer_state_of(win->root_layer);
    if (!win->show_flag || !root || root->visible == 0)
        return halt;
    win->frame_shown = 1;   // the presenter draws this window from now on
    if (!root->needs_redraw)
        return halt;
    if (compose_layer_tree_cpu(win->root_layer, 0) == -1)
        return -1;
    return g_quit_flag.load();
}
