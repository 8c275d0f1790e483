// Commands 15, 16, 92 and 94 on their loaded arguments: saving layers under
// the chosen format and extension, the memory cache's order and eviction,
// the file operations, the file queries and the frame container commands.
#include <filesystem>
#include <fstream>

#include "core/tree.h"
#include "image/file_commands.h"
#include "image/image_decode_fixture.h"
#include "image/image_writers.h"
#include "image/jpeg_frames.h"
#include "image/jpeg_frames_support.h"
#include "script/arg_slots.h"
#include "script/args.h"
#include "script/vars.h"

using namespace kvimg;
namespace fs = std::filesystem;

namespace {

using cmdtest::Arg;

// Result variables: the argument's value names them.
void load_args(std::initializer_list<Arg> args)
{
    cmdtest::set_args_targets(args, 0, true);
}

int no_box(const char *, const char *) { return 1; }

struct FileCommands : ::testing::Test {
    fs::path old_dir, dir;
    LayerState *pic = nullptr;
    void SetUp() override
    {
        quiet_reports();
        register_image_decoders();
        set_locator_extensions();
        image_file_ops_reset();
        g_image_file_ops.message = no_box;
        static bool roots = create_tree_roots() == 0;
        ASSERT_TRUE(roots);
        old_dir = fs::current_path();
        dir = fs::temp_directory_path() /
              ("kv_filecmd_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        fs::current_path(dir);
        TreeNode *node = name_tree_lookup(g_layer_tree, "W0/pic", KV_FIND_LEAF);
        if (!node)
            node = create_tree_node(g_layer_tree, "W0/pic", 0, 0);
        ASSERT_NE(node, nullptr);
        pic = layer_state_new();
        Image im = gradient_image(20, 12, false, 9);
        pic->pixels = alloc_pixels(nullptr, im.w, im.h, nullptr);
        pic->width = im.w;
        pic->height = im.h;
        std::memcpy(pic->pixels, im.px.data(), im.px.size());
        node->payload = pic;
        var_table_alloc(1100);
        var_init_int(1000, 7);
        var_init_float(1001, 7.0);
        var_init_string(1002, "x", 1);
    }
    void TearDown() override
    {
        name_tree_lookup(g_layer_tree, "W0/pic", KV_FIND_LEAF)->payload = nullptr;
        layer_state_release_buffers(pic);
        std::free(pic);
        for (auto &set : g_file_cache) {
            for (int32_t k = 0; k < set.count; k++) {
                std::free(set.name[k]);
                std::free(set.data[k]);
                set.name[k] = nullptr;
                set.data[k] = nullptr;
            }
            set.count = 0;
        }
        free_jpeg_frames();
        var_table_free();
        image_file_ops_reset();
        fs::current_path(old_dir);
        fs::remove_all(dir);
    }
    static void write(const std::string &name, const Bytes &b)
    {
        std::ofstream f(name, std::ios::binary);
        f.write((const char *)b.data(), (std::streamsize)b.size());
    }
    static Bytes read(const std::string &name)
    {
        std::ifstream f(name, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }
};

// Quality 100 makes every JPEG quantisation value 1.
bool all_quant_one(const Bytes &f)
{
    for (size_t i = 0; i + 69 < f.size(); i++)
        if (f[i] == 0xFF && f[i + 1] == 0xDB)
            return std::all_of(f.begin() + i + 5, f.begin() + i + 69, [](uint8_t v) { return v == 1; });
    return false;
}

}  // namespace

TEST_F(FileCommands, SaveChoosesFormatAndExtension)
{
    const struct {
        std::initializer_list<Arg> args;
        const char *file;
        uint8_t format;
    } cases[] = {
        {{{0, 0, "shot"}, {10, 0, "pic"}}, "shot.png", KV_FMT_PNG},
        {{{0, 0, "Out/Shot.BMP"}, {10, 0, "pic"}, {11, 1, nullptr}}, "out/shot.bmp", KV_FMT_BMP},
        {{{0, 0, "b"}, {10, 0, "pic"}, {11, 1, nullptr}, {12, 1, nullptr}}, "b.png", KV_FMT_PNG},
        {{{0, 0, "q"}, {10, 0, "pic"}, {13, 1, nullptr}, {9, 150, nullptr}}, "q.jpg", KV_FMT_JPG},
    };
    fs::create_directories("out");
    for (auto &c : cases) {
        SCOPED_TRACE(c.file);
        load_args(c.args);
        ASSERT_EQ(file_utility_run(), 0);
        Bytes f = read(c.file);
        LayerHolder back;
        ASSERT_EQ(decode_bytes(f, c.format, back.s), 0);
        EXPECT_EQ(back.s->width, 20);
        if (c.format == KV_FMT_JPG) {
            EXPECT_TRUE(all_quant_one(f));
        }
    }
    load_args({{0, 0, "shot"}, {10, 0, "nothere"}});
    EXPECT_EQ(file_utility_run(), -1);
    EXPECT_EQ(g_last_error_code, 101250u);
}

TEST_F(FileCommands, CacheKeepsArrivalOrderAndEvicts)
{
    for (int i = 0; i < 514; i++)
        write("f" + std::to_string(i) + ".png", Bytes(4, (uint8_t)i));
    load_args({{0, 0, "f0"}, {14, 1, nullptr}});
    ASSERT_EQ(file_utility_run(), 0);
    load_args({{0, 0, "F1.png"}, {14, 1, nullptr}});
    ASSERT_EQ(file_utility_run(), 0);
    load_args({{0, 0, "f0"}, {14, 1, nullptr}});
    ASSERT_EQ(file_utility_run(), 0);
    FileCacheSet &s1 = g_file_cache[0];
    ASSERT_EQ(s1.count, 2);
    EXPECT_STREQ(s1.name[0], "f1.png");
    EXPECT_STREQ(s1.name[1], "f0.png");   // moved to the end, kept once
    load_args({{0, 0, "f0"}, {14, 2, nullptr}});
    ASSERT_EQ(file_utility_run(), 0);
    EXPECT_EQ(g_file_cache[1].count, 1);  // a second copy in set 2
    for (int i = 2; i < 514; i++) {
        std::string n = "f" + std::to_string(i);
        load_args({{0, 0, n.c_str()}, {14, 1, nullptr}});
        ASSERT_EQ(file_utility_run(), 0);
    }
    EXPECT_EQ(s1.count, 512);
    EXPECT_STREQ(s1.name[0], "f2.png");   // f1 and f0 were the oldest
    EXPECT_STREQ(s1.name[511], "f513.png");
    EXPECT_EQ(s1.data[511][0], (uint8_t)513);
    for (int64_t bad : {5, -1, 1000}) {
        quiet_reports();
        load_args({{0, 0, "f3"}, {15, bad, nullptr}});
        EXPECT_EQ(file_utility_run(), -1);
        EXPECT_EQ(g_last_error_code, 101000u);
    }
}

TEST_F(FileCommands, CopyDeleteAndFolders)
{
    write("a.dat", {1, 2, 3});
    write("b.dat", {9});
    write("save01.sd", {7});
    load_args({{0, 0, "A.dat"}, {1, 0, "b.dat"}, {4, 1, nullptr}});
    ASSERT_EQ(file_utility_run(), 0);
    EXPECT_EQ(read("b.dat"), (Bytes{1, 2, 3}));
    load_args({{0, 0, "save01"}, {5, 1, nullptr}});
    ASSERT_EQ(file_utility_run(), 0);
    EXPECT_FALSE(fs::exists("save01.sd"));
    EXPECT_TRUE(fs::exists("a.dat"));
    load_args({{2, 0, "x/y/z"}, {3, 1, nullptr}});
    ASSERT_EQ(file_utility_run(), 0);
    EXPECT_TRUE(fs::is_directory("x/y/z"));
    load_args({{2, 0, "x/y/z"}, {5, 1, nullptr}});
    ASSERT_EQ(file_utility_run(), 0);
    EXPECT_FALSE(fs::exists("x/y/z"));
    EXPECT_TRUE(fs::exists("x/y"));
    std::string longpath(400, 'p');
    load_args({{0, 0, longpath.c_str()}, {10, 0, "pic"}});
    EXPECT_EQ(file_utility_run(), -1);
}

TEST_F(FileCommands, FindFileQueries)
{
    write("img.png", Bytes(10, 1));
    write("snd.wav", Bytes(3, 1));
    fs::create_directories("dir");
    const struct {
        std::initializer_list<Arg> args;
        int64_t want;
    } cases[] = {
        {{{2, 0, "IMG"}, {4, 1, nullptr}, {7, 1000, nullptr}}, 1},
        {{{3, 0, "snd"}, {4, 1, nullptr}, {7, 1000, nullptr}}, 1},
        {{{3, 0, "img"}, {4, 1, nullptr}, {7, 1000, nullptr}}, 0},
        {{{1, 0, "img"}, {4, 1, nullptr}, {7, 1000, nullptr}}, 0},
        {{{0, 0, "dir"}, {4, 1, nullptr}, {7, 1000, nullptr}}, 1},
        {{{1, 0, "img.png"}, {5, 1, nullptr}, {7, 1000, nullptr}}, 10},
        {{{1, 0, "dir"}, {5, 1, nullptr}, {7, 1000, nullptr}}, 0},
        {{{0, 0, "dir"}, {1, 0, "img.png"}, {5, 1, nullptr}, {7, 1000, nullptr}}, 10},
    };
    for (auto &c : cases) {
        var_set_number(1000, 0, -9);
        load_args(c.args);
        ASSERT_EQ(find_file_run(), 0);
        EXPECT_EQ(var_get_int(1000, 0), c.want);
    }
    load_args({{1, 0, "img.png"}, {5, 1, nullptr}, {7, 1001, nullptr}});
    ASSERT_EQ(find_file_run(), 0);
    EXPECT_EQ(var_get_float(1001, 0), 10.0);
    load_args({{1, 0, "img.png"}, {5, 1, nullptr}, {7, 1002, nullptr}});
    find_file_run();
    EXPECT_EQ(g_last_error_code, 101140u);
}

TEST_F(FileCommands, FrameContainerCommands)
{
    Image a = gradient_image(10, 6, false, 1), b = gradient_image(14, 8, false, 2);
    fs::create_directories("anim");
    write("anim/frames.kjf", write_container({{write_jpeg(a, 3, false), {}}, {write_jpeg(b, 3, false), {}}},
                                             0, 11, 12, 13));
    load_args({{0, 0, "pic"}, {1, 0, "Anim/Frames.KJF"}, {2, 9, nullptr}});
    ASSERT_EQ(jpeg_frames_load_run(), 0);
    EXPECT_EQ(pic->width, 14);   // frame 9 is the last frame
    EXPECT_EQ(pic->has_alpha, 0);
    const struct {
        uint32_t arg;
        int64_t want;
    } infos[] = {{1, 2}, {2, 11}, {3, 12}, {4, 13}};
    for (auto &i : infos) {
        load_args({{0, 1000, nullptr}, {i.arg, 1, nullptr}});
        ASSERT_EQ(jpeg_frames_info_run(), 0);
        EXPECT_EQ(var_get_int(1000, 0), i.want);
    }
    load_args({{0, 1000, nullptr}, {2, 1, nullptr}, {1, 1, nullptr}});
    ASSERT_EQ(jpeg_frames_info_run(), 0);
    EXPECT_EQ(var_get_int(1000, 0), 2);   // the frame count comes first
    load_args({{0, 0, "gone"}, {2, 0, nullptr}});
    EXPECT_EQ(jpeg_frames_load_run(), -1);
    EXPECT_EQ(g_last_error_code, 101250u);
}
