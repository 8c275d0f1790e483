// The text pump: runs the codes of the current block into the bound layer,
// one character per delay (catching up on late frames), stopping at click
// waits, breaking lines by the Japanese rules (small kana and closing marks
// may hang in the last cell, opening brackets never end a line, "！？" stays
// together) and dropping what runs past the layer's bottom; and the wait of a
// task on its block, driven by the advance and skip keys.
#include <cstring>

#include "core/error_report.h"
#include "core/frame_state.h"
#include "core/input.h"
#include "core/tree.h"
#include "graphics/layer.h"
#include "script/scheduler.h"
#include "text/glyph.h"
#include "text/message_window.h"

namespace {

enum : uint32_t { KV_ERR_BAD_CODE = 900010 };

// Two-byte characters that may stand in the last cell of a line.
const char *const k_hanging[] = {"ぁ", "ぃ", "ぅ", "ぇ", "ぉ", "ゃ", "ゅ", "ょ", "っ", "ァ", "ィ", "ゥ",
                                 "ェ", "ォ", "ャ", "ュ", "ョ", "ッ", "。", "、", "」", "』", "）"};
// Two-byte characters that never stand in the last three cells.
const char *const k_no_end[] = {"「", "『", "（"};

// The frame in which a click last advanced the message, plus one (0: none).
uint64_t s_click_frame;

bool in_list(const uint8_t *c, const char *const *list, size_t n)
{
    for (size_t i = 0; i < n; i++)
        if (c[0] == (uint8_t)list[i][0] && c[1] == (uint8_t)list[i][1])
            return true;
    return false;
}

bool is_char(const uint8_t *c, const char *two)
{
    return c[0] == (uint8_t)two[0] && c[1] == (uint8_t)two[1];
}

LayerState *bound_state()
{
    MessageWindow *w = g_message_window;
    return (w && w->layer) ? (LayerState *)w->layer->payload : nullptr;
}

int char_len(uint8_t code)
{
    return code == '2' ? 2 : 1;
}

// Whether a character of entry i no longer fits above the bottom margin.
bool below_bottom(const MessageWindow *w, const LayerState *s, uint32_t i)
{
    return (int64_t)s->height <= (int64_t)w->pen_y + 2 + w->code_height[i] + 1;
}

void new_line(MessageWindow *w, uint32_t i)
{
    w->pen_x = 0;
    w->pen_y += w->code_height[i];
}

// Draws the character at the text index with entry i's style; the pen and
// the text index move on.
void draw_entry_char(MessageWindow *w, uint32_t i, int len)
{
    uint8_t chars[3] = {0, 0, 0};
    if ((uint64_t)w->text_index + len > w->text_length) {
        w->text_index = w->text_length;
        return;
    }
    std::memcpy(chars, w->text + w->text_index, (size_t)len);
    int32_t advance = draw_text_char(chars, w->code_colour[i], (int32_t)w->code_colour2[i],
                                     w->code_gradient[i], w->code_rotation[i], w->code_size[i],
                                     w->code_height[i], w->code_bold[i], w->smooth, 0, w->pen_x,
                                     w->pen_y, w->blend_over, w->layer);
    w->pen_x += advance;
    w->text_index += (uint32_t)len;
}

void clear_page(MessageWindow *w, LayerState *s)
{
    if (!s->pixels)
        return;
    std::memset(s->pixels, 0, (size_t)s->width * 4 * (size_t)s->height);
    w->pen_x = w->pen_y = 0;
    layer_mark_dirty(w->layer);
}

bool any_key(const uint32_t keys[4], bool pressed_now)
{
    for (int k = 0; k < 4; k++) {
        uint32_t key = keys[k] < (uint32_t)KV_KEY_COUNT ? keys[k] : (uint32_t)KV_KEY_NEVER;
        if (key == KV_KEY_NEVER)
            continue;
        if (pressed_now ? g_key_hold[key] == 1 : g_key_hold[key] > 0)
            return true;
    }
    return false;
}

// Passes the 'C' the pump waits at.
void pass_click_wait(MessageWindow *w)
{
    w->restart_timer = 1;
    w->waiting = 0;
    w->code_index++;
}

}  // namespace

int message_char_wait()
{
    MessageWindow *w = g_message_window;
    if (g_message_skip || w->text_index < 1)
        return 0;
    int32_t d = w->code_delay[w->code_index];
    uint32_t delay = d > 0 ? (uint32_t)d : 0;
    if (delay > g_script_clock() - g_message_timer)
        return -1;
    g_message_timer += delay;
    return 0;
}

int message_line_break(TreeNode *layer)
{
    MessageWindow *w = g_message_window;
    LayerState *s = (LayerState *)layer->payload;
    uint32_t i = w->code_index;
    int len = char_len(w->codes[i]);
    int64_t x = w->pen_x, s_size = w->code_size[i], width = s->width;
    const uint8_t *c = w->text + w->text_index;
    // A character below the bottom is dropped; the text index stays with the codes.
    auto cut = [&]() {
        if (!below_bottom(w, s, i))
            return false;
        w->text_index += (uint32_t)len;
        return true;
    };
    if (cut())
        return -1;
    if (x + 2 + s_size >= width) {
        new_line(w, i);
        return cut() ? -1 : 0;
    }
    if (x + 2 + 2 * s_size >= width) {
        if (len == 2 && in_list(c, k_hanging, sizeof k_hanging / sizeof *k_hanging)) {
            draw_entry_char(w, i, 2);
            return -1;
        }
        new_line(w, i);
        return cut() ? -1 : 0;
    }
    if (x + 2 + 4 * s_size >= width && len == 2) {
        bool pair = is_char(c, "！") && i + 1 < w->code_count && w->codes[i + 1] == '2' &&
                    (uint64_t)w->text_index + 4 <= w->text_length && is_char(c + 2, "？");
        if (pair) {
            draw_entry_char(w, i, 2);
            draw_entry_char(w, i, 2);
            w->code_index++;
            return -1;
        }
        if (in_list(c, k_no_end, sizeof k_no_end / sizeof *k_no_end)) {
            new_line(w, i);
            return cut() ? -1 : 0;
        }
    }
    return 0;
}

void message_text_pump()
{
    MessageWindow *w = g_message_window;
    LayerState *s = bound_state();
    if (!s)
        return;
    for (;;) {
        if (w->code_index >= w->code_count) {
            g_message_skip = 0;
            return;
        }
        if (w->restart_timer) {
            w->restart_timer = 0;
            g_message_timer = g_script_clock();
        }
        uint32_t i = w->code_index;
        uint8_t code = w->codes[i];
        switch (code) {
        case '1':
        case '2': {
            // Past the bottom: the rest of the block goes without delay.
            if (below_bottom(w, s, i)) {
                w->text_index += (uint32_t)char_len(code);
                break;
            }
            if (message_char_wait() < 0)
                return;
            if (message_line_break(w->layer) < 0)
                break;
            draw_entry_char(w, i, char_len(code));
            break;
        }
        case 'C':
            w->waiting = 1;
            g_message_skip = 0;
            return;
        case 'E':
            break;
        case 'P':
        case 'p':
            clear_page(w, s);
            break;
        case 'R':
        case 'r':
            new_line(w, i);
            break;
        default:
            report_script_error(KV_ERR_BAD_CODE, 1);
            return;
        }
        w->code_index++;
    }
}

int message_wait_update(ScriptTask *task)
{
    if (!task->message_wait)
        return 0;
    MessageWindow *w = g_message_window;
    if (w && (uint8_t)w->display_enabled == 1) {
        if (!bound_state()) {
            // Nothing to show the block in: it is passed over, never waited for.
            w->code_index = w->code_count;
        } else {
            bool skip_held = any_key(g_message_skip_keys, false);
            if (skip_held) {
                if (w->waiting)
                    pass_click_wait(w);
                else
                    g_message_skip = 1;
            }
            message_text_pump();
            // One click advances the message once, however many passes its frame has.
            bool click = any_key(g_message_advance_keys, true) && s_click_frame != g_frame_count + 1;
            if (w->code_count > 0 && (click || skip_held)) {
                if (click)
                    s_click_frame = g_frame_count + 1;
                if (w->waiting)
                    pass_click_wait(w);
                else if (w->code_index < w->code_count)
                    g_message_skip = 1;
            }
            if (w->code_index < w->code_count)
                return 0;
        }
        if (w->code_index >= 1)
            w->needs_reset = 1;
    }
    reset_message_window();
    task->message_wait = 0;
    return 0;
}
