// Saving and loading a 4,000,000-element integer array through a save file
// (record build, compression, file write; file read, inflation, copy into
// the variable), against zlib's compress2 at the same level and uncompress
// of the same bytes alone. The figures to compare are the minima.
#include <benchmark/benchmark.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/error_report.h"
#include "core/quit.h"
#include "core/settings.h"
#include "script/save.h"
#include "script/vars.h"

namespace {

const int64_t k_count = 4000000;
std::string g_dir;

void setup()
{
    static bool ready = false;
    if (ready)
        return;
    ready = true;
    g_error_shown = 1;
    var_table_alloc(1100);
    VarDescriptor *v = var_descriptor(1000);
    v->dim_count = 1;
    v->dims[0] = (uint32_t)k_count;
    var_init_int(1000, 0);
    // Game-like values: small counters and flags with some larger numbers.
    uint32_t x = 12345;
    for (int64_t k = 0; k < k_count; k++) {
        x = x * 1103515245u + 12345u;
        v->ints[k] = (x >> 16) % 8 == 0 ? (int64_t)(x >> 8) : (int64_t)(k % 100);
    }
    char tmpl[] = "/tmp/kvsavebench_XXXXXX";
    g_dir = mkdtemp(tmpl) ? tmpl : "/tmp";
    std::snprintf(g_save_folder, sizeof g_save_folder, "%s/", g_dir.c_str());
}

// The body exactly as the record holds it.
std::vector<uint8_t> body_bytes()
{
    std::vector<uint8_t> b(16 + 8 * (size_t)k_count);
    uint32_t head[4] = {1, 1, (uint32_t)k_count, (uint32_t)(8 * k_count)};
    std::memcpy(b.data(), head, 16);
    std::memcpy(b.data() + 16, var_descriptor(1000)->ints, 8 * (size_t)k_count);
    return b;
}

double min_of(const std::vector<double> &v)
{
    return *std::min_element(v.begin(), v.end());
}

void BM_SaveArray(benchmark::State &state)
{
    setup();
    std::string path = g_dir + "/bench.sd";
    for (auto _ : state) {
        std::remove(path.c_str());
        int64_t n = save_record_size(0, 0, 1000, 0, 1, nullptr);
        if (n < 0 || save_record_build(0, 0, 1000, 0, 1, nullptr, n) != 0 ||
            save_file_write(path.c_str()) != 0) {
            state.SkipWithError(g_error_text);
            return;
        }
    }
}

void BM_LoadArray(benchmark::State &state)
{
    setup();
    std::string path = g_dir + "/bench.sd";
    std::remove(path.c_str());
    int64_t n = save_record_size(0, 0, 1000, 0, 1, nullptr);
    save_record_build(0, 0, 1000, 0, 1, nullptr, n);
    save_file_write(path.c_str());
    for (auto _ : state) {
        uint8_t kind;
        uint8_t *body;
        uint32_t size;
        if (save_file_read_slot(path.c_str(), 1, &kind, &body, &size) != 0 ||
            save_load_variable(body, size, 1000, 0, 1) != 0) {
            state.SkipWithError(g_error_text);
            return;
        }
        std::free(body);
    }
}

void BM_ZlibCompress(benchmark::State &state)
{
    setup();
    std::vector<uint8_t> body = body_bytes();
    std::vector<uint8_t> out(compressBound(body.size()));
    for (auto _ : state) {
        uLongf n = out.size();
        compress2(out.data(), &n, body.data(), body.size(), KV_SAVE_LEVEL);
        benchmark::DoNotOptimize(n);
    }
}

void BM_ZlibInflate(benchmark::State &state)
{
    setup();
    std::vector<uint8_t> body = body_bytes();
    std::vector<uint8_t> packed(compressBound(body.size()));
    uLongf pn = packed.size();
    compress2(packed.data(), &pn, body.data(), body.size(), KV_SAVE_LEVEL);
    std::vector<uint8_t> out(body.size());
    for (auto _ : state) {
        uLongf n = out.size();
        uncompress(out.data(), &n, packed.data(), pn);
        benchmark::DoNotOptimize(n);
    }
}

#define KV_SAVE_BENCH(f)                                                                  \
    BENCHMARK(f)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(5)           \
        ->ComputeStatistics("min", min_of)->ReportAggregatesOnly(true)
KV_SAVE_BENCH(BM_SaveArray);
KV_SAVE_BENCH(BM_ZlibCompress);
KV_SAVE_BENCH(BM_LoadArray);
KV_SAVE_BENCH(BM_ZlibInflate);

struct Cleanup {
    ~Cleanup()
    {
        if (!g_dir.empty() && g_dir != "/tmp")
            std::system(("rm -rf '" + g_dir + "'").c_str());
    }
} g_cleanup;

}  // namespace

BENCHMARK_MAIN();
