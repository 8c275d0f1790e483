// The assignment command: every operator on integers, floats and strings,
// the writable system variables and the faults.
#include <cmath>

#include "core/input.h"
#include "core/tree.h"
#include "core/window.h"
#include "script/project.h"
#include "vars_task.h"

using namespace exprtest;

namespace {

class VarsAssign : public VarsFixture {};

Code V(uint32_t id) { return Code().var(id); }
Code N(int64_t v) { return Code().i(v); }
Code F(double v) { return Code().f(v); }

}  // namespace

TEST_F(VarsAssign, IntegerOperators)
{
    struct Case { int64_t start; uint8_t op; int64_t value; int64_t want; };
    const Case cases[] = {
        {5, 0, 9, 9},   {5, 1, 9, 14},  {5, 2, 9, -4},   {5, 3, 9, 45},
        {-9, 4, 2, -4}, {9, 4, 0, 9},   {-9, 5, 4, -1},  {9, 5, 0, 9},
        {12, 6, 10, 8}, {12, 7, 3, 15}, {12, 8, 10, 6},
        {INT64_MAX, 1, 1, INT64_MIN}, {INT64_MIN, 3, -1, INT64_MIN},
        {INT64_MIN, 4, -1, INT64_MIN}, {INT64_MIN, 5, -1, 0},
    };
    for (const Case &k : cases) {
        def_int(1000, k.start);
        ASSERT_EQ(assign(V(1000), k.op, N(k.value)), 0);
        EXPECT_EQ(var_get_int(1000, 0), k.want) << k.start << " op " << (int)k.op << " " << k.value;
    }
    // The value is evaluated with its own type: 2.5 * 2 is 5 with type 2.
    def_int(1000, 1);
    ASSERT_EQ(assign(V(1000), 1, Code().f(2.5).i(2).op('*'), 1, 2), 0);
    EXPECT_EQ(var_get_int(1000, 0), 6);
    EXPECT_EQ(g_last_error_code, 0u);
}

TEST_F(VarsAssign, FloatOperators)
{
    struct Case { double start; uint8_t op; double value; double want; };
    const Case cases[] = {
        {1.5, 0, 2.25, 2.25}, {1.5, 1, 2.25, 3.75}, {1.5, 2, 2.25, -0.75}, {1.5, 3, 2, 3.0},
        {3.0, 4, 2, 1.5},     {3.0, 4, 0, 3.0},     {7.9, 5, 2.5, 1.0},    {7.5, 5, 0.5, 7.5},
        {6.7, 6, 3.2, 2.0},   {4.5, 7, 1.5, 5.0},   {7.0, 8, 2.9, 5.0},
    };
    for (const Case &k : cases) {
        def_float(1001, k.start);
        ASSERT_EQ(assign(V(1001), k.op, F(k.value), 1, 1), 0);
        EXPECT_EQ(var_get_float(1001, 0), k.want) << k.start << " op " << (int)k.op << " " << k.value;
    }
    // A floating target takes the value in floating arithmetic whatever the
    // record's type: 1 + 0.5 stays 1.5.
    def_float(1001, 0.0);
    ASSERT_EQ(assign(V(1001), 0, Code().i(1).f(0.5).op('+'), 1, 1), 0);
    EXPECT_EQ(var_get_float(1001, 0), 1.5);
    EXPECT_EQ(g_last_error_code, 0u);
}

TEST_F(VarsAssign, StringOperators)
{
    def_string(1002, "abc", {3});
    ASSERT_EQ(assign(Code().open(1002).i(1).close(), 0, Code().s("日本")), 0);
    EXPECT_STREQ(var_get_string(1002, 1), "日本");
    ASSERT_EQ(assign(Code().open(1002).i(1).close(), 1, Code().s("語")), 0);
    EXPECT_STREQ(var_get_string(1002, 1), "日本語");
    EXPECT_STREQ(var_get_string(1002, 0), "abc");
    // Appending a long text grows the element's buffer.
    std::string big(3000, 'z');
    ASSERT_EQ(assign(Code().open(1002).i(2).close(), 1, Code().s(big)), 0);
    EXPECT_EQ(std::string(var_get_string(1002, 2)), "abc" + big);
    ASSERT_EQ(assign(Code().open(1002).i(2).close(), 1, Code().var(1002)), 0);
    EXPECT_EQ(strlen(var_get_string(1002, 2)), 3003u + 3u);
    // Any other operator on a string: 101140.
    EXPECT_EQ(assign(V(1002), 2, Code().s("x")), -1);
    EXPECT_EQ(g_last_error_code, 101140u);
    EXPECT_STREQ(var_get_string(1002, 0), "abc");
}

TEST_F(VarsAssign, OperatorsIgnoreElementsOutsideTheVariable)
{
    def_int(1000, 4, {2});
    def_float(1001, 4.0, {2});
    VarDescriptor *vi = var_descriptor(1000), *vf = var_descriptor(1001);
    for (int op = 0; op < ASSIGN_OP_COUNT; op++) {
        assign_int_ops[op](vi, -1, 3);
        assign_int_ops[op](vi, 2, 3);
        assign_float_ops[op](vf, -1, 3.0);
        assign_float_ops[op](vf, 2, 3.0);
    }
    EXPECT_EQ(vi->ints[0], 4);
    EXPECT_EQ(vi->ints[1], 4);
    EXPECT_EQ(vf->floats[0], 4.0);
    EXPECT_EQ(vf->floats[1], 4.0);
}

TEST_F(VarsAssign, Faults)
{
    def_int(1000, 1);
    // An operator byte above 8 is damaged data.
    EXPECT_EQ(assign(V(1000), 9, N(2)), -1);
    EXPECT_EQ(g_last_error_code, (uint32_t)KV_ERR_PROJECT_DATA);
    EXPECT_EQ(var_get_int(1000, 0), 1);
    clear_errors();
    EXPECT_EQ(assign(V(1000), 255, N(2)), -1);
    EXPECT_EQ(g_quit_flag.load(), 1);
    // A target that does not exist: 108010 from the evaluator.
    clear_errors();
    EXPECT_EQ(assign(V(1500), 0, N(2)), -1);
    EXPECT_EQ(g_last_error_code, 108010u);
    // A value that fails changes nothing.
    clear_errors();
    EXPECT_EQ(assign(V(1000), 0, Code().i(5).op('?')), -1);
    EXPECT_EQ(var_get_int(1000, 0), 1);
    // A system variable that cannot be written: 101150.
    clear_errors();
    def_int(2, 0);
    EXPECT_EQ(assign(V(2), 0, N(5)), -1);
    EXPECT_EQ(g_last_error_code, 101150u);
    // A floating system variable takes nothing, silently.
    clear_errors();
    def_float(10, 0.0);
    EXPECT_EQ(assign(V(10), 0, F(1.0)), 0);
    EXPECT_EQ(g_last_error_code, 0u);
}

TEST_F(VarsAssign, WritableSystemVariables)
{
    def_int(123, 0);
    ASSERT_EQ(assign(V(123), 1, N(65)), 0);   // the operator is ignored: always "="
    EXPECT_EQ(g_last_key, 65);
    EXPECT_EQ(I(V(123)), 65);

    def_int(110, 0);
    ASSERT_EQ(assign(V(110), 0, N(4321)), 0);
    EXPECT_EQ(g_menu_command, 4321);
    def_int(124, 0);
    ASSERT_EQ(assign(V(124), 0, N(2)), 0);
    EXPECT_EQ(g_last_mouse_button, 2);
    def_int(97, 0);
    ASSERT_EQ(assign(V(97), 0, N(1)), 0);
    EXPECT_EQ(g_window_events.close, 1);
    g_window_events.close = 0;
    def_int(95, 0);
    ASSERT_EQ(assign(V(95), 0, N(0x101)), 0);
    EXPECT_EQ(g_window_events.maximize, 1);   // the low byte
    g_window_events.maximize = 0;

    // Key hold counters pass the state filter: a down key keeps only
    // positive values.
    def_int(122, 0, {KV_KEY_COUNT});
    g_key_state[40] = 2;
    g_key_hold[40] = 5;
    ASSERT_EQ(assign(Code().open(122).i(40).close(), 0, N(-1)), 0);
    EXPECT_EQ(g_key_hold[40], 0);
    ASSERT_EQ(assign(Code().open(122).i(40).close(), 0, N(9)), 0);
    EXPECT_EQ(g_key_hold[40], 9);
    g_key_state[40] = 0;
    ASSERT_EQ(assign(Code().open(122).i(40).close(), 0, N(7)), 0);
    EXPECT_EQ(g_key_hold[40], 0);
    g_key_hold[40] = 0;

    // Press counts through the key map; joystick blocks by element.
    def_int(259, 0);
    g_key_map[0] = 77;
    ASSERT_EQ(assign(V(259), 0, N(3)), 0);
    EXPECT_EQ(g_key_presses[77], 3u);
    g_key_presses[77] = 0;
    g_key_map[0] = 0;
    def_int(392, 0, {512});
    ASSERT_EQ(assign(Code().open(392).i(33).close(), 0, N(6)), 0);
    EXPECT_EQ(g_key_presses[388 + 36 + 1], 6u);
    g_key_presses[388 + 36 + 1] = 0;
    EXPECT_EQ(g_last_error_code, 0u);
}

TEST_F(VarsAssign, KeyTableWritesOutsideAreIgnored)
{
    // Elements that name no counter are ignored, not written past the table.
    def_int(388, 0);
    for (int64_t e : {-1LL, 100LL, 1LL << 40}) {
        ASSERT_EQ(sysvar_write(388, e, 5, nullptr), 0);
        ASSERT_EQ(sysvar_write(258, e, 5, nullptr), 0);
        ASSERT_EQ(sysvar_write(254, e, 5, nullptr), 0);
    }
    ASSERT_EQ(sysvar_write(122, KV_KEY_COUNT, 5, nullptr), 0);
    ASSERT_EQ(sysvar_write(122, -3, 5, nullptr), 0);
    EXPECT_EQ(g_last_error_code, 0u);
    // The dropped-file count only shrinks (a larger one would name files
    // that are not there).
    int32_t saved = g_dropped_file_count;
    g_dropped_file_count = 2;
    ASSERT_EQ(sysvar_write(15, 0, 9, nullptr), 0);
    EXPECT_EQ(g_dropped_file_count, 2);
    ASSERT_EQ(sysvar_write(15, 0, 1, nullptr), 0);
    EXPECT_EQ(g_dropped_file_count, 1);
    g_dropped_file_count = saved;
}

TEST_F(VarsAssign, BasePathsAreCutOnACharacterBoundary)
{
    if (!g_tree_path_roots[KV_TREE_LAYER]) {
        ASSERT_EQ(create_tree_roots(), 0);
    }
    ASSERT_NE(g_tree_path_roots[KV_TREE_LAYER], nullptr);
    def_string(106, "");
    std::string path(254, 'a');
    path += "表示";   // a two-byte character across byte 255
    ASSERT_EQ(assign(V(106), 0, Code().s(path)), 0);
    EXPECT_EQ(std::string(g_tree_path_roots[KV_TREE_LAYER]), std::string(254, 'a'));
    ASSERT_EQ(assign(V(106), 0, Code().s("layers/")), 0);
    EXPECT_STREQ(g_tree_path_roots[KV_TREE_LAYER], "layers/");
    EXPECT_EQ(S(V(106)), "layers/");
    tree_set_base_path(KV_TREE_LAYER, "");
}
