// Size rules of the window command: a client width or height asked for,
// cut to the desktop, with the other side following the game aspect.
#include "shell/window_commands.h"

void window_client_for(int id, int64_t v, int32_t gw, int32_t gh, int32_t dw, int32_t dh,
                       int32_t *cw, int32_t *ch)
{
    int64_t side = id == 9 ? dw : dh;
    if (v > side)
        v = side;
    if (v < 1)
        v = 1;
    int64_t other = id == 9 ? (int64_t)gh * v / gw : (int64_t)gw * v / gh;
    if (other < 1)
        other = 1;
    *cw = (int32_t)(id == 9 ? v : other);
    *ch = (int32_t)(id == 9 ? other : v);
}
