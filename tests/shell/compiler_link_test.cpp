// The compiler link: the record walk on good and crafted blocks, and the
// whole hand-over against a compiler played by the test.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "core/entry.h"
#include "core/linked_records.h"
#include "shell/compiler_link.h"

namespace {

typedef std::vector<uint8_t> Bytes;

void put_u32(Bytes &b, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        b.push_back((uint8_t)(v >> (8 * i)));
}

void add_record(Bytes &b, const std::string &name, const std::string &data)
{
    put_u32(b, (uint32_t)name.size() + 1);
    b.insert(b.end(), name.begin(), name.end());
    b.push_back(0);
    put_u32(b, (uint32_t)data.size());
    b.insert(b.end(), data.begin(), data.end());
}

int parse(const Bytes &b, int64_t count, std::vector<LinkedFile> &t)
{
    t.assign(count > 0 && count < 100 ? (size_t)count : 1, LinkedFile{});
    return parse_linked_records(b.data(), b.size(), count, t.data());
}

}  // namespace

TEST(LinkedRecords, TwoRecordsBackToBack)
{
    Bytes b;
    add_record(b, "a", "xyz");
    add_record(b, "bc", "");
    std::vector<LinkedFile> t;
    ASSERT_EQ(parse(b, 2, t), 0);
    EXPECT_STREQ(t[0].name, "a");
    EXPECT_EQ(t[0].size, 3u);
    EXPECT_EQ(std::string((const char *)t[0].data, 3), "xyz");
    EXPECT_EQ((const uint8_t *)t[1].name - b.data(), 13 + 4);   // second record at 13
    EXPECT_EQ(t[1].size, 0u);
}

TEST(LinkedRecords, CraftedBlocksAreRefused)
{
    Bytes good;
    add_record(good, "kvbin\\kvc.kbn", "data");
    struct Case {
        const char *what;
        int64_t count;
        size_t cut;           // bytes dropped from the end
        size_t poke_at;       // a byte changed (SIZE_MAX: none)
        uint8_t value;
        int expect;
    };
    const size_t none = SIZE_MAX;
    const Case cases[] = {
        {"the good block", 1, 0, none, 0, 0},
        {"count 0 takes nothing", 0, 0, none, 0, 0},
        {"negative count", -1, 0, none, 0, -1},
        {"more records than bytes", 3, 0, none, 0, -1},
        {"count far past the block", 1LL << 40, 0, none, 0, -1},
        {"data cut short", 1, 1, none, 0, -1},
        {"size field cut", 1, 6, none, 0, -1},
        {"name length 0", 1, 0, 0, 0, -1},
        {"name past the block", 1, 0, 0, 200, -1},
        {"name without terminator", 1, 0, 4 + 13, 'x', -1},
        {"size past the block", 1, 0, 4 + 14, 5, -1},
        {"size high byte", 1, 0, 4 + 14 + 3, 0x80, -1},
    };
    for (const Case &c : cases) {
        Bytes b(good.begin(), good.end() - c.cut);
        if (c.poke_at != none)
            b[c.poke_at] = c.value;
        std::vector<LinkedFile> t;
        EXPECT_EQ(parse(b, c.count, t), c.expect) << c.what;
    }
}

// Any block of random records parses back exactly; any cut of it within
// the last record is refused.
TEST(LinkedRecords, RandomBlocksRoundTrip)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 300; round++) {
        Bytes b;
        std::vector<std::pair<std::string, std::string>> files;
        int count = 1 + (int)(rng() % 6);
        for (int i = 0; i < count; i++) {
            std::string name(1 + rng() % 12, 'n'), data(rng() % 40, 'd');
            for (char &ch : name)
                ch = (char)('a' + rng() % 26);
            for (char &ch : data)
                ch = (char)rng();
            add_record(b, name, data);
            files.push_back({name, data});
        }
        std::vector<LinkedFile> t;
        ASSERT_EQ(parse(b, count, t), 0);
        for (int i = 0; i < count; i++) {
            EXPECT_EQ(t[i].name, files[i].first);
            EXPECT_EQ(std::string((const char *)t[i].data, t[i].size), files[i].second);
        }
        size_t last = 9 + files.back().first.size() + files.back().second.size();
        Bytes cut(b.begin(), b.end() - 1 - rng() % last);
        EXPECT_EQ(parse(cut, count, t), -1);
    }
}

TEST(LinkedRecords, AnnouncedSizes)
{
    EXPECT_EQ(link_block2_size(0), 16);
    EXPECT_EQ(link_block2_size(16), 16);
    EXPECT_EQ(link_block2_size(15), 15);
    EXPECT_EQ(link_block2_size(1), 1);
    EXPECT_EQ(link_block2_size(-16), -1);
    EXPECT_EQ(link_block2_size(-1), -1);
    EXPECT_EQ(link_block2_size((int32_t)KV_LINK_BLOCK2_MAX), KV_LINK_BLOCK2_MAX);
    EXPECT_EQ(link_block2_size((int32_t)KV_LINK_BLOCK2_MAX + 1), -1);
}

// --- the whole hand-over (the compiler played through the stand-in platform) -----
#ifndef _WIN32
#include "platform/null/link_null.h"

namespace {

// What the played compiler does.
struct Plan {
    bool exit_early;
    int32_t count;
    int32_t size;
    uint8_t result;
    std::string folder;     // written back when not empty
    bool fill_folder;       // the field without terminator
    Bytes records;
    uint32_t block2_seen;   // size of block 2 as created
};
Plan g_plan;

int play_compiler(int poll)
{
    uint8_t *b1 = null_shared_view(k_link_block1_name, nullptr);
    if (!b1 || g_plan.exit_early)
        return 0;
    if (poll == 0) {
        std::memcpy(b1 + 16, &g_plan.count, 4);
        std::memcpy(b1 + 20, &g_plan.size, 4);
        b1[12] = g_plan.result;
        if (!g_plan.folder.empty())
            std::snprintf((char *)b1 + 132, 380, "%s", g_plan.folder.c_str());
        if (g_plan.fill_folder)
            std::memset(b1 + 132, 'x', 380);
        b1[0] = 1;
        return 1;
    }
    uint32_t size = 0;
    uint8_t *b2 = null_shared_view(k_link_block2_name, &size);
    if (b1[4] != 1 || !b2)
        return poll < 1000;
    g_plan.block2_seen = size;
    if (!g_plan.records.empty())
        std::memcpy(b2, g_plan.records.data(), std::min<size_t>(size, g_plan.records.size()));
    return 0;
}

struct CompilerLink : ::testing::Test {
    std::string old_dir;
    void SetUp() override
    {
        char buf[4096];
        old_dir = getcwd(buf, sizeof buf);
        std::string dir = ::testing::TempDir() + "kv_link_XXXXXX";
        ASSERT_TRUE(mkdtemp(&dir[0]));
        ASSERT_EQ(chdir(dir.c_str()), 0);
        mkdir("system", 0755);
        mkdir("system/RODaz", 0755);
        FILE *f = std::fopen("system/RODaz/RODaz.exe", "wb");
        std::fclose(f);
        std::snprintf(g_exe_folder, sizeof g_exe_folder, "c:\\game\\");
        g_plan = Plan{false, 0, 0, 1, "", false, {}, 0};
        null_set_compiler(play_compiler);
    }
    void TearDown() override
    {
        EXPECT_EQ(null_shared_open_count(), 0);
        null_set_compiler(nullptr);
        null_shared_hold_foreign("", false);
        free_linked_files();
        EXPECT_EQ(chdir(old_dir.c_str()), 0);
    }
    int run(std::string *messages)
    {
        ::testing::internal::CaptureStderr();
        int rc = run_compiler_link();
        *messages = ::testing::internal::GetCapturedStderr();
        return rc;
    }
};

const char k_comm[] = "KAVRENコンパイラとデータ通信が出来ませんでした。";

}  // namespace

TEST_F(CompilerLink, EmptyHandOverGoesOn)
{
    std::string msg;
    EXPECT_EQ(run(&msg), 0);
    EXPECT_EQ(msg, "");
    EXPECT_EQ(g_plan.block2_seen, 16u);
    EXPECT_EQ(g_linked_file_count, 0u);
    EXPECT_STREQ(g_data_folder, "c:\\game\\");
    EXPECT_STREQ(null_last_command_line(), "system\\RODaz\\RODaz.exe kv");
}

TEST_F(CompilerLink, FilesAndFolderAreTaken)
{
    add_record(g_plan.records, "kvbin\\kvcfg.kbn", "cfg");
    add_record(g_plan.records, "kvbin\\kvc.kbn", "commands");
    g_plan.count = 2;
    g_plan.size = (int32_t)g_plan.records.size();
    g_plan.folder = "d:\\project\\";
    std::string msg;
    ASSERT_EQ(run(&msg), 0);
    ASSERT_EQ(g_linked_file_count, 2u);
    EXPECT_STREQ(g_linked_files[1].name, "kvbin\\kvc.kbn");
    EXPECT_EQ(std::string((const char *)g_linked_files[1].data, g_linked_files[1].size), "commands");
    EXPECT_STREQ(g_data_folder, "d:\\project\\");
}

// One record of a 1-character name and 3 bytes: 13 bytes, announced as such.
TEST_F(CompilerLink, HandOverBelow16BytesIsTaken)
{
    add_record(g_plan.records, "a", "xyz");
    g_plan.count = 1;
    g_plan.size = (int32_t)g_plan.records.size();
    std::string msg;
    ASSERT_EQ(run(&msg), 0) << msg;
    EXPECT_EQ(g_plan.block2_seen, 13u);
    ASSERT_EQ(g_linked_file_count, 1u);
    EXPECT_EQ(std::string((const char *)g_linked_files[0].data, g_linked_files[0].size), "xyz");
}

TEST_F(CompilerLink, Outcomes)
{
    struct Case {
        const char *what;
        void (*plan)();
        int expect;
        bool comm_message;
    };
    const Case cases[] = {
        {"early exit", [] { g_plan.exit_early = true; }, 1, false},
        {"result 0", [] { g_plan.result = 0; }, 1, false},
        {"negative size", [] { g_plan.size = -8; }, -1, true},
        {"size past the cap", [] { g_plan.size = (int32_t)KV_LINK_BLOCK2_MAX + 1; }, -1, true},
        {"negative count", [] { g_plan.count = -1; }, -1, true},
        {"more files than fit", [] { g_plan.count = 2; }, -1, true},
        {"a record past the block", [] {
             add_record(g_plan.records, "a", "0123456789");
             g_plan.count = 1;
         }, -1, true},
        {"block 1 held elsewhere", [] { null_shared_hold_foreign(k_link_block1_name, true); }, -1, true},
        {"block 2 held elsewhere", [] { null_shared_hold_foreign(k_link_block2_name, true); }, -1, true},
    };
    for (const Case &c : cases) {
        g_plan = Plan{false, 0, 0, 1, "", false, {}, 0};
        null_shared_hold_foreign("", false);
        c.plan();
        std::string msg;
        EXPECT_EQ(run(&msg), c.expect) << c.what;
        EXPECT_EQ(msg.find(k_comm) != std::string::npos, c.comm_message) << c.what << ": " << msg;
        EXPECT_EQ(g_linked_file_count, 0u) << c.what;
        EXPECT_EQ(null_shared_open_count(), 0) << c.what;
    }
}

TEST_F(CompilerLink, UnterminatedFolderIsNotTaken)
{
    g_plan.fill_folder = true;
    std::string msg;
    EXPECT_EQ(run(&msg), 0);
    EXPECT_STREQ(g_data_folder, "c:\\game\\");
}

TEST_F(CompilerLink, CompilerThatCannotStart)
{
    null_set_compiler(nullptr);
    std::string msg;
    EXPECT_EQ(run(&msg), 1);
    EXPECT_NE(msg.find("KAVRENコンパイラを起動できませんでした。"), std::string::npos);
}
#endif
