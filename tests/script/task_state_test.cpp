// The task state string without a project: encode and decode round trips
// over random stacks, the refusals of damaged strings, the order-key rule.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>

#include "core/error_report.h"
#include "core/quit.h"
#include "script/project.h"
#include "script/task.h"
#include "script/task_commands.h"
#include "script/task_state.h"

namespace {

// A script list of two names, the second holding Shift-JIS bytes.
struct ScriptList {
    char *saved_names_ptr[2];
    char **old_names;
    uint32_t old_count;
    ScriptList()
    {
        static char a[] = "main.kvs", b[] = "\x83\x5c\x83\x74\x83\x67.kvs";
        saved_names_ptr[0] = a;
        saved_names_ptr[1] = b;
        old_names = g_script_names;
        old_count = g_script_count;
        g_script_names = saved_names_ptr;
        g_script_count = 2;
        reset_error_reports();
        g_quit_flag = 0;
    }
    ~ScriptList()
    {
        g_script_names = old_names;
        g_script_count = old_count;
        reset_error_reports();
        g_quit_flag = 0;
    }
};

void fill_random(ScriptTask *t, std::mt19937 &rng)
{
    auto u32 = [&] { return (uint32_t)rng(); };
    t->block_depth = (uint8_t)(rng() % 64);
    for (int k = 1; k <= t->block_depth; k++)
        t->blocks[k] = {u32(), (uint8_t)(rng() % 64), u32()};
    t->call_depth = (uint8_t)(rng() % 64);
    for (int k = 0; k < t->call_depth; k++) {
        CallFrame *f = task_frame(t, k);
        f->block_depth = (uint8_t)(rng() % 64);
        f->loop_depth = (uint8_t)(rng() % 64);
        f->return_pc = u32();
        f->return_file = (uint16_t)rng();
    }
    t->loop_depth = (uint8_t)(rng() % 64);
    for (int k = 1; k <= t->loop_depth; k++)
        t->loops[k] = {u32(), (uint8_t)(rng() % 64), u32(), (int32_t)u32(), (int32_t)u32()};
    t->state_reserved_call = (uint8_t)rng();
    t->state_reserved_tail = (uint8_t)rng();
    t->state_reserved_word = u32();
    t->pc = u32();
    t->file_number = (uint16_t)(rng() % 2);
}

}  // namespace

TEST(TaskState, RoundTripOverRandomStacks)
{
    ScriptList list;
    std::mt19937 rng(7);
    static char buf[KV_STATE_MAX + 1], again[KV_STATE_MAX + 1];
    for (int round = 0; round < 300; round++) {
        ScriptTask *a = script_task_create(), *b = script_task_create();
        fill_random(a, rng);
        int n = task_state_encode(buf, a);
        ASSERT_GT(n, 0);
        ASSERT_LE(n, (int)KV_STATE_MAX);
        ASSERT_EQ(task_state_decode(buf, b), n) << g_error_text;
        ASSERT_EQ(task_state_encode(again, b), n);
        EXPECT_EQ(std::memcmp(buf, again, (size_t)n), 0);
        EXPECT_EQ(b->pc, a->pc);
        EXPECT_EQ(b->file_number, a->file_number);
        if (a->loop_depth) {
            EXPECT_EQ(b->loops[1].count, a->loops[1].count);
        }
        script_task_free(a);
        script_task_free(b);
    }
}

TEST(TaskState, DamagedStringsAreRefusedAndLeaveTheTask)
{
    ScriptList list;
    ScriptTask *t = script_task_create();
    t->block_depth = 2;
    t->loops[1].count = -1;
    t->loop_depth = 1;
    t->pc = 5;
    static char good[KV_STATE_MAX + 1];
    int n = task_state_encode(good, t);
    ASSERT_GT(n, 0);
    std::string g(good, (size_t)n);
    size_t name_at = (size_t)n - 8 - 8;   // the name is "main.kvs"
    struct Case {
        const char *what;
        std::string text;
        uint32_t code;
    } cases[] = {
        {"header", "\x01\x02\x03\x04\x05\x06\x07\x09" + g.substr(8), 900000},
        {"short header", g.substr(0, 5), 900000},
        {"letter past p", g.substr(0, 8) + "aq" + g.substr(10), 900000},
        {"block depth 64", g.substr(0, 8) + "ea" + g.substr(10), 900000},
        {"cut in a field", g.substr(0, 20), 900000},
        {"cut in the name", g.substr(0, (size_t)n - 2), 900000},
        {"unknown name", g.substr(0, name_at) + "aaaaaaaiother.kv", 102130},
    };
    for (const Case &c : cases) {
        reset_error_reports();
        g_quit_flag = 0;
        ScriptTask *u = script_task_create();
        u->pc = 77;
        EXPECT_EQ(task_state_decode_bytes(c.text.data(), c.text.size(), u), 0) << c.what;
        EXPECT_EQ(g_last_error_code, c.code) << c.what;
        EXPECT_EQ(u->pc, 77u) << c.what;
        EXPECT_EQ(u->block_depth, 0) << c.what;
        script_task_free(u);
    }
    // The endless loop survives as -1.
    reset_error_reports();
    g_quit_flag = 0;
    ScriptTask *u = script_task_create();
    EXPECT_EQ(task_state_decode_bytes(g.data(), g.size(), u), n);
    EXPECT_EQ(u->loops[1].count, -1);
    script_task_free(u);
    script_task_free(t);
}

TEST(TaskState, OrderKeyOperators)
{
    struct Case {
        int64_t key;
        uint32_t op;
        int64_t v, want;
    } cases[] = {
        {5, 0, -3, -3},  {5, 1, 2, 7},      {5, 2, 9, 1},        {5, 3, 4, 20},
        {5, 3, -1, 1},   {9, 4, 2, 4},      {9, 4, 0, 9},        {INT64_MIN, 4, -1, 1},
        {INT64_MAX, 1, 1, INT64_MIN},       {2, 4, 5, 1},        {5, 9, 1, 5},
    };
    for (const Case &c : cases)
        EXPECT_EQ(task_order_apply(c.key, c.op, c.v), c.want) << c.key << " op " << c.op << " " << c.v;
}
