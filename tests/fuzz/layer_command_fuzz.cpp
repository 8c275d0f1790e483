// The layer, delete and property commands over arbitrary argument sequences;
// after every input each record's owner count must equal the nodes that
// hold it and every pixel buffer must belong to a record of at least 1 x 1.
#include <cstdlib>
#include <cstring>
#include <map>

#include "core/error_report.h"
#include "core/payload_hooks.h"
#include "core/quit.h"
#include "core/tree.h"
#include "core/window.h"
#include "graphics/kernels.h"
#include "graphics/layer.h"
#include "script/args.h"
#include "script/vars.h"
#include "shell/startup.h"

namespace {

const char *const k_names[] = {"a", "b", "g/", "g/a", "g/h/", "g/h/c", ":W0/", "none/x",
                               "", "../a", "a b", "m"};
const int64_t k_extremes[] = {INT64_MIN, INT64_MAX, -1, 0, 256, 8193, INT32_MIN, INT32_MAX};
char g_text[KV_ARG_SLOTS][KV_ARG_STRING_SIZE];

struct Reader {
    const uint8_t *p;
    size_t n;
    uint8_t byte() { return n ? (n--, *p++) : 0; }
};

// Sizes stay small (a few wide ones reach the limits) so inputs run fast.
int64_t value_for(uint32_t id, Reader &r)
{
    uint8_t k = r.byte();
    int16_t v = (int16_t)(r.byte() | r.byte() << 8);
    if (k & 0x80)
        return k_extremes[k & 7];
    if (id == 6 || id == 7)
        return v % 40;
    return v;
}

void load_args(Reader &r)
{
    std::memset(g_arg_slots.map, 0, sizeof g_arg_slots.map);
    uint8_t count = r.byte() % 8;
    g_arg_slots.count = (uint8_t)(count + 1);
    // Position 1 is always the path.
    std::strcpy(g_text[1], k_names[r.byte() % (sizeof k_names / sizeof *k_names)]);
    g_arg_slots.str[1] = g_text[1];
    g_arg_slots.map[0] = 1;
    for (uint32_t p = 2; p <= count + 1u; p++) {
        uint32_t id = r.byte() % 40;
        g_arg_slots.map[id] = (uint8_t)p;
        g_arg_slots.id[p] = id;
        g_arg_slots.op[p] = r.byte() % 7;
        g_arg_slots.value[p] = value_for(id, r);
        std::strcpy(g_text[p], k_names[r.byte() % (sizeof k_names / sizeof *k_names)]);
        g_arg_slots.str[p] = g_text[p];
        g_arg_slots.var_id[p] = 1000;
        g_arg_slots.var_elem[p] = 0;
    }
}

void count_owners(TreeNode *node, std::map<LayerState *, uint64_t> &owners)
{
    for (TreeNode *c = node->first_child; c; c = c->next) {
        LayerState *s = (LayerState *)c->payload;
        if (!s)
            std::abort();   // every layer node has its record
        owners[s]++;
        if (s->pixels && (s->width < 1 || s->height < 1))
            std::abort();
        if (c->is_folder)
            count_owners(c, owners);
    }
}

void setup_once()
{
    static bool ready = false;
    if (ready)
        return;
    ready = true;
    create_window_objects();
    for (WindowObject *w : g_windows) {
        w->game_width = 32;
        w->game_height = 24;
    }
    init_path_special_chars();
    install_pixel_kernels(KV_KERNEL_LEVEL_BASIC, 0);
    create_tree_roots();
    var_table_alloc(1001);
    var_init_int(1000, 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    setup_once();
    Reader r{data, size};
    for (int call = 0; call < 16 && r.n; call++) {
        reset_error_reports();
        g_error_shown = 1;
        g_quit_flag = 0;
        uint8_t which = r.byte() % 3;
        load_args(r);
        if (which == 0)
            run_layer_setup();
        else if (which == 1)
            run_delete_object();
        else
            run_get_object_property();
    }
    std::map<LayerState *, uint64_t> owners;
    count_owners(g_layer_tree, owners);
    for (const auto &o : owners)
        if (o.first->ref_count != o.second)
            std::abort();
    free_child_objects(g_layer_tree);
    create_layer_tree_top(g_layer_tree);
    return 0;
}
