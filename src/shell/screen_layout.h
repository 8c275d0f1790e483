// Layout of the game frame in the area it is shown in (the client area, or
// the display mode in full screen), and the back buffer sized for it.
#pragma once

#include "core/kv_base.h"

// 0 unscaled and centred, 1 full width with bands above and below, 2 full
// height with bands left and right, 3 stretched.
extern uint8_t g_layout_kind;

struct Layout {
    uint8_t kind;
    int32_t shown_w, shown_h;
};

// The layout of a gw x gh game in a tw x th area. own_scaler is kvcfg.dat word
// 7; fit forces the aspect fit (maximised window); a shown size beyond the
// desktop becomes half the desktop, except with own_scaler 2; each side is
// at least 1.
Layout layout_in_area(int32_t gw, int32_t gh, int32_t tw, int32_t th, int own_scaler,
                      bool fit, int32_t desk_w, int32_t desk_h);

// Lays the game out in the target area, makes the result the shown size and
// rebuilds the back buffer when it changed. An empty area (a minimised
// window) changes nothing. 0, or the rebuild's failure code.
uint32_t resize_back_buffer(int32_t gw, int32_t gh, int32_t tw, int32_t th);

// The back buffer for a shown size of w x h, cleared. Memory is only ever
// added: a buffer that already holds w x h is reused, so that resizing to and
// fro does not reallocate. 0, or the failure code of alloc_back_buffer (the
// size refused, 100010; out of memory, 104030).
uint32_t rebuild_back_buffer(int32_t w, int32_t h);

// Makes the back buffer hold at least w x h (the largest size the window may
// be dragged to); its contents are kept when it is already large enough.
uint32_t reserve_back_buffer(int32_t w, int32_t h);
// The same on any thread.
uint32_t grow_back_buffer(int32_t w, int32_t h);
