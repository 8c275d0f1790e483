// Helpers of the core tests: a clean engine state, scratch folders, and the
// project generator (run natively; the Windows build covers the pack files it
// writes through tests/win32/e2e_core_packs.sh).
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <random>
#include <vector>

#include "core/entry.h"
#include "core/error_report.h"
#include "core/locate.h"
#include "core/pack.h"
#include "core/quit.h"
#include "core/tree.h"

namespace kvtest {

// Reports are recorded but never shown (a shown dialog would wait for a click).
inline void quiet_errors()
{
    reset_error_reports();
    g_error_shown = 1;
    g_quit_flag = 0;
}

inline void reset_core_state()
{
    quiet_errors();
    reset_pack_index();
    g_project_packed = 0;
    g_appended_pack_first = 0;
    init_pack_name_table();
    init_path_special_chars();
    set_locator_extensions();
    static const uint8_t images[4] = {1, 3, 2, 4}, sounds[2] = {1, 2};
    std::memcpy(g_image_ext_order, images, 4);
    std::memcpy(g_sound_ext_order, sounds, 2);
    g_linked_files = nullptr;
    g_linked_file_count = 0;
    for (auto &set : g_file_cache)
        set.count = 0;
}

// The trees live for the whole run, as in the engine: made once per process.
inline bool tree_roots()
{
    static int made = create_tree_roots() == 0 ? 1 : -1;
    return made == 1;
}

inline void write_file(const std::string &path, const std::string &bytes)
{
    FILE *f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

inline std::string read_file(const std::string &path)
{
    std::string s;
    if (FILE *f = std::fopen(path.c_str(), "rb")) {
        char buf[65536];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            s.append(buf, n);
        std::fclose(f);
    }
    return s;
}

// A fresh scratch folder that is the current folder while the object lives.
class ScratchDir {
public:
    ScratchDir()
    {
        old_ = std::filesystem::current_path();
        std::random_device rd;
        for (;;) {
            auto p = std::filesystem::temp_directory_path() / ("kvcore-" + std::to_string(rd()));
            if (std::filesystem::create_directory(p)) {
                path_ = p.string();
                break;
            }
        }
        std::filesystem::current_path(path_);
    }
    ~ScratchDir()
    {
        std::filesystem::current_path(old_);
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::string &path() const { return path_; }

private:
    std::filesystem::path old_;
    std::string path_;
};

// Runs the generator in the current folder; true on success.
inline bool gen(const std::string &args)
{
#ifdef _WIN32
    (void)args;
    return false;
#endif
    std::string cmd = std::string("python3 '") + KV_GENERATOR + "' " + args + " >/dev/null";
    return std::system(cmd.c_str()) == 0;
}

// The generator's standard output.
inline std::string gen_output(const std::string &args)
{
    std::string out;
#ifndef _WIN32
    std::string cmd = std::string("python3 '") + KV_GENERATOR + "' " + args;
    if (FILE *p = popen(cmd.c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
            out.append(buf, n);
        pclose(p);
    }
#else
    (void)args;
#endif
    return out;
}

// Reads the named entry through the locator and the pack loader.
inline int read_packed(const char *name, std::string *out)
{
    FileSource src;
    std::memset(&src, 0, sizeof src);
    int r = pack_find_hashed(&src, name);
    if (r != 2)
        return r == 0 ? 1 : r;
    r = load_file_from_pack(&src, name);
    if (r == 0) {
        out->assign((const char *)src.data, src.size);
        std::free(src.data);
    }
    return r;
}

}  // namespace kvtest

#ifdef _WIN32
#define KV_NATIVE_ONLY() GTEST_SKIP() << "native only (covered under Wine by e2e_core_packs)"
#else
#define KV_NATIVE_ONLY() (void)0
#endif
