// Helpers of the project-loading tests: generated projects in temporary
// folders and a clean engine state before each load.
#pragma once

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/error_report.h"
#include "core/locate.h"
#include "core/pack.h"
#include "core/quit.h"
#include "core/tree.h"
#include "core/window.h"
#include "script/expr.h"
#include "script/project.h"
#include "script/script_file.h"
#include "script/vars.h"
#include "shell/startup.h"

namespace loadtest {

inline std::string &start_folder()
{
    static std::string folder;
    if (folder.empty()) {
        char buf[4096];
        folder = getcwd(buf, sizeof buf) ? buf : ".";
    }
    return folder;
}

inline std::string damage_folder_name(const std::string &damage)
{
    std::string s = damage.empty() ? "base" : damage;
    for (char &c : s)
        if (c == ':')
            c = '_';
    return s;
}

#ifdef _WIN32
// Copies a file byte by byte; nothing when the source is missing.
inline void copy_file(const std::string &from, const std::string &to)
{
    FILE *in = std::fopen(from.c_str(), "rb");
    FILE *out = in ? std::fopen(to.c_str(), "wb") : nullptr;
    int c;
    while (out && (c = std::fgetc(in)) != EOF)
        std::fputc(c, out);
    if (out)
        std::fclose(out);
    if (in)
        std::fclose(in);
}
#endif

// Makes the project `desc` (tests/script/data/<desc>.txt) with `damage`
// ("" for none; "pack" for the project packed in data.kpf with no loose
// files) and enters its folder. Natively the generator writes it into
// a temporary folder; on Windows it comes from the folder that
// KV_LOAD_FIXTURES names (the end-to-end script writes them). false: skip.
inline bool enter_project(const std::string &desc, const std::string &damage = "")
{
    start_folder();
#ifdef _WIN32
    // Cases patch files in place: each works on its own copy of the fixture.
    const char *root = std::getenv("KV_LOAD_FIXTURES");
    if (!root || !*root)
        return false;
    static int counter;
    std::string from = std::string(root) + "\\" + desc + "\\" + damage_folder_name(damage);
    std::string dir = std::string(root) + "\\run_" + std::to_string(getpid()) + "_" + std::to_string(++counter);
    if (mkdir(dir.c_str()) != 0 || mkdir((dir + "\\kvbin").c_str()) != 0)
        return false;
    // the packed variant: the pack alone
    copy_file(from + "\\data.kpf", dir + "\\data.kpf");
    std::vector<std::string> names = {"kvc", "kvt", "kvt_list", "kvcfg", "kvl", "kvv", "kve"};
    for (int i = 0; i < 10; i++) {
        char n[16];
        std::snprintf(n, sizeof n, "kvt%05d", i);
        names.push_back(n);
    }
    for (const std::string &n : names)
        copy_file(from + "\\kvbin\\" + n + ".kbn", dir + "\\kvbin\\" + n + ".kbn");
    return chdir(dir.c_str()) == 0;
#else
    static int counter;
    char tmpl[] = "/tmp/kvload_XXXXXX";
    if (!mkdtemp(tmpl))
        return false;
    std::string dir = std::string(tmpl) + "/" + std::to_string(++counter);
    std::string cmd = std::string("python3 '") + KV_GENERATOR + "' project '" + KV_SOURCE_DIR +
                      "/tests/script/data/" + desc + ".txt' '" + dir + "'";
    // "pack": the project in data.kpf only, no loose files
    if (damage == "pack")
        cmd += " --pack '" + dir + "/data.kpf' >/dev/null && rm -r '" + dir + "/kvbin'";
    else if (!damage.empty())
        cmd += " --damage " + damage + " >/dev/null";
    else
        cmd += " >/dev/null";
    if (std::system(cmd.c_str()) != 0)
        return false;
    return chdir(dir.c_str()) == 0;
#endif
}

inline void leave_project()
{
    if (chdir(start_folder().c_str()) != 0)
        std::perror("chdir");
}

inline void reset_engine()
{
    project_unload();
    var_table_free();
    reset_error_reports();
    g_error_shown = 1;   // nothing is shown, so nothing waits for a click
    g_quit_flag = 0;
    create_window_objects();
    static bool once;
    if (!once) {
        once = true;
        init_pack_name_table();
        init_path_special_chars();
        create_tree_roots();
    }
    init_expr_op_table(1);
    g_frame_texture_size[0] = g_frame_texture_size[1] = 0;
    g_desktop_mode.width = 1920;
    g_desktop_mode.height = 1080;
}

inline std::vector<uint8_t> read_file(const std::string &path)
{
    std::vector<uint8_t> data;
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f)
        return data;
    int c;
    while ((c = std::fgetc(f)) != EOF)
        data.push_back((uint8_t)c);
    std::fclose(f);
    return data;
}

inline void write_file(const std::string &path, const std::vector<uint8_t> &data)
{
    FILE *f = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(f != nullptr);
    if (!data.empty())
        std::fwrite(data.data(), 1, data.size(), f);
    std::fclose(f);
}

inline void patch_bytes(const std::string &path, size_t offset, uint64_t value, int n)
{
    std::vector<uint8_t> d = read_file(path);
    ASSERT_GE(d.size(), offset + n);
    for (int i = 0; i < n; i++)
        d[offset + i] = (uint8_t)(value >> (8 * i));
    write_file(path, d);
}

inline void patch_u32(const std::string &path, size_t offset, uint32_t v) { patch_bytes(path, offset, v, 4); }
inline void patch_u16(const std::string &path, size_t offset, uint16_t v) { patch_bytes(path, offset, v, 2); }

inline int load_all()
{
    if (load_project_config() != 0)
        return -1;
    return load_project_and_prime_system();
}

}  // namespace loadtest

#define LOAD_PROJECT_OR_SKIP(desc, damage)                                     \
    do {                                                                       \
        if (!loadtest::enter_project(desc, damage))                            \
            GTEST_SKIP() << "no generated project " << (desc) << " " << (damage); \
    } while (0)
