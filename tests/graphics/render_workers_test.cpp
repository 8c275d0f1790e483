// Render workers: the row split, every job code giving the same pixels on
// one thread and on two workers, the handshake at shutdown and after a quit.
#include <gtest/gtest.h>
#include <zlib.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <future>
#include <thread>
#include <vector>

#include "core/quit.h"
#include "graphics/kernel_test_support.h"
#include "graphics/render_workers.h"
#include "platform/sys_thread.h"

namespace {

// Runs fn; a hang fails the whole program after `seconds` instead of blocking it.
void within_seconds(int seconds, const std::function<void()> &fn)
{
    std::packaged_task<void()> task(fn);
    std::future<void> done = task.get_future();
    std::thread t(std::move(task));
    if (done.wait_for(std::chrono::seconds(seconds)) != std::future_status::ready) {
        ADD_FAILURE() << "render workers hung";
        std::fflush(stdout);
        std::_Exit(3);
    }
    t.join();
}

std::vector<uint8_t> random_pixels(TestRng &rng, size_t n)
{
    std::vector<uint8_t> v(n);
    rng.pixels(v.data(), n);
    return v;
}

// Runs one job with `workers` threads (0: on this thread) and returns the
// destination.
std::vector<uint8_t> run_job(int workers, RenderJob job, std::vector<uint8_t> dst, int32_t begin,
                             int32_t end, bool split = true)
{
    within_seconds(20, [&] {
        if (workers > 0) {
            EXPECT_EQ(0, start_render_workers_count(workers));
        }
        EXPECT_EQ(workers > 0 ? workers : 1, render_worker_count());
        job.dst_pixels = dst.data();
        if (split)
            run_render_job_split(job, begin, end);
        else
            run_render_job_all(job);
        if (workers > 0)
            stop_render_workers();
    });
    return dst;
}

void expect_same_on_all_counts(const RenderJob &job, const std::vector<uint8_t> &dst, int32_t begin,
                               int32_t end)
{
    std::vector<uint8_t> one = run_job(0, job, dst, begin, end);
    EXPECT_NE(one, dst) << "the job changed nothing";
    EXPECT_EQ(one, run_job(1, job, dst, begin, end));
    EXPECT_EQ(one, run_job(2, job, dst, begin, end));
}

// A row-blend job over rows of `width` pixels of src and of the destination.
RenderJob blend_job(uint32_t code, std::vector<uint8_t> &src, int32_t width, int32_t opacity)
{
    RenderJob job = {};
    job.code = code;
    job.dst_pitch = width;
    job.src_pixels = src.data();
    job.src_pitch = width;
    job.blit_width = width;
    job.opacity = opacity;
    return job;
}

}  // namespace

TEST(RenderWorkers, RowSplit)
{
    // begin, end, workers, worker, its first and end row (-1: no rows).
    const int32_t cases[][6] = {
        {0, 9, 1, 0, 0, 9},   {0, 1, 2, 0, -1, -1}, {0, 1, 2, 1, 0, 1},
        {4, 11, 2, 0, 4, 7},  {4, 11, 2, 1, 7, 11}, {5, 5, 2, 1, -1, -1},
    };
    for (const auto &c : cases) {
        int32_t a, b;
        split_render_rows(c[0], c[1], c[2], c[3], &a, &b);
        if (c[4] < 0) {
            EXPECT_EQ(a, b) << c[0] << ".." << c[1] << " worker " << c[3];
        } else {
            EXPECT_EQ(c[4], a) << c[0] << ".." << c[1] << " worker " << c[3];
            EXPECT_EQ(c[5], b) << c[0] << ".." << c[1] << " worker " << c[3];
        }
    }
}

TEST(RenderWorkers, BlendJobsSameOnOneAndTwoWorkers)
{
    ensure_blend_tables();
    TestRng rng(42);
    const int dw = 97, dh = 61, sw = 80, sh = 50;
    std::vector<uint8_t> dst = random_pixels(rng, (size_t)dw * dh * 4 + dw * 4 + 4);
    std::vector<uint8_t> src = random_pixels(rng, (size_t)sw * sh * 4 + sw * 4 + 4);
    std::vector<uint8_t> mask = random_pixels(rng, (size_t)sw * sh * 4 + sw * 4 + 4);
    fill_rule_weights(140, 60, 256);
    for (uint32_t code : {JOB_BLEND_ROWS, JOB_BLEND_ROWS_MASKED, JOB_BLEND_ROWS_ALPHA,
                          JOB_BLEND_ROWS_MASKED_ALPHA})
        for (int mode : {0, 1, 4, 8, 15, 18})
            for (int opacity : {256, 130}) {
                SCOPED_TRACE("code " + std::to_string(code) + " mode " + std::to_string(mode) +
                             " opacity " + std::to_string(opacity));
                RenderJob job = {};
                job.code = code;
                job.dst_pitch = dw;
                job.src_pixels = src.data();
                job.src_pitch = sw;
                job.mask_pixels = mask.data();
                job.mask_pitch = sw;
                job.blit_width = 45;
                job.blit_src_x = 5;
                job.blit_src_y = 3;
                job.blit_dst_x = 10;
                job.blit_dst_y = 7;
                job.blend_mode = mode;
                job.opacity = opacity;
                job.rule_progress = 140;
                job.rule_softness = 60;
                expect_same_on_all_counts(job, dst, 0, 37);
            }
}

TEST(RenderWorkers, BlendJobOutOfRangeModeAndOpacityAreClamped)
{
    ensure_blend_tables();
    std::vector<uint8_t> dst(4 * 4 * 2, 10), src(4 * 4 * 2, 200);
    RenderJob job = blend_job(JOB_BLEND_ROWS, src, 4, 9999);   // opacity clamped to 256
    job.blend_mode = 77;   // blended as normal
    std::vector<uint8_t> out = run_job(0, job, dst, 0, 2);
    EXPECT_EQ(200, out[0]);
}

TEST(RenderWorkers, ScalerJobsSameOnOneAndTwoWorkers)
{
    ensure_blend_tables();
    TestRng rng(7);
    const int sw = 50, sh = 60, dw = 64, dh = 40;
    std::vector<uint8_t> src = random_pixels(rng, (size_t)sw * sh * 4 + sw * 4 + 4);
    std::vector<uint8_t> dst = random_pixels(rng, (size_t)dw * dh * 4 + dw * 4 + 4);
    std::vector<uint32_t> rows(dh), cols(2 * dw);
    std::vector<uint16_t> weights(4 * dw);
    RenderJob job = {};
    job.src_pixels = src.data();
    job.src_pitch = sw;
    job.dst_pitch = dw;
    job.col_begin = 3;
    job.col_end = 60;

    // 11: nearest-neighbour remap.
    for (int r = 0; r < dh; r++)
        rows[r] = (uint32_t)rng.range(0, sh - 3);
    for (int c = 0; c < dw; c++)
        cols[c] = (uint32_t)rng.range(0, sw - 3);
    job.code = JOB_REMAP_ROWS;
    job.row_table = rows.data();
    job.col_table = cols.data();
    job.src_x = 2;
    job.src_y = 1;
    job.dst_width = dw;
    expect_same_on_all_counts(job, dst, 0, dh);

    // 21: bilinear, byte offsets and four lanes of weight per column.
    for (int c = 0; c < dw; c++) {
        cols[c] = (uint32_t)rng.range(0, sw - 2) * 4;
        uint16_t w = (uint16_t)rng.range(0, 255);
        for (int k = 0; k < 4; k++)
            weights[4 * c + k] = w;
    }
    job.code = JOB_SCALE_BILINEAR;
    job.col_weights = weights.data();
    job.src_x = 0;
    job.src_y = 150;
    job.src_bottom = 2500;
    job.dst_width = dw * 100;
    job.dst_height = 4000;
    expect_same_on_all_counts(job, dst, 0, dh);
    job.dst_height = 1200;   // a shrinking grid
    expect_same_on_all_counts(job, dst, 0, 12);

    // 41: the doubled grid of 24.8 positions.
    for (int c = 0; c < 2 * dw; c++)
        cols[c] = (uint32_t)rng.range(0, (sw - 2) * 256 + 255);
    job.code = JOB_SCALE_BILINEAR_AVG;
    job.dst_height = 4000;
    expect_same_on_all_counts(job, dst, 0, 20);
}

TEST(RenderWorkers, BoxDownscaleSameOnOneAndTwoWorkers)
{
    ensure_blend_tables();
    TestRng rng(9);
    for (int f : {1, 2, 3, 12, 16}) {
        SCOPED_TRACE("factor " + std::to_string(f));
        const int dw = 20, dh = 9, sw = dw * f + 1, sh = dh * f + 2;
        std::vector<uint8_t> src(((size_t)sw * sh + sw + 1) * 4, 255);   // all 255: no 16-bit room
        if (f < 12)
            rng.pixels(src.data(), src.size());
        std::vector<uint8_t> dst = random_pixels(rng, (size_t)dw * dh * 4);
        RenderJob job = {};
        job.code = JOB_DOWNSCALE_BOX;
        job.src_pixels = src.data();
        job.src_pitch = sw;
        job.dst_width = dw;
        job.src_x = 0;
        job.src_y = 1;
        expect_same_on_all_counts(job, dst, 0, dh);
        if (f >= 12) {
            std::vector<uint8_t> out = run_job(0, job, dst, 0, dh);
            for (uint8_t b : out)
                ASSERT_EQ(255, b);   // full sums, no overflow
        }
    }
    // A destination wider than the source pitch, or of width 0: nothing, no division by 0.
    std::vector<uint8_t> src(64, 1), dst(64, 7);
    RenderJob job = {};
    job.code = JOB_DOWNSCALE_BOX;
    job.src_pixels = src.data();
    job.src_pitch = 4;
    job.dst_width = 8;
    EXPECT_EQ(dst, run_job(0, job, dst, 0, 1));
    job.dst_width = 0;
    EXPECT_EQ(dst, run_job(0, job, dst, 0, 1));
}

TEST(RenderWorkers, InflateHalves)
{
    TestRng rng(5);
    std::vector<uint8_t> part1(5000), part2(3000);
    for (size_t i = 0; i < part1.size(); i++)
        part1[i] = (uint8_t)(i / 7 + rng.range(0, 3));
    for (size_t i = 0; i < part2.size(); i++)
        part2[i] = (uint8_t)(i / 3);
    uLongf n1 = compressBound(part1.size()), n2 = compressBound(part2.size());
    std::vector<uint8_t> p1(n1), p2(n2);
    ASSERT_EQ(Z_OK, compress(p1.data(), &n1, part1.data(), part1.size()));
    ASSERT_EQ(Z_OK, compress(p2.data(), &n2, part2.data(), part2.size()));
    std::vector<uint8_t> file(KV_KCG_HEADER_SIZE, 0);
    file.insert(file.end(), p1.begin(), p1.begin() + n1);
    file.insert(file.end(), p2.begin(), p2.begin() + n2);
    std::vector<uint8_t> want = part1;
    want.insert(want.end(), part2.begin(), part2.end());

    RenderJob job = {};
    job.code = JOB_INFLATE_HALVES;
    job.part1_unpacked = (uint32_t)part1.size();
    job.part1_packed = (uint32_t)n1;
    job.part2_unpacked = (uint32_t)part2.size();
    job.part2_packed = (uint32_t)n2;
    job.file_data = file.data();
    job.file_size = file.size();
    job.dst_size = want.size();
    std::vector<uint8_t> blank(want.size(), 0);
    EXPECT_EQ(want, run_job(2, job, blank, 0, 0, false));

    // One worker inflates part 1 only; the decoder does the rest itself.
    std::vector<uint8_t> one = run_job(1, job, blank, 0, 0, false);
    EXPECT_TRUE(std::equal(part1.begin(), part1.end(), one.begin()));

    // Sizes that do not fit the buffers are refused, not followed.
    job.part2_packed = (uint32_t)file.size();
    job.part2_unpacked = 1u << 30;
    std::vector<uint8_t> out = run_job(2, job, blank, 0, 0, false);
    EXPECT_TRUE(std::equal(part1.begin(), part1.end(), out.begin()));
    EXPECT_EQ(-1, g_render_jobs[1].result);
}

TEST(RenderWorkers, UnknownCodeLeavesDestination)
{
    std::vector<uint8_t> dst(64, 3);
    RenderJob job = {};
    job.code = 77;
    EXPECT_EQ(dst, run_job(2, job, dst, 0, 4));
}

TEST(RenderWorkers, ShutdownWhileIdle)
{
    within_seconds(20, [] {
        for (int round = 0; round < 20; round++) {
            ASSERT_EQ(0, start_render_workers_count(2));
            stop_render_workers();
        }
        g_quit_flag = 1;   // the shutdown order: the flag first, then the wake-up
        ASSERT_EQ(0, start_render_workers_count(2));
        stop_render_workers();
        g_quit_flag = 0;
    });
}

// A fatal error sets the quit flag while frames may still be composed: the
// workers leave, and later jobs still complete on the caller's thread.
TEST(RenderWorkers, JobsCompleteAfterQuitFlag)
{
    ensure_blend_tables();
    within_seconds(20, [] {
        std::vector<uint8_t> dst(16 * 8 * 4, 10), src(16 * 8 * 4, 200);
        RenderJob job = blend_job(JOB_BLEND_ROWS, src, 16, 256);
        job.dst_pixels = dst.data();
        ASSERT_EQ(0, start_render_workers_count(2));
        g_quit_flag = 1;
        for (int round = 0; round < 3; round++) {
            std::fill(dst.begin(), dst.end(), 10);
            run_render_job_split(job, 0, 8);
            EXPECT_EQ(src, dst);
        }
        stop_render_workers();
        g_quit_flag = 0;
    });
}

// Many small jobs back to back: the handshake under load (and under
// ThreadSanitizer in its own build).
TEST(RenderWorkers, ManySmallJobs)
{
    ensure_blend_tables();
    within_seconds(60, [] {
        TestRng rng(3);
        std::vector<uint8_t> src = random_pixels(rng, 32 * 32 * 4);
        std::vector<uint8_t> dst(32 * 32 * 4, 0), want(32 * 32 * 4, 0);
        RenderJob job = blend_job(JOB_BLEND_ROWS_ALPHA, src, 32, 256);
        job.dst_pixels = want.data();
        for (int i = 0; i < 500; i++)
            run_render_job_split(job, 0, 32);
        ASSERT_EQ(0, start_render_workers_count(2));
        job.dst_pixels = dst.data();
        for (int i = 0; i < 500; i++)
            run_render_job_split(job, 0, 32);
        stop_render_workers();
        EXPECT_EQ(want, dst);
    });
}

// The placement hint reaches a running thread and refuses one that is gone.
TEST(RenderWorkers, IdealProcessorHint)
{
    std::promise<void> go;
    std::shared_future<void> wait_go = go.get_future().share();
    std::thread t([wait_go] { wait_go.wait(); });
    EXPECT_EQ(0, sys_thread_set_ideal_processor(t, 0));
    EXPECT_EQ(-1, sys_thread_set_ideal_processor(t, -1));
    go.set_value();
    t.join();
    EXPECT_EQ(-1, sys_thread_set_ideal_processor(t, 0));
}

// A program that ends with its workers still running ends normally.
TEST(RenderWorkersDeathTest, ExitWithWorkersRunning)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            start_render_workers_count(2);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}
