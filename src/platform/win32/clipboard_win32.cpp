// Clipboard text over Win32 (CF_TEXT).
#include <windows.h>

#include <cstring>

#include "platform/sys_clipboard.h"

int sys_clipboard_set_text(void *owner, const char *text, size_t length)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, length + 1);
    if (!block)
        return KV_CLIP_NO_MEMORY;
    char *p = (char *)GlobalLock(block);
    if (!p) {
        GlobalFree(block);
        return KV_CLIP_NO_MEMORY;
    }
    std::memcpy(p, text, length);
    p[length] = 0;
    GlobalUnlock(block);
    // With no owner, EmptyClipboard leaves the clipboard without one and
    // SetClipboardData then fails: the main window owns it.
    if (!OpenClipboard((HWND)owner)) {
        GlobalFree(block);
        return KV_CLIP_REFUSED;
    }
    EmptyClipboard();
    bool taken = SetClipboardData(CF_TEXT, block) != nullptr;
    CloseClipboard();
    if (!taken) {
        GlobalFree(block);   // only a block the clipboard took belongs to it
        return KV_CLIP_REFUSED;
    }
    return KV_CLIP_OK;
}

int64_t sys_clipboard_get_text(void *owner, char *out, size_t size)
{
    if (!OpenClipboard((HWND)owner))
        return -1;
    HANDLE data = GetClipboardData(CF_TEXT);
    const char *p = data ? (const char *)GlobalLock(data) : nullptr;
    if (!p) {
        CloseClipboard();
        return -1;
    }
    size_t block = GlobalSize(data);
    size_t n = 0;
    while (n < size && n < block && p[n])
        n++;
    std::memcpy(out, p, n);
    GlobalUnlock(data);
    CloseClipboard();
    return (int64_t)n;
}
