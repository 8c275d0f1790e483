// Pack archives written by the generator, read by the engine.
#include "core_test_util.h"

#include <string>
#include <vector>

namespace {

using kvtest::gen;
using kvtest::read_packed;

class Packs : public ::testing::Test {
protected:
    void SetUp() override
    {
        KV_NATIVE_ONLY();
        kvtest::reset_core_state();
        dir_.reset(new kvtest::ScratchDir);
        std::filesystem::create_directory("in");
        std::filesystem::create_directory("orig");
    }
    void TearDown() override
    {
        reset_pack_index();
        dir_.reset();
    }
    // A file for the generator to pack.
    static void input(const std::string &name, const std::string &bytes)
    {
        std::filesystem::path p = std::filesystem::path("in") / name;
        std::filesystem::create_directories(p.parent_path());
        kvtest::write_file(p.string(), bytes);
    }
    static std::string pattern(size_t n, unsigned seed)
    {
        std::string s(n, '\0');
        for (size_t i = 0; i < n; i++) {
            seed = seed * 1103515245u + 12345u;
            s[i] = (char)(seed >> 16);
        }
        return s;
    }
    // The index is refused with `code`, the report naming `named`.
    static void expect_refused(uint32_t code, const char *named = "")
    {
        EXPECT_EQ(build_pack_index(), -1);
        EXPECT_EQ(g_last_error_code, code);
        EXPECT_NE(std::strstr(g_error_message, named), nullptr) << g_error_message;
    }
    // `name` is found and reads back as `want`.
    static void expect_packed(const char *name, const std::string &want)
    {
        std::string out;
        EXPECT_EQ(read_packed(name, &out), 0) << name;
        EXPECT_EQ(out, want) << name;
    }
    std::unique_ptr<kvtest::ScratchDir> dir_;
};

TEST(PackFormat, NameTableAndScriptKey)
{
    init_pack_name_table();
    int swapped = 0;
    for (int i = 0; i < 256; i++) {
        EXPECT_EQ(g_pack_name_table[g_pack_name_table[i]], i);
        swapped += g_pack_name_table[i] != i;
    }
    EXPECT_EQ(swapped, 24);
    const uint8_t key[4] = {0x1c, 0xc2, 0x00, 0x22};
    EXPECT_EQ(std::memcmp(g_script_key, key, 4), 0);
    EXPECT_EQ(crc32_compute("KVscr1", 6), 0x1cc20022u);
    EXPECT_EQ(crc32_compute("123456789", 9), 0xcbf43926u);
}

TEST_F(Packs, GeneratorHashesAgree)
{
    EXPECT_EQ(kvtest::gen_output("hash '' a SYSTEM_START 'kvbin\\kvcfg.kbn'"),
              "00000000\n92685f5e\n674e0092\nc7f5164c\n");
    // A Shift-JIS text ("ＡＢ", given to the generator as UTF-8).
    EXPECT_EQ(kvtest::gen_output("hash \xef\xbc\xa1\xef\xbc\xa2"), "a3d35512\n");
}

TEST_F(Packs, StoredAndCompressedEntries)
{
    std::string big = pattern(5000, 7);
    input("kvbin/kvcfg.kbn", "cfg");
    input("BG/Title.PNG", big);
    input("empty.txt", "");
    // "データ/画像.png": a Shift-JIS entry name.
    input("\xe3\x83\x87\xe3\x83\xbc\xe3\x82\xbf/\xe7\x94\xbb.png", "sjis");
    ASSERT_TRUE(gen("pack data.kpf --folder in"));
    ASSERT_TRUE(gen("pack raw.kpf --store --file plain.txt=text:hello"));
    ASSERT_EQ(build_pack_index(), 0);
    EXPECT_EQ(g_pack_count, 2u);
    EXPECT_EQ(g_pack_index_count, 5u);
    EXPECT_EQ(g_project_packed, 1);
    for (uint32_t i = 1; i < g_pack_index_count; i++)
        EXPECT_LE(g_pack_index_hash[i - 1], g_pack_index_hash[i]);

    std::string out;
    expect_packed("bg\\title.png", big);
    EXPECT_EQ(read_packed("BG\\TITLE.png", &out), 1);  // the hash is of the lower-case name
    expect_packed("plain.txt", "hello");
    expect_packed("empty.txt", "");
    expect_packed("\x83\x66\x81\x5b\x83\x5e\\\x89\xe6.png", "sjis");
    EXPECT_EQ(read_packed("missing.txt", &out), 1);

    FileSource src{};
    ASSERT_EQ(pack_find_hashed(&src, "bg\\title.png"), 2);
    EXPECT_EQ(src.kind, KV_SRC_PACK);
    EXPECT_EQ(src.format, KV_FMT_PNG);
    EXPECT_EQ(g_last_error_code, 0u);
}

TEST_F(Packs, WrongMagicIgnoredAndVersions)
{
    input("a.txt", "a");
    ASSERT_TRUE(gen("pack good.kpf --folder in"));
    ASSERT_TRUE(gen("damage good.kpf bad.kpf --kind magic"));
    kvtest::write_file("tiny.kpf", "KP");
    ASSERT_TRUE(gen("pack v234.kpf --version 234 --file b.txt=text:b"));
    ASSERT_TRUE(gen("pack v999.kpf --version 999 --file c.txt=text:c"));
    ASSERT_EQ(build_pack_index(), 0);
    EXPECT_EQ(g_pack_count, 3u);
    std::string out;
    EXPECT_EQ(read_packed("b.txt", &out), 0);
    EXPECT_EQ(read_packed("c.txt", &out), 0);

    ASSERT_TRUE(gen("damage good.kpf v233.kpf --kind version233"));
    expect_refused(104120u, "v233.kpf");
}

TEST_F(Packs, HundredPacks)
{
    ASSERT_TRUE(gen("many . --packs 100 --entries 100"));
    ASSERT_EQ(build_pack_index(), 0);
    EXPECT_EQ(g_pack_count, 100u);
    std::string out;
    EXPECT_EQ(read_packed("p099_000099.dat", &out), 0);
    ASSERT_TRUE(gen("many . --name more --packs 1 --entries 1"));
    expect_refused(104130u, "100");
}

TEST_F(Packs, HundredThousandEntries)
{
    ASSERT_TRUE(gen("many . --entries 100000"));
    ASSERT_EQ(build_pack_index(), 0);
    EXPECT_EQ(g_pack_index_count, 100000u);
    std::string out;
    EXPECT_EQ(read_packed("p000_000000.dat", &out), 0);
    expect_packed("p000_099999.dat", std::string(1, (char)(99999 & 0xff)));
    EXPECT_EQ(read_packed("p000_100000.dat", &out), 1);
    ASSERT_TRUE(gen("pack one.kpf --file extra.txt=text:x"));
    expect_refused(104140u, "100000");
}

TEST_F(Packs, UpdatePacksOverrideAndHide)
{
    ASSERT_TRUE(gen("pack data.kpf --file a.txt=text:old --file b.txt=text:keep"));
    ASSERT_TRUE(gen("update 2 . --file a.txt=text:new2"));
    ASSERT_TRUE(gen("update 1 . --file a.txt=text:new1 --file c.txt=text:c"));
    ASSERT_EQ(build_pack_index(), 0);
    // update1 is registered before update2 whatever the listing order.
    EXPECT_EQ(g_pack_count, 3u);
    EXPECT_NE(std::strstr(g_pack_paths[1], "update1.kpf"), nullptr);
    EXPECT_NE(std::strstr(g_pack_paths[2], "update2.kpf"), nullptr);
    expect_packed("a.txt", "new2");
    expect_packed("b.txt", "keep");
    uint32_t a_hash = murmur2("a.txt", 5), live = 0;
    for (uint32_t i = 0; i < g_pack_index_count; i++)
        live += g_pack_index_hash[i] == a_hash;
    EXPECT_EQ(live, 1u);

    ASSERT_TRUE(gen("pack other.kpf --file A.TXT=text:dup"));
    expect_refused(104150u, "a.txt");
}

TEST_F(Packs, HashCollisionKeepsBoth)
{
    // Two names with one hash (0xdaf6532d), in one pack and across packs.
    ASSERT_EQ(murmur2("c27022.txt", 10), murmur2("c38409.txt", 10));
    ASSERT_TRUE(gen("pack one.kpf --file c27022.txt=text:first --file c38409.txt=text:second"));
    ASSERT_EQ(build_pack_index(), 0);
    expect_packed("c27022.txt", "first");
    expect_packed("c38409.txt", "second");
    ASSERT_TRUE(gen("update 4 . --file c27022.txt=text:updated"));
    ASSERT_EQ(build_pack_index(), 0);
    expect_packed("c27022.txt", "updated");
    expect_packed("c38409.txt", "second");
}

TEST_F(Packs, UpdatePackRefusalStops)
{
    ASSERT_TRUE(gen("pack data.kpf --file a.txt=text:a"));
    ASSERT_TRUE(gen("update 3 . --version 233 --file a.txt=text:b"));
    expect_refused(104120u);
}

TEST_F(Packs, PackFolderDepth)
{
    std::filesystem::create_directories("pac/pac");
    ASSERT_TRUE(gen("pack pac/one.kpf --file one.txt=text:1"));
    ASSERT_TRUE(gen("pack pac/pac/two.kpf --file two.txt=text:2"));
    ASSERT_EQ(build_pack_index(), 0);
    std::string out;
    EXPECT_EQ(read_packed("one.txt", &out), 0);
    EXPECT_EQ(read_packed("two.txt", &out), 1);
    ASSERT_GE(g_pack_count, 1u);
    EXPECT_STREQ(g_pack_paths[0], ".\\pac\\one.kpf");
}

TEST_F(Packs, RepairOneBlock)
{
    std::string data = pattern(3500, 3);
    input("s.bin", data);
    ASSERT_TRUE(gen("pack orig/clean.kpf --store --folder in"));
    ASSERT_TRUE(gen("damage orig/clean.kpf data.kpf --kind block --block 2 --byte 100"));
    ASSERT_EQ(build_pack_index(), 0);
    expect_packed("s.bin", data);
    // The last, short block.
    std::filesystem::remove("data.kpf");
    ASSERT_TRUE(gen("damage orig/clean.kpf data.kpf --kind block --block 3 --byte 400"));
    ASSERT_EQ(build_pack_index(), 0);
    expect_packed("s.bin", data);
    EXPECT_EQ(g_last_error_code, 0u);
}

// Two blocks spoilt at different byte indices: the plain repair would rebuild
// each at the other's index too; one byte per block is still recovered.
TEST_F(Packs, RepairTwoBlocksAtDifferentIndices)
{
    std::string data = pattern(3500, 4);
    input("s.bin", data);
    input("z.bin", pattern(6000, 8));
    ASSERT_TRUE(gen("pack orig/stored.kpf --store --folder in"));
    ASSERT_TRUE(gen("damage orig/stored.kpf data.kpf --entry s.bin --kind two-blocks-apart --block 1 --byte 30"));
    ASSERT_EQ(build_pack_index(), 0);
    std::string out;
    expect_packed("s.bin", data);
    EXPECT_EQ(g_last_error_code, 0u);

    // A compressed stream, the last (short) block being one of the two.
    std::filesystem::remove("data.kpf");
    ASSERT_TRUE(gen("pack orig/packed.kpf --folder in"));
    ASSERT_TRUE(gen("damage orig/packed.kpf data.kpf --entry z.bin --kind block --block 0 --byte 3"));
    ASSERT_EQ(build_pack_index(), 0);
    FileSource src{};
    ASSERT_EQ(pack_find_hashed(&src, "z.bin"), 2);
    uint32_t stored_blocks = 0;
    {
        PackStream st;
        ASSERT_EQ(pack_open(&st, "data.kpf"), 0);
        uint32_t u = 0, p = 0;
        uint8_t c = 0;
        pack_seek(&st, src.entry_pos);
        pack_read_byte(&st, &c);
        pack_read_u32(&st, &u);
        pack_read_u32(&st, &p);
        pack_close(&st);
        stored_blocks = (p + 1023) / 1024;
    }
    ASSERT_GE(stored_blocks, 2u);
    std::string last = std::to_string(stored_blocks - 1);
    ASSERT_TRUE(gen("damage data.kpf orig/data2.kpf --entry z.bin --kind block --block " + last + " --byte 0"));
    std::filesystem::rename("orig/data2.kpf", "data.kpf");
    ASSERT_EQ(build_pack_index(), 0);
    expect_packed("z.bin", pattern(6000, 8));
    EXPECT_EQ(g_last_error_code, 0u);

    // Two spoilt bytes in one of two failing blocks: not recoverable.
    std::filesystem::remove("data.kpf");
    ASSERT_TRUE(gen("damage orig/stored.kpf orig/d1.kpf --entry s.bin --kind two-blocks-apart --block 1 --byte 30"));
    ASSERT_TRUE(gen("damage orig/d1.kpf data.kpf --entry s.bin --kind block --block 1 --byte 500"));
    ASSERT_EQ(build_pack_index(), 0);
    out = "junk";
    EXPECT_EQ(read_packed("s.bin", &out), -2);
    EXPECT_EQ(out, "junk");
    EXPECT_EQ(g_last_error_code, 104100u);
}

TEST_F(Packs, DamageThatCannotBeRepaired)
{
    input("s.bin", pattern(3000, 5));
    ASSERT_TRUE(gen("pack orig/clean.kpf --store --folder in"));
    const char *kinds[] = {"two-blocks", "no-parity", "parity-size", "block-count"};
    for (const char *kind : kinds) {
        SCOPED_TRACE(kind);
        std::filesystem::remove("data.kpf");
        ASSERT_TRUE(gen(std::string("damage orig/clean.kpf data.kpf --byte 7 --kind ") + kind));
        kvtest::quiet_errors();
        ASSERT_EQ(build_pack_index(), 0);
        std::string out = "junk";
        EXPECT_EQ(read_packed("s.bin", &out), -2);
        EXPECT_EQ(out, "junk");
        EXPECT_EQ(g_last_error_code, 104100u);
    }
}

TEST_F(Packs, CompressedStreamRepaired)
{
    std::string data = pattern(20000, 9);
    input("z.bin", data);
    ASSERT_TRUE(gen("pack orig/clean.kpf --folder in"));
    ASSERT_TRUE(gen("damage orig/clean.kpf data.kpf --kind block --block 1 --byte 3"));
    ASSERT_EQ(build_pack_index(), 0);
    expect_packed("z.bin", data);
    EXPECT_EQ(g_last_error_code, 0u);
}

// A damaged stream that would inflate to more than the entry's size is damage
// too: it is repaired like any other, not reported as a short buffer.
TEST_F(Packs, OverlongDamagedStreamRepaired)
{
    std::string data = pattern(2000, 11);   // incompressible: one stored deflate block
    input("o.bin", data);
    ASSERT_TRUE(gen("pack orig/clean.kpf --folder in"));
    std::string pack = kvtest::read_file("orig/clean.kpf");
    ASSERT_GT(pack.size(), 64u);
    auto u32 = [&](size_t at) {
        return (uint32_t)(uint8_t)pack[at] | (uint32_t)(uint8_t)pack[at + 1] << 8 |
               (uint32_t)(uint8_t)pack[at + 2] << 16 | (uint32_t)(uint8_t)pack[at + 3] << 24;
    };
    size_t len = g_pack_name_table[255 - (uint8_t)pack[36]];
    size_t fixed = 37 + len;   // format byte
    ASSERT_EQ(pack[fixed + 1], 1);   // zlib
    ASSERT_EQ(u32(fixed + 2), 2000u);
    size_t stream = u32(fixed + 10);
    ASSERT_EQ((uint8_t)pack[stream + 2], 0x01);   // final stored block: LEN, NLEN follow
    ASSERT_EQ(u32(stream + 3), 2000u | (uint32_t)(uint16_t)~2000u << 16);
    uint16_t longer = 2002;
    pack[stream + 3] = (char)(longer & 255);
    pack[stream + 4] = (char)(longer >> 8);
    pack[stream + 5] = (char)(~longer & 255);
    pack[stream + 6] = (char)((uint16_t)~longer >> 8);
    kvtest::write_file("data.kpf", pack);
    ASSERT_EQ(build_pack_index(), 0);
    std::string out;
    expect_packed("o.bin", data);
    EXPECT_EQ(g_last_error_code, 0u);

    // An intact stream longer than the size the index gives: a buffer fault.
    pack = kvtest::read_file("orig/clean.kpf");
    pack[fixed + 2] = (char)(1000 & 255);
    pack[fixed + 3] = (char)(1000 >> 8);
    kvtest::write_file("data.kpf", pack);
    kvtest::quiet_errors();
    ASSERT_EQ(build_pack_index(), 0);
    EXPECT_EQ(read_packed("o.bin", &out), -2);
    EXPECT_EQ(g_last_error_code, 900040u);
}

TEST_F(Packs, TruncatedAndMiscounted)
{
    input("s.bin", pattern(3000, 5));
    input("t.bin", pattern(10, 6));
    ASSERT_TRUE(gen("pack orig/clean.kpf --store --folder in"));
    // Cut inside the data: the entry is damaged; cut inside the index: refused.
    ASSERT_TRUE(gen("damage orig/clean.kpf data.kpf --kind truncate --keep 1000"));
    ASSERT_EQ(build_pack_index(), 0);
    std::string out;
    EXPECT_EQ(read_packed("s.bin", &out), -2);
    EXPECT_EQ(g_last_error_code, 104100u);
    const char *refused[] = {"--kind truncate --keep 40", "--kind count-high", "--kind truncate --keep 10"};
    for (const char *args : refused) {
        SCOPED_TRACE(args);
        kvtest::quiet_errors();
        std::filesystem::remove("data.kpf");
        ASSERT_TRUE(gen(std::string("damage orig/clean.kpf data.kpf ") + args));
        expect_refused(104120u);
    }
    kvtest::quiet_errors();
    std::filesystem::remove("data.kpf");
    ASSERT_TRUE(gen("damage orig/clean.kpf data.kpf --kind count-low"));
    EXPECT_EQ(build_pack_index(), 0);
    EXPECT_EQ(g_pack_index_count, 1u);
}

TEST_F(Packs, AppendedPackComesFirst)
{
    ASSERT_TRUE(gen("pack p.kpf --file a.txt=text:packed"));
    std::string exe = std::string(777, 'M') + "KVER" + kvtest::read_file("p.kpf");
    std::filesystem::remove("p.kpf");
    kvtest::write_file("game.exe", exe);
    kvtest::write_file("a.txt", "loose");
    std::snprintf(g_exe_path, sizeof g_exe_path, "%s/game.exe", dir_->path().c_str());
    g_res_offset = 777;
    g_appended_pack_offset = 4;
    g_appended_pack_first = g_project_packed = 1;
    ASSERT_EQ(build_pack_index(), 0);
    FileSource src{};
    EXPECT_EQ(locate_file(&src, "a.txt"), 2);
    ASSERT_EQ(load_resource(&src, "a.txt"), 0);
    EXPECT_EQ(std::string((char *)src.data, src.size), "packed");
    std::free(src.data);
    g_appended_pack_first = 0;
    EXPECT_EQ(locate_file(&src, "a.txt"), 1);
    g_res_offset = 0;
    g_appended_pack_offset = 0;
    g_exe_path[0] = '\0';
}

}  // namespace
