// Layer tests: a fresh layer tree per test (window 0 is 64 x 48), argument
// slots filled directly, and small helpers to make and find layers.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/engine_state.h"
#include "core/error_report.h"
#include "core/payload_hooks.h"
#include "core/quit.h"
#include "core/tree.h"
#include "core/window.h"
#include "graphics/kernels.h"
#include "graphics/layer.h"
#include "script/args.h"
#include "shell/startup.h"

namespace layertest {

// One argument: a number (with its operator) or a text.
struct Arg {
    uint32_t id;
    int64_t value;
    uint32_t op;
    const char *text;
};
inline Arg num(uint32_t id, int64_t v, uint32_t op = 0) { return Arg{id, v, op, nullptr}; }
inline Arg str(uint32_t id, const char *t) { return Arg{id, 0, 0, t}; }

inline void set_args(const std::vector<Arg> &args)
{
    static char buffers[KV_ARG_SLOTS][KV_ARG_STRING_SIZE];
    std::memset(g_arg_slots.map, 0, sizeof g_arg_slots.map);
    g_arg_slots.count = (uint8_t)args.size();
    uint32_t p = 1;
    for (const Arg &a : args) {
        g_arg_slots.map[a.id] = (uint8_t)p;
        g_arg_slots.id[p] = a.id;
        g_arg_slots.op[p] = a.op;
        g_arg_slots.value[p] = a.value;
        g_arg_slots.var_id[p] = 0;
        g_arg_slots.var_elem[p] = 0;
        g_arg_slots.str[p] = buffers[p];
        std::strncpy(buffers[p], a.text ? a.text : "", KV_ARG_STRING_SIZE - 1);
        p++;
    }
}

inline int setup(const std::vector<Arg> &args)
{
    set_args(args);
    return run_layer_setup();
}

inline TreeNode *leaf(const char *path)
{
    char full[KV_PATH_MAX];
    normalize_script_path(full, path, g_tree_path_roots[KV_TREE_LAYER], 0);
    return name_tree_lookup(g_layer_tree, full, KV_FIND_LEAF);
}
inline TreeNode *group(const char *path)
{
    char full[KV_PATH_MAX];
    normalize_script_path(full, path, g_tree_path_roots[KV_TREE_LAYER], 0);
    return name_tree_lookup(g_layer_tree, full, KV_FIND_FOLDER);
}
inline LayerState *rec(TreeNode *n) { return n ? (LayerState *)n->payload : nullptr; }

// A leaf of w x h opaque black pixels (an empty image cut to size), key 1.
inline LayerState *make_leaf(const char *path, int32_t w, int32_t h, int64_t key = 1)
{
    EXPECT_EQ(setup({str(0, path), num(5, key), str(29, ""), num(6, w), num(7, h)}), 0);
    return rec(leaf(path));
}

inline void put_pixel(LayerState *s, int x, int y, uint32_t v)
{
    std::memcpy(s->pixels + ((size_t)y * s->width + x) * 4, &v, 4);
}
inline uint32_t get_pixel(const LayerState *s, int x, int y)
{
    uint32_t v;
    std::memcpy(&v, s->pixels + ((size_t)y * s->width + x) * 4, 4);
    return v;
}

// A fresh report state in which nothing is shown.
inline void clear_errors()
{
    reset_error_reports();
    g_error_shown = 1;
}

// Fresh reports, windows and an empty layer tree with "W0" under its root.
class LayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        clear_errors();
        g_quit_flag = 0;
        g_engine_switches[1] = 0;
        create_window_objects();
        for (WindowObject *w : g_windows) {
            w->game_width = 64;
            w->game_height = 48;
        }
        init_path_special_chars();
        install_pixel_kernels(KV_KERNEL_LEVEL_BASIC, 0);
        static bool roots = create_tree_roots() == 0;
        ASSERT_TRUE(roots);
        free_child_objects(g_layer_tree);
        ASSERT_EQ(create_layer_tree_top(g_layer_tree), 0);
    }
    void TearDown() override
    {
        free_child_objects(g_layer_tree);
        set_args({});
    }
};

}  // namespace layertest
