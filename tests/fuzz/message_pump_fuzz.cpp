// The message window on arbitrary blocks: text with stray lead bytes, control
// codes, style changes (sizes and heights out of range included), small and
// odd layer sizes, clicks and held skip keys. Nothing may be read or written
// outside the arrays, the text and the layer, and text and codes stay aligned.
#include <cstdlib>
#include <cstring>

#include "core/error_report.h"
#include "core/input.h"
#include "core/quit.h"
#include "core/tree.h"
#include "graphics/layer.h"
#include "script/scheduler.h"
#include "script/task.h"
#include "text/font_list.h"
#include "text/glyph.h"
#include "text/message_window.h"
#include "text/text_commands.h"

namespace {

uint8_t *s_bits[8];
int fuzz_build(int slot, const char *, int32_t, int, int32_t cell, GlyphCell *out)
{
    size_t n = (size_t)cell * cell / 8;
    std::free(s_bits[slot]);
    s_bits[slot] = (uint8_t *)std::malloc(n);
    *out = GlyphCell{s_bits[slot], cell, (int32_t)n};
    return 0;
}
// Ink depends on the character: a band of rows and columns.
void fuzz_draw(int slot, const uint8_t *chars, int len)
{
    uint8_t v = (uint8_t)(chars[0] ^ (len == 2 ? chars[1] : 0));
    for (int y = 0; y < 64; y++)
        s_bits[slot][y * 8 + (v & 7)] = (uint8_t)(v * y);
}
void fuzz_release(int slot)
{
    std::free(s_bits[slot]);
    s_bits[slot] = nullptr;
}
const GlyphSource k_source = {fuzz_build, fuzz_draw, fuzz_release};
void fuzz_fonts(SysFontFn fn, void *user)
{
    fn(user, "P", "日本語", 2);
    fn(user, "F", "日本語", 1);
}

uint32_t s_now;
uint32_t fuzz_clock()
{
    return s_now;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool ready = false;
    static ScriptTask *task;
    if (!ready) {
        g_glyph_source = &k_source;
        g_font_enumerator = fuzz_fonts;
        enumerate_fonts();
        g_script_clock = fuzz_clock;
        task = script_task_create();
        ready = true;
    }
    reset_error_reports();
    g_error_shown = 1;
    g_quit_flag = 0;
    if (size < 4)
        return 0;
    create_message_window();
    font_slot_select_index(data[3] & 1);
    LayerState *s = layer_state_new();
    s->width = 1 + data[0] % 200;
    s->height = 1 + data[1] % 120;
    s->pixels = alloc_pixels(nullptr, s->width, s->height, nullptr);
    TreeNode node{};
    node.payload = s;
    MessageWindow *w = g_message_window;
    w->layer = &node;
    w->delay = data[2] % 50;
    w->smooth = data[3] >> 7;
    w->blend_over = (data[3] >> 6) & 1;
    g_cur_script = task;
    task->message_wait = 0;
    s_now = 0;
    for (int64_t &k : g_key_hold)
        k = -1;
    size_t i = 4;
    while (i < size && !g_quit_flag) {
        uint8_t op = data[i++];
        uint8_t arg = i < size ? data[i] : 0;
        switch (op % 12) {
        case 0:
        case 1:
        case 2: {
            size_t n = arg;
            i++;
            if (n > size - (i < size ? i : size))
                n = size - (i < size ? i : size);
            message_append_text((const char *)data + (i < size ? i : size), n);
            i += n;
            break;
        }
        case 3: message_append_code("CRPrpE"[arg % 6], true); i++; break;
        case 4: w->size = (int8_t)arg * 3; i++; break;
        case 5: w->height = (int8_t)arg * 2; i++; break;
        case 6: w->rotation = arg & 3; w->gradient_dir = (arg >> 2) % 9; i++; break;
        case 7: text_end_args(); break;
        case 8: g_key_hold[1] = g_key_hold[1] == 1 ? 2 : 1; g_frame_count++; break;
        case 9: g_key_hold[17] = arg & 1; i++; break;
        default: s_now += arg; i++; message_wait_update(task); break;
        }
        if (w->text_index > w->text_length || w->code_index > w->code_count + 1 ||
            w->code_count >= KV_MESSAGE_CODES || w->text_length > KV_MESSAGE_TEXT_MAX)
            std::abort();
    }
    w->layer = nullptr;
    layer_state_release_buffers(s);
    std::free(s);
    g_cur_script = nullptr;
    return 0;
}
