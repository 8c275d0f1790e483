// Size arithmetic of the main window: the game aspect, the rectangle kept to
// the aspect while the user drags an edge, the track sizes, the client size
// a resize settles on, and the layout of the game in a target area.
#pragma once

#include "core/kv_base.h"

struct SizeRect {
    int32_t left, top, right, bottom;
};

// The sizing edges of WM_SIZING (WMSZ_*).
enum {
    KV_EDGE_LEFT = 1, KV_EDGE_RIGHT = 2, KV_EDGE_TOP = 3, KV_EDGE_TOPLEFT = 4,
    KV_EDGE_TOPRIGHT = 5, KV_EDGE_BOTTOM = 6, KV_EDGE_BOTTOMLEFT = 7,
    KV_EDGE_BOTTOMRIGHT = 8
};

// Game width / height; 1.0 when either side is not positive.
double game_aspect(int32_t game_w, int32_t game_h);

// Keeps the outer rectangle `r`, proposed while edge `edge` is dragged, to the
// aspect; (frame_w, frame_h) is what the frame adds to the client size.
void sizing_keep_aspect(SizeRect *r, int edge, double aspect, int32_t frame_w,
                        int32_t frame_h);

struct TrackSizes {
    int32_t min_w, min_h, max_w, max_h;
};
// Outer track sizes for a game on a desktop; false (nothing set) when the
// frame size is negative.
bool track_sizes(int32_t game_w, int32_t game_h, int32_t desk_w, int32_t desk_h,
                 int32_t frame_w, int32_t frame_h, TrackSizes *out);

// The client size a resized main window settles on: the client cut to the
// desktop and fitted to the game aspect, never larger than the desktop.
void size_fit_client(int32_t game_w, int32_t game_h, int32_t client_w, int32_t client_h,
                     int32_t desk_w, int32_t desk_h, int32_t *out_w, int32_t *out_h);
