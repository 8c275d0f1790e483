// Movies and Flash movies on the stand-in platform: the MPEG sniff, the
// placement over the game area, the volume scales, and commands 56-58 and
// 17-19 where no player or control exists.
#include "movie_test_util.h"

using namespace movietest;

TEST(MovieSniff, PackHeaderKinds)
{
    struct Case { std::vector<uint8_t> bytes; int kind; } cases[] = {
        {{0x00, 0x00, 0x01, 0xBA, 0x44, 0x00}, 2},
        {{0x00, 0x00, 0x01, 0xBA, 0x21}, 1},
        {{0x00, 0x00, 0x01, 0xBA, 0x2F, 0xFF}, 1},
        {{0x00, 0x00, 0x01, 0xBA, 0x7F}, 2},
        {{0x00, 0x00, 0x01, 0xBA, 0x31}, 255},
        {{0x00, 0x00, 0x01, 0xBA, 0x00}, 255},
        {{0x00, 0x00, 0x01, 0xB3, 0x21}, 255},   // sequence header, no pack
        {{0x00, 0x00, 0x01, 0xBA}, 255},         // shorter than the pattern
        {{0x00}, 255},
        {{}, 255},
    };
    auto path = std::filesystem::temp_directory_path() / "kv_movie_sniff.bin";
    for (const Case &c : cases) {
        write_file(path.string(), c.bytes);
        EXPECT_EQ(movie_mpeg_kind(path.string().c_str()), c.kind) << c.bytes.size();
    }
    std::filesystem::remove(path);
    EXPECT_EQ(movie_mpeg_kind(path.string().c_str()), 0);
}

TEST(MovieGeometry, Layouts)
{
    struct Case {
        int32_t gw, gh, cw, ch, ox, oy, fit, sw, sh;   // view
        int32_t x, y, w, h;                            // game rectangle
        MovieRect want;
    } cases[] = {
        // own scaler 2: the game fitted into the screen, letterboxed or pillarboxed
        {640, 480, 640, 480, 0, 0, 1, 1280, 1024, 0, 0, 640, 480, {0, 32, 1280, 960}},
        {640, 480, 640, 480, 0, 0, 1, 1920, 1080, 0, 0, 640, 480, {240, 0, 1440, 1080}},
        {640, 480, 640, 480, 0, 0, 1, 1280, 960, 0, 0, 640, 480, {0, 0, 1280, 960}},
        {640, 480, 640, 480, 0, 0, 1, 1280, 1024, 100, 50, 320, 240, {200, 132, 640, 480}},
        // the window's own scale and letterbox offsets
        {640, 480, 640, 480, 0, 0, 0, 0, 0, 0, 0, 640, 480, {0, 0, 640, 480}},
        {640, 480, 1280, 960, 0, 32, 0, 0, 0, 0, 0, 640, 480, {0, 32, 1280, 960}},
        {800, 600, 400, 300, 10, 0, 0, 0, 0, 80, 60, 400, 300, {50, 30, 200, 150}},
        // a zero game size leaves the rectangle unscaled
        {0, 0, 640, 480, 5, 6, 0, 0, 0, 1, 2, 30, 40, {6, 8, 30, 40}},
        {0, 0, 640, 480, 0, 0, 1, 1280, 1024, 0, 0, 10, 10, {128, 0, 10, 10}},
        // huge values saturate instead of wrapping
        {1, 1, 8192, 8192, 0, 0, 0, 0, 0, 0, 0, INT32_MAX, 2, {0, 0, INT32_MAX, 16384}},
    };
    for (const Case &c : cases) {
        MovieView v = movie_view(c.gw, c.gh, c.cw, c.ch, c.ox, c.oy, c.fit, c.sw, c.sh);
        MovieRect r = movie_place(v, c.x, c.y, c.w, c.h);
        EXPECT_EQ(r.x, c.want.x) << c.gw << "x" << c.gh << " on " << c.sw << "x" << c.sh;
        EXPECT_EQ(r.y, c.want.y) << c.gw << "x" << c.gh << " on " << c.sw << "x" << c.sh;
        EXPECT_EQ(r.w, c.want.w) << c.gw << "x" << c.gh << " on " << c.sw << "x" << c.sh;
        EXPECT_EQ(r.h, c.want.h) << c.gw << "x" << c.gh << " on " << c.sw << "x" << c.sh;
    }
}

TEST(MovieGeometry, VolumeScalesStayInRange)
{
    EXPECT_EQ(movie_volume_db(128), -1204);
    EXPECT_EQ(movie_volume_mci(128), 500);
    EXPECT_EQ(movie_volume_db(0), -10000);
    EXPECT_EQ(movie_volume_db(256), 0);
    EXPECT_EQ(movie_volume_mci(256), 1000);
    for (int32_t v : {INT32_MIN, -256, -1, 0, 1, 2, 100, 255, 256, 257, 100000, INT32_MAX}) {
        int32_t db = movie_volume_db(v), level = movie_volume_mci(v);
        EXPECT_TRUE(db >= -10000 && db <= 0) << v;
        EXPECT_TRUE(level >= 0 && level <= 1000) << v;
    }
    for (int32_t v = 1; v < 256; v++)
        EXPECT_LE(movie_volume_db(v), movie_volume_db(v + 1));
}

TEST(MovieGeometry, ValueOperators)
{
    EXPECT_EQ(movie_apply_op(10, 0, 3), 3);
    EXPECT_EQ(movie_apply_op(10, 1, 3), 13);
    EXPECT_EQ(movie_apply_op(10, 2, 3), 7);
    EXPECT_EQ(movie_apply_op(10, 3, 3), 30);
    EXPECT_EQ(movie_apply_op(10, 4, 3), 3);
    EXPECT_EQ(movie_apply_op(10, 4, 0), 10);
    EXPECT_EQ(movie_apply_op(INT32_MAX, 1, 1), INT32_MAX);
    EXPECT_EQ(movie_apply_op(INT32_MIN, 4, -1), INT32_MAX);
}

TEST(MovieName, LowerCaseAndSeparators)
{
    char out[KV_MOVIE_NAME_SIZE];
    ASSERT_TRUE(movie_normalize_name(out, sizeof out, "Movie/OP.MPG"));
    EXPECT_STREQ(out, "movie\\op.mpg");
    // '/' as the second byte of a two-byte character stays.
    ASSERT_TRUE(movie_normalize_name(out, sizeof out, "\x83/A/b"));
    EXPECT_STREQ(out, "\x83/a\\b");
    std::string long_name(KV_MOVIE_NAME_SIZE, 'a');
    EXPECT_FALSE(movie_normalize_name(out, sizeof out, long_name.c_str()));
}

using MovieCommands = MovieFixture;

TEST_F(MovieCommands, MissingFileIsFatal)
{
    load_args({{0, 0, "none.mpg", 0}, {1, 1, nullptr, 0}});
    EXPECT_EQ(movie_play_run(), -1);
    EXPECT_EQ(g_last_error_code, 104060u);
    EXPECT_EQ(movie_info(0), 0);
}

TEST_F(MovieCommands, RectangleDefaultsAndQueries)
{
    write_file("a.mpg", {0x00, 0x00, 0x01, 0xBA, 0x21});
    load_args({{0, 0, "A.MPG", 0}});
    EXPECT_EQ(movie_play_run(), 0);
    EXPECT_STREQ(g_movie.file_name, "a.mpg");
    EXPECT_EQ(movie_info(1), 0);
    EXPECT_EQ(movie_info(3), 640);
    EXPECT_EQ(movie_info(4), 480);
    load_args({{2, 10, nullptr, 0}, {4, 2, nullptr, 4}, {6, 128, nullptr, 0}});
    EXPECT_EQ(movie_play_run(), 0);
    EXPECT_EQ(movie_info(1), 10);
    EXPECT_EQ(movie_info(3), 320);
    EXPECT_EQ(movie_info(5), 128);
    EXPECT_EQ(movie_info(6, "A.MPG"), 1);
    EXPECT_EQ(movie_info(6, "missing.mpg"), 0);
    load_args({{7, 0, nullptr, 0}});
    var_set_number(1000, 0, 7);
    EXPECT_EQ(movie_info_run(), 0);
    EXPECT_EQ(result(), 0);   // no query id stores 0
    EXPECT_EQ(movie_stop_run(), 0);
    EXPECT_EQ(movie_info(5), 256);
}

TEST_F(MovieCommands, FailedPlayLeavesNothingPlaying)
{
    write_file("a.mpg", {0x00, 0x00, 0x01, 0xBA, 0x21});
    for (uint8_t rule : {0, 1}) {
        g_movie_draw_rule = rule;
        reset_error_reports();
        load_args({{0, 0, "a.mpg", 0}, {1, 1, nullptr, 0}});
        EXPECT_EQ(movie_play_run(), rule == 1 ? -1 : 0);
        EXPECT_EQ(g_last_error_code, rule == 1 ? 101510u : 0u);
        EXPECT_EQ(movie_info(0), 0);
        EXPECT_EQ(movie_playing(), 0);
    }
}

using FlashCommands = MovieFixture;

TEST_F(FlashCommands, NoControlLeavesFlashInactive)
{
    EXPECT_EQ(flash_query(8), 0);
    write_file("intro.swf", {'F', 'W', 'S'});
    load_args({{0, 0, "Intro.swf", 0}, {6, 42, nullptr, 0}, {1, 1, nullptr, 0}});
    EXPECT_EQ(flash_play_run(), 0);
    for (uint32_t id : {0u, 1u, 6u, 7u, 8u})
        EXPECT_EQ(flash_query(id), 0) << id;
    EXPECT_EQ(flash_query(4), 640);
    EXPECT_EQ(g_flash.control_refs, 0);
    EXPECT_EQ(flash_close_run(), 0);
    EXPECT_EQ(flash_close_run(), 0);
    EXPECT_EQ(g_flash.control_refs, 0);
    load_args({{0, 0, "gone.swf", 0}});
    EXPECT_EQ(flash_play_run(), -1);
    EXPECT_EQ(g_last_error_code, 104060u);
}
