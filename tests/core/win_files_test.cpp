// Packs and loose files on a real file system, also under Wine: a pack in the
// start folder, one with a Shift-JIS name in the pack folder "pac", and an
// update pack; entries and a Shift-JIS-named loose file are read.
// Natively the files are written here; under Wine tests/win32/e2e_core_packs.sh
// writes them and names the folder in KV_CORE_PACK_DIR.
#include "core_test_util.h"

#include <string>

namespace {

// "データ.kpf", "タイトル", "読込.txt" in Shift-JIS (the engine's form) ...
#define SJ_PACK "\x83\x66\x81\x5b\x83\x5e.kpf"
#define SJ_TITLE "\x83\x5e\x83\x43\x83\x67\x83\x8b"
#define SJ_LOOSE "\x93\xc7\x8d\x9e.txt"
// ... and "タイトル" in UTF-8, as the generator takes it on its command line.
#define U8_TITLE "\xe3\x82\xbf\xe3\x82\xa4\xe3\x83\x88\xe3\x83\xab"

// Native: the same folders the Wine script writes.
bool write_native_folder()
{
    std::filesystem::create_directory("pac");
    return kvtest::gen("pack data.kpf --file a.txt=text:old --file kvbin/kvcfg.kbn=text:cfg") &&
           kvtest::gen("pack pac/sjis.kpf --file 'bg/" U8_TITLE ".png=text:title image'") &&
           kvtest::gen("update 1 . --file a.txt=text:new") &&
           (std::filesystem::rename("pac/sjis.kpf", "pac/" SJ_PACK), true) &&
           (kvtest::write_file(SJ_LOOSE, "loose sjis"), true);
}

// Damaged entries: "fixable.bin" (one block spoilt) in fixable.kpf and
// "broken.bin" (two blocks spoilt at one byte index) in broken.kpf.
bool write_damaged_folder()
{
    std::filesystem::create_directory("orig");
    std::string a(5000, 'a'), b(3000, 'b');
    for (size_t i = 0; i < a.size(); i++)
        a[i] = (char)(i * 7 + i / 13);
    kvtest::write_file("orig/fixable.bin", a);
    kvtest::write_file("orig/broken.bin", b);
    return kvtest::gen("pack orig/f.kpf --store --file fixable.bin=orig/fixable.bin") &&
           kvtest::gen("pack orig/b.kpf --store --file broken.bin=orig/broken.bin") &&
           kvtest::gen("damage orig/f.kpf fixable.kpf --kind block --block 4 --byte 11") &&
           kvtest::gen("damage orig/b.kpf broken.kpf --kind two-blocks --byte 0");
}

// Enters the folder that the Wine script prepared (KV_CORE_PACK_DIR/sub), or
// natively a scratch folder filled by write. False: skip (Windows, no folder).
bool enter_folder(const char *sub, bool (*write)(), std::unique_ptr<kvtest::ScratchDir> *scratch,
                  std::filesystem::path *old)
{
    *old = std::filesystem::current_path();
    const char *dir = std::getenv("KV_CORE_PACK_DIR");
    if (dir && *dir) {
        std::filesystem::current_path(std::string(dir) + "\\" + sub);
        return true;
    }
#ifdef _WIN32
    (void)write;
    (void)scratch;
    return false;
#else
    scratch->reset(new kvtest::ScratchDir);
    return write();
#endif
}

TEST(WinPackFiles, RepairsOneBlockRefusesTwo)
{
    std::unique_ptr<kvtest::ScratchDir> scratch;
    std::filesystem::path old;
    if (!enter_folder("damaged", write_damaged_folder, &scratch, &old))
        GTEST_SKIP() << "run by tests/win32/e2e_core_packs.sh (KV_CORE_PACK_DIR)";
    kvtest::reset_core_state();
    ASSERT_EQ(build_pack_index(), 0) << g_last_error_code;
    EXPECT_EQ(g_pack_count, 2u);
    std::string out, want = kvtest::read_file("orig/fixable.bin");
    ASSERT_EQ(want.size(), 5000u);
    EXPECT_EQ(kvtest::read_packed("fixable.bin", &out), 0);
    EXPECT_EQ(out, want);
    EXPECT_EQ(g_last_error_code, 0u);
    out = "none";
    EXPECT_EQ(kvtest::read_packed("broken.bin", &out), -2);
    EXPECT_EQ(out, "none");
    EXPECT_EQ(g_last_error_code, 104100u);
    reset_pack_index();
    if (!scratch)
        std::filesystem::current_path(old);
}

TEST(WinPackFiles, FindsPacksAndReadsShiftJisNames)
{
    std::unique_ptr<kvtest::ScratchDir> scratch;
    std::filesystem::path old;
    if (!enter_folder("found", write_native_folder, &scratch, &old))
        GTEST_SKIP() << "run by tests/win32/e2e_core_packs.sh (KV_CORE_PACK_DIR)";
    kvtest::reset_core_state();
    ASSERT_EQ(build_pack_index(), 0) << g_last_error_code;
    EXPECT_EQ(g_pack_count, 3u);
    EXPECT_EQ(g_project_packed, 1);
    bool saw_pac = false;
    for (uint32_t i = 0; i < g_pack_count; i++)
        saw_pac |= std::strcmp(g_pack_paths[i], ".\\pac\\" SJ_PACK) == 0;
    EXPECT_TRUE(saw_pac);

    std::string out;
    EXPECT_EQ(kvtest::read_packed("a.txt", &out), 0);
    EXPECT_EQ(out, "new");

    char name[KV_PATH_MAX] = "BG/" SJ_TITLE, found[KV_PATH_MAX] = "";
    FileSource src{};
    ASSERT_EQ(find_media_file(&src, found, name, 0), 0);
    EXPECT_STREQ(found, "bg\\" SJ_TITLE ".png");
    EXPECT_EQ(src.kind, KV_SRC_PACK);
    ASSERT_EQ(load_resource(&src, found), 0);
    EXPECT_EQ(std::string((char *)src.data, src.size), "title image");
    std::free(src.data);

    ASSERT_EQ(locate_file(&src, SJ_LOOSE), KV_SRC_DISK);
    ASSERT_EQ(load_resource(&src, SJ_LOOSE), 0);
    EXPECT_EQ(std::string((char *)src.data, src.size), "loose sjis");
    std::free(src.data);
    EXPECT_EQ(g_last_error_code, 0u);
    reset_pack_index();
    if (!scratch)
        std::filesystem::current_path(old);
}

}  // namespace
