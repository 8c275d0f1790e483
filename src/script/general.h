// General script commands: clipboard, text tables, message box and input
// dialog, engine switches, frame timing, registry reads. The pure parts
// are declared here for the commands and their tests.
#pragma once

#include <cstddef>

#include "core/kv_base.h"

// The owner of the clipboard and of the modal boxes: the main window's
// handle, null before it exists.
void *script_owner_window();

// --- frame timing ------------------------------------------------------------
// The highest frame rate whose period (65536000 / rate, 16.16 milliseconds)
// is not 0.
static const int64_t KV_FPS_MAX = 65536000;
// Sets g_fps_target to rate, clamped to 1..KV_FPS_MAX.
void restart_frame_timer(int64_t rate);

// --- clipboard ---------------------------------------------------------------
enum { KV_CLIP_TAKE = 1024 };   // bytes of clipboard text taken
// The pasted text: at most the first 1024 bytes of in (n bytes, ending at a
// NUL) without the bytes below 0x20; a double-byte character is copied as a
// pair, also when its second byte lies past the 1024th; a lead byte without
// a second byte is dropped. out holds KV_CLIP_TAKE + 2 bytes; returns the
// length written (out is terminated).
size_t clipboard_filter_text(const char *in, size_t n, char *out);

// --- message box -------------------------------------------------------------
// MessageBoxA flags from the button ids (13 OK/Cancel, 14 Yes/No, 15
// Yes/No/Cancel, a later one winning), the default button 1-3 and icon 1-4
// (other values: none).
uint32_t message_box_flags(bool ok_cancel, bool yes_no, bool yes_no_cancel,
                           int64_t default_button, int64_t icon);
// The script's number for the button chosen: OK or Yes 1, Cancel 2 (3 with
// Yes and No buttons), No 2; 0 for anything else (nothing is stored).
int message_box_choice(uint32_t flags, int result);

// --- registry ----------------------------------------------------------------
// Turns single-byte '/' into '\' in path, then matches its beginning with
// "HKEY_CLASSES_ROOT\" ... "HKEY_DYN_DATA\" (case-sensitive): the root
// (KV_REG_*, sys_registry.h) with *subkey pointing behind the prefix, or -1.
int registry_path_split(char *path, const char **subkey);

// --- commands ------------------------------------------------------------------
// Each runs on arguments already loaded (the handlers load them first).
int copy_to_clipboard_run();
int paste_from_clipboard_run();
int load_text_table_run();
int message_box_run();
void set_switches_run();
void set_frame_timing_run();
int reg_read_run();
