// Drawing one window's root layer: the Direct3D hand-off for window 0 in GPU
// mode, else GDI: at 1:1, through the engine's scalers into the back buffer,
// or stretched by GDI. Window 0's letterbox offset is set here.
#include "core/engine_state.h"
#include "core/quit.h"
#include "core/settings.h"
#include "core/window.h"
#include "display/present.h"
#include "display/scale.h"
#include "graphics/kernels.h"
#include "graphics/layer.h"
#include "platform/sys_present.h"

enum { SCALE_NEAREST, SCALE_BILINEAR };

static void blit(WindowObject *win, int32_t dx, int32_t dy, int32_t dw, int32_t dh,
                 int32_t sw, int32_t sh, const void *pixels, uint8_t color_on_color)
{
    SysBlit b = {dx, dy, dw, dh, 0, 0, sw, sh, win->dib.width, win->dib.height, pixels,
                 color_on_color};
    g_present_blit(win->hwnd, &b);
}

static void set_letterbox(bool centred)
{
    g_screen_size.letterbox_x =
        centred ? (g_screen_size.width - g_screen_size.shown_width) / 2 : 0;
    g_screen_size.letterbox_y =
        centred ? (g_screen_size.height - g_screen_size.shown_height) / 2 : 0;
}

// The back buffer holds a frame of sw x sh with its spare row and pixel.
static bool back_buffer_fits(int32_t sw, int32_t sh)
{
    uint64_t need = 4 * (uint64_t)sw * (uint64_t)sh + 4 * (uint64_t)sw + 4;
    return g_back_buffer && need <= g_back_buffer_bytes;
}

// Scales the root into the back buffer and blits it at the letterbox offset.
// Skipped when the back buffer cannot hold the shown size.
static void blit_scaled(WindowObject *win, const LayerState *root, int32_t sw, int32_t sh,
                        int kind)
{
    if (!back_buffer_fits(sw, sh))
        return;
    int32_t w = root->width, h = root->height;
    int rc;
    if (kind == SCALE_BILINEAR) {
        bool sse = g_cpu_features.sse && g_cfg_sse_enabled;
        rc = (sse ? scale_bilinear_sse : scale_bilinear)(g_back_buffer, root->pixels, 0, 0,
                                                         100 * w - 100, 100 * h - 100, w, h,
                                                         100 * sw, 100 * sh);
    } else {
        rc = scale_nearest(g_back_buffer, root->pixels, 0, 0, w - 1, h - 1, w, h, sw, sh);
    }
    if (rc != 0)
        return;
    win->dib.width = sw;
    win->dib.height = -sh;
    blit(win, g_screen_size.letterbox_x, g_screen_size.letterbox_y, sw, sh, sw, sh,
         g_back_buffer, 1);
}

// Window 0 full screen or maximised: scaled into the letterboxed area.
static void blit_main_fitted(WindowObject *win, const LayerState *root, int32_t sw, int32_t sh)
{
    bool fullscreen = g_fullscreen == 1;
    set_letterbox(true);
    if ((g_own_scaler && g_smooth_scaling == 1) || (!fullscreen && g_window_maximized == 1)) {
        blit_scaled(win, root, sw, sh, SCALE_BILINEAR);
    } else if (g_own_scaler) {
        blit_scaled(win, root, sw, sh, SCALE_NEAREST);
    } else {
        blit(win, g_screen_size.letterbox_x, g_screen_size.letterbox_y, sw, sh, root->width,
             root->height, root->pixels, 1);
    }
}

// Window 0 in a window: a whole frame at the shown size is copied 1:1; any
// other frame goes through the selected scaler, at scale 1 if need be.
static void blit_main_windowed(WindowObject *win, const LayerState *root, int64_t aw,
                               int64_t ah, int32_t sw, int32_t sh)
{
    set_letterbox(false);
    if (sw == root->width && sh == root->height && aw == sw && ah == sh) {
        blit(win, (int32_t)root->x, (int32_t)root->y, sw, sh, sw, sh, root->pixels, 0);
        return;
    }
    blit_scaled(win, root, sw, sh, g_smooth_scaling == 1 ? SCALE_BILINEAR : SCALE_NEAREST);
}

// The GPU hand-off; a failure releases the Direct3D objects and moves
// presentation to the CPU for good; the frame that failed is drawn again
// whole by the next present.
static void present_gpu(WindowObject *win, const LayerState *root)
{
    set_letterbox(g_fullscreen == 1 || g_window_maximized == 1);
    if (d3d_present_frame(root->pixels) == 0)
        return;
    d3d_release_all();
    g_render_mode = 0;
    g_smooth_scaling = 1;
    g_gpu_mode = 0;
    window_request_repaint(win);
}

void window_blit_frame(WindowObject *win, LayerState *root)
{
    if (g_quit_flag || !win || !root)
        return;
    int64_t aw = root->acc.right - root->acc.left + 1, ah = root->acc.bottom - root->acc.top + 1;
    int32_t sw = g_screen_size.shown_width, sh = g_screen_size.shown_height;
    if (aw <= 0 || ah <= 0 || sw <= 0 || sh <= 0)
        return;
    // Without a window GetDC would hand out the screen's DC.
    if (!win->hwnd || !root->pixels || root->width <= 0 || root->height <= 0)
        return;
    bool main = win->number == 0;
    if (main && g_gpu_mode) {
        present_gpu(win, root);
        return;
    }
    win->dib.width = root->width;
    win->dib.height = -root->height;
    if (!main) {
        blit(win, (int32_t)root->x, (int32_t)root->y, root->width, root->height, root->width,
             root->height, root->pixels, 0);
    } else if (g_fullscreen == 1 || g_window_maximized == 1) {
        blit_main_fitted(win, root, sw, sh);
    } else {
        blit_main_windowed(win, root, aw, ah, sw, sh);
    }
}
