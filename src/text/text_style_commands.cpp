// Text style commands: 21 selects a font slot and changes its face and style
// (slot 0 also sets the style of text appended to the message window), 22
// reads style values, font-list facts and measurements, 64 closes a message
// block and makes the task wait until it has been shown.
#include <cstring>

#include "core/error_report.h"
#include "script/args.h"
#include "script/commands.h"
#include "script/task.h"
#include "script/vars.h"
#include "text/font_list.h"
#include "text/glyph.h"
#include "text/message_window.h"
#include "text/text_commands.h"

namespace {

enum : uint32_t { KV_ERR_RANGE = 101000, KV_ERR_MINIMUM = 101010, KV_ERR_FONT_NUMBER = 101240 };

// The operator's result saturated to the 64-bit range.
int64_t saturate(int64_t b, int64_t v, uint32_t op)
{
    int64_t r;
    switch (op) {
    case 0:
        return v;
    case 1:
        if (__builtin_add_overflow(b, v, &r))
            return v > 0 ? INT64_MAX : INT64_MIN;
        return r;
    case 2:
        if (__builtin_sub_overflow(b, v, &r))
            return v < 0 ? INT64_MAX : INT64_MIN;
        return r;
    case 3:
        if (__builtin_mul_overflow(b, v, &r))
            return ((b < 0) != (v < 0)) ? INT64_MIN : INT64_MAX;
        return r;
    case 4:
        if (v == 0)
            return b;
        if (b == INT64_MIN && v == -1)
            return INT64_MAX;
        return b / v;
    default:
        return b;
    }
}

// One style field: its range and where it lives in the window and the slot.
struct StyleField {
    uint32_t id;
    int64_t max;
};
const StyleField k_fields[] = {{4, 0xFFFFFF}, {5, 0xFFFFFF}, {6, 8}, {7, 3},
                               {8, 1},        {9, 256},      {10, 256}, {11, 1}};

int64_t window_field(const MessageWindow *w, uint32_t id)
{
    switch (id) {
    case 4: return w->colour;
    case 5: return (int32_t)w->colour2;   // -1: same as colour
    case 6: return w->gradient_dir;
    case 7: return w->rotation;
    case 8: return w->blend_over;
    case 9: return w->size;
    case 10: return w->height;
    default: return w->bold;
    }
}

void store_window_field(MessageWindow *w, uint32_t id, int64_t v)
{
    switch (id) {
    case 4: w->colour = (uint32_t)v; break;
    case 5: w->colour2 = (uint32_t)v; break;
    case 6: w->gradient_dir = (uint8_t)v; break;
    case 7: w->rotation = (uint8_t)v; break;
    case 8: w->blend_over = (uint8_t)v; break;
    case 9: w->size = (int32_t)v; break;
    case 10: w->height = (int32_t)v; break;
    default: w->bold = (uint8_t)v; break;
    }
}

void store_slot_field(uint32_t slot, uint32_t id, int64_t v)
{
    FontSlotStyle &s = g_font_slots;
    switch (id) {
    case 4: s.colour[slot] = (uint32_t)v; break;
    case 5: s.colour2[slot] = (uint32_t)v; break;
    case 6: s.gradient[slot] = (uint8_t)v; break;
    case 7: s.rotation[slot] = (uint8_t)v; break;
    case 8: s.blend_over[slot] = (uint8_t)v; break;
    case 9: s.size[slot] = (int32_t)v; break;
    case 10: s.height[slot] = (int32_t)v; break;
    default: s.bold[slot] = (int32_t)v; break;
    }
}

// The window's values when there is no window (slot 0's).
MessageWindow fallback_window()
{
    MessageWindow w{};
    w.colour = g_font_slots.colour[0];
    w.colour2 = g_font_slots.colour2[0];
    w.gradient_dir = g_font_slots.gradient[0];
    w.rotation = g_font_slots.rotation[0];
    w.blend_over = g_font_slots.blend_over[0];
    w.size = g_font_slots.size[0];
    w.height = g_font_slots.height[0];
    w.bold = (uint8_t)g_font_slots.bold[0];
    w.smooth = g_font_slots.smooth[0];
    return w;
}

// Checks a 1-based font number: 0, or -1 after the fatal report.
int check_font_number(int64_t n)
{
    if (n < 1) {
        report_script_error(KV_ERR_MINIMUM, 1, n, (int64_t)1);
        return -1;
    }
    if (n > font_count()) {
        report_script_error(KV_ERR_FONT_NUMBER, 1, n, (int64_t)font_count());
        return -1;
    }
    return 0;
}

}  // namespace

int64_t style_operator_value(int64_t b, int64_t v, uint32_t op, int64_t max, bool keep_minus_one)
{
    if (op == 0 && v == -1 && keep_minus_one)
        return -1;
    int64_t r = saturate(b, v, op);
    return r < 0 ? 0 : r > max ? max : r;
}

int text_style_args()
{
    if (arg_present(0)) {
        int64_t slot = arg_int(0);
        if (slot < 0 || slot >= KV_FONT_SLOTS) {
            report_script_error(KV_ERR_RANGE, 1, slot, (int64_t)0, (int64_t)(KV_FONT_SLOTS - 1));
            return -1;
        }
        font_slot_set_current((uint32_t)slot);
    }
    if (arg_present(1)) {
        int64_t n = arg_int(1);
        if (check_font_number(n) < 0)
            return -1;
        font_slot_select_index((uint32_t)(n - 1));
    }
    if (arg_present(2))
        font_slot_select_by_name(arg_str(2));
    uint32_t slot = g_font_list.current_slot;
    if (arg_present(3)) {
        g_font_slots.smooth[slot] = (uint8_t)arg_int(3);
        if (slot == 0 && g_message_window)
            g_message_window->smooth = (uint8_t)arg_int(3);
    }
    MessageWindow fallback = fallback_window();
    MessageWindow *w = g_message_window ? g_message_window : &fallback;
    for (const StyleField &f : k_fields) {
        uint32_t p = arg_pos(f.id);
        if (!p)
            continue;
        int64_t v = style_operator_value(window_field(w, f.id), g_arg_slots.value[p],
                                         g_arg_slots.op[p], f.max, f.id == 5);
        store_slot_field(slot, f.id, v);
        if (slot == 0)
            store_window_field(w, f.id, v);
    }
    return 0;
}

int text_info_args()
{
    uint32_t target = arg_pos(18);
    if (!target)
        return 0;
    uint32_t var = g_arg_slots.var_id[target], elem = g_arg_slots.var_elem[target];
    MessageWindow fallback = fallback_window();
    const MessageWindow *w = g_message_window ? g_message_window : &fallback;
    const int64_t window_values[11] = {0, 0, w->smooth, w->colour, (int32_t)w->colour2,
                                       w->gradient_dir, w->rotation, w->blend_over, w->size,
                                       w->height, w->bold};
    int64_t value = 0;
    bool face = false, script = false;
    uint32_t id = 2;
    while (id <= 10 && !arg_present(id))
        id++;
    if (id <= 10) {
        value = window_values[id];
    } else if (arg_present(11) && arg_int(11) == 1) {
        value = font_count();
    } else if (arg_present(12)) {
        value = 0;
    } else if (arg_present(14) || arg_present(15)) {
        int32_t advance = 0, glyph_height = 0;
        render_glyph_gdi((const uint8_t *)arg_str(17), w->size, w->height, w->bold, w->smooth,
                         &advance, &glyph_height);
        value = arg_present(14) ? advance : glyph_height;
    } else {
        face = arg_present(1) && arg_int(1) == 1;
        script = !face && arg_present(13) && arg_int(13) == 1;
    }
    // Font-list queries; with no faces at all there is no name to be had.
    if ((face || script) && font_count() > 0) {
        int64_t n = arg_present(0) ? arg_int(0) : (int64_t)font_slot_index() + 1;
        if (check_font_number(n) < 0)
            return -1;
        if (face) {
            store_string_element(var, elem, font_face_name_at((uint32_t)(n - 1)));
            return 0;
        }
        value = font_is_non_japanese_script((uint32_t)(n - 1));
    }
    var_set_number(var, elem, value);
    return 0;
}

int text_end_args()
{
    MessageWindow *w = g_message_window;
    if (w) {
        if ((uint8_t)w->display_enabled == 1) {
            if ((w->end_c && message_append_code('C', false) < 0) ||
                (w->end_r && message_append_code('R', false) < 0) ||
                (w->end_p && message_append_code('P', false) < 0))
                return -1;
        } else {
            w->needs_reset = 1;
        }
        if (message_append_code('E', false) < 0)
            return -1;
    }
    if (g_cur_script)
        g_cur_script->message_wait = 1;
    return -1;
}

int cmd_set_text_style(void) { return run_with_args(21, text_style_args); }
int cmd_get_text_info(void) { return run_with_args(22, text_info_args); }
int cmd_text_end(void) { return run_with_args(64, text_end_args); }
