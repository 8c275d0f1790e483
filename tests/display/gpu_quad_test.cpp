// The Direct3D presenter's quad: placement for every layout kind, the filter
// taps of each mode, the size limits and the frame upload.
#include <gtest/gtest.h>

#include <vector>

#include "display/gpu_quad.h"
#include "graphics/kernels.h"

TEST(GpuQuad, Placement)
{
    struct {
        bool fitted;
        int kind;
        int32_t gw, gh, cw, ch, sw, sh, W2, H2;
        QuadPlace p;
    } cases[] = {
        {false, 0, 640, 480, 0, 0, 640, 480, 1024, 512, {0, 0, 1024, 512}},
        {false, 0, 640, 480, 0, 0, 1280, 960, 1024, 512, {0, 0, 2048, 1024}},
        {false, 0, 0, 0, 0, 0, 1280, 960, 1024, 512, {0, 0, 1024, 512}},
        {true, 0, 640, 480, 1280, 720, 0, 0, 1024, 512, {320, 120, 1024, 512}},
        {true, 1, 800, 600, 1280, 1024, 0, 0, 1024, 1024, {0, 32, 1638.4, 1638.4}},
        {true, 2, 640, 480, 1280, 720, 0, 0, 1024, 512, {160, 0, 1536, 768}},
        {true, 3, 640, 480, 1280, 720, 0, 0, 1024, 512, {0, 0, 2048, 768}},
        {true, 7, 640, 480, 1280, 720, 0, 0, 1024, 512, {0, 0, 0, 0}},
        {true, 1, 0, 480, 1280, 720, 0, 0, 1024, 512, {0, 0, 0, 0}},  // no division by zero
        // the truncating 32-bit quotient before the halving
        {true, 2, 641, 480, 1280, 721, 0, 0, 1024, 512, {(1280 - 962) * 0.5, 0, 1024 * 721 / 480.0, 512 * 721 / 480.0}},
    };
    for (auto &c : cases) {
        QuadPlace p = quad_placement(c.fitted, c.kind, c.gw, c.gh, c.cw, c.ch, c.sw, c.sh, c.W2, c.H2);
        EXPECT_DOUBLE_EQ(p.x0, c.p.x0) << c.kind;
        EXPECT_DOUBLE_EQ(p.y0, c.p.y0) << c.kind;
        EXPECT_DOUBLE_EQ(p.w, c.p.w) << c.kind;
        EXPECT_DOUBLE_EQ(p.h, c.p.h) << c.kind;
    }
}

TEST(GpuQuad, StripAndTaps)
{
    QuadVertex v[4];
    build_quad(v, {10, 20, 100, 50}, 3, 256, 512);
    const float lo = -0.00001f, hi = 0.99999f, dx = 1.0f / 256, dy = 1.0f / 512;
    const float pos[4][2] = {{10, 70}, {110, 70}, {10, 20}, {110, 20}};
    const float uv[4][2] = {{lo, hi}, {hi, hi}, {lo, lo}, {hi, lo}};
    for (int i = 0; i < 4; i++) {
        EXPECT_EQ(v[i].x, pos[i][0]);
        EXPECT_EQ(v[i].y, pos[i][1]);
        EXPECT_EQ(v[i].rhw, 1.0f);
        EXPECT_EQ(v[i].colour, 0xFFFFFFFFu);
        for (int k = 0; k < 4; k++) {
            EXPECT_EQ(v[i].tex[k][0], uv[i][0] - dx);
            EXPECT_EQ(v[i].tex[k][1], uv[i][1] + (k - 1) * dy);
            EXPECT_EQ(v[i].tex[4 + k][0], uv[i][0]);
            EXPECT_EQ(v[i].tex[4 + k][1], uv[i][1] + (k - 1) * dy);
        }
    }
    build_quad(v, {0, 0, 1, 1}, 2, 256, 512);
    const float two[4][2] = {{0, 0}, {dx, 0}, {0, dy}, {dx, dy}};
    for (int k = 0; k < 4; k++) {
        EXPECT_EQ(v[2].tex[k][0], lo + two[k][0]);
        EXPECT_EQ(v[2].tex[k][1], lo + two[k][1]);
    }
    EXPECT_EQ(v[2].tex[4][0], 0.0f);  // mode 2 writes four sets only
    build_quad(v, {0, 0, 1, 1}, 1, 256, 512);
    EXPECT_EQ(v[0].tex[0][0], 0.0f);
}

TEST(GpuQuad, SizeLimits)
{
    EXPECT_TRUE(gpu_frame_fits(640, 480, 1024, 512, 16384, 16384));
    EXPECT_FALSE(gpu_frame_fits(640, 480, 1024, 512, 512, 16384));   // the device's limit
    EXPECT_FALSE(gpu_frame_fits(4097, 480, 4096, 512, 16384, 16384));
    EXPECT_FALSE(gpu_frame_fits(640, 4097, 1024, 4096, 16384, 16384));
    EXPECT_FALSE(gpu_frame_fits(0, 480, 1024, 512, 16384, 16384));
    EXPECT_TRUE(gpu_frame_fits(4096, 4096, 4096, 4096, 4096, 4096));
}

TEST(GpuQuad, UploadKeepsTheRestOfTheSurface)
{
    init_pixel_kernels();
    const int32_t gw = 5, gh = 3, pitch = 32;
    std::vector<uint8_t> src(gw * gh * 4), dst(pitch * 4, 0xEE);
    for (size_t i = 0; i < src.size(); i++)
        src[i] = (uint8_t)i;
    upload_frame_rows(dst.data(), pitch, src.data(), gw, gh);
    for (int32_t y = 0; y < 4; y++)
        for (int32_t x = 0; x < pitch; x++) {
            uint8_t want = y < gh && x < gw * 4 ? src[y * gw * 4 + x] : 0xEE;
            ASSERT_EQ(dst[y * pitch + x], want) << x << "," << y;
        }
}
