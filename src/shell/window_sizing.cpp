// Size arithmetic of the main window (see window_sizing.h). Every double is
// brought back to an int through one clamping conversion: a game of 8192 x 1
// makes products far beyond the int range.
#include "shell/window_sizing.h"

static int32_t to_int(double v)
{
    if (!(v > -2147483648.0))
        return v != v ? 0 : INT32_MIN;
    if (v >= 2147483647.0)
        return INT32_MAX;
    return (int32_t)v;
}

static int32_t round_half(double v)
{
    return to_int(v + 0.5);
}

double game_aspect(int32_t game_w, int32_t game_h)
{
    if (game_w <= 0 || game_h <= 0)
        return 1.0;
    return (double)game_w / (double)game_h;
}

void sizing_keep_aspect(SizeRect *r, int edge, double aspect, int32_t frame_w,
                        int32_t frame_h)
{
    if (!(aspect > 0))
        aspect = 1.0;
    int64_t cw = (int64_t)r->right - r->left - frame_w;
    int64_t ch = (int64_t)r->bottom - r->top - frame_h;
    int32_t dw = to_int((double)round_half((double)ch * aspect) - (double)cw);
    int32_t dh = to_int((double)round_half((double)cw / aspect) - (double)ch);
    bool top = edge == KV_EDGE_TOPLEFT || edge == KV_EDGE_TOPRIGHT;
    bool left = edge == KV_EDGE_TOPLEFT || edge == KV_EDGE_BOTTOMLEFT;
    switch (edge) {
    case KV_EDGE_LEFT:
    case KV_EDGE_RIGHT:
        r->bottom = to_int((double)r->bottom + dh);
        break;
    case KV_EDGE_TOP:
    case KV_EDGE_BOTTOM:
        r->right = to_int((double)r->right + dw);
        break;
    case KV_EDGE_TOPLEFT:
    case KV_EDGE_TOPRIGHT:
    case KV_EDGE_BOTTOMLEFT:
    case KV_EDGE_BOTTOMRIGHT:
        if (dw < 1) {
            if (top)
                r->top = to_int((double)r->top - dh);
            else
                r->bottom = to_int((double)r->bottom + dh);
        } else if (left) {
            r->left = to_int((double)r->left - dw);
        } else {
            r->right = to_int((double)r->right + dw);
        }
        break;
    default:
        break;
    }
}

// The largest size of the game's aspect that the desktop holds.
static void fit_desktop(double a, int32_t desk_w, int32_t desk_h, int32_t *w, int32_t *h)
{
    *w = desk_w;
    *h = to_int(desk_w / a);
    if (*h > desk_h) {
        *w = to_int(desk_h * a);
        *h = desk_h;
    }
}

bool track_sizes(int32_t game_w, int32_t game_h, int32_t desk_w, int32_t desk_h,
                 int32_t frame_w, int32_t frame_h, TrackSizes *out)
{
    if (frame_w < 0 || frame_h < 0)
        return false;
    double a = game_aspect(game_w, game_h);
    int32_t fit_w, fit_h;
    fit_desktop(a, desk_w, desk_h, &fit_w, &fit_h);
    // The fitted height sets the largest size: for a game taller than wide
    // the smaller side is the width, which would cap the window too low.
    out->max_w = to_int((double)to_int(a * fit_h) + frame_w);
    out->max_h = to_int((double)fit_h + frame_h);
    int32_t q = (game_w < game_h ? game_w : game_h) / 4;
    out->min_w = to_int((double)to_int(q * a) + frame_w);
    out->min_h = to_int((double)q + frame_h);
    return true;
}

void size_fit_client(int32_t game_w, int32_t game_h, int32_t client_w, int32_t client_h,
                     int32_t desk_w, int32_t desk_h, int32_t *out_w, int32_t *out_h)
{
    double a = game_aspect(game_w, game_h);
    int32_t cw = client_w, ch = client_h;
    if (desk_w > 0 && cw > desk_w)
        cw = desk_w;
    if (desk_h > 0 && ch > desk_h)
        ch = desk_h;
    if (cw < 1)
        cw = 1;
    if (ch < 1)
        ch = 1;
    int32_t w, h;
    if ((double)cw / ch > a) {
        w = cw;
        h = round_half(cw / a);
        if (desk_h > 0 && h > desk_h) {
            h = desk_h;
            w = round_half(h * a);
        }
    } else {
        h = ch;
        w = round_half(ch * a);
        if (desk_w > 0 && w > desk_w) {
            w = desk_w;
            h = round_half(w / a);
        }
    }
    *out_w = w < 1 ? 1 : w;
    *out_h = h < 1 ? 1 : h;
}
