// Presentation of one window per call, the paint handler's redraw, repaint
// requests, and the black paint of a window that stopped showing a frame.
#include "display/present.h"

#include <atomic>

#include "core/quit.h"
#include "core/tree.h"
#include "core/window.h"
#include "graphics/layer.h"
#include "platform/sys_present.h"
#include "script/project.h"

void (*g_present_blit)(void *hwnd, const SysBlit *blit) = sys_present_blit;

static std::atomic<uint8_t> g_repaint_request[KV_WINDOW_COUNT];
// Set while a window is presented on the frame thread.
static uint8_t g_presenting;

static bool valid_number(int32_t n)
{
    return n >= 0 && n < KV_WINDOW_COUNT;
}

void window_request_repaint(WindowObject *win)
{
    if (win && valid_number(win->number))
        g_repaint_request[win->number] = 1;
}

bool window_repaint_pending(int32_t number)
{
    return valid_number(number) && g_repaint_request[number] != 0;
}

static bool take_repaint_request(const WindowObject *win)
{
    return valid_number(win->number) && g_repaint_request[win->number].exchange(0) != 0;
}

static LayerState *root_state(const WindowObject *win)
{
    return win->root_layer ? (LayerState *)win->root_layer->payload : nullptr;
}

// The whole frame counts as changed: the next blit redraws all of it.
static void mark_root_whole(LayerState *root)
{
    root->acc.left = 0;
    root->acc.top = 0;
    root->acc.right = (int64_t)root->width - 1;
    root->acc.bottom = (int64_t)root->height - 1;
    root->needs_redraw = 1;
}

// One black pixel stretched over the window: width rounded down to a
// multiple of 4, plus 4, and the game height.
static void paint_black(WindowObject *win)
{
    if (!win->hwnd)
        return;
    static const uint32_t black = 0;
    win->dib.width = 1;
    win->dib.height = 1;
    SysBlit b = {0, 0, (win->game_width & ~3) + 4, win->game_height, 0, 0, 1, 1, 1, 1,
                 &black, 0};
    g_present_blit(win->hwnd, &b);
}

int window_present(WindowObject *win)
{
    if (!win)
        return g_quit_flag;
    LayerState *root = root_state(win);
    bool repaint = take_repaint_request(win);
    if (win->show_flag && root && root->visible) {
        // Only a composed frame is redrawn: the root's canvas holds nothing before.
        if (repaint && win->frame_shown)
            mark_root_whole(root);
        if (root->needs_redraw) {
            win->frame_shown = 1;
            g_presenting = 1;
            window_blit_frame(win, root);
            g_presenting = 0;
        }
    } else if (win->frame_shown) {
        win->frame_shown = 0;
        paint_black(win);
    }
    return g_quit_flag;
}

void window_paint(WindowObject *win)
{
    if (!win || !win->frame_shown)
        return;
    if (g_frame_thread_mode || g_presenting) {
        window_request_repaint(win);
        return;
    }
    LayerState *root = root_state(win);
    if (root)
        mark_root_whole(root);
    window_present(win);
}
