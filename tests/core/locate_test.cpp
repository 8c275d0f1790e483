// The file locator and the whole-file loaders.
#include "core_test_util.h"

#include <string>

namespace {

using kvtest::gen;

class Locate : public ::testing::Test {
protected:
    void SetUp() override
    {
        KV_NATIVE_ONLY();
        kvtest::reset_core_state();
        dir_.reset(new kvtest::ScratchDir);
    }
    void TearDown() override
    {
        reset_pack_index();
        dir_.reset();
    }
    static void disk(const std::string &path, const std::string &bytes)
    {
        std::string native = path;  // the engine's '\\' is '/' here
        for (char &c : native)
            if (c == '\\')
                c = '/';
        std::filesystem::path p(native);
        if (p.has_parent_path())
            std::filesystem::create_directories(p.parent_path());
        kvtest::write_file(native, bytes);
    }
    // find_media_file on a copy of name; "" when not found.
    static std::string media(const char *name, int kind, int *result = nullptr)
    {
        char buf[KV_PATH_MAX], out[KV_PATH_MAX] = "";
        std::snprintf(buf, sizeof buf, "%s", name);
        FileSource src{};
        int r = find_media_file(&src, out, buf, kind);
        if (result)
            *result = r;
        return r == 0 ? std::string(out) + "@" + std::to_string(src.kind) : "";
    }
    std::unique_ptr<kvtest::ScratchDir> dir_;
};

TEST(LocateText, FormatsAndHelpers)
{
    EXPECT_EQ(media_format_from_ext("a.BMP"), KV_FMT_BMP);
    EXPECT_EQ(media_format_from_ext("a.png"), KV_FMT_PNG);
    EXPECT_EQ(media_format_from_ext("x\\a.Jpg"), KV_FMT_JPG);
    EXPECT_EQ(media_format_from_ext("a.gif"), KV_FMT_GIF);
    EXPECT_EQ(media_format_from_ext("a.psd"), KV_FMT_PSD);
    EXPECT_EQ(media_format_from_ext("a.kcg"), KV_FMT_KCG);
    EXPECT_EQ(media_format_from_ext("a.wav"), KV_FMT_WAV);
    EXPECT_EQ(media_format_from_ext("a.ogg"), KV_FMT_OGG);
    EXPECT_EQ(media_format_from_ext("a.jpeg"), KV_FMT_OTHER);
    EXPECT_EQ(media_format_from_ext("png"), KV_FMT_OTHER);
    EXPECT_EQ(str_ends_with("abc.TXT", ".txt"), 1);
    EXPECT_EQ(str_ends_with("t", ".txt"), 0);
    char text[] = "a\\\x95\x5c\\b\x81";  // the trail byte 0x5C of "表" stays
    sjis_replace_char(text, '\\', '/');
    EXPECT_STREQ(text, "a/\x95\x5c/b\x81");
}

TEST_F(Locate, ImageOrderPngThenJpg)
{
    static const uint8_t order[4] = {1, 3, 0, 0};  // png, jpg
    std::memcpy(g_image_ext_order, order, 4);
    disk("bg\\title.jpg", "J");
    EXPECT_EQ(media("BG/Title", 0), "bg\\title.jpg@1");
    disk("bg\\title.png", "P");
    EXPECT_EQ(media("BG\\Title", 0), "bg\\title.png@1");
    EXPECT_EQ(media("bg/title.psd", 0), "");  // probed as bg\title.psd.png, ...
    int r = 0;
    EXPECT_EQ(media("bg/none", 0, &r), "");
    EXPECT_EQ(r, 1);
}

TEST_F(Locate, GivenExtensionIsNotProbed)
{
    disk("a\\b.png", "P");
    EXPECT_EQ(media("a/./b.PNG", 0), "a\\b.png@1");
    disk("a\\b.png.png", "PP");
    EXPECT_EQ(media("a/./b.PNG", 0), "a\\b.png@1");
}

TEST_F(Locate, SoundOrder)
{
    disk("se\\bell.wav", "W");
    EXPECT_EQ(media("se/Bell", 1), "se\\bell.wav@1");
    disk("se\\bell.ogg", "O");
    EXPECT_EQ(media("se/Bell", 1), "se\\bell.ogg@1");
    static const uint8_t order[2] = {2, 1};
    std::memcpy(g_sound_ext_order, order, 2);
    EXPECT_EQ(media("se/Bell", 1), "se\\bell.wav@1");
}

TEST_F(Locate, DiskBeforePackUnlessAppended)
{
    ASSERT_TRUE(gen("pack data.kpf --file img/a.png=text:packed --file only.png=text:p2"));
    disk("img\\a.png", "loose");
    ASSERT_EQ(build_pack_index(), 0);
    EXPECT_EQ(media("img/a", 0), "img\\a.png@1");
    EXPECT_EQ(media("only", 0), "only.png@2");
    FileSource src{};
    ASSERT_EQ(locate_file(&src, "only.png"), 2);
    EXPECT_EQ(src.format, KV_FMT_PNG);
    ASSERT_EQ(load_resource(&src, "only.png"), 0);
    EXPECT_EQ(std::string((char *)src.data, src.size), "p2");
    std::free(src.data);
    EXPECT_EQ(file_exists_any_source("only.png", 0), 1);
    EXPECT_EQ(file_exists_any_source("nothing.png", 0), 0);
}

TEST_F(Locate, MemorySources)
{
    disk("m.txt", "disk");
    static char name0[] = "m.txt", name1[] = "M.TXT";
    static uint8_t bytes0[] = "set1", bytes1[] = "set2";
    g_file_cache[1].name[0] = name0;
    g_file_cache[1].data[0] = bytes0;
    g_file_cache[1].size[0] = 4;
    g_file_cache[1].format[0] = KV_FMT_OGG;
    g_file_cache[1].count = 1;
    g_file_cache[2].name[0] = name1;
    g_file_cache[2].data[0] = bytes1;
    g_file_cache[2].size[0] = 4;
    g_file_cache[2].count = 1;
    FileSource src{};
    ASSERT_EQ(locate_file(&src, "m.txt"), KV_SRC_CACHE);
    EXPECT_EQ(src.cache_set, 1u);
    EXPECT_EQ(src.format, KV_FMT_OGG);
    ASSERT_EQ(load_resource(&src, "m.txt"), 0);
    EXPECT_EQ(std::string((char *)src.data, src.size), "set1");
    std::free(src.data);
    g_file_cache[1].count = 0;
    ASSERT_EQ(locate_file(&src, "m.txt"), KV_SRC_CACHE);
    EXPECT_EQ(src.cache_set, 2u);
    g_file_cache[2].count = 0;

    LinkedFile linked[2] = {{"kvbin\\a.kbn", 3, (const uint8_t *)"abc"}, {"M.txt", 2, (const uint8_t *)"li"}};
    g_linked_files = linked;
    g_linked_file_count = 2;
    ASSERT_EQ(locate_file(&src, "m.txt"), KV_SRC_LINKED);
    EXPECT_EQ(src.linked_index, 1u);
    ASSERT_EQ(load_resource(&src, "m.txt"), 0);
    EXPECT_EQ(std::string((char *)src.data, src.size), "li");
    std::free(src.data);
    // A record that claims bytes without holding them is refused, not read.
    linked[1].data = nullptr;
    ASSERT_EQ(locate_file(&src, "m.txt"), KV_SRC_LINKED);
    EXPECT_EQ(load_resource(&src, "m.txt"), -3);
    EXPECT_EQ(src.data, nullptr);
    g_linked_file_count = 0;
    EXPECT_EQ(locate_file(&src, "m.txt"), KV_SRC_DISK);
    src.kind = 9;
    EXPECT_EQ(load_resource(&src, "m.txt"), -2);
}

TEST_F(Locate, DiskLoader)
{
    // "データ.txt" in Shift-JIS: the name's bytes reach the file system as they are.
    disk("\x83\x66\x81\x5b\x83\x5e.txt", "sjis name");
    FileSource src{};
    ASSERT_EQ(locate_file(&src, "\x83\x66\x81\x5b\x83\x5e.txt"), KV_SRC_DISK);
    ASSERT_EQ(load_file_from_disk(&src, "\x83\x66\x81\x5b\x83\x5e.txt"), 0);
    EXPECT_EQ(std::string((char *)src.data, src.size), "sjis name");
    std::free(src.data);

    EXPECT_EQ(load_file_from_disk(&src, "missing.txt"), -3);
    EXPECT_EQ(g_last_error_code, 104010u);
    EXPECT_EQ(src.data, nullptr);

    std::filesystem::create_directory("dir");
    EXPECT_EQ(file_exists("dir"), 0);
    EXPECT_EQ(file_exists_any_source("dir", 1), 1);
    EXPECT_EQ(file_exists_any_source("m.txt", 1), 0);
}

TEST_F(Locate, FilesOver4GiBRefused)
{
    FILE *f = std::fopen("huge.bin", "wb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    std::error_code ec;
    std::filesystem::resize_file("huge.bin", (1ull << 32) + 10, ec);
    if (ec)
        GTEST_SKIP() << "no sparse files here";
    kvtest::quiet_errors();
    FileSource src{};
    EXPECT_EQ(load_file_from_disk(&src, "huge.bin"), -3);
    EXPECT_EQ(g_last_error_code, 104030u);
    EXPECT_EQ(src.data, nullptr);
}

}  // namespace
