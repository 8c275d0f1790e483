// Scalers against a per-pixel reference written from the rules (positions,
// sharpened fractions, both roundings, zeroed outside), on one thread and on
// two render workers; the sharpen curve; refused sizes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <tuple>
#include <vector>

#include "display/scale.h"
#include "graphics/kernel_test_support.h"
#include "graphics/render_workers.h"

namespace {

struct Case {
    int32_t x0, y0, x1, y1, sw, sh, dw100, dh100;
};

// Presenter calls (whole source to an output size) and resampling-style
// calls: sub-pixel origins, shrinking, 1-pixel outputs, sources partly or
// wholly outside.
const Case k_cases[] = {
    {0, 0, 3100, 2300, 32, 24, 4800, 3600},     // enlarge, last column onto last column
    {0, 0, 6300, 4700, 64, 48, 2000, 1500},     // shrink
    {0, 0, 3100, 2300, 32, 24, 3200, 2400},     // scale 1
    {0, 0, 3100, 2300, 32, 24, 100, 100},       // 1 x 1 output: divides by 100
    {0, 0, 3100, 2300, 32, 24, 150, 4000},      // 1 column, divisor 50
    {250, 130, 2987, 1999, 32, 24, 5100, 3300}, // sub-pixel origin
    {-700, -450, 2500, 2000, 32, 24, 4000, 3000},   // left and top outside
    {1000, 800, 9000, 7000, 32, 24, 3000, 2500},    // right and bottom outside
    {4000, 0, 9000, 2000, 32, 24, 500, 500},        // wholly outside
};

std::vector<uint8_t> source(int32_t w, int32_t h, uint64_t seed)
{
    std::vector<uint8_t> v((size_t)w * h * 4 + (size_t)w * 4 + 4, 0);
    TestRng rng(seed);
    rng.pixels(v.data(), (size_t)w * h * 4);   // spare row and pixel stay 0
    return v;
}

int64_t ref_pos(int64_t i, int32_t a0, int32_t a1, int32_t d100)
{
    int64_t span = (int64_t)a1 - a0, f0 = (int64_t)(a0 % 100) * 256 / 100;
    int64_t den = d100 == 100 ? 100 : d100 - 100;
    return d100 < span ? span * (256 * i + f0) / den : span * 256 * i / den + f0;
}

int ref_sharpen(int f)
{
    double v = std::trunc(1.25 * (f - 128) + 128);
    return v < 0 ? 0 : (v > 255 ? 255 : (int)v);
}

// First and end of the valid outputs: one past the last index before the end
// that maps below 0, the first index that maps to >= limit.
void ref_range(const std::vector<int64_t> &src_index, int64_t limit, int32_t *first, int32_t *end)
{
    *first = 0;
    *end = (int32_t)src_index.size();
    for (int32_t j = 0; j < (int32_t)src_index.size(); j++) {
        if (src_index[j] >= limit) {
            *end = j;
            break;
        }
        if (src_index[j] < 0)
            *first = j + 1;
    }
}

std::vector<uint8_t> ref_bilinear(const Case &c, const std::vector<uint8_t> &src, bool plain)
{
    int32_t ow = c.dw100 / 100, oh = c.dh100 / 100;
    std::vector<int64_t> cx(ow), ry(oh), ci(ow), ri(oh);
    for (int32_t i = 0; i < ow; i++) {
        cx[i] = ref_pos(i, c.x0, c.x1, c.dw100);
        ci[i] = (cx[i] >> 8) + c.x0 / 100;
    }
    for (int32_t j = 0; j < oh; j++) {
        ry[j] = ref_pos(j, c.y0, c.y1, c.dh100);
        ri[j] = (ry[j] >> 8) + c.y0 / 100;
    }
    int32_t c0, c1, r0, r1;
    ref_range(ci, c.sw, &c0, &c1);
    ref_range(ri, c.sh, &r0, &r1);
    std::vector<uint8_t> out((size_t)ow * oh * 4, 0);
    for (int32_t y = r0; y < r1; y++)
        for (int32_t x = c0; x < c1; x++) {
            int fx = ref_sharpen((int)(cx[x] & 255)), fy = (int)(ry[y] & 255);
            size_t p = ((size_t)ri[y] * c.sw + (size_t)ci[x]) * 4, below = (size_t)c.sw * 4;
            for (int k = 0; k < 4; k++) {
                int top = src[p + k] * (256 - fx) + src[p + 4 + k] * fx;
                int bot = src[p + below + k] * (256 - fx) + src[p + below + 4 + k] * fx;
                int v = plain ? ((top >> 8) * (256 - fy) + (bot >> 8) * fy) >> 8
                              : std::min(255, (top * (256 - fy) >> 16) + (bot * fy >> 16));
                out[((size_t)y * ow + x) * 4 + k] = (uint8_t)v;
            }
        }
    return out;
}

// Parameters: render workers (0 = the calling thread), 256-bit row passes.
class Scalers : public ::testing::TestWithParam<std::tuple<int, int>> {
protected:
    int workers() const { return std::get<0>(GetParam()); }
    void SetUp() override
    {
        detect_cpu_features();
        install_pixel_kernels(3, std::get<1>(GetParam()));
        init_scale_tables();
        if (workers() > 0) {
            ASSERT_EQ(0, start_render_workers_count(workers()));
        }
    }
    void TearDown() override
    {
        if (workers() > 0)
            stop_render_workers();
        install_pixel_kernels(3, 0);
    }
};

TEST(ScaleTables, SharpenCurve)
{
    init_scale_tables();
    for (int f = 0; f < 256; f++) {
        ASSERT_EQ(ref_sharpen(f), g_sharpen_curve[0][f]) << f;
        ASSERT_EQ(g_sharpen_curve[0][f], g_sharpen_curve[1][f]) << f;
        EXPECT_EQ(f <= 26 ? 0 : (f >= 230 ? 255 : g_sharpen_curve[0][f]), g_sharpen_curve[0][f]);
    }
    EXPECT_EQ(1, g_sharpen_curve[0][27]);
    EXPECT_EQ(128, g_sharpen_curve[0][128]);
    EXPECT_EQ(254, g_sharpen_curve[0][229]);
}

TEST_P(Scalers, BilinearMatchesReference)
{
    for (const Case &c : k_cases) {
        SCOPED_TRACE(::testing::Message() << c.x0 << "," << c.y0 << " " << c.dw100 << "x" << c.dh100);
        std::vector<uint8_t> src = source(c.sw, c.sh, (uint64_t)c.dw100 * 7 + c.x0);
        size_t n = (size_t)(c.dw100 / 100) * (c.dh100 / 100) * 4;
        std::vector<uint8_t> plain(n, 0xCD), wide(n, 0xCD);
        ASSERT_EQ(0, scale_bilinear(plain.data(), src.data(), c.x0, c.y0, c.x1, c.y1, c.sw, c.sh,
                                    c.dw100, c.dh100));
        // The tables after a call: byte offsets and four equal sharpened lanes per column.
        for (int32_t i = 0; i < c.dw100 / 100; i++) {
            int64_t pos = ref_pos(i, c.x0, c.x1, c.dw100);
            int64_t col = (pos >> 8) + c.x0 / 100;
            if (col >= 0 && col < c.sw) {
                ASSERT_EQ((uint32_t)(col * 4), g_scale_cols[i]) << i;
            }
            for (int k = 0; k < 4; k++)
                ASSERT_EQ(ref_sharpen((int)(pos & 255)), g_scale_col_weights[4 * i + k]);
        }
        if (c.x0 == 0 && c.x1 == 100 * c.sw - 100 && c.dw100 > 100 && c.dw100 % 100 == 0) {
            // Presenter arguments: the last column samples the last source pixel exactly.
            EXPECT_EQ((uint32_t)(c.sw - 1) * 4, g_scale_cols[c.dw100 / 100 - 1]);
            EXPECT_EQ(0, g_scale_col_weights[4 * (c.dw100 / 100 - 1)]);
        }
        ASSERT_EQ(0, scale_bilinear_sse(wide.data(), src.data(), c.x0, c.y0, c.x1, c.y1, c.sw,
                                        c.sh, c.dw100, c.dh100));
        EXPECT_EQ(ref_bilinear(c, src, true), plain);
        EXPECT_EQ(ref_bilinear(c, src, false), wide);
        for (size_t i = 0; i < n; i++)
            ASSERT_LE(std::abs(plain[i] - wide[i]), 1) << i;
    }
}

// Random rectangles (sub-pixel, partly or wholly outside) and output sizes:
// the vector row passes, their block ends and tails, against the reference.
TEST_P(Scalers, RandomRectanglesMatchReference)
{
    TestRng rng(41);
    for (int n = 0; n < 40; n++) {
        Case c;
        c.sw = rng.range(1, 70);
        c.sh = rng.range(1, 40);
        c.x0 = rng.range(-300, 100 * c.sw);
        c.y0 = rng.range(-300, 100 * c.sh);
        c.x1 = c.x0 + rng.range(0, 100 * c.sw);
        c.y1 = c.y0 + rng.range(0, 100 * c.sh);
        c.dw100 = rng.range(100, 9000);
        c.dh100 = rng.range(100, 3000);
        SCOPED_TRACE(::testing::Message() << n << ": " << c.sw << "x" << c.sh);
        std::vector<uint8_t> src = source(c.sw, c.sh, (uint64_t)n);
        size_t bytes = (size_t)(c.dw100 / 100) * (c.dh100 / 100) * 4;
        std::vector<uint8_t> plain(bytes, 0xCD), wide(bytes, 0xCD);
        ASSERT_EQ(0, scale_bilinear(plain.data(), src.data(), c.x0, c.y0, c.x1, c.y1, c.sw, c.sh,
                                    c.dw100, c.dh100));
        ASSERT_EQ(0, scale_bilinear_sse(wide.data(), src.data(), c.x0, c.y0, c.x1, c.y1, c.sw,
                                        c.sh, c.dw100, c.dh100));
        ASSERT_EQ(ref_bilinear(c, src, true), plain);
        ASSERT_EQ(ref_bilinear(c, src, false), wide);
    }
}

TEST_P(Scalers, NearestMatchesReference)
{
    const Case near[] = {
        {0, 0, 31, 23, 32, 24, 48, 36}, {0, 0, 63, 47, 64, 48, 20, 15}, {0, 0, 31, 23, 32, 24, 1, 1},
        {-5, -3, 30, 20, 32, 24, 40, 30}, {10, 8, 60, 50, 32, 24, 33, 29}, {40, 0, 60, 20, 32, 24, 7, 7},
    };
    for (const Case &c : near) {
        SCOPED_TRACE(::testing::Message() << c.x0 << "," << c.y0 << " " << c.dw100 << "x" << c.dh100);
        int32_t ow = c.dw100, oh = c.dh100;
        std::vector<uint8_t> src = source(c.sw, c.sh, 11), out((size_t)ow * oh * 4, 0xCD);
        ASSERT_EQ(0, scale_nearest(out.data(), src.data(), c.x0, c.y0, c.x1, c.y1, c.sw, c.sh, ow, oh));
        int64_t step_x = ((int64_t)c.x1 - c.x0 + 1) * 65536 / ow;
        int64_t step_y = ((int64_t)c.y1 - c.y0 + 1) * 65536 / oh;
        std::vector<int64_t> ci(ow), ri(oh);
        for (int32_t i = 0; i < ow; i++)
            ci[i] = (i * step_x >> 16) + c.x0;
        for (int32_t j = 0; j < oh; j++)
            ri[j] = (j * step_y >> 16) + c.y0;
        int32_t c0, c1, r0, r1;
        ref_range(ci, c.sw, &c0, &c1);
        ref_range(ri, c.sh, &r0, &r1);
        for (int32_t y = 0; y < oh; y++)
            for (int32_t x = 0; x < ow; x++) {
                bool in = y >= r0 && y < r1 && x >= c0 && x < c1;
                uint32_t want = 0, got;
                if (in)
                    std::memcpy(&want, &src[((size_t)ri[y] * c.sw + ci[x]) * 4], 4);
                std::memcpy(&got, &out[((size_t)y * ow + x) * 4], 4);
                ASSERT_EQ(want, got) << x << "," << y;
            }
    }
}

TEST_P(Scalers, RefusedSizesLeaveTheOutputAlone)
{
    std::vector<uint8_t> src = source(8, 8, 3), out(64, 0xCD);
    const std::vector<uint8_t> before = out;
    EXPECT_EQ(-1, scale_nearest(out.data(), src.data(), 0, 0, 7, 7, 8, 8, 0, 4));
    EXPECT_EQ(-1, scale_nearest(out.data(), src.data(), 0, 0, 7, 7, 8, 8, 4, -1));
    EXPECT_EQ(-1, scale_nearest(out.data(), src.data(), 0, 0, 7, 7, 8, 8, KV_SCALE_TABLE_SIZE + 1, 1));
    EXPECT_EQ(-1, scale_bilinear(out.data(), src.data(), 0, 0, 700, 700, 8, 8, 99, 400));
    EXPECT_EQ(-1, scale_bilinear_sse(out.data(), src.data(), 0, 0, 700, 700, 8, 8, 400,
                                     (KV_SCALE_TABLE_SIZE + 1) * 100));
    EXPECT_EQ(-1, scale_bilinear_sse(out.data(), nullptr, 0, 0, 700, 700, 8, 8, 400, 400));
    EXPECT_EQ(before, out);
}

INSTANTIATE_TEST_SUITE_P(Workers, Scalers,
                         ::testing::Combine(::testing::Values(0, 2), ::testing::Values(0, 1)));

}  // namespace
