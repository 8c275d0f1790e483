// Script commands 88-90: creation, placement, style and state of the four
// game windows, and the size rules they follow.
#pragma once

#include "core/kv_base.h"

// Window command ids 9 (client width v) and 10 (client height v): v cut to
// the desktop's side and to at least 1, the other side from the game size
// gw x gh (both 1..8192).
void window_client_for(int id, int64_t v, int32_t gw, int32_t gh, int32_t dw, int32_t dh,
                       int32_t *cw, int32_t *ch);
// Window 0's game size becomes w x h (1..8192 each): the shown size and the
// back buffer follow through one rebuild. 0, or -1 after a report.
int screen_set_game_size(int32_t w, int32_t h);
