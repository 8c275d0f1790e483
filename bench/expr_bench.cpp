// Evaluator speed: ns per evaluation of typical argument expressions.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "script/expr.h"
#include "script/vars.h"

namespace {

struct Code {
    std::vector<uint8_t> b;
    Code &op(char c, std::vector<uint8_t> operand = {})
    {
        b.push_back((uint8_t)c);
        b.push_back((uint8_t)operand.size());
        b.push_back((uint8_t)(operand.size() >> 8));
        b.insert(b.end(), operand.begin(), operand.end());
        return *this;
    }
    Code &i(int8_t v) { return op('B', {(uint8_t)v}); }
    Code &var(uint32_t id) { return op('H', {'`', (uint8_t)id, (uint8_t)(id >> 8)}); }
    Code &open(uint32_t id) { return op('V', {'`', (uint8_t)id, (uint8_t)(id >> 8)}); }
    Code &s(const char *t)
    {
        std::vector<uint8_t> o{'"'};
        o.insert(o.end(), t, t + strlen(t));
        o.push_back('"');
        return op('M', o);
    }
};

void setup_vars()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    var_table_alloc(1100);
    init_expr_op_table(1);
    var_init_int(1000, 12);
    var_init_int(1001, 5);
    var_init_int(1002, 7);
    var_init_int(1003, 3);
    var_init_float(1010, 1.5);
    var_init_float(1011, 2.25);
    var_init_float(1012, 4.0);
    var_init_float(1013, 0.5);
    VarDescriptor *v = var_descriptor(1020);
    v->dim_count = 2;
    v->dims[0] = 64;
    v->dims[1] = 64;
    var_init_int(1020, 9);
    var_init_string(1030, "キャラクター", 12);
}

void BM_Constant(benchmark::State &st)
{
    setup_vars();
    Code c;
    c.i(42);
    for (auto _ : st)
        benchmark::DoNotOptimize(expr_eval_int(c.b.data(), (uint32_t)c.b.size()));
}
BENCHMARK(BM_Constant);

// The two runs of a counted script loop's body: one variable (an
// assignment's value) and a variable compared with a constant (its 'if').
void BM_IntVar(benchmark::State &st)
{
    setup_vars();
    Code c;
    c.var(1000);
    for (auto _ : st)
        benchmark::DoNotOptimize(expr_eval_int(c.b.data(), (uint32_t)c.b.size()));
}
BENCHMARK(BM_IntVar);

void BM_IntCompare(benchmark::State &st)
{
    setup_vars();
    Code c;
    c.var(1000).op('L', {0x00, 0xCA, 0x9A, 0x3B, 0, 0, 0, 0}).op('>');
    for (auto _ : st)
        benchmark::DoNotOptimize(expr_eval_int(c.b.data(), (uint32_t)c.b.size()));
}
BENCHMARK(BM_IntCompare);

// a + b * c - d
void BM_IntArith(benchmark::State &st)
{
    setup_vars();
    Code c;
    c.var(1000).var(1001).var(1002).op('*').op('+').var(1003).op('-');
    for (auto _ : st)
        benchmark::DoNotOptimize(expr_eval_int(c.b.data(), (uint32_t)c.b.size()));
}
BENCHMARK(BM_IntArith);

void BM_FloatArith(benchmark::State &st)
{
    setup_vars();
    Code c;
    c.var(1010).var(1011).var(1012).op('*').op('+').var(1013).op('-');
    for (auto _ : st)
        benchmark::DoNotOptimize(expr_eval_double(c.b.data(), (uint32_t)c.b.size()));
}
BENCHMARK(BM_FloatArith);

void BM_ArrayRead2D(benchmark::State &st)
{
    setup_vars();
    Code c;
    c.open(1020).i(17).i(33).op(')');
    for (auto _ : st)
        benchmark::DoNotOptimize(expr_eval_int(c.b.data(), (uint32_t)c.b.size()));
}
BENCHMARK(BM_ArrayRead2D);

void BM_StringConcat(benchmark::State &st)
{
    setup_vars();
    Code c;
    c.var(1030).s("の名前").op('+');
    char buf[EXPR_STRING_SIZE];
    for (auto _ : st)
        benchmark::DoNotOptimize(expr_eval_string(buf, c.b.data(), (uint32_t)c.b.size()));
}
BENCHMARK(BM_StringConcat);

void BM_StringCompare(benchmark::State &st)
{
    setup_vars();
    Code c;
    c.var(1030).s("キャラクター").op('=');
    for (auto _ : st)
        benchmark::DoNotOptimize(expr_eval_int(c.b.data(), (uint32_t)c.b.size()));
}
BENCHMARK(BM_StringCompare);

}  // namespace

BENCHMARK_MAIN();
