// The CPU presenter: shows each window's composed root layer, for window 0
// through Direct3D or the engine's own scalers and GDI, for windows 1 to 3
// with GDI at 1:1.
//
// Threads: presentation runs on the thread that runs frames. When frames run
// on the script thread, the window procedure never draws: it raises a
// repaint request that the next presented frame serves. A modal box shown
// while a frame is presented (its message loop delivers WM_PAINT) is served
// the same way, so presentation never runs inside itself.
#pragma once

#include "core/kv_base.h"
#include "platform/sys_gpu.h"

struct WindowObject;
struct LayerState;
struct SysBlit;

// Presents one window; returns g_quit_flag as it stands afterwards. The
// frame step calls it for windows 0, 1, 2, 3 in that order.
int window_present(WindowObject *win);
// Draws a window's root layer: its accumulated rectangle decides what
// changed; nothing is drawn when it is empty, when a size is not positive,
// or once the quit flag is set.
void window_blit_frame(WindowObject *win, LayerState *root);
// WM_PAINT, WM_ACTIVATE, WM_ACTIVATEAPP: redraws the whole frame now, or
// raises a repaint request (frames on the script thread, or inside a present).
// A window that has not shown a composed frame yet is left alone.
void window_paint(WindowObject *win);
// Asks the next presented frame to redraw the window whole. Any thread.
void window_request_repaint(WindowObject *win);
// Whether a repaint request of window `number` is pending (tests, the frame step).
bool window_repaint_pending(int32_t number);


// The GDI blit; sys_present_blit unless a test puts a recorder here.
extern void (*g_present_blit)(void *hwnd, const SysBlit *blit);
