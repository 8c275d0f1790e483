// The message window's commands: 81 binds the window to a layer and sets its
// keys, speed, flags and control codes; 82 reads its state; 91 appends text.
#include <cstring>

#include "core/error_report.h"
#include "core/input.h"
#include "core/tree.h"
#include "graphics/layer.h"
#include "script/args.h"
#include "script/commands.h"
#include "script/vars.h"
#include "text/message_window.h"
#include "text/text_commands.h"

namespace {

enum : uint32_t { KV_ERR_NO_LAYER = 101250 };

uint32_t key_number(int64_t v)
{
    return (v <= 0 || v >= KV_KEY_COUNT) ? (uint32_t)KV_KEY_NEVER : (uint32_t)v;
}

int bind_layer(MessageWindow *w, const char *name)
{
    char path[KV_PATH_MAX];
    const char *base = g_tree_path_roots[KV_TREE_LAYER] ? g_tree_path_roots[KV_TREE_LAYER] : "";
    if (normalize_script_path(path, name, base, 0) < 0)
        return -1;
    if (w->layer && w->layer->payload)
        ((LayerState *)w->layer->payload)->message_window = 0;
    w->layer = nullptr;
    TreeNode *node = name_tree_lookup(g_layer_tree, path, KV_FIND_LEAF);
    if (!node || !node->payload) {
        report_script_error(KV_ERR_NO_LAYER, 1, path);
        return -1;
    }
    w->layer = node;
    ((LayerState *)node->payload)->message_window = 1;
    return 0;
}

int32_t clamp_delay(int64_t v)
{
    return (int32_t)(v < 0 ? 0 : v > 32767 ? 32767 : v);
}

}  // namespace

int message_setup_args()
{
    MessageWindow *w = g_message_window;
    if (!w)
        return 0;
    if (arg_present(0) && bind_layer(w, arg_str(0)) < 0)
        return -1;
    if (arg_present(1))
        w->display_enabled = (uint32_t)arg_int(1);
    for (uint32_t k = 0; k < 4; k++) {
        if (arg_present(2 + k))
            g_message_advance_keys[k] = key_number(arg_int(2 + k));
        if (arg_present(6 + k))
            g_message_skip_keys[k] = key_number(arg_int(6 + k));
    }
    if (arg_present(10))
        w->delay = clamp_delay(arg_int(10));
    if (arg_present(15) && arg_int(15) == 1) {
        if (message_append_code('C', true) < 0)
            return -1;
        if ((uint8_t)w->display_enabled == 1)
            return -1;
    }
    const struct {
        uint32_t id;
        uint8_t code;
    } codes[] = {{11, 'R'}, {12, 'P'}, {13, 'r'}, {14, 'p'}};
    for (const auto &c : codes)
        if (arg_present(c.id) && arg_int(c.id) == 1 && message_append_code(c.code, true) < 0)
            return -1;
    if (arg_present(16) && arg_int(16) == 1) {
        w->needs_reset = 1;
        reset_message_window();
    }
    if (arg_present(17))
        w->end_r = (uint32_t)arg_int(17);
    if (arg_present(18))
        w->end_p = (uint32_t)arg_int(18);
    if (arg_present(19))
        w->end_c = (uint32_t)arg_int(19);
    return 0;
}

int message_state_args()
{
    MessageWindow *w = g_message_window;
    uint32_t p = arg_pos(0);
    if (!w || !p)
        return 0;
    const int64_t values[8] = {0, (uint8_t)w->display_enabled, w->pen_x, w->pen_y, w->waiting,
                               w->end_r, w->end_p, w->end_c};
    for (uint32_t id = 1; id <= 7; id++) {
        if (arg_present(id)) {
            var_set_number(g_arg_slots.var_id[p], g_arg_slots.var_elem[p], values[id]);
            break;
        }
    }
    return 0;
}

int text_append_args()
{
    const char *text = arg_str(0);
    return message_append_text(text, std::strlen(text));
}

int cmd_message_window_setup(void) { return run_with_args(81, message_setup_args); }
int cmd_get_message_state(void) { return run_with_args(82, message_state_args); }
int cmd_text_append(void) { return run_with_args(91, text_append_args); }
