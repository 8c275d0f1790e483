// Weight tables of the resampling kernels: cubic convolution (a = -1) and
// the growing Lanczos-2 table of one axis, with the windowed sinc.
#include <cmath>
#include <cstdlib>

#include "image/resample.h"

int32_t g_bicubic_weights[513];
uint16_t g_bicubic_index[4][256];
ResampleTable g_resample_table;

static double cubic_a_minus_1(double t)
{
    if (t <= 1.0)
        return t * t * t - 2.0 * t * t + 1.0;
    return -t * t * t + 5.0 * t * t - 8.0 * t + 4.0;
}

void init_bicubic_tables()
{
    static bool done = false;
    if (done)
        return;
    for (int i = 0; i <= 512; i++)
        g_bicubic_weights[i] = (int32_t)(256.0 * cubic_a_minus_1(i / 256.0));
    for (int f = 0; f < 256; f++) {
        g_bicubic_index[0][f] = (uint16_t)(256 + f);   // distance 1 + t
        g_bicubic_index[1][f] = (uint16_t)f;           // t
        g_bicubic_index[2][f] = (uint16_t)(256 - f);   // 1 - t
        g_bicubic_index[3][f] = (uint16_t)(512 - f);   // 2 - t
    }
    done = true;
}

// pi as the single-precision value, carried in double.
static const double k_pi_single = 3.1415927410125732;

double sinc(double x)
{
    if (x == 0.0)
        return 1.0;
    return std::sin(k_pi_single * x) / (k_pi_single * x);
}

double resample_kernel(double x)
{
    if (std::fabs(x) >= 2.0)
        return 0.0;
    return sinc(x) * sinc(x / 2.0);
}

void resample_taps(const ResampleTable *t, int32_t i, int64_t *left, int64_t *right)
{
    double c = i * t->inv_scale;
    *left = (int64_t)std::floor(c - t->support);
    double hi = c + t->support;
    double r = std::rint(hi);
    *right = (int64_t)r + (r < hi ? 1 : 0);
}

// An output of one pixel takes the scale n_out / n_src: (n_out - 1) would
// be a zero scale and an endless support.
int build_resample_table(ResampleTable *t, int32_t n_src, int32_t n_out)
{
    if (n_src < 1 || n_out < 1)
        return -1;
    double s;
    if (n_src == 1)
        s = (double)n_out;
    else if (n_out == 1)
        s = 1.0 / (double)n_src;
    else
        s = (double)(n_out - 1) / (double)(n_src - 1);
    int32_t taps = (int32_t)(1.0 + 2.0 / s + 2.0 / s);
    size_t need = (size_t)(n_out + 1) * (size_t)(taps + 3);
    if (need > t->capacity) {
        int32_t *grown = (int32_t *)std::realloc(t->weights, need * sizeof(int32_t));
        if (!grown)
            return -1;
        t->weights = grown;
        t->capacity = need;
    }
    t->scale = s;
    t->support = 2.0 / s;
    t->inv_scale = 1.0 / s;
    t->taps = taps;
    t->n_out = n_out;
    for (size_t k = 0; k < need; k++)
        t->weights[k] = 0;
    for (int32_t i = 0; i <= n_out; i++) {
        int64_t left, right;
        resample_taps(t, i, &left, &right);
        double c = i * t->inv_scale;
        for (int64_t k = 0; k <= right - left && k < taps + 3; k++) {
            double x = (c - (double)(left + k)) * s;
            t->weights[k * (n_out + 1) + i] = (int32_t)(resample_kernel(x) * s * 65536.0);
        }
    }
    return 0;
}
