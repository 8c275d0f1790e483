// The appended-data probe on files built here.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/entry.h"
#include "core/pack.h"
#include "platform/null/shell_null.h"

namespace {

std::string tmp_file(const std::vector<uint8_t> &bytes)
{
    // One file per case and process: CTest runs the cases side by side.
    std::string path = ::testing::TempDir() + "kv_appended_" +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
                       std::to_string(getpid()) + ".bin";
    FILE *f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
}

void put_u32(std::vector<uint8_t> &b, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        b.push_back((uint8_t)(v >> (8 * i)));
}

// An "executable" of 100 bytes with a header (distance, preview size) after it.
std::vector<uint8_t> exe_with_header(uint32_t distance, uint32_t preview)
{
    std::vector<uint8_t> b(100, 0x90);
    for (char c : std::string("KVER"))
        b.push_back((uint8_t)c);
    put_u32(b, distance);
    put_u32(b, preview);
    put_u32(b, 0);
    return b;
}

struct AppendedData : ::testing::Test {
    void TearDown() override
    {
        null_set_res_offset(4);
        g_project_packed = 0;
        g_appended_pack_first = 0;
        g_screensaver_build = 0;
        g_appended_pack_offset = 0;
    }
    void use(const std::vector<uint8_t> &bytes)
    {
        std::snprintf(g_exe_path, sizeof g_exe_path, "%s", tmp_file(bytes).c_str());
    }
};

}  // namespace

TEST_F(AppendedData, HeaderIsRead)
{
    use(exe_with_header(16, 0));
    g_res_offset = 100;
    EXPECT_EQ(read_appended_header(), 116u);
    EXPECT_EQ(g_appended_pack_offset, 16u);
    EXPECT_EQ(g_screensaver_build, 0);
    EXPECT_EQ(has_appended_data(), 1);

    use(exe_with_header(16, 5));
    EXPECT_EQ(read_appended_header(), 116u);
    EXPECT_EQ(g_screensaver_build, 1);
}

TEST_F(AppendedData, ProbeMarksAnAppendedProject)
{
    use(exe_with_header(16, 0));
    null_set_res_offset(100);
    probe_appended_data();
    EXPECT_EQ(g_res_offset, 100u);
    EXPECT_EQ(g_exe_size, 116u);
    EXPECT_EQ(g_project_packed, 1);
    EXPECT_EQ(g_appended_pack_first, 1);
}

TEST_F(AppendedData, NothingAppended)
{
    std::vector<uint8_t> plain(100, 0x90);
    use(plain);
    null_set_res_offset(100);             // offset = file size
    probe_appended_data();
    EXPECT_EQ(g_project_packed, 0);
    EXPECT_EQ(has_appended_data(), 0);   // nothing to read at the end

    null_set_res_offset(4);               // never filled in
    use(exe_with_header(16, 0));
    probe_appended_data();
    EXPECT_EQ(g_project_packed, 0);

    null_set_res_offset(50);              // no "KVER" there
    probe_appended_data();
    EXPECT_EQ(g_project_packed, 0);
    EXPECT_EQ(g_screensaver_build, 0);
}

TEST_F(AppendedData, MissingFileGivesZeroSize)
{
    std::snprintf(g_exe_path, sizeof g_exe_path, "%s", "/nonexistent/kv/none.exe");
    g_res_offset = 100;
    EXPECT_EQ(read_appended_header(), 0u);
    EXPECT_EQ(has_appended_data(), 0);
}
#endif
