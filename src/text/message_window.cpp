// The message window record: creation with its defaults, the block reset, and
// the appending of characters and control codes. Every append is checked
// against the text limit (8190 bytes) and the code entries (8192, one kept
// for the terminator and four for the codes that close a block).
#include "text/message_window.h"

#include <cstdlib>
#include <cstring>

#include "core/error_report.h"
#include "text/glyph.h"

uint32_t g_message_timer;
uint32_t g_message_skip;
uint32_t g_message_advance_keys[4] = {1, 13, 1023, 1023};
uint32_t g_message_skip_keys[4] = {17, 1023, 1023, 1023};

namespace {

enum : uint32_t { KV_ERR_MESSAGE_FULL = 102000 };
enum : uint32_t { KV_CODE_LIMIT = KV_MESSAGE_CODES - 1 };   // entries; one for the terminator

void free_arrays(MessageWindow *w)
{
    std::free(w->text);
    std::free(w->codes);
    std::free(w->code_size);
    std::free(w->code_height);
    std::free(w->code_delay);
    std::free(w->code_colour);
    std::free(w->code_colour2);
    std::free(w->code_gradient);
    std::free(w->code_rotation);
    std::free(w->code_bold);
}

void zero_arrays(MessageWindow *w)
{
    const size_t n = KV_MESSAGE_CODES;
    std::memset(w->text, 0, n);
    std::memset(w->codes, 0, n);
    std::memset(w->code_size, 0, n * sizeof *w->code_size);
    std::memset(w->code_height, 0, n * sizeof *w->code_height);
    std::memset(w->code_delay, 0, n * sizeof *w->code_delay);
    std::memset(w->code_colour, 0, n * sizeof *w->code_colour);
    std::memset(w->code_colour2, 0, n * sizeof *w->code_colour2);
    std::memset(w->code_gradient, 0, n);
    std::memset(w->code_rotation, 0, n);
    std::memset(w->code_bold, 0, n);
}

int16_t clamp_i16(int64_t v)
{
    return (int16_t)(v < -32768 ? -32768 : v > 32767 ? 32767 : v);
}

// Fills entry i with the window's current style.
void fill_entry(MessageWindow *w, uint32_t i, uint8_t code, int32_t delay)
{
    w->codes[i] = code;
    w->code_size[i] = clamp_i16(w->size);
    w->code_height[i] = clamp_i16(w->height);
    w->code_delay[i] = clamp_i16(delay);
    w->code_colour[i] = w->colour;
    w->code_colour2[i] = w->colour2;
    w->code_gradient[i] = w->gradient_dir;
    w->code_rotation[i] = w->rotation;
    w->code_bold[i] = w->bold;
}

int report_full()
{
    report_script_error(KV_ERR_MESSAGE_FULL, 1);
    return -1;
}

}  // namespace

int create_message_window()
{
    MessageWindow *w = g_message_window;
    if (w) {
        free_arrays(w);
        task_string_clear(&w->text_fields[0]);
        task_string_clear(&w->text_fields[1]);
    } else {
        w = (MessageWindow *)std::calloc(1, sizeof *w);
        if (!w)
            return 1;
    }
    TaskString fields[2] = {w->text_fields[0], w->text_fields[1]};
    *w = MessageWindow{};
    w->text_fields[0] = fields[0];
    w->text_fields[1] = fields[1];
    const size_t n = KV_MESSAGE_CODES;
    w->text = (uint8_t *)std::calloc(n, 1);
    w->codes = (uint8_t *)std::calloc(n, 1);
    w->code_size = (int16_t *)std::calloc(n, sizeof(int16_t));
    w->code_height = (int16_t *)std::calloc(n, sizeof(int16_t));
    w->code_delay = (int16_t *)std::calloc(n, sizeof(int16_t));
    w->code_colour = (uint32_t *)std::calloc(n, sizeof(uint32_t));
    w->code_colour2 = (uint32_t *)std::calloc(n, sizeof(uint32_t));
    w->code_gradient = (uint8_t *)std::calloc(n, 1);
    w->code_rotation = (uint8_t *)std::calloc(n, 1);
    w->code_bold = (uint8_t *)std::calloc(n, 1);
    g_message_window = w;
    if (!w->text || !w->codes || !w->code_size || !w->code_height || !w->code_delay ||
        !w->code_colour || !w->code_colour2 || !w->code_gradient || !w->code_rotation ||
        !w->code_bold) {
        free_arrays(w);
        std::free(w);
        g_message_window = nullptr;
        return 1;
    }
    w->end_r = w->end_p = w->end_c = 1;
    w->display_enabled = 1;
    w->size = w->height = 20;
    w->colour = 0xFFFFFF;
    w->colour2 = 0xFFFFFFFFu;   // -1: same as colour
    w->gradient_dir = 1;
    w->smooth = 1;
    w->needs_reset = 1;
    w->restart_timer = 1;   // the first block's delays count from its first pass
    const uint32_t advance[4] = {1, 13, 1023, 1023}, skip[4] = {17, 1023, 1023, 1023};
    std::memcpy(g_message_advance_keys, advance, sizeof advance);
    std::memcpy(g_message_skip_keys, skip, sizeof skip);
    g_message_skip = 0;
    return 0;
}

void reset_message_window()
{
    MessageWindow *w = g_message_window;
    if (!w || !w->needs_reset)
        return;
    w->needs_reset = 0;
    w->text_length = w->code_count = w->text_index = w->code_index = 0;
    w->restart_timer = 1;
    zero_arrays(w);
}

int message_append_text(const char *text, size_t n)
{
    MessageWindow *w = g_message_window;
    if (!w)
        return 0;
    if (n == 0)
        return 0;
    const uint8_t *src = (const uint8_t *)text;
    uint64_t chars = 0;
    for (size_t k = 0; k < n; chars++)
        k += (k + 1 < n && sjis_char_len(src + k) == 2) ? 2 : 1;
    if ((uint64_t)w->text_length + n > KV_MESSAGE_TEXT_MAX ||
        (uint64_t)w->code_count + chars + KV_MESSAGE_END_RESERVE > KV_CODE_LIMIT)
        return report_full();
    std::memcpy(w->text + w->text_length, src, n);
    w->text_length += (uint32_t)n;
    w->text[w->text_length] = 0;
    for (size_t k = 0; k < n;) {
        bool two = k + 1 < n && sjis_char_len(src + k) == 2;
        fill_entry(w, w->code_count++, two ? '2' : '1', two ? w->delay : w->delay / 2);
        k += two ? 2 : 1;
    }
    w->codes[w->code_count] = 0;
    return 0;
}

int message_append_code(uint8_t code, bool reserve)
{
    MessageWindow *w = g_message_window;
    if (!w)
        return 0;
    if ((uint64_t)w->code_count + 1 + (reserve ? KV_MESSAGE_END_RESERVE : 0) > KV_CODE_LIMIT)
        return report_full();
    fill_entry(w, w->code_count++, code, 0);
    w->codes[w->code_count] = 0;
    return 0;
}
