// Render worker threads and the start / acknowledge / done handshake.
//
// The events are auto-reset: start and acknowledge start clear, done starts
// set. A caller starts worker i and waits for its acknowledgement, which
// tells it that the worker has cleared its done event; only then does it
// wait for done. The events carry the happens-before edges between the
// caller's record and the worker's rows.
#include "graphics/render_workers.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "core/quit.h"
#include "platform/sys_thread.h"

#if defined(__x86_64__) || defined(__i386__)
#include <emmintrin.h>
#define KV_SPIN_PAUSE() _mm_pause()
#else
#define KV_SPIN_PAUSE() ((void)0)
#endif

RenderJob g_render_jobs[KV_MAX_RENDER_WORKERS];

namespace {

// An auto-reset event. A waiter spins briefly before it sleeps: jobs of small
// layers finish in microseconds, and a sleep and wake-up costs more than that.
struct KvEvent {
    std::mutex lock;
    std::condition_variable cv;
    std::atomic<bool> signalled{false};

    void set()
    {
        {
            std::lock_guard<std::mutex> g(lock);
            signalled.store(true, std::memory_order_release);
        }
        cv.notify_one();
    }
    void reset() { signalled.store(false, std::memory_order_release); }
    bool try_take()
    {
        bool expected = true;
        return signalled.compare_exchange_strong(expected, false, std::memory_order_acq_rel);
    }
    void wait()
    {
        for (int i = 0; i < 4000; i++) {
            if (signalled.load(std::memory_order_relaxed) && try_take())
                return;
            KV_SPIN_PAUSE();
        }
        std::unique_lock<std::mutex> g(lock);
        cv.wait(g, [this] { return try_take(); });
    }
};

struct RenderWorker {
    std::thread thread;
    KvEvent start, ack, done;
    std::atomic<bool> exited{false};   // left its loop on g_quit_flag
};

RenderWorker g_workers[KV_MAX_RENDER_WORKERS];
int g_workers_running;   // threads made (dispatching caller and start-up only)
// Set by stop_render_workers besides g_quit_flag, so that stopping never
// depends on the caller having set the quit flag first.
std::atomic<bool> g_workers_stopping{false};

// A program that ends without stopping its workers (an early return, exit())
// would otherwise destroy running std::thread objects, which aborts. Made
// after g_workers, so destroyed before them.
struct WorkerStopAtExit {
    ~WorkerStopAtExit();
};
WorkerStopAtExit g_workers_stop_at_exit;

}  // namespace

WorkerStopAtExit::~WorkerStopAtExit()
{
    stop_render_workers();
}

static void render_worker_proc(RenderJob *job)
{
    // The index from the record's place, not its contents: the caller may be
    // filling the record already while this thread starts.
    int i = (int)(job - g_render_jobs);
    RenderWorker &w = g_workers[i];
    for (;;) {
        w.start.wait();
        w.done.reset();
        w.ack.set();
        if (g_quit_flag.load(std::memory_order_acquire) ||
            g_workers_stopping.load(std::memory_order_acquire))
            break;
        run_render_job_handler(i);
        w.done.set();
    }
    w.exited.store(true, std::memory_order_release);
    w.done.set();
}

int start_render_workers_count(int count)
{
    if (g_workers_running > 0)
        return 0;
    count = count < 1 ? 1 : (count > KV_MAX_RENDER_WORKERS ? KV_MAX_RENDER_WORKERS : count);
    g_workers_stopping.store(false);
    for (int i = 0; i < count; i++) {
        RenderWorker &w = g_workers[i];
        w.start.reset();
        w.ack.reset();
        w.done.signalled.store(true);
        w.exited.store(false);
        g_render_jobs[i] = RenderJob();
        g_render_jobs[i].index = (uint32_t)i;
        try {
            w.thread = std::thread(render_worker_proc, &g_render_jobs[i]);
        } catch (...) {
            break;   // fewer workers; with none the jobs run on the caller's thread
        }
        // Worker i prefers processor i, so two workers land on two cores.
        sys_thread_set_ideal_processor(w.thread, i);
        g_workers_running = i + 1;
    }
    return g_workers_running > 0 ? 0 : -1;
}

void stop_render_workers()
{
    g_workers_stopping.store(true, std::memory_order_release);
    for (int i = 0; i < g_workers_running; i++)
        g_workers[i].start.set();
    for (int i = 0; i < g_workers_running; i++)
        if (g_workers[i].thread.joinable())
            g_workers[i].thread.join();
    g_workers_running = 0;
}

int render_worker_count()
{
    return g_workers_running > 0 ? g_workers_running : 1;
}

// Runs records [0, n) with the handshake; the caller runs record `own`
// itself (-1: none) while the workers run theirs.
static void dispatch_records(int n, int own)
{
    if (g_workers_running == 0) {
        g_render_jobs[0].index = 0;
        run_render_job_handler(0);
        return;
    }
    bool started[KV_MAX_RENDER_WORKERS] = {};
    for (int i = 0; i < n; i++) {
        if (i == own)
            continue;
        RenderWorker &w = g_workers[i];
        if (w.exited.load(std::memory_order_acquire))
            continue;
        w.start.set();
        w.ack.wait();
        started[i] = true;
    }
    if (own >= 0)
        run_render_job_handler(own);
    for (int i = 0; i < n; i++) {
        if (i == own)
            continue;
        if (started[i])
            g_workers[i].done.wait();
        // A worker that left on the quit flag did not run its record: run it
        // here so the caller never waits for a thread that is gone.
        if (g_workers[i].exited.load(std::memory_order_acquire))
            run_render_job_handler(i);
    }
}

void dispatch_render_jobs()
{
    dispatch_records(g_workers_running, -1);
}

void split_render_rows(int32_t begin, int32_t end, int n, int i, int32_t *first, int32_t *last)
{
    int64_t h = end > begin ? (int64_t)end - begin : 0;
    if (n < 1)
        n = 1;
    *first = (int32_t)(begin + h * i / n);
    *last = i + 1 >= n ? (h > 0 ? end : begin) : (int32_t)(begin + h * (i + 1) / n);
}

void run_render_job_split(const RenderJob &job, int32_t begin, int32_t end)
{
    int n = render_worker_count();
    bool blend = job.code >= JOB_BLEND_ROWS && job.code <= JOB_BLEND_ROWS_MASKED_ALPHA;
    for (int i = 0; i < n; i++) {
        RenderJob &r = g_render_jobs[i];
        r = job;
        r.index = (uint32_t)i;
        r.result = 0;
        int32_t first, last;
        split_render_rows(begin, end, n, i, &first, &last);
        if (blend) {
            r.blit_row_begin = first;
            r.blit_row_end = last;
        } else {
            r.row_begin = first;
            r.row_end = last;
        }
    }
    // The caller would only wait: it takes the last share itself, and with
    // one worker the whole job, which saves a hand-over per job.
    dispatch_records(n, n - 1);
}

void run_render_job_all(const RenderJob &job)
{
    int n = render_worker_count();
    for (int i = 0; i < n; i++) {
        g_render_jobs[i] = job;
        g_render_jobs[i].index = (uint32_t)i;
        g_render_jobs[i].result = 0;
    }
    dispatch_render_jobs();
}
