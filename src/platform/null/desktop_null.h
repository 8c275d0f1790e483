// Test hooks of the stand-in clipboard, dialogs and registry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The clipboard's block as raw bytes (no terminator added); null_clipboard_clear
// leaves it without text. null_clipboard_fail_next makes the next write fail
// with the given KV_CLIP_* result.
void null_clipboard_put(const char *bytes, size_t size);
void null_clipboard_clear();
const std::string *null_clipboard_block();   // null when there is no text
void null_clipboard_fail_next(int result);

// Answers of the next message boxes and input dialogs, in order: a box takes
// the button id; an input dialog takes the typed text (or, with ran = false,
// fails to show). Unanswered boxes give 0, unanswered dialogs -1.
void null_answer_box(int button);
void null_answer_input(const std::string &text, bool ran = true);
// The last box and dialog shown.
struct NullBoxRecord {
    std::string text, caption, prompt, initial;
    uint32_t flags;
    int32_t max_length;
    int count;
};
const NullBoxRecord &null_last_box();
const NullBoxRecord &null_last_input();
void null_dialogs_reset();

// A registry value (bytes as stored) and the removal of every value.
void null_registry_put(int root, const std::string &subkey, const std::string &name,
                       const std::string &bytes);
void null_registry_clear();
