// Pack indexing with 100,000 entries and 10,000 lookups, over packs written
// by the project generator into a scratch folder.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "core/error_report.h"
#include "core/locate.h"
#include "core/pack.h"
#include "core/tree.h"

namespace {

// One folder per layout: "one" holds one pack of 100,000 entries, "ten" ten
// packs of 10,000 and two update packs overriding 1,000 entries each.
std::string g_root;

bool prepare()
{
    if (!g_root.empty())
        return true;
    g_root = (std::filesystem::temp_directory_path() / "kvcore-bench").string();
    std::filesystem::remove_all(g_root);
    std::string gen = std::string("python3 '") + KV_GENERATOR + "' ";
    std::string cmds = gen + "many '" + g_root + "/one' --entries 100000 && " +
                       gen + "many '" + g_root + "/ten' --entries 98000 --packs 10 && " +
                       gen + "many '" + g_root + "/ten/upd' --entries 1000 --packs 1 --name update1 && " +
                       gen + "many '" + g_root + "/ten/upd2' --entries 1000 --packs 1 --name update2";
    if (std::system(cmds.c_str()) != 0)
        return false;
    // The update packs override entries of the first ordinary pack.
    std::filesystem::rename(g_root + "/ten/upd/update1000.kpf", g_root + "/ten/update1.kpf");
    std::filesystem::rename(g_root + "/ten/upd2/update2000.kpf", g_root + "/ten/update2.kpf");
    reset_error_reports();
    g_error_shown = 1;
    init_pack_name_table();
    init_path_special_chars();
    return true;
}

void index_in(benchmark::State &state, const char *sub)
{
    if (!prepare()) {
        state.SkipWithError("generator failed");
        return;
    }
    std::filesystem::current_path(g_root + "/" + sub);
    for (auto _ : state) {
        if (build_pack_index() != 0) {
            state.SkipWithError("indexing failed");
            break;
        }
        benchmark::DoNotOptimize(g_pack_index_count);
    }
    state.counters["entries"] = g_pack_index_count;
    state.counters["packs"] = g_pack_count;
}

// The index of the one big pack, for the lookups; false when it failed.
bool index_one(benchmark::State &state)
{
    if (!prepare()) {
        state.SkipWithError("generator failed");
        return false;
    }
    std::filesystem::current_path(g_root + "/one");
    if (build_pack_index() != 0) {
        state.SkipWithError("indexing failed");
        return false;
    }
    return true;
}

void BM_IndexOnePack100k(benchmark::State &state) { index_in(state, "one"); }
void BM_IndexTenPacksAndUpdates(benchmark::State &state) { index_in(state, "ten"); }

// 10,000 lookups confirmed by name (each opens the pack and reads the name),
// spread over the whole index; one in ten asks for a missing name.
void BM_Lookup10k(benchmark::State &state)
{
    if (!index_one(state))
        return;
    static char names[10000][32];
    for (int i = 0; i < 10000; i++)
        std::snprintf(names[i], sizeof names[i], i % 10 == 9 ? "p000_%06d.none" : "p000_%06d.dat",
                      (i * 7919) % 100000);
    for (auto _ : state) {
        int found = 0;
        for (int i = 0; i < 10000; i++) {
            FileSource src;
            std::memset(&src, 0, sizeof src);
            found += pack_find_hashed(&src, names[i]) == 2;
        }
        if (found != 9000)
            state.SkipWithError("lookup missed");
        benchmark::DoNotOptimize(found);
    }
}

// 10,000 whole-entry reads through the locator and the pack loader.
void BM_LocateAndLoad10k(benchmark::State &state)
{
    if (!index_one(state))
        return;
    char name[32];
    for (auto _ : state) {
        for (int i = 0; i < 10000; i++) {
            std::snprintf(name, sizeof name, "p000_%06d.dat", (i * 7919) % 100000);
            FileSource src;
            std::memset(&src, 0, sizeof src);
            if (locate_file(&src, name) != 2 || load_resource(&src, name) != 0) {
                state.SkipWithError("load failed");
                return;
            }
            std::free(src.data);
        }
    }
}

BENCHMARK(BM_IndexOnePack100k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IndexTenPacksAndUpdates)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Lookup10k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LocateAndLoad10k)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
