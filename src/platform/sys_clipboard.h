// Platform side of the clipboard commands: plain text (CF_TEXT) in and out.
// Win32: src/platform/win32/clipboard_win32.cpp; stand-in: src/platform/null.
#pragma once

#include <cstddef>
#include <cstdint>

enum { KV_CLIP_OK = 0, KV_CLIP_NO_MEMORY = -1, KV_CLIP_REFUSED = -2 };

// Puts `length` bytes of text (a terminator is added) on the clipboard with
// owner as the clipboard's owner window. KV_CLIP_OK, KV_CLIP_NO_MEMORY when
// the block could not be had, KV_CLIP_REFUSED when the clipboard refused it.
int sys_clipboard_set_text(void *owner, const char *text, size_t length);

// Copies the clipboard's text into out: at most `size` bytes, ending at its
// first NUL or at the end of its block (the block need not hold a
// terminator); out is not terminated. The count copied, or -1 when the
// clipboard holds no text.
int64_t sys_clipboard_get_text(void *owner, char *out, size_t size);
