// The message window: blocks of text appended by script commands, each
// character carrying the style in force when it was appended, typed out into
// the bound layer by the text pump with per-character delays, click waits and
// Japanese line breaking. The record itself (MessageWindow) and the
// scheduler's entry (message_wait_update) are declared with the tasks.
#pragma once

#include "core/kv_base.h"
#include "script/task.h"

// Codes a block may still need when it is closed ('C', 'R', 'P', 'E'):
// appending text or codes always leaves room for them.
enum { KV_MESSAGE_END_RESERVE = 4 };

extern uint32_t g_message_timer;            // clock base of the character delay
extern uint32_t g_message_skip;             // 1: draw without delays up to the next stop
extern uint32_t g_message_advance_keys[4];  // key codes, 1023 = none
extern uint32_t g_message_skip_keys[4];

// Start-up: the window with its defaults and arrays; 1 when memory ran out.
int create_message_window();
// Clears the block (counts, indices, arrays) when needs-reset is set.
void reset_message_window();

// message_append_text (declared with the tasks, as the string commands of the
// script engine append through it too) refuses text that would pass 8190
// bytes or leave no room in the code entries for the closing codes.
// Appends one control code with the window's size and height in its entry.
// reserve: keep room for the closing codes. 0, or -1 after error 102000.
int message_append_code(uint8_t code, bool reserve);

// The pump: draws and runs codes until it must wait or the codes run out.
void message_text_pump();
// -1 wait, 0 draw the character at the code index now.
int message_char_wait();
// -1 the character was consumed here, 0 draw it at the (possibly moved) pen.
int message_line_break(TreeNode *layer);
