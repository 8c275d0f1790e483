// Shared set-up of the save tests: a scratch save folder, a fresh variable
// table, an empty slot cache, the platform's file operations, and readers
// of the files the tests write.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/error_report.h"
#include "core/quit.h"
#include "core/settings.h"
#include "script/cmd_args.h"
#include "script/save.h"
#include "script/vars.h"

using Bytes = std::vector<uint8_t>;

using cmdtest::define_var;

inline uint32_t le32(const Bytes &b, size_t at)
{
    return (uint32_t)b[at] | (uint32_t)b[at + 1] << 8 | (uint32_t)b[at + 2] << 16 |
           (uint32_t)b[at + 3] << 24;
}

inline void put_le32(Bytes &b, size_t at, uint32_t v)
{
    for (int k = 0; k < 4; k++)
        b[at + k] = (uint8_t)(v >> (8 * k));
}

// The last message box's text (the boxes are recorded, never shown).
inline std::string g_last_box;
inline int record_box(const char *, const char *text)
{
    g_last_box = text;
    return 1;
}

class SaveTest : public ::testing::Test {
protected:
    std::string dir;
    char old_folder[KV_SAVE_FOLDER_SIZE];

    // Clears the error state; reports are recorded, never shown.
    static void quiet_errors()
    {
        reset_error_reports();
        g_error_shown = 1;
        g_quit_flag = 0;
    }
    void SetUp() override
    {
        quiet_errors();
        save_file_ops_reset();
        save_cache_free(-1);
        var_table_alloc(1100);
        g_last_box.clear();
        g_message_box_hook = record_box;
        dir = (std::filesystem::temp_directory_path() /
               ("kvsave-" + std::to_string(getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name()))
                  .string();
        std::filesystem::remove_all(dir);
        std::memcpy(old_folder, g_save_folder, sizeof old_folder);
        // The save folder with two levels still missing.
        std::snprintf(g_save_folder, sizeof g_save_folder, "%s\\a\\save\\", dir.c_str());
    }
    void TearDown() override
    {
        save_file_ops_reset();
        save_cache_free(-1);
        std::memcpy(g_save_folder, old_folder, sizeof old_folder);
        std::filesystem::remove_all(dir);
        var_table_free();
        g_message_box_hook = nullptr;
        reset_error_reports();
        g_quit_flag = 0;
    }
    std::string native(const std::string &name) const { return dir + "/a/save/" + name; }
    std::string engine_path(const char *name) const
    {
        char p[600];
        EXPECT_EQ(save_file_path(name, p, sizeof p), 0);
        return p;
    }
    Bytes read_file(const std::string &name) const
    {
        std::ifstream f(native(name), std::ios::binary);
        return Bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    }
    void write_file(const std::string &name, const Bytes &b) const
    {
        std::filesystem::create_directories(dir + "/a/save");
        std::ofstream f(native(name), std::ios::binary);
        f.write((const char *)b.data(), (std::streamsize)b.size());
    }
    // Caches variable id (whole, or one element) in slot s.
    void cache(int s, uint32_t id, int64_t elem = 0, int whole = 1)
    {
        int64_t n = save_record_size(s - 1, 0, id, elem, whole, nullptr);
        ASSERT_GT(n, 0) << g_error_text;
        ASSERT_EQ(save_record_build(s - 1, 0, id, elem, whole, nullptr, n), 0);
    }
    Bytes cached(int s) const
    {
        return Bytes(g_slot_data[s - 1], g_slot_data[s - 1] + g_slot_size[s - 1]);
    }
    int write(const char *name) { return save_file_write(engine_path(name).c_str()); }
    int load(const char *name, int slot, uint32_t id, int64_t elem = 0, int whole = 1)
    {
        uint8_t kind;
        uint8_t *body;
        uint32_t n;
        if (save_file_read_slot(engine_path(name).c_str(), slot, &kind, &body, &n) != 0)
            return -1;
        int r = kind == 1 ? -2 : save_load_variable(body, n, id, elem, whole);
        std::free(body);
        return r;
    }
};
