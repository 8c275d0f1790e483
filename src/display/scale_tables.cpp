// The scalers' shared tables, the sharpen curve, and the position rules
// that every scaler uses.
#include "display/scale.h"

uint32_t g_scale_cols[KV_SCALE_TABLE_SIZE];
uint32_t g_scale_rows[KV_SCALE_TABLE_SIZE];
uint16_t g_scale_col_weights[KV_SCALE_TABLE_SIZE * 4];
uint8_t g_sharpen_curve[2][256];
uint8_t g_sharpen_scaling = 1;

void init_scale_tables()
{
    for (int f = 0; f < 256; f++) {
        // trunc(1.25 * (f - 128) + 128) = trunc((5 f - 128) / 4): C's
        // division truncates toward zero like the rule.
        int v = (5 * f - 128) / 4;
        uint8_t b = (uint8_t)(v < 0 ? 0 : (v > 255 ? 255 : v));
        g_sharpen_curve[0][f] = b;
        g_sharpen_curve[1][f] = b;
    }
}

void scale_valid_range(const int64_t *pos, int32_t n, int64_t limit, int32_t *first,
                       int32_t *end)
{
    *first = 0;
    *end = n;
    for (int32_t j = 0; j < n; j++) {
        if (pos[j] < 0) {
            *first = j + 1;
        } else if (pos[j] >= limit) {
            *end = j;
            break;
        }
    }
    if (*first > *end)
        *first = *end;
}

int64_t scale_bilinear_pos(int64_t i, int64_t span, int64_t f0, int64_t d100, int64_t den)
{
    if (d100 < span)
        return span * (256 * i + f0) / den;
    return span * 256 * i / den + f0;
}
