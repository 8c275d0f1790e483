// Start-up entry of the render workers: the worker count that start-up
// worked out from the processor count and kvcfg.dat word 4. Kept apart so
// that programs without the start-up sequence can use the workers.
#include "core/engine_state.h"
#include "graphics/render_workers.h"

int start_render_workers()
{
    return start_render_workers_count(g_worker_count);
}
