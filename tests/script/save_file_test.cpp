// Save files byte by byte: a new file, an append, a rewrite; the refusals of
// damaged files; a rewrite or creation interrupted at every write leaves the
// old file as it was.
#include <zlib.h>

#include "script/save_fixture.h"

namespace {

// The file a correct writer makes: head, table, entries in the given order.
Bytes expected_file(uint32_t count, const std::vector<std::pair<int, Bytes>> &entries)
{
    Bytes b(KV_SAVE_ENTRIES, 0);
    std::memcpy(b.data(), "KVSD", 4);
    put_le32(b, 4, 312);
    put_le32(b, 8, count);
    put_le32(b, 12, 1024);
    for (const auto &e : entries) {
        put_le32(b, 16 + 4 * (e.first - 1), (uint32_t)b.size());
        Bytes num(4);
        put_le32(num, 0, (uint32_t)e.first);
        b.insert(b.end(), num.begin(), num.end());
        b.insert(b.end(), e.second.begin(), e.second.end());
    }
    return b;
}

Bytes inflate_record(const Bytes &rec)
{
    Bytes out(le32(rec, 8));
    uLongf n = out.size();
    EXPECT_EQ(uncompress(out.data(), &n, rec.data() + 12, le32(rec, 4)), Z_OK);
    return out;
}

}  // namespace

TEST_F(SaveTest, NewFileAppendAndRewriteByteByByte)
{
    define_var(1000, VAR_TYPE_INT, {3});
    define_var(1001, VAR_TYPE_STRING, {4});
    var_set_number(1000, 1, -2);
    store_string_element(1001, 2, "\x83\x5c\x83\x74\x83\x67");
    cache(3, 1000);
    cache(7, 1001, 2, 0);
    Bytes r3 = cached(3), r7 = cached(7);
    // The variable bodies, independently: type, dims, sizes, length, data.
    Bytes body3 = {1, 0, 0, 0, 1, 0, 0, 0, 3, 0, 0, 0, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                   0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(inflate_record(r3), body3);
    Bytes body7 = {3, 0, 0, 0, 0, 0, 0, 0, 10, 0, 0, 0, 6, 0, 0, 0, 0x83, 0x5c, 0x83, 0x74, 0x83, 0x67};
    EXPECT_EQ(inflate_record(r7), body7);
    EXPECT_EQ(Bytes(r3.begin(), r3.begin() + 4), (Bytes{0, 1, 0, 0}));
    ASSERT_EQ(write("Game"), 0) << g_error_text;
    Bytes created = expected_file(2, {{3, r3}, {7, r7}});
    EXPECT_EQ(read_file("game.sd"), created);
    EXPECT_EQ(g_slot_size[2], 0);

    // Append: slots 9 and 1 go behind, in ascending order.
    cache(9, 1000);
    cache(1, 1001, 0, 1);
    Bytes r9 = cached(9), r1 = cached(1);
    ASSERT_EQ(write("game.sd"), 0) << g_error_text;
    Bytes appended = expected_file(4, {{3, r3}, {7, r7}, {1, r1}, {9, r9}});
    EXPECT_EQ(read_file("game.sd"), appended);

    // Rewrite: slot 7 replaced in place (a longer record), slot 2 added.
    store_string_element(1001, 2, "a much longer text than before");
    cache(7, 1001, 2, 0);
    cache(2, 1000);
    Bytes n7 = cached(7), r2 = cached(2);
    ASSERT_EQ(write("game"), 0) << g_error_text;
    EXPECT_EQ(read_file("game.sd"), expected_file(5, {{3, r3}, {7, n7}, {1, r1}, {9, r9}, {2, r2}}));
    EXPECT_FALSE(std::filesystem::exists(native("game.sd.tmp")));
    for (int s = 0; s < KV_SAVE_SLOTS; s++)
        ASSERT_EQ(g_slot_size[s], 0);
}

TEST_F(SaveTest, VariablesComeBackWhole)
{
    define_var(1000, VAR_TYPE_INT, {3});
    define_var(1002, VAR_TYPE_FLOAT, {2, 3});
    define_var(1001, VAR_TYPE_STRING, {6});
    for (int k = 0; k < 6; k++) {
        var_set_float(1002, k, k + 0.25);
        store_string_element(1001, k, std::string(k, 'x').c_str());
    }
    var_set_number(1000, 2, INT64_MIN);
    cache(1, 1000);
    cache(2, 1002);
    cache(3, 1001);
    cache(4, 1001, 4, 0);
    ASSERT_EQ(write("v"), 0);
    define_var(1000, VAR_TYPE_INT, {3});
    define_var(1002, VAR_TYPE_FLOAT, {2, 3});
    define_var(1001, VAR_TYPE_STRING, {6});
    EXPECT_EQ(load("v", 1, 1000), 0);
    EXPECT_EQ(load("v", 2, 1002), 0);
    EXPECT_EQ(var_get_int(1000, 2), INT64_MIN);
    EXPECT_EQ(var_get_float(1002, 5), 5.25);
    // One element goes to the addressed element only.
    EXPECT_EQ(load("v", 4, 1001, 5, 0), 0);
    EXPECT_STREQ(var_get_string(1001, 5), "xxxx");
    EXPECT_STREQ(var_get_string(1001, 4), "");
    EXPECT_EQ(load("v", 3, 1001), 0);
    EXPECT_STREQ(var_get_string(1001, 3), "xxx");
    EXPECT_EQ(g_last_error_code, 0u) << g_error_text;
}

// A file with slot 1 = an int array of 4, slot 2 = a string element; `spoil`
// changes its bytes; loading slot `slot` into `id` must report `code`.
TEST_F(SaveTest, DamagedFilesAreRefused)
{
    define_var(1000, VAR_TYPE_INT, {4});
    define_var(1001, VAR_TYPE_STRING, {2});
    define_var(1003, VAR_TYPE_INT, {8});
    store_string_element(1001, 0, "abc");
    cache(1, 1000);
    cache(2, 1001, 0, 0);
    ASSERT_EQ(write("d"), 0);
    const Bytes good = read_file("d.sd");
    const uint32_t e1 = le32(good, 16), e2 = le32(good, 20);
    // A body replacing slot 1's entry (recompressed, sizes fixed up).
    auto with_body = [&](Bytes body) {
        Bytes c(compressBound(body.size()));
        uLongf n = c.size();
        compress2(c.data(), &n, body.data(), body.size(), 1);
        Bytes f(good.begin(), good.begin() + e2);
        f.resize(e1 + 16);
        put_le32(f, e1 + 8, (uint32_t)n);
        put_le32(f, e1 + 12, (uint32_t)body.size());
        f.insert(f.end(), c.begin(), c.begin() + n);
        put_le32(f, 20, 0);
        return f;
    };
    auto var_body = [](uint32_t type, std::vector<uint32_t> dims, uint32_t len, size_t data) {
        Bytes b;
        auto add = [&](uint32_t v) { for (int k = 0; k < 4; k++) b.push_back((uint8_t)(v >> (8 * k))); };
        add(type);
        add((uint32_t)dims.size());
        for (uint32_t d : dims)
            add(d);
        add(len);
        b.resize(b.size() + data, 0);
        return b;
    };
    struct Case {
        const char *what;
        Bytes file;
        int slot;
        uint32_t id;
        int whole;
        uint32_t code;   // 0: "Load Error." without a code
    };
    Bytes magic = good, version = good, short_table = Bytes(good.begin(), good.begin() + 100);
    magic[0] = 'X';
    put_le32(version, 4, 311);
    Bytes far = good, packed = good, unpacked = good, empty = good;
    put_le32(far, 16, (uint32_t)good.size() - 8);
    put_le32(packed, e1 + 8, 1u << 30);
    put_le32(unpacked, e1 + 12, le32(good, e1 + 12) + 1);
    put_le32(empty, 16, 0);
    std::vector<Case> cases = {
        {"magic", magic, 1, 1000, 1, 108030},
        {"version", version, 1, 1000, 1, 108040},
        {"shorter than its table", short_table, 1, 1000, 1, 108030},
        {"empty slot", empty, 1, 1000, 1, 102110},
        {"entry past the end", far, 1, 1000, 1, 108030},
        {"packed size past the end", packed, 1, 1000, 1, 108030},
        {"unpacked size wrong", unpacked, 1, 1000, 1, 0},
        {"slot 0", good, 0, 1000, 1, 101000},
        {"slot 1025", good, 1025, 1000, 1, 101000},
        {"type differs", good, 1, 1001, 1, 102120},
        {"type 7", with_body(var_body(7, {4}, 32, 32)), 1, 1000, 1, 900000},
        {"dims 9", with_body(var_body(1, {1, 1, 1, 1, 1, 1, 1, 1, 1}, 8, 8)), 1, 1000, 1, 900000},
        {"data over 40,000,000", with_body(var_body(1, {4}, 40000008, 0)), 1, 1000, 1, 108070},
        {"data past the body", with_body(var_body(1, {4}, 32, 24)), 1, 1000, 1, 900000},
        {"dims differ", with_body(var_body(1, {2, 2}, 32, 32)), 1, 1000, 1, 108080},
        {"size differs", with_body(var_body(1, {5}, 40, 40)), 1, 1000, 1, 108090},
        {"element with dims", with_body(var_body(1, {4}, 8, 8)), 1, 1000, 0, 108080},
        {"element data beyond the target", with_body(var_body(1, {}, 16, 16)), 1, 1003, 0, 108070},
        {"string past the body", with_body(var_body(3, {}, 8, 8) /*len field 0, then 4 more*/), 1, 1001, 0, 0},
    };
    // The last case: a string length that runs past the data.
    Bytes sb = var_body(3, {}, 8, 8);
    put_le32(sb, 16, 100);
    cases.back() = {"string past the data", with_body(sb), 1, 1001, 0, 900000};
    for (const Case &c : cases) {
        quiet_errors();
        write_file("x.sd", c.file);
        g_last_box.clear();
        int64_t before = var_get_int(1003, 0);
        EXPECT_EQ(load("x", c.slot, c.id, c.whole ? 0 : 7, c.whole), -1) << c.what;
        EXPECT_EQ(g_last_error_code, c.code) << c.what << ": " << g_error_text;
        EXPECT_EQ(var_get_int(1003, 0), before) << c.what;
        if (c.code == 0) {
            EXPECT_EQ(g_last_box, "Load Error.") << c.what;
        }
    }
}

TEST_F(SaveTest, WritingOverDamagedFilesIsRefused)
{
    define_var(1000, VAR_TYPE_INT, {2});
    cache(1, 1000);
    cache(2, 1000);
    ASSERT_EQ(write("w"), 0);
    const Bytes good = read_file("w.sd");
    uint32_t e2 = le32(good, 20);
    Bytes bad_slot = good, bad_size = good, bad_unpacked = good, short_file(good.begin(), good.begin() + 2000);
    put_le32(bad_slot, e2, 0);
    put_le32(bad_size, e2 + 8, 1u << 31);
    put_le32(bad_unpacked, e2 + 12, 0xFFFFFFFFu);
    struct Case {
        const char *what;
        Bytes file;
        int slot;
    } cases[] = {
        {"slot number 0 in the walk", bad_slot, 1},
        {"packed size past the end in the walk", bad_size, 1},
        {"unpacked size no stream gives, in the walk", bad_unpacked, 1},
        {"append to a file shorter than its table", short_file, 5},
    };
    for (const Case &c : cases) {
        quiet_errors();
        save_cache_free(-1);
        write_file("x.sd", c.file);
        cache(c.slot, 1000);
        EXPECT_EQ(write("x"), -1) << c.what;
        EXPECT_EQ(g_last_error_code, 108030u) << c.what;
        EXPECT_EQ(read_file("x.sd"), c.file) << c.what;
    }
}

TEST_F(SaveTest, RewriteDropsTheRestOfAnUnfinishedAppend)
{
    define_var(1000, VAR_TYPE_INT, {2});
    cache(1, 1000);
    cache(2, 1000);
    ASSERT_EQ(write("w"), 0);
    Bytes torn = read_file("w.sd");
    write_file("clean.sd", torn);
    // An append cut short: slot 3's number and part of its head, no table entry.
    torn.insert(torn.end(), {3, 0, 0, 0, 0, 1, 0, 0, 200});
    write_file("w.sd", torn);
    var_set_number(1000, 0, 9);
    for (const char *name : {"w", "clean"}) {
        cache(1, 1000);
        ASSERT_EQ(write(name), 0) << name << ": " << g_error_text;
    }
    EXPECT_EQ(read_file("w.sd"), read_file("clean.sd"));
    // The same tail before an append: the append starts where the tail
    // starts, so later rewrites still find one run of whole entries.
    write_file("w.sd", torn);
    write_file("clean.sd", Bytes(torn.begin(), torn.end() - 9));
    for (int slot : {3, 1})
        for (const char *name : {"w", "clean"}) {
            cache(slot, 1000);
            ASSERT_EQ(write(name), 0) << name << " slot " << slot << ": " << g_error_text;
        }
    EXPECT_EQ(read_file("w.sd"), read_file("clean.sd"));
}

// --- interrupted writes -------------------------------------------------------------

namespace {
int g_writes_left;
size_t failing_write(const void *p, size_t n, FILE *f)
{
    if (g_writes_left-- <= 0) {
        errno = ENOSPC;
        return 0;
    }
    return std::fwrite(p, 1, n, f);
}
}  // namespace

TEST_F(SaveTest, InterruptedRewriteLeavesTheOldFile)
{
    define_var(1000, VAR_TYPE_INT, {64});
    for (int s : {4, 2, 9})
        cache(s, 1000);
    ASSERT_EQ(write("r"), 0);
    const Bytes old = read_file("r.sd");
    int completed = 0;
    for (int k = 0;; k++) {
        quiet_errors();
        save_cache_free(-1);
        var_set_number(1000, 0, k + 1);
        cache(2, 1000);    // in the file: rewrite
        cache(30, 1000);   // new: appended
        g_writes_left = k;
        g_save_file_ops.write = failing_write;
        int r = write("r");
        save_file_ops_reset();
        if (r == 0) {
            completed = k;
            break;
        }
        EXPECT_EQ(g_last_error_code, 102140u) << k;
        EXPECT_EQ(read_file("r.sd"), old) << "interrupted at write " << k;
        EXPECT_FALSE(std::filesystem::exists(native("r.sd.tmp"))) << k;
        ASSERT_LT(k, 100);
    }
    EXPECT_GT(completed, 4);
    Bytes now = read_file("r.sd");
    EXPECT_EQ(le32(now, 8), 4u);
}

TEST_F(SaveTest, InterruptedCreationLeavesNoFile)
{
    define_var(1000, VAR_TYPE_INT, {8});
    for (int k = 0; k < 3; k++) {
        quiet_errors();
        cache(5, 1000);
        g_writes_left = k;
        g_save_file_ops.write = failing_write;
        EXPECT_EQ(write("c"), -1);
        save_file_ops_reset();
        EXPECT_EQ(g_last_error_code, 102140u);
        EXPECT_FALSE(std::filesystem::exists(native("c.sd")));
        save_cache_free(-1);
    }
}

TEST_F(SaveTest, FileNameRules)
{
    struct Case {
        const char *name;
        const char *file;   // null: refused with code
        uint32_t code;
    } cases[] = {
        {"Game", "game.sd", 0},
        {"SLOT.SD", "slot.sd", 0},
        {"\x83\x5c\x8e\x71", "\x83\x5c\x8e\x71.sd", 0},   // trail bytes 0x5C and 0x71
        {"\x82\x60", "\x82\x60.sd", 0},                  // Ａ: the trail 0x60 is no letter
        {"abcdefghijklmnopqrstuvwxyz012345", "abcdefghijklmnopqrstuvwxyz012345.sd", 0},
        {"abcdefghijklmnopqrstuvwxyz0123456", nullptr, 102160},
        {"a/b", nullptr, 102150},
        {"a\\b", nullptr, 102150},
        {"c:x", nullptr, 102150},
        {"a\tb", nullptr, 102150},
        {"a?", nullptr, 102150},
        {"CON", nullptr, 102150},
        {"nul.sd", nullptr, 102150},
        {"com1", nullptr, 102150},
        {"lpt9.x", nullptr, 102150},
        {"console", "console.sd", 0},
        {"", nullptr, 102150},
    };
    for (const Case &c : cases) {
        quiet_errors();
        char p[600];
        int r = save_file_path(c.name, p, sizeof p);
        if (c.file) {
            EXPECT_EQ(r, 0) << c.name;
            EXPECT_EQ(std::string(p), std::string(g_save_folder) + c.file) << c.name;
        } else {
            EXPECT_EQ(r, -1) << c.name;
            EXPECT_EQ(g_last_error_code, c.code) << c.name;
        }
    }
}

TEST_F(SaveTest, RecordsTheLoaderWouldRefuseAreNotMade)
{
    define_var(1001, VAR_TYPE_STRING, {4000000});
    for (int64_t k = 0; k < 4000000; k++)
        store_string_element(1001, k, "1234567");
    EXPECT_EQ(save_record_size(0, 0, 1001, 0, 1, nullptr), -1);
    EXPECT_EQ(g_last_error_code, 108070u);
    // The same variable one element at a time is fine.
    EXPECT_EQ(save_record_size(0, 0, 1001, 5, 0, nullptr), 12 + 12 + 4 + 7);
}
