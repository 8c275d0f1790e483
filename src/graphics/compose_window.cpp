// The frame step's composition of one window: its layer tree is composed
// when the root layer needs a redraw.
#include "core/quit.h"
#include "core/window.h"
#include "graphics/compose.h"

int window_compose_if_dirty(WindowObject *win)
{
    int halt = g_quit_flag.load();
    if (!win)
        return halt;
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
