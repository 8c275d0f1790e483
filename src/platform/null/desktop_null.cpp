// Stand-in clipboard, message box, input dialog and registry: in-memory
// state that tests fill and read through desktop_null.h.
#include "platform/null/desktop_null.h"

#include <cstring>
#include <deque>
#include <map>
#include <tuple>

#include "platform/sys_clipboard.h"
#include "platform/sys_dialog.h"
#include "platform/sys_registry.h"

static bool g_clip_has_text;
static std::string g_clip_block;
static int g_clip_fail;

void null_clipboard_put(const char *bytes, size_t size)
{
    g_clip_block.assign(bytes, size);
    g_clip_has_text = true;
}
void null_clipboard_clear() { g_clip_has_text = false; g_clip_block.clear(); }
const std::string *null_clipboard_block() { return g_clip_has_text ? &g_clip_block : nullptr; }
void null_clipboard_fail_next(int result) { g_clip_fail = result; }

int sys_clipboard_set_text(void *, const char *text, size_t length)
{
    if (g_clip_fail) {
        int r = g_clip_fail;
        g_clip_fail = 0;
        return r;
    }
    g_clip_block.assign(text, length);
    g_clip_block.push_back('\0');
    g_clip_has_text = true;
    return KV_CLIP_OK;
}

int64_t sys_clipboard_get_text(void *, char *out, size_t size)
{
    if (!g_clip_has_text)
        return -1;
    size_t n = 0;
    while (n < size && n < g_clip_block.size() && g_clip_block[n])
        n++;
    std::memcpy(out, g_clip_block.data(), n);
    return (int64_t)n;
}

struct InputAnswer {
    std::string text;
    bool ran;
};
static std::deque<int> g_box_answers;
static std::deque<InputAnswer> g_input_answers;
static NullBoxRecord g_last_box, g_last_input;

void null_answer_box(int button) { g_box_answers.push_back(button); }
void null_answer_input(const std::string &text, bool ran) { g_input_answers.push_back({text, ran}); }
const NullBoxRecord &null_last_box() { return g_last_box; }
const NullBoxRecord &null_last_input() { return g_last_input; }
void null_dialogs_reset()
{
    g_box_answers.clear();
    g_input_answers.clear();
    g_last_box = NullBoxRecord();
    g_last_input = NullBoxRecord();
}

int sys_script_message_box(void *, const char *text, const char *caption, uint32_t flags)
{
    int count = g_last_box.count + 1;
    g_last_box = {text, caption, "", "", flags, 0, count};
    if (g_box_answers.empty())
        return 0;
    int r = g_box_answers.front();
    g_box_answers.pop_front();
    return r;
}

int sys_input_dialog(void *, InputDialogRequest *req)
{
    int count = g_last_input.count + 1;
    g_last_input = {"", req->caption, req->prompt, req->initial, 0, req->max_length, count};
    if (g_input_answers.empty() || !g_input_answers.front().ran) {
        if (!g_input_answers.empty())
            g_input_answers.pop_front();
        return -1;
    }
    std::string t = g_input_answers.front().text;
    g_input_answers.pop_front();
    if (req->max_length > 0 && t.size() > (size_t)req->max_length)
        t.resize((size_t)req->max_length);   // what the edit control's limit lets through
    size_t n = t.size() < req->result_size ? t.size() : req->result_size - 1;
    std::memcpy(req->result, t.data(), n);
    req->result[n] = 0;
    return 1;
}

static std::map<std::tuple<int, std::string, std::string>, std::string> g_registry;

void null_registry_put(int root, const std::string &subkey, const std::string &name,
                       const std::string &bytes)
{
    g_registry[std::make_tuple(root, subkey, name)] = bytes;
}
void null_registry_clear() { g_registry.clear(); }

int read_registry_value(int root, const char *subkey, const char *name, char *buffer,
                        uint32_t size, uint32_t *length)
{
    if (size)
        buffer[0] = 0;
    auto it = g_registry.find(std::make_tuple(root, std::string(subkey ? subkey : ""),
                                              std::string(name ? name : "")));
    if (it == g_registry.end() || it->second.size() > size)
        return -1;
    std::memcpy(buffer, it->second.data(), it->second.size());
    if (length)
        *length = (uint32_t)it->second.size();
    return 0;
}
