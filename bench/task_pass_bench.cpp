// 1000 script tasks that each wait one pass and go round (a wait and a
// jump per turn), run pass after pass by the scheduler; beside it 1000 Lua
// 5.4 coroutines resumed in turn, each yielding at once (the lua5.4
// interpreter, timed by itself). Reported as ns per task per pass; the
// figures to compare are the minima.
#include <benchmark/benchmark.h>

#include <string>

#include "bench_project.h"
#include "core/error_report.h"
#include "core/tree.h"
#include "script/project.h"
#include "script/scheduler.h"
#include "script/script_file.h"
#include "script/task.h"

namespace {

using namespace benchproj;

const int k_tasks = 1000, k_passes = 200;

// Every task starts at TW.
bool load_project(std::string *why)
{
    if (!load_generated_project(
            "project width=640 height=480\nscript 0 \"bench.kvs\"\nlabel SYSTEM_START\n"
            "wait frames=100000000\nlabel TW\nwait frames=1\ngoto \"TW\"\n",
            why))
        return false;
    int lab = name_table_find("TW", 2);
    for (int k = 0; k < k_tasks; k++) {
        std::string name = "T" + std::to_string(k);
        TreeNode *node = create_tree_node(g_task_tree, name.c_str(), 0, 200 + k);
        ScriptTask *task = script_task_create();
        node->payload = task;
        if (task_switch_file(task, g_name_table.labels[lab]->file) != 0)
            return false;
        task->pc = g_name_table.labels[lab]->pc;
    }
    return true;
}

void BM_TaskPasses(benchmark::State &state)
{
    std::string why;
    static bool loaded = load_project(&why);
    if (!loaded) {
        state.SkipWithError(why.c_str());
        return;
    }
    for (auto _ : state) {
        for (int p = 0; p < k_passes; p++) {
            g_pass_count++;
            run_script_tasks(g_task_tree);
        }
    }
    if (g_last_error_code)
        state.SkipWithError(g_error_text);
    state.counters["ns_per_task_pass"] = benchmark::Counter(
        (double)k_tasks * k_passes * state.iterations(),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_TaskPasses)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(5)
    ->ComputeStatistics("min", min_of)->ReportAggregatesOnly(true);

// Lua times its own passes (os.clock) and prints ns per resume.
double lua_ns_per_resume()
{
    std::string code =
        "local n, passes = " + std::to_string(k_tasks) + ", " + std::to_string(k_passes * 5) +
        "; local cs = {}; for i = 1, n do cs[i] = coroutine.create(function() "
        "while true do coroutine.yield() end end) end; local resume = coroutine.resume; "
        "local t = os.clock(); for p = 1, passes do for i = n, 1, -1 do resume(cs[i]) end end; "
        "io.write(string.format('%.3f', (os.clock() - t) * 1e9 / (n * passes)))";
    return lua_figure(code);
}

void BM_LuaCoroutines(benchmark::State &state)
{
    double total = 0;
    for (auto _ : state) {
        double ns = lua_ns_per_resume();
        if (ns < 0) {
            state.SkipWithError("lua5.4 did not run");
            return;
        }
        total += ns;
    }
    state.counters["ns_per_task_pass"] = total / (double)state.iterations();
}
BENCHMARK(BM_LuaCoroutines)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)
    ->ComputeStatistics("min", min_of)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
