// Resampling and rotation: the weight tables, agreement with the
// presenter's scalers, Lanczos-2 edge sizes, rotation geometry on every
// image shape, and when layer B's buffer is reused.
#include <gtest/gtest.h>

#include <cmath>

#include "display/scale.h"
#include "effects_test_support.h"
#include "image/resample.h"

TEST(Resample, BicubicTables)
{
    init_bicubic_tables();
    EXPECT_EQ(g_bicubic_weights[0], 256);
    EXPECT_EQ(g_bicubic_weights[256], 0);
    EXPECT_EQ(g_bicubic_weights[512], 0);
    EXPECT_EQ(g_bicubic_weights[128], 160);   // k(0.5) = 0.625
    EXPECT_EQ(g_bicubic_weights[384], -32);   // k(1.5) = -0.125
    for (int f = 0; f < 256; f++) {
        int sum = 0;
        for (int k = 0; k < 4; k++) {
            ASSERT_LE(g_bicubic_index[k][f], 512);
            sum += g_bicubic_weights[g_bicubic_index[k][f]];
        }
        EXPECT_NEAR(sum, 256, 3) << f;   // a partition of unity, truncated
    }
}

TEST(Resample, LanczosTable)
{
    ResampleTable t = {};
    ASSERT_EQ(build_resample_table(&t, 10, 10), 0);
    EXPECT_EQ(t.scale, 1.0);
    EXPECT_EQ(t.taps, 5);
    for (int i = 0; i < 10; i++) {
        int64_t l, r;
        resample_taps(&t, i, &l, &r);
        for (int k = 0; k <= r - l; k++)
            EXPECT_EQ(t.weights[k * 11 + i], l + k == i ? 65536 : 0);
    }
    EXPECT_EQ(resample_kernel(2.0), 0.0);
    EXPECT_EQ(sinc(0.0), 1.0);
    // An output of one pixel: a finite scale and a bounded table.
    ASSERT_EQ(build_resample_table(&t, 300, 1), 0);
    EXPECT_NEAR(t.scale, 1.0 / 300, 1e-12);
    EXPECT_LE((size_t)2 * (t.taps + 3), t.capacity);
    free(t.weights);
}

TEST(Resample, LanczosKeepsFlatImagesAndOnePixelOutputs)
{
    fx_setup();
    const int sizes[][4] = {{7, 5, 7, 5}, {9, 9, 1, 1}, {1, 1, 6, 3}, {40, 3, 1, 9}, {5, 30, 12, 1}};
    for (auto &z : sizes) {
        FxLayer a(z[0], z[1], std::vector<uint32_t>((size_t)z[0] * z[1], 0xFFFFFFFFu));
        std::vector<uint8_t> out((size_t)z[2] * z[3] * 4 + 64, 0);
        ASSERT_EQ(scale_lanczos2(out.data(), z[2], z[3], a.s->pixels, z[0], z[1]), 0);
        for (int i = 0; i < z[2] * z[3] * 4; i++)
            ASSERT_EQ(out[i], 255) << z[0] << "x" << z[1] << "->" << z[2] << "x" << z[3];
    }
    FxLayer b(13, 11, {}, 4);
    std::vector<uint8_t> same((size_t)13 * 11 * 4);
    ASSERT_EQ(scale_lanczos2(same.data(), 13, 11, b.s->pixels, 13, 11), 0);
    EXPECT_EQ(memcmp(same.data(), b.s->pixels, same.size()), 0);   // identity
}

TEST(Resample, NearestAndBilinearAreThePresentersScalers)
{
    fx_setup();
    const int cases[][8] = {{20, 16, 0, 0, 1900, 1500, 3000, 2500},
                            {33, 9, 250, 110, 2075, 790, 1200, 700},
                            {8, 8, 0, 0, 700, 700, 2000, 300}};
    for (auto &c : cases)
        for (uint8_t method : {KV_RESAMPLE_NEAREST, KV_RESAMPLE_BILINEAR}) {
            FxLayer a(c[0], c[1], {}, 9), b(1, 1);
            ASSERT_EQ(resample_state(a.s, b.s, c[2], c[3], c[4], c[5], c[6], c[7], 1, method), 0);
            int dw = c[6] / 100, dh = c[7] / 100;
            ASSERT_EQ(b.s->width, dw);
            ASSERT_EQ(b.s->height, dh);
            std::vector<uint8_t> want(layer_buffer_bytes(dw, dh), 0);
            if (method == KV_RESAMPLE_NEAREST)
                scale_nearest(want.data(), a.s->pixels, c[2] / 100, c[3] / 100, c[4] / 100,
                              c[5] / 100, c[0], c[1], dw, dh);
            else
                scale_bilinear_sse(want.data(), a.s->pixels, c[2], c[3], c[4], c[5], c[0], c[1],
                                   c[6], c[7]);
            EXPECT_EQ(memcmp(want.data(), b.s->pixels, (size_t)dw * dh * 4), 0) << (int)method;
        }
}

// Spans past 32768 hundredths (a 1000-pixel row) overflow 32-bit positions:
// a wrapped position would leave zeroed or foreign columns.
TEST(Resample, BicubicAndSharpStayInsideAndKeepFlatColour)
{
    fx_setup();
    const int shapes[][4] = {{17, 12, 29, 7}, {1000, 2, 3000, 3}};
    for (auto &z : shapes)
        for (uint8_t method : {KV_RESAMPLE_NEAREST, KV_RESAMPLE_BILINEAR, KV_RESAMPLE_BICUBIC,
                               KV_RESAMPLE_SHARP, KV_RESAMPLE_LANCZOS2}) {
            std::vector<uint32_t> flat((size_t)z[0] * z[1], 0x80402010u);
            FxLayer a(z[0], z[1], flat), b(1, 1);
            ASSERT_EQ(resample_state(a.s, b.s, 0, 0, 100 * z[0] - 100, 100 * z[1] - 100,
                                     100 * z[2], 100 * z[3], 1, method), 0);
            ASSERT_EQ(b.s->width, z[2]);
            for (int y = 0; y < z[3]; y++)
                for (int x = 0; x < z[2]; x++) {
                    uint32_t v;
                    memcpy(&v, b.s->pixels + ((size_t)y * z[2] + x) * 4, 4);
                    // Bilinear rows truncate twice: one step low at most.
                    bool bilinear = method == KV_RESAMPLE_SHARP || method == KV_RESAMPLE_BILINEAR;
                    for (int k = 0; k < 32; k += 8)
                        ASSERT_NEAR((int)((v >> k) & 255), (int)((0x80402010u >> k) & 255),
                                    bilinear ? 1 : 0)
                            << (int)method << " " << z[0] << " " << x << "," << y;
                }
        }
}

// One bicubic output pixel as documented: taps clamped into the rectangle,
// the weight product divided by 256 either truncating (the scaler's choice)
// or flooring.
static uint32_t bicubic_ref(const FxLayer &a, int ox, int oy, int dw, int dh, const int r[4],
                            bool trunc)
{
    int64_t sx[4], sy[4], wx[4], wy[4];
    for (int axis = 0; axis < 2; axis++) {
        int i = axis ? oy : ox, n = axis ? dh : dw, lo = r[axis], hi = r[axis + 2];
        int64_t pos = (((int64_t)i * 65536 / n) * (hi - lo + 1)) >> 8;
        for (int k = 0; k < 4; k++) {
            int64_t v = (pos >> 8) + lo - 1 + k;
            (axis ? sy : sx)[k] = v < lo ? lo : (v > hi ? hi : v);
            (axis ? wy : wx)[k] = g_bicubic_weights[g_bicubic_index[k][pos & 255]];
        }
    }
    int64_t sum[4] = {}, wsum = 0;
    for (int ky = 0; ky < 4; ky++)
        for (int kx = 0; kx < 4; kx++) {
            int64_t p = wy[ky] * wx[kx], w = trunc ? p / 256 : p >> 8;
            uint32_t v = a.at((int)sx[kx], (int)sy[ky]);
            for (int c = 0; c < 4; c++)
                sum[c] += w * ((v >> (8 * c)) & 255);
            wsum += w;
        }
    uint32_t out = 0;
    for (int c = 0; c < 4; c++) {
        int64_t v = sum[c] / (wsum ? wsum : 1);
        out |= (uint32_t)(v < 0 ? 0 : (v > 255 ? 255 : v)) << (8 * c);
    }
    return out;
}

TEST(Resample, BicubicTruncatesTheWeightProduct)
{
    fx_setup();
    const int rect[4] = {1, 2, 7, 5};
    FxLayer a(9, 7, {}, 11), b(1, 1);
    ASSERT_EQ(resample_state(a.s, b.s, 100, 200, 700, 500, 1300, 1100, 1, KV_RESAMPLE_BICUBIC),
              0);
    int floor_differs = 0;
    for (int y = 0; y < 11; y++)
        for (int x = 0; x < 13; x++) {
            ASSERT_EQ(b.at(x, y), bicubic_ref(a, x, y, 13, 11, rect, true)) << x << "," << y;
            floor_differs += b.at(x, y) != bicubic_ref(a, x, y, 13, 11, rect, false);
        }
    EXPECT_GT(floor_differs, 0);   // the case tells the two roundings apart
}

// The sharpened scaler reads no column right of the rectangle's last one,
// and bends the fractions of the first dw entries of its doubled column
// table only.
TEST(Resample, SharpStaysInsideItsRectangle)
{
    fx_setup();
    init_scale_tables();
    FxLayer a(12, 10, std::vector<uint32_t>(120, 0xFF0000FFu)), b(1, 1);
    for (int y = 2; y <= 6; y++)
        for (int x = 2; x <= 7; x++)
            a.set(x, y, 0xFF00FF00u);
    ASSERT_EQ(resample_state(a.s, b.s, 250, 200, 750, 600, 1300, 900, 1, KV_RESAMPLE_SHARP), 0);
    for (uint32_t v : b.all()) {
        ASSERT_LE(v & 255, 1u);   // nothing of the red around it
        ASSERT_GE((v >> 8) & 255, 254u);
    }
    for (int i = 0; i < 26; i++) {
        int64_t plain = scale_bilinear_pos(i, 500, 128, 2600, 2500);
        int64_t want = i < 13 ? (plain & ~255) | g_sharpen_curve[0][plain & 255] : plain;
        want += 2 << 8;
        EXPECT_EQ(g_scale_cols[i], (uint32_t)(want > (7 << 8) ? 7 << 8 : want)) << i;
    }
}

TEST(Resample, BufferReuseAndRefusals)
{
    fx_setup();
    FxLayer a(10, 10, {}, 2), b(6, 4, {}, 3);
    uint8_t *old = b.s->pixels;
    ASSERT_EQ(resample_state(a.s, b.s, 0, 0, 900, 900, 600, 400, 1, KV_RESAMPLE_BICUBIC), 0);
    EXPECT_EQ(b.s->pixels, old);   // same size: written in place
    b.s->resample_flag = 1;
    ASSERT_EQ(resample_state(a.s, b.s, 0, 0, 900, 900, 300, 200, 1, KV_RESAMPLE_NEAREST), 0);
    EXPECT_EQ(b.s->pixels, old);   // shrink with the keep flag
    EXPECT_EQ(b.s->width, 3);
    for (int i = 0; i < 3 * 4 + 4; i++)
        EXPECT_EQ(old[3 * 4 * 2 + i], 0);   // the new spare row
    // Unknown method, inverted rectangle: nothing changes.
    EXPECT_EQ(resample_state(a.s, b.s, 0, 0, 900, 900, 700, 700, 1, 22), 0);
    EXPECT_EQ(resample_state(a.s, b.s, 800, 0, 100, 900, 700, 700, 1, 31), 0);
    EXPECT_EQ(b.s->width, 3);
    EXPECT_EQ(b.s->pixels, old);
}

// Reference rotation through the documented mapping.
static uint32_t rotated_ref(const FxLayer &a, int ox, int oy, int angle, bool *inside)
{
    int w = a.s->width, h = a.s->height;
    angle = ((angle % 360) + 360) % 360;
    if (angle == 0 || angle == 180) {
        *inside = true;
        return angle == 0 ? a.at(ox, oy) : a.at(w - 1 - ox, h - 1 - oy);
    }
    double rad = angle * 3.1415926535 / 180.0;
    int64_t c = std::lrint(std::cos(rad) * 65536), s = std::lrint(std::sin(rad) * 65536);
    int64_t dx = ox - w / 2, dy = oy - h / 2;
    int64_t sx = w / 2 + ((dx * c + dy * s) >> 16), sy = h / 2 + ((-dx * s + dy * c) >> 16);
    *inside = sx >= 0 && sx < w && sy >= 0 && sy < h;
    return *inside ? a.at((int)sx, (int)sy) : 0;
}

TEST(Rotate, EveryShapeAndAngle)
{
    fx_setup();
    const int shapes[][2] = {{16, 16}, {23, 9}, {5, 21}, {1, 7}, {7, 1}, {1, 1}};
    const int angles[] = {0, 90, 180, 270, 360, -90, 45, 17, 133, 200, 311, 719};
    for (auto &sh : shapes)
        for (int angle : angles)
            for (uint8_t kernel : {KV_ROTATE_FILL, KV_ROTATE_KEEP}) {
                FxLayer a(sh[0], sh[1], {}, 5), b(sh[0], sh[1], std::vector<uint32_t>(
                                                                   (size_t)sh[0] * sh[1], 0xDEADBEEF));
                uint8_t *old = b.s->pixels;
                ASSERT_EQ(rotate_state(a.s, b.s, angle, 1, kernel), 0);
                EXPECT_EQ(b.s->pixels, old);
                int a360 = ((angle % 360) + 360) % 360;
                bool keeps = kernel == KV_ROTATE_KEEP && a360 % 90 != 0;
                for (int y = 0; y < sh[1]; y++)
                    for (int x = 0; x < sh[0]; x++) {
                        bool in;
                        uint32_t want = rotated_ref(a, x, y, angle, &in);
                        if (!in && keeps)
                            want = 0xDEADBEEF;
                        ASSERT_EQ(b.at(x, y), want) << sh[0] << "x" << sh[1] << " " << angle
                                                    << " k" << (int)kernel << " " << x << "," << y;
                    }
                EXPECT_EQ(b.s->has_alpha, angle % 180 == 0 ? a.s->has_alpha : 1);
            }
}

// Random shapes past the block and tile sizes, random angles, both kernels,
// with the SSE2 and (where the processor has it) the AVX2 run.
TEST(Rotate, RandomShapesAndAnglesMatchTheMapping)
{
    fx_setup();
    detect_cpu_features();
    FxRng rng(2024);
    for (int n = 0; n < 48; n++) {
        int w = rng.range(1, 4) == 1 ? rng.range(1, 9) : rng.range(60, 600);
        int h = rng.range(1, 4) == 1 ? rng.range(1, 9) : rng.range(60, 200);
        int angle = n < 8 ? 90 * rng.range(-4, 4) : rng.range(-800, 800);
        int wide = n & 1;
        uint8_t kernel = (n & 2) ? KV_ROTATE_KEEP : KV_ROTATE_FILL;
        install_pixel_kernels(KV_KERNEL_LEVEL_SSE2, wide);
        FxLayer a(w, h, {}, (uint64_t)n), b(w, h, std::vector<uint32_t>((size_t)w * h, 0x5A5A5A5A));
        ASSERT_EQ(rotate_state(a.s, b.s, angle, 1, kernel), 0);
        int a360 = ((angle % 360) + 360) % 360;
        bool keeps = kernel == KV_ROTATE_KEEP && a360 % 90 != 0;
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) {
                bool in;
                uint32_t want = rotated_ref(a, x, y, angle, &in);
                if (!in && keeps)
                    want = 0x5A5A5A5A;
                ASSERT_EQ(b.at(x, y), want) << w << "x" << h << " " << angle << " k"
                                            << (int)kernel << " wide " << wide << " " << x << ","
                                            << y;
            }
    }
    install_pixel_kernels(KV_KERNEL_LEVEL_SSE2, 0);
}

TEST(Rotate, BufferOfAnotherShapeIsReplaced)
{
    fx_setup();
    FxLayer a(6, 4, {}, 1), b(4, 6, {}, 2), c(3, 2);
    uint8_t *old = b.s->pixels;
    ASSERT_EQ(rotate_state(a.s, b.s, 90, 1, KV_ROTATE_FILL), 0);
    EXPECT_NE(b.s->pixels, old);   // same pixel count, other shape
    EXPECT_EQ(b.s->width, 6);
    EXPECT_EQ(b.s->height, 4);
    ASSERT_EQ(rotate_state(a.s, c.s, 30, 0, KV_ROTATE_KEEP), 0);   // n = 0: into A
    EXPECT_EQ(a.s->width, 6);
    EXPECT_EQ(c.s->width, 3);
    uint8_t *pa = a.s->pixels;
    EXPECT_EQ(rotate_state(a.s, nullptr, 30, 0, 13), 0);   // unknown kernel
    EXPECT_EQ(a.s->pixels, pa);
}

TEST(Rotate, QuarterTurnTurnsClockwise)
{
    fx_setup();
    FxLayer a(3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9}), b(3, 3);
    ASSERT_EQ(rotate_state(a.s, b.s, 90, 1, KV_ROTATE_FILL), 0);
    EXPECT_EQ(b.all(), (std::vector<uint32_t>{7, 4, 1, 8, 5, 2, 9, 6, 3}));
    ASSERT_EQ(rotate_state(a.s, b.s, 270, 1, KV_ROTATE_KEEP), 0);
    EXPECT_EQ(b.all(), (std::vector<uint32_t>{3, 6, 9, 2, 5, 8, 1, 4, 7}));
}
