// Declarations, the element accessors, label-exists and kvv.kbn variables.
#include <cstring>

#include "core/tree.h"
#include "script/project.h"
#include "vars_task.h"

using namespace exprtest;

namespace {

class VarsDeclare : public VarsFixture {
protected:
    int declare(int (*cmd)(void), const Code &target, const Code &value, uint8_t vtype = 1)
    {
        return run_cmd(cmd, {{target, 1, 0, 0}, {value, vtype, 0, 1}});
    }
    static Code dims(uint32_t id, std::initializer_list<int64_t> sizes)
    {
        Code c;
        c.open(id);
        for (int64_t s : sizes)
            c.i(s);
        c.close();
        return c;
    }
};

}  // namespace

TEST_F(VarsDeclare, ScalarsAndArraysOfEachType)
{
    ASSERT_EQ(declare(cmd_declare_int, Code().var(1000), Code().i(7)), 0);
    const VarDescriptor *v = var_descriptor(1000);
    EXPECT_EQ(v->type, VAR_TYPE_INT);
    EXPECT_EQ(v->dim_count, 0);
    EXPECT_EQ(v->count, 1);
    EXPECT_EQ(I(Code().var(1000)), 7);

    ASSERT_EQ(declare(cmd_declare_float, dims(1001, {2, 3}), Code().f(1.5).i(1).op('+'), 2), 0);
    v = var_descriptor(1001);
    EXPECT_EQ(v->type, VAR_TYPE_FLOAT);
    EXPECT_EQ(v->dim_count, 2);
    EXPECT_EQ(v->dims[0], 2u);
    EXPECT_EQ(v->dims[1], 3u);
    EXPECT_EQ(v->dims[2], 0u);
    EXPECT_EQ(v->count, 6);
    EXPECT_EQ(D(Code().open(1001).i(1).i(2).close()), 2.5);

    ASSERT_EQ(declare(cmd_declare_string, dims(1002, {4}), Code().s("初期").s("値").op('+')), 0);
    for (int k = 0; k < 4; k++)
        EXPECT_STREQ(var_get_string(1002, k), "初期値");
    EXPECT_EQ(g_last_error_code, 0u);
}

TEST_F(VarsDeclare, ElementLimit)
{
    ASSERT_EQ(declare(cmd_declare_int, dims(1000, {2000, 2000}), Code().i(1)), 0);
    EXPECT_EQ(var_descriptor(1000)->count, 4000000);
    EXPECT_EQ(I(Code().open(1000).i(1999).i(1999).close()), 1);

    // Too big: reported, and the variable keeps what it had.
    EXPECT_EQ(declare(cmd_declare_int, dims(1000, {2001, 2000}), Code().i(2)), -1);
    EXPECT_EQ(g_last_error_code, 101100u);
    EXPECT_EQ(var_descriptor(1000)->count, 4000000);
    EXPECT_EQ(var_descriptor(1000)->dims[0], 2000u);

    for (auto sizes : {std::initializer_list<int64_t>{0}, {3, -1}, {4000001},
                       {0x100000001LL}, {2000, 2000, 2}}) {
        clear_errors();
        EXPECT_EQ(declare(cmd_declare_int, dims(1000, sizes), Code().i(2)), -1);
        EXPECT_NE(g_last_error_code, 0u);
        EXPECT_EQ(var_descriptor(1000)->count, 4000000);
    }
}

TEST_F(VarsDeclare, EightDimensionsAndRedeclaration)
{
    ASSERT_EQ(declare(cmd_declare_int, dims(1000, {2, 2, 2, 2, 2, 2, 2, 3}), Code().i(4)), 0);
    EXPECT_EQ(var_descriptor(1000)->count, 384);
    EXPECT_EQ(I(Code().open(1000).i(1).i(1).i(1).i(1).i(1).i(1).i(1).i(2).close()), 4);
    // Re-declaring replaces the values (and frees the old string buffers).
    ASSERT_EQ(declare(cmd_declare_string, dims(1000, {3}), Code().s("s")), 0);
    ASSERT_EQ(declare(cmd_declare_string, dims(1000, {2}), Code().s("t")), 0);
    EXPECT_EQ(var_descriptor(1000)->type, VAR_TYPE_STRING);
    EXPECT_EQ(var_descriptor(1000)->count, 2);
    EXPECT_STREQ(var_get_string(1000, 1), "t");
    // The initial value may read the variable being declared.
    ASSERT_EQ(declare(cmd_declare_int, Code().var(1001), Code().i(3)), 0);
    ASSERT_EQ(declare(cmd_declare_int, dims(1001, {5}), Code().var(1001).i(1).op('+')), 0);
    EXPECT_EQ(I(Code().open(1001).i(4).close()), 4);
    // Nine sizes do not fit the reference record.
    EXPECT_EQ(declare(cmd_declare_int, dims(1002, {1, 1, 1, 1, 1, 1, 1, 1, 1}), Code().i(0)), -1);
    EXPECT_EQ(g_last_error_code, 107010u);
    EXPECT_EQ(var_descriptor(1002)->type, VAR_TYPE_NONE);
}

TEST_F(VarsDeclare, Accessors)
{
    def_int(1000, 3, {4});
    def_float(1001, 2.75, {4});
    def_string(1002, "x", {4});
    EXPECT_EQ(var_set_number(1000, 1, -5), 0);
    EXPECT_EQ(var_get_int(1000, 1), -5);
    EXPECT_EQ(var_set_number(1001, 1, 7), 0);
    EXPECT_EQ(var_get_float(1001, 1), 7.0);
    EXPECT_EQ(var_set_float(1000, 2, -2.9), 0);
    EXPECT_EQ(var_get_int(1000, 2), -2);
    EXPECT_EQ(var_set_float(1001, 2, 0.5), 0);
    EXPECT_EQ(var_get_float(1001, 2), 0.5);
    EXPECT_EQ(var_get_int(1001, 0), 2);
    EXPECT_EQ(var_get_float(1000, 0), 3.0);
    // Outside: -1, nothing stored, no report; readers give 0 / 0.0 / null.
    EXPECT_EQ(var_set_number(1000, 4, 1), -1);
    EXPECT_EQ(var_set_float(1001, -1, 1), -1);
    EXPECT_EQ(var_set_string(1002, 4, "a", 1), -1);
    EXPECT_EQ(store_string_element(1002, -1, "a"), -1);
    EXPECT_EQ(var_get_int(1000, 4), 0);
    EXPECT_EQ(var_get_float(1001, 4), 0.0);
    EXPECT_EQ(var_get_string(1002, 4), nullptr);
    EXPECT_EQ(var_get_string(1000, 0), nullptr);
    EXPECT_EQ(var_get_int(5000, 0), 0);
    EXPECT_EQ(g_last_error_code, 0u);
    // Strings grow and shrink in place.
    EXPECT_EQ(store_string_element(1002, 3, "長い文字列"), 0);
    EXPECT_STREQ(var_get_string(1002, 3), "長い文字列");
    EXPECT_EQ(var_set_string(1002, 3, "ab", 1), 0);
    EXPECT_STREQ(var_get_string(1002, 3), "a");
    // Wrong types: 101140; missing variables: 108010.
    const struct {
        int (*set)();
        uint32_t code;
    } refused[] = {
        {[] { return var_set_number(1002, 0, 1); }, 101140},
        {[] { return var_set_float(1002, 0, 1); }, 101140},
        {[] { return store_string_element(1000, 0, "a"); }, 101140},
        {[] { return var_set_number(1500, 0, 1); }, 108010},
        {[] { return var_set_float(9999, 0, 1.0); }, 108010},
        {[] { return store_string_element(1500, 0, "a"); }, 108010},
    };
    for (size_t k = 0; k < sizeof refused / sizeof refused[0]; k++) {
        clear_errors();
        EXPECT_EQ(refused[k].set(), -1) << k;
        EXPECT_EQ(g_last_error_code, refused[k].code) << k;
    }
    // Stored strings are limited by their 16-bit capacities.
    std::string huge(70000, 'h');
    clear_errors();
    EXPECT_EQ(store_string_element(1002, 0, huge.c_str()), 0);
    EXPECT_EQ(strlen(var_get_string(1002, 0)), (size_t)VAR_STRING_STORE_MAX);
}

TEST_F(VarsDeclare, LabelExists)
{
    // The command table entry and one label.
    static const char *names[] = {"name", "out", "flag"};
    static uint8_t kinds[] = {KV_ARG_STRING, KV_ARG_NUMBER, KV_ARG_NUMBER};
    static uint8_t classes[] = {0, 0, 0};
    static CommandDef defs[104];
    defs[38] = {"label_exists", 3, names, kinds, classes};
    CommandDef *saved_defs = g_command_defs;
    uint32_t saved_count = g_command_def_count;
    NameTable saved_table = g_name_table;
    g_command_defs = defs;
    g_command_def_count = 104;
    static char label_name[] = "START";
    static LabelRecord label = {label_name, 0, 5, 0, 0, 0};
    static LabelRecord *labels[] = {&label};
    label.hash = murmur2(label_name, 5);
    memset(&g_name_table, 0, sizeof g_name_table);
    g_name_table.count = 1;
    g_name_table.labels = labels;

    def_int(1000, 9, {2});
    def_float(1001, 9.0);
    def_string(1002, "");
    auto run = [&](const char *name, const Code &out, bool flag) {
        std::vector<ArgSpec> a = {{Code().s(name), 3, 0, 0}, {out, 1, 0, 1}};
        if (flag)
            a.push_back({Code().i(1), 1, 0, 2});
        return run_cmd(cmd_label_exists, a);
    };
    EXPECT_EQ(run("START", Code().open(1000).i(1).close(), true), 0);
    EXPECT_EQ(var_get_int(1000, 1), 1);
    EXPECT_EQ(run("NOPE", Code().open(1000).i(1).close(), true), 0);
    EXPECT_EQ(var_get_int(1000, 1), 0);
    EXPECT_EQ(run("START", Code().var(1001), true), 0);
    EXPECT_EQ(var_get_float(1001, 0), 1.0);
    // Without argument 2 nothing happens.
    EXPECT_EQ(run("START", Code().open(1000).i(0).close(), false), 0);
    EXPECT_EQ(var_get_int(1000, 0), 9);
    EXPECT_EQ(g_last_error_code, 0u);
    EXPECT_EQ(run("START", Code().var(1002), true), -1);
    EXPECT_EQ(g_last_error_code, 101140u);

    g_command_defs = saved_defs;
    g_command_def_count = saved_count;
    g_name_table = saved_table;
}

// kvv.kbn records, written by hand.
namespace {

struct Kvv {
    std::vector<uint8_t> b = std::vector<uint8_t>(10, 0);
    uint16_t n = 0;
    void put(uint64_t v, int bytes)
    {
        for (int k = 0; k < bytes; k++)
            b.push_back((uint8_t)(v >> (8 * k)));
    }
    void head(uint8_t scope, uint16_t file, uint16_t id, uint8_t type, std::vector<uint32_t> dims)
    {
        n++;
        put(scope, 1);
        put(file, 2);
        put(id, 2);
        put(type, 1);
        put(dims.size(), 1);
        for (uint32_t d : dims)
            put(d, 4);
        b[8] = (uint8_t)n;
        b[9] = (uint8_t)(n >> 8);
    }
    void i64(uint8_t scope, uint16_t file, uint16_t id, std::vector<uint32_t> dims, int64_t v)
    {
        head(scope, file, id, 1, dims);
        put((uint64_t)v, 8);
    }
    void f64(uint8_t scope, uint16_t file, uint16_t id, double v)
    {
        head(scope, file, id, 2, {});
        uint64_t bits;
        memcpy(&bits, &v, 8);
        put(bits, 8);
    }
    void str(uint8_t scope, uint16_t file, uint16_t id, const Code &code)
    {
        head(scope, file, id, 3, {2});
        put(code.size(), 2);
        b.insert(b.end(), code.b.begin(), code.b.end());
    }
};

class VarsKvv : public VarsFixture {
protected:
    void SetUp() override
    {
        VarsFixture::SetUp();
        saved_ = g_var_defs;
        saved_size_ = g_var_defs_size;
    }
    void TearDown() override
    {
        g_var_defs = saved_;
        g_var_defs_size = saved_size_;
        VarsFixture::TearDown();
    }
    int init(const Kvv &k, int file)
    {
        image_ = k.b;
        image_.push_back(0);   // the loader's spare byte
        g_var_defs = image_.data();
        g_var_defs_size = (uint32_t)k.b.size();
        return script_file_init_vars(file);
    }
    std::vector<uint8_t> image_;
    const uint8_t *saved_ = nullptr;
    uint32_t saved_size_ = 0;
};

Kvv sample()
{
    Kvv k;
    k.i64(1, 0, 1000, {3, 2}, -4);
    k.f64(1, 0, 1001, 0.25);
    k.str(1, 0, 1002, Code().s("グ").s("ローバル").op('+'));
    k.i64(2, 7, 1003, {}, 70);
    k.i64(2, 8, 1004, {}, 80);
    k.i64(1, 0, 49, {}, 0);
    return k;
}

}  // namespace

TEST_F(VarsKvv, GlobalsAndFileVariables)
{
    Kvv k = sample();
    ASSERT_EQ(init(k, -1), 0);
    EXPECT_EQ(var_descriptor(1000)->count, 6);
    EXPECT_EQ(I(Code().open(1000).i(2).i(1).close()), -4);
    EXPECT_EQ(D(Code().var(1001)), 0.25);
    EXPECT_EQ(S(Code().open(1002).i(1).close()), "グローバル");
    EXPECT_EQ(I(Code().var(49)), 999);
    EXPECT_EQ(var_descriptor(1003)->type, VAR_TYPE_NONE);
    ASSERT_EQ(init(k, 7), 0);
    EXPECT_EQ(I(Code().var(1003)), 70);
    EXPECT_EQ(var_descriptor(1004)->type, VAR_TYPE_NONE);
    EXPECT_EQ(g_last_error_code, 0u);
}

TEST_F(VarsKvv, DamagedRecordsAreReported)
{
    Kvv good = sample();
    // Every truncation of the records is a project-data report.
    for (size_t cut = 0; cut < good.b.size(); cut++) {
        clear_errors();
        Kvv k = good;
        k.b.resize(cut);
        EXPECT_EQ(init(k, -1), -1) << cut;
        EXPECT_EQ(g_last_error_code, (uint32_t)KV_ERR_PROJECT_DATA) << cut;
    }
    // An id beyond the table: 900070, also in a record of another file.
    clear_errors();
    Kvv k;
    k.i64(2, 3, 2100, {}, 1);
    EXPECT_EQ(init(k, -1), -1);
    EXPECT_EQ(g_last_error_code, 900070u);
    // Nine dimensions, or an unknown type.
    clear_errors();
    Kvv d;
    d.i64(1, 0, 1000, {1, 1, 1, 1, 1, 1, 1, 1, 1}, 1);
    EXPECT_EQ(init(d, -1), -1);
    EXPECT_EQ(g_last_error_code, (uint32_t)KV_ERR_PROJECT_DATA);
    clear_errors();
    Kvv t;
    t.head(1, 0, 1000, 4, {});
    t.put(0, 8);
    EXPECT_EQ(init(t, -1), -1);
    // Too many elements: 101100, and the variable is not created.
    clear_errors();
    ASSERT_EQ(var_table_alloc(2100), 0);
    Kvv e;
    e.i64(1, 0, 1000, {4000, 1001}, 1);
    EXPECT_EQ(init(e, -1), -1);
    EXPECT_EQ(g_last_error_code, 101100u);
    EXPECT_EQ(var_descriptor(1000)->type, VAR_TYPE_NONE);
}
