// The appended-data probe on files built here.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/entry.h"
#include "core/locate.h"
#include "core/pack.h"
#include "platform/null/shell_null.h"
#include "shell/screensaver.h"

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
    std::vector<uint8_t> b = exe_with_header(16, 0);
    b.resize(b.size() + 32);              // the pack's header
    use(b);
    null_set_res_offset(100);
    probe_appended_data();
    EXPECT_EQ(g_res_offset, 100u);
    EXPECT_EQ(g_exe_size, 148u);
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

TEST_F(AppendedData, PackPastTheEndIsNoProject)
{
    use(exe_with_header(16, 0));          // the pack would start at the file's end
    null_set_res_offset(100);
    probe_appended_data();
    EXPECT_EQ(g_project_packed, 0);
    use(exe_with_header(0xFFFFFFF0u, 0));
    probe_appended_data();
    EXPECT_EQ(g_project_packed, 0);
}

TEST_F(AppendedData, PreviewMustFitTheFile)
{
    std::vector<uint8_t> b = exe_with_header(16, 60);   // 60 bytes announced, none there
    use(b);
    g_res_offset = 100;
    uint32_t size = 1;
    EXPECT_EQ(load_preview_bitmap(&size), nullptr);
    EXPECT_EQ(size, 0u);
    b.resize(b.size() + 60, 7);
    use(b);
    uint8_t *bytes = load_preview_bitmap(&size);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(size, 60u);
    EXPECT_EQ(bytes[59], 7);
    std::free(bytes);
}

// The packer's whole path: a pack and a preview appended to an executable
// that embeds the resource, then the engine's probe, pack index and loaders
// find every entry and the preview.
TEST_F(AppendedData, PackerRoundTrip)
{
    std::string dir = ::testing::TempDir() + "kv_packer_" + std::to_string(getpid()) + "/";
    ASSERT_EQ(std::system(("mkdir -p " + dir).c_str()), 0);
    std::string pe = dir + "engine.exe", kpf = dir + "data.kpf", out = dir + "game.exe";
    std::string bmp = dir + "preview.bmp";
    FILE *p = popen(("python3 " KV_SOURCE_DIR "/tests/shell/data/make_pe.py " + pe).c_str(), "r");
    ASSERT_NE(p, nullptr);
    long res_at = 0;
    ASSERT_EQ(std::fscanf(p, "%ld", &res_at), 1);
    pclose(p);
    std::vector<std::pair<std::string, std::string>> files = {
        {"kvbin\\kvcfg.kbn", "configuration"}, {"kvbin\\kvt00000.kbn", "script"},
        {"cg\\bg.txt", std::string(5000, 'z')}};
    std::string cmd = "python3 " KV_GENERATOR " pack " + kpf;
    for (auto &f : files) {
        std::string name = f.first;
        for (char &c : name)
            c = c == '\\' ? '/' : c;
        cmd += " --file " + name + "=text:" + f.second;
    }
    ASSERT_EQ(std::system((cmd + " >/dev/null").c_str()), 0);
    // A 3 x 2 preview: rows of 9 bytes padded to 12.
    std::vector<uint8_t> preview = {'B', 'M'};
    put_u32(preview, 54 + 24); put_u32(preview, 0); put_u32(preview, 54);
    put_u32(preview, 40); put_u32(preview, 3); put_u32(preview, 2);
    preview.push_back(1); preview.push_back(0); preview.push_back(24); preview.push_back(0);
    for (int i = 0; i < 6; i++)
        put_u32(preview, 0);
    preview.resize(54 + 24, 0x5A);
    FILE *f = std::fopen(bmp.c_str(), "wb");
    std::fwrite(preview.data(), 1, preview.size(), f);
    std::fclose(f);
    ASSERT_EQ(std::system(("python3 " KV_SOURCE_DIR "/tools/kvpack.py --preview " + bmp + " " +
                           pe + " " + kpf + " " + out).c_str()), 0);

    // The resource as the packer left it is what the engine reads.
    f = std::fopen(out.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    uint8_t res[4];
    std::fseek(f, res_at, SEEK_SET);
    ASSERT_EQ(std::fread(res, 1, 4, f), 4u);
    std::fclose(f);
    uint32_t offset = res[0] | res[1] << 8 | res[2] << 16 | (uint32_t)res[3] << 24;
    EXPECT_EQ(offset, 1024u);   // the engine's own size
    std::snprintf(g_exe_path, sizeof g_exe_path, "%s", out.c_str());
    null_set_res_offset(offset);
    probe_appended_data();
    ASSERT_EQ(g_project_packed, 1);
    EXPECT_EQ(g_screensaver_build, 1);
    ASSERT_EQ(init_pack_name_table(), 0);
    ASSERT_EQ(build_pack_index(), 0);
    EXPECT_EQ(g_pack_index_count, files.size());
    for (auto &e : files) {
        FileSource src = {};
        ASSERT_EQ(locate_file(&src, e.first.c_str()), KV_SRC_PACK) << e.first;
        ASSERT_EQ(load_resource(&src, e.first.c_str()), 0) << e.first;
        EXPECT_EQ(std::string((const char *)src.data, src.size), e.second);
        std::free(src.data);
    }
    uint32_t size = 0;
    uint8_t *bytes = load_preview_bitmap(&size);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + size), preview);
    PreviewImage img;
    EXPECT_EQ(parse_preview_bitmap(bytes, size, &img), 0);
    std::free(bytes);
    reset_pack_index();
}

TEST_F(AppendedData, MissingFileGivesZeroSize)
{
    std::snprintf(g_exe_path, sizeof g_exe_path, "%s", "/nonexistent/kv/none.exe");
    g_res_offset = 100;
    EXPECT_EQ(read_appended_header(), 0u);
    EXPECT_EQ(has_appended_data(), 0);
}
#endif
