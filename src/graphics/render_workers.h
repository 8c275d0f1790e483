// Render workers: one or two persistent threads that split row work.
//
// Each worker owns one RenderJob record and three auto-reset events (start,
// acknowledge, done). A caller on the frame thread fills the records, starts
// each worker and waits for its acknowledgement, then waits until every
// worker is done. Only one caller dispatches at a time.
#pragma once

#include <cstddef>

#include "core/kv_base.h"

enum {
    KV_MAX_RENDER_WORKERS = 2,
    KV_KCG_HEADER_SIZE = 56
};

// Job codes; any other code does nothing.
enum RenderJobCode {
    JOB_NONE = 0,
    JOB_REMAP_ROWS = 11,             // nearest-neighbour remap (CPU scaler)
    JOB_SCALE_BILINEAR = 21,         // bilinear scaler
    JOB_SCALE_BILINEAR_AVG = 41,     // sharpened bilinear: doubled grid, 2 x 2 average
    JOB_DOWNSCALE_BOX = 42,          // box downscale (texture path)
    JOB_BLEND_ROWS = 101,            // kind A: plain
    JOB_BLEND_ROWS_MASKED = 102,     // kind C: rule mask
    JOB_BLEND_ROWS_ALPHA = 103,      // kind B: source alpha
    JOB_BLEND_ROWS_MASKED_ALPHA = 104,   // kind D: rule mask x source alpha
    JOB_INFLATE_HALVES = 1001        // two-part inflate of a .kcg image
};

// The job record of one worker. Internal to the engine: real pointers.
struct RenderJob {
    uint32_t index;          // worker index, set once when the worker is made
    uint32_t code;           // RenderJobCode

    // Row jobs 11, 21, 41, 42.
    int32_t row_begin;       // first destination row
    int32_t row_end;         // end destination row (exclusive)
    int32_t col_begin;       // first destination column (11, 21, 41)
    int32_t col_end;         // end destination column, exclusive (11, 21, 41)
    int32_t src_x;           // 11: column offset; 21, 41: 1/100 pixel; 42: pixels
    int32_t src_y;           // 11: row offset; 21, 41: 1/100 pixel; 42: pixels
    int32_t src_bottom;      // 21, 41: 1/100 pixel
    int32_t src_pitch;       // source pitch in pixels (row jobs and blend jobs)
    int32_t dst_width;       // 11, 42: pixels; 21, 41: 1/100 pixel
    int32_t dst_height;      // 21, 41: 1/100 pixel
    int32_t dst_pitch;       // destination pitch in pixels (row and blend jobs;
                             // 11 and 42 take dst_width when it is 0)
    uint8_t *dst_pixels;     // destination pixels (row jobs, blend jobs, 1001)
    const uint8_t *src_pixels;   // source pixels (row jobs, blend jobs)
    const uint32_t *row_table;   // 11: source row per destination row
    const uint32_t *col_table;   // 11: source column; 21: source byte offset;
                                 // 41: 24.8 positions of the doubled grid
    const uint16_t *col_weights; // 21: four lanes of the weight per destination column

    // Blend jobs 101-104: the blit and the layer values the rows need.
    int32_t blit_row_begin;  // first row of the blit handled by this worker (relative)
    int32_t blit_row_end;    // end row (exclusive)
    int32_t blit_width;      // pixels
    int32_t blit_src_x, blit_src_y;
    int32_t blit_dst_x, blit_dst_y;
    const uint8_t *mask_pixels;  // 102, 104: rule mask, read at the source coordinates
    int32_t mask_pitch;      // mask layer width in pixels
    int32_t blend_mode;      // of the source layer, clamped to 0..18 when used
    int32_t opacity;         // of the source layer, clamped to 0..256 when used
    int32_t rule_progress;
    int32_t rule_softness;

    // Job 1001.
    uint32_t part1_unpacked, part1_packed;
    uint32_t part2_unpacked, part2_packed;
    const uint8_t *file_data;    // the whole file image, header first
    size_t file_size;            // bytes of file_data
    size_t dst_size;             // bytes of dst_pixels

    int32_t result;          // 0, or -1 when the handler could not do its work
};

extern RenderJob g_render_jobs[KV_MAX_RENDER_WORKERS];

// Start-up: g_worker_count workers (clamped to 1..2). 0, or -1 when no thread
// could be made (jobs then run on the calling thread).
int start_render_workers();
int start_render_workers_count(int count);
// Shutdown: the caller sets g_quit_flag first; wakes every worker, which
// acknowledges, signals done and ends; joins them.
void stop_render_workers();
// Number of job records in use: the running workers, or 1 when none runs.
int render_worker_count();

// Runs record i of every worker in use with the start / acknowledge / done
// handshake and returns when all are done (on the calling thread when no
// worker runs).
void dispatch_render_jobs();
// Fills every record from `job` (keeping each index), gives each worker its
// share of the rows [begin, end) (row_begin/row_end for 11, 21, 41, 42;
// blit_row_begin/blit_row_end for 101-104), dispatches and waits. The calling
// thread runs the last share itself (with one worker, the whole job).
void run_render_job_split(const RenderJob &job, int32_t begin, int32_t end);
// Fills every record from `job` without splitting (1001), dispatches, waits.
void run_render_job_all(const RenderJob &job);
// Rows of worker i of n for [begin, end): worker 0 takes (end - begin) / n.
void split_render_rows(int32_t begin, int32_t end, int n, int i, int32_t *first,
                       int32_t *last);

// Handlers: each reads g_render_jobs[worker].
void job_remap_rows(int worker);
void job_scale_bilinear(int worker);
void job_scale_bilinear_avg(int worker);
void job_downscale_box(int worker);
void job_blend_rows(int worker);
void job_blend_rows_masked(int worker);
void job_blend_rows_alpha(int worker);
void job_blend_rows_masked_alpha(int worker);
void job_inflate_halves(int worker);
// Runs the handler of g_render_jobs[worker].code on the calling thread.
void run_render_job_handler(int worker);
