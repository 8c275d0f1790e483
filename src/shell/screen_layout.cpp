// Layout of the game frame in its area and the back buffer for the shown
// size (see screen_layout.h).
#include "shell/screen_layout.h"

#include <cstring>

#include "core/clamp.h"
#include "core/engine_state.h"
#include "core/settings.h"
#include "core/window.h"
#include "shell/main_loop.h"
#include "shell/startup.h"
#include "shell/display_modes.h"

uint8_t g_layout_kind;

Layout layout_in_area(int32_t gw, int32_t gh, int32_t tw, int32_t th, int own_scaler,
                      bool fit, int32_t desk_w, int32_t desk_h)
{
    Layout l = {0, gw, gh};
    if (own_scaler == 1 || own_scaler == 2)
        fit = true;
    if (fit) {
        double per_w = gw ? (double)gh * tw / gw : (double)gh * tw;
        if ((double)th > per_w) {
            l.kind = 1;
            l.shown_w = tw;
            l.shown_h = gw ? clamp_int32((int64_t)gh * tw / gw) : tw;
        } else {
            l.kind = 2;
            l.shown_w = gh ? clamp_int32((int64_t)gw * th / gh) : th;
            l.shown_h = th;
        }
    } else if (own_scaler == 3) {
        l = {3, tw, th};
    }
    if (own_scaler != 2 && (l.shown_w > desk_w || l.shown_h > desk_h)) {
        l.shown_w = desk_w / 2;
        l.shown_h = desk_h / 2;
    }
    // A sliver of an area still shows a pixel of the game.
    if (l.shown_w < 1)
        l.shown_w = 1;
    if (l.shown_h < 1)
        l.shown_h = 1;
    return l;
}

uint32_t resize_back_buffer(int32_t gw, int32_t gh, int32_t tw, int32_t th)
{
    // A minimised window has no client area: the game goes on at the layout
    // it had, to be shown again when the window comes back.
    if (tw < 1 || th < 1)
        return 0;
    bool fit = g_window_maximized && !window_is_fullscreen();
    Layout l = layout_in_area(gw, gh, tw, th, g_own_scaler, fit, g_desktop_mode.width,
                              g_desktop_mode.height);
    g_layout_kind = l.kind;
    if (l.shown_w == g_screen_size.shown_width && l.shown_h == g_screen_size.shown_height)
        return 0;
    g_screen_size.shown_width = l.shown_w;
    g_screen_size.shown_height = l.shown_h;
    return rebuild_back_buffer(l.shown_w, l.shown_h);
}

// While frames run on the script thread, the window procedure only records the
// shown size: the frame step grows the buffer before it presents.
uint32_t rebuild_back_buffer(int32_t w, int32_t h)
{
    if (!runs_frames_here())
        return 0;
    size_t bytes = back_buffer_bytes(w, h);
    if (!bytes || !g_back_buffer || bytes > g_back_buffer_bytes)
        return alloc_back_buffer(w, h);
    std::memset(g_back_buffer, 0, bytes);
    return 0;
}

uint32_t reserve_back_buffer(int32_t w, int32_t h)
{
    return runs_frames_here() ? grow_back_buffer(w, h) : 0;
}

uint32_t grow_back_buffer(int32_t w, int32_t h)
{
    size_t bytes = back_buffer_bytes(w, h);
    if (bytes && g_back_buffer && bytes <= g_back_buffer_bytes)
        return 0;
    return alloc_back_buffer(w, h);
}
