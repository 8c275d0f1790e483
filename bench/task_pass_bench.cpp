// 1000 script tasks that each wait one pass and go round (a wait and a
// jump per turn), run pass after pass by the scheduler; beside it 1000 Lua
// 5.4 coroutines resumed in turn, each yielding at once (the lua5.4
// interpreter, timed by itself). Reported as ns per task per pass; the
// figures to compare are the minima.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "core/error_report.h"
#include "core/pack.h"
#include "core/quit.h"
#include "core/tree.h"
#include "core/window.h"
#include "script/expr.h"
#include "script/project.h"
#include "script/scheduler.h"
#include "script/script_file.h"
#include "script/task.h"
#include "script/vars.h"
#include "shell/startup.h"

namespace {

const int k_tasks = 1000, k_passes = 200;
std::string g_dir;

bool load_project(std::string *why)
{
    char tmpl[] = "/tmp/kvtaskbench_XXXXXX";
    if (!mkdtemp(tmpl)) {
        *why = "mkdtemp";
        return false;
    }
    g_dir = tmpl;
    std::ofstream(g_dir + "/desc.txt")
        << "project width=640 height=480\nscript 0 \"bench.kvs\"\nlabel SYSTEM_START\n"
           "wait frames=100000000\nlabel TW\nwait frames=1\ngoto \"TW\"\n";
    std::string cmd = "python3 '" KV_GENERATOR "' project '" + g_dir + "/desc.txt' '" + g_dir +
                      "/out' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0 || chdir((g_dir + "/out").c_str()) != 0) {
        *why = "the project generator failed";
        return false;
    }
    g_error_shown = 1;
    create_window_objects();
    init_path_special_chars();
    init_pack_name_table();
    create_tree_roots();
    TreeNode *sys = name_tree_lookup(g_task_tree, "SYSTEM", KV_FIND_LEAF);
    ScriptTask *t = script_task_create();
    t->main_task = 1;
    sys->payload = t;
    init_expr_op_table(1);
    init_assign_op_table();
    if (load_project_config() != 0 || load_project_and_prime_system() != 0) {
        *why = "the project did not load";
        return false;
    }
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

double min_of(const std::vector<double> &v)
{
    return *std::min_element(v.begin(), v.end());
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
    FILE *p = popen(("lua5.4 -e \"" + code + "\" 2>/dev/null").c_str(), "r");
    if (!p)
        return -1;
    char buf[64] = {};
    size_t got = fread(buf, 1, sizeof buf - 1, p);
    pclose(p);
    return got ? std::atof(buf) : -1;
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

struct Cleanup {
    ~Cleanup()
    {
        if (!g_dir.empty() && chdir("/tmp") == 0)
            std::system(("rm -rf '" + g_dir + "'").c_str());
    }
} g_cleanup;

}  // namespace

BENCHMARK_MAIN();
