// A generated script whose counted loop adds and compares integers ten
// million times, run by the scheduler; beside it the same loop in Lua 5.4
// (the lua5.4 interpreter, timed by itself), with locals and with globals.
// Also the argument loader's loop (a command with two number arguments) and
// the bare cost of an instruction (a loop of commands that do nothing).
// Reported as ns per iteration. The figures move by a fifth or so with where
// code and data happen to lie; take the minimum of several runs.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "bench_project.h"
#include "core/error_report.h"
#include "core/quit.h"
#include "core/tree.h"
#include "script/scheduler.h"
#include "script/script_file.h"
#include "script/task.h"
#include "script/vars.h"

namespace {

using namespace benchproj;

// KV_BENCH_ITERATIONS shortens the loop for instruction-count profiles
// (callgrind), where ten million iterations would take minutes.
int64_t bench_iterations()
{
    const char *e = std::getenv("KV_BENCH_ITERATIONS");
    int64_t n = e ? std::atoll(e) : 0;
    return n > 0 ? n : 10000000;
}
const int64_t k_iterations = bench_iterations();

// Expression code in the generator's hex form.
std::string hex_of(const std::string &bytes)
{
    static const char d[] = "0123456789abcdef";
    std::string s = "hex:";
    for (unsigned char c : bytes) {
        s += d[c >> 4];
        s += d[c & 15];
    }
    return s;
}
std::string op(char c, const std::string &operand = "")
{
    std::string s(1, c);
    s += (char)(operand.size() & 0xFF);
    s += (char)(operand.size() >> 8);
    return s + operand;
}
std::string var(int id)
{
    std::string o = "`";
    o += (char)(id & 0xFF);
    o += (char)(id >> 8);
    return op('H', o);
}
std::string num(int64_t v)
{
    std::string o;
    for (int i = 0; i < 8; i++)
        o += (char)((uint64_t)v >> (8 * i));
    return op('L', o);
}

// s += i; if s > 1000000000 then s -= 1000000000 (i is the loop counter, $48).
std::string description()
{
    std::string add = "assign target:1:1=" + hex_of(var(1000)) + " value=" + hex_of(var(48)) + "\n";
    std::string cond = "if " + hex_of(var(1000) + num(1000000000) + op('>')) + "\n";
    std::string sub = "assign target:1:2=" + hex_of(var(1000)) + " value=" + hex_of(num(1000000000)) + "\n";
    return "project width=640 height=480\nvar 48 int global = 0\nvar 1000 int global = 0\n"
           "script 0 \"bench.kvs\"\nlabel SYSTEM_START\nloop " + hex_of(num(k_iterations)) + "\n" +
           add + cond + sub + "endif\nendloop\nend\n";
}

// The argument loader's path: a loop whose body is one command with two
// number arguments that loads them and goes on (wait of 0 frames and 0 ms).
std::string args_description()
{
    return "project width=640 height=480\n"
           "script 0 \"bench.kvs\"\nlabel SYSTEM_START\nloop " + hex_of(num(k_iterations)) + "\n"
           "wait frames=" + hex_of(num(0)) + " ms=" + hex_of(num(0)) + "\nendloop\nend\n";
}

// The cost of running an instruction at all: a loop of three commands that
// do nothing (command 9), through the handler call of every instruction.
std::string dispatch_description()
{
    return "project width=640 height=480\n"
           "script 0 \"bench.kvs\"\nlabel SYSTEM_START\nloop " + hex_of(num(k_iterations)) + "\n"
           "9\n9\n9\nendloop\nend\n";
}

// Runs the loaded project's main task from SYSTEM_START once per benchmark
// iteration (`before` resets what the script changes); false when it could
// not be loaded. Reports ns per loop iteration.
bool run_loop(benchmark::State &state, bool loaded, const std::string &why, void (*before)(void))
{
    if (!loaded) {
        state.SkipWithError(why.c_str());
        return false;
    }
    TreeNode *sys = name_tree_lookup(g_task_tree, "SYSTEM", KV_FIND_LEAF);
    ScriptTask *t = (ScriptTask *)sys->payload;
    int start = name_table_find("SYSTEM_START", 12);
    for (auto _ : state) {
        g_quit_flag = 0;
        t->pc = g_name_table.labels[start]->pc;
        t->loop_depth = 0;
        t->block_depth = 0;
        if (before)
            before();
        g_pass_count++;
        run_script_tasks(g_task_tree);
    }
    if (g_last_error_code)
        state.SkipWithError(g_error_text);
    state.counters["ns_per_iteration"] = benchmark::Counter(
        (double)k_iterations * state.iterations(),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    return true;
}

void BM_ScriptLoop(benchmark::State &state)
{
    std::string why;
    static bool loaded = load_generated_project(description(), &why);
    if (!run_loop(state, loaded, why, [] { var_set_number(1000, 0, 0); }))
        return;
    // The sum of 1..10^7 reduced as the script does.
    int64_t s = 0;
    for (int64_t i = 1; i <= k_iterations; i++) {
        s += i;
        if (s > 1000000000)
            s -= 1000000000;
    }
    if (var_get_int(1000, 0) != s)
        state.SkipWithError("wrong result");
}

void BM_ScriptArgsLoop(benchmark::State &state)
{
    std::string why;
    static bool loaded = load_generated_project(args_description(), &why);
    run_loop(state, loaded, why, nullptr);
}

void BM_ScriptDispatchLoop(benchmark::State &state)
{
    std::string why;
    static bool loaded = load_generated_project(dispatch_description(), &why);
    run_loop(state, loaded, why, nullptr);
}

BENCHMARK(BM_ScriptLoop)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)
    ->ComputeStatistics("min", min_of)->ReportAggregatesOnly(true);
BENCHMARK(BM_ScriptArgsLoop)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)
    ->ComputeStatistics("min", min_of)->ReportAggregatesOnly(true);
BENCHMARK(BM_ScriptDispatchLoop)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)
    ->ComputeStatistics("min", min_of)->ReportAggregatesOnly(true);

// Lua times its own loop (os.clock) and prints ns per iteration.
double lua_ns_per_iteration(bool globals)
{
    std::string decl = globals ? "s = 0" : "local s = 0";
    std::string code = "local t = os.clock(); " + decl + "; for i = 1, " + std::to_string(k_iterations) +
                       " do s = s + i; if s > 1000000000 then s = s - 1000000000 end end; "
                       "io.write(string.format('%.3f', (os.clock() - t) * 1e9 / " +
                       std::to_string(k_iterations) + "))";
    return lua_figure(code);
}

void BM_LuaLoop(benchmark::State &state)
{
    bool globals = state.range(0) != 0;
    double total = 0;
    for (auto _ : state) {
        double ns = lua_ns_per_iteration(globals);
        if (ns < 0) {
            state.SkipWithError("lua5.4 did not run");
            return;
        }
        total += ns;
    }
    state.counters["ns_per_iteration"] = total / (double)state.iterations();
    state.SetLabel(globals ? "globals" : "locals");
}
BENCHMARK(BM_LuaLoop)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)
    ->ComputeStatistics("min", min_of)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
