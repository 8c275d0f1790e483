// Shared set-up of the core fuzz targets: a private scratch folder that
// holds the pack under test, and a quiet error reporter.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/error_report.h"
#include "core/locate.h"
#include "core/pack.h"
#include "core/quit.h"
#include "core/tree.h"

static inline void fuzz_core_quiet()
{
    reset_error_reports();
    g_error_shown = 1;
    g_quit_flag = 0;
}

// Writes data as the only pack of a scratch folder (made on first use; the
// current folder is left alone, so libFuzzer keeps its relative corpus paths)
// and indexes it.
static inline int fuzz_index_pack(const uint8_t *data, size_t size)
{
    static std::string dir;
    if (dir.empty()) {
        std::random_device rd;
        auto path = std::filesystem::temp_directory_path() /
                    ("kvfuzz-" + std::to_string(rd()) + "-" + std::to_string(rd()));
        std::filesystem::create_directories(path);
        dir = path.string();
        init_pack_name_table();
        init_path_special_chars();
    }
    fuzz_core_quiet();
    g_project_packed = 0;
    g_appended_pack_first = 0;
    FILE *f = std::fopen((dir + "/fuzz.kpf").c_str(), "wb");
    if (!f)
        return -1;
    if (size)
        std::fwrite(data, 1, size, f);
    std::fclose(f);
    return build_pack_index_from(dir.c_str());
}

// The decoded name of index entry i (read back from the pack).
static inline bool fuzz_entry_name(uint32_t i, char *name, size_t size)
{
    char path[KV_PACK_PATH_MAX];
    pack_full_path(path, sizeof path, g_pack_index_pack[i]);
    PackStream st;
    if (pack_open(&st, path) != 0)
        return false;
    uint8_t code = 0;
    bool ok = pack_seek(&st, g_pack_index_pos[i]) == 0 && pack_read_byte(&st, &code) == 0;
    uint32_t len = ok ? g_pack_name_table[255 - code] : 0;
    ok = ok && len < size && pack_read(&st, name, len) == 0;
    pack_close(&st);
    if (!ok)
        return false;
    for (uint32_t k = 0; k < len; k++)
        name[k] = (char)~name[k];
    name[len] = '\0';
    return true;
}
