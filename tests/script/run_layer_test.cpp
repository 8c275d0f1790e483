// The layer commands run from a generated script: argument names and ids of
// the generator, the loader and the handlers agree end to end.
#include <gtest/gtest.h>

#include <string>

#include "core/error_report.h"
#include "core/tree.h"
#include "graphics/layer.h"
#include "script/run_helpers.h"

using runtest::E;
using runtest::ivar;

namespace {

std::string el(int k)
{
    std::string kk = std::to_string(k);
    return E({"$1000[", kk.c_str(), "]"});
}

std::string get(const char *path, const char *property, int k, const char *extra = "")
{
    return std::string("get_object_property path=\"") + path + "\" " + property + "=1 " + extra +
           " result=" + el(k) + "\n";
}

}  // namespace

TEST(RunLayer, CreateChangeReadAndDeleteLayers)
{
    LOAD_OR_SKIP("project width=640 height=480\n"
                 "var 1000 int global dims=16 = 0\n"
                 "script 0 \"main.kvs\"\nlabel SYSTEM_START\n"
                 "layer_setup path=\"a\" order=3 image=\"\" width=4 height=2 user=9\n"
                 "layer_setup path=\"a\" x:1:1=5 x:1:1=2 opacity:1:2=56 blend=7\n"
                 "layer_setup path=\"g/\" order=1 width=8 height=8\n"
                 "layer_setup path=\"g/b\" order=1 share=\"a\"\n" +
                 get("a", "width", 0) + get("a", "get_x", 1) + get("g/b", "height", 2) +
                 get("a", "opacity", 3) + get("a", "blend", 4) + get("a", "user", 5) +
                 get("a", "colour_at", 6, "x=3 y=1") + get("g/", "width", 7) +
                 "delete_object path=\"a\"\n" + get("a", "exists", 8) + get("g/b", "exists", 9) +
                 get("g/b", "order", 10) + "end\n");
    runtest::run_until_quit(3);
    EXPECT_EQ(g_last_error_code, 0u) << g_error_text;
    const int64_t want[] = {4, 2, 2, 256, 7, 9, 0, 8, 0, 1, 1};
    for (int k = 0; k < 11; k++)
        EXPECT_EQ(ivar(1000, k), want[k]) << k;
    LayerState *b = (LayerState *)name_tree_lookup(g_layer_tree, "W0/g/b", KV_FIND_LEAF)->payload;
    EXPECT_EQ(b->ref_count, 1u);
    EXPECT_EQ(b->pending_opacity, 200);
}
