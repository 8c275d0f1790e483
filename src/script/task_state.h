// The task state string: a task's whole control state (its three stacks, the
// program counter and the name of its script file) as printable text that a
// script can keep in a string variable and give back to the task-start
// command.
//
// Every number is written as letters, one per 4 bits, high nibble first,
// letter = 'a' + nibble ('a'..'p'): a byte takes 2 letters, a u32 8 letters.
// In order:
//     8 raw bytes 0x01 0x02 ... 0x08 (not letters)
//     byte block depth B (0..63), then B levels (levels 1..B):
//         byte saved loop depth, u32 start pc, u32 end pc
//     byte reserved (copied through), byte call depth C (0..63), then C
//     frames, frame 0 first:
//         byte saved block depth, byte saved loop depth, u32 return pc,
//         u32 return file number
//     byte loop depth L (0..63), then L levels (levels 1..L):
//         byte saved block depth, u32 start pc, u32 end pc,
//         u32 iteration counter, u32 count (both cut to 32 bits, read back
//         sign-extended)
//     byte reserved, u32 reserved (copied through), u32 program counter
//     u32 name length N (at most 262), then the N raw bytes of the current
//     script's name in the script list.
// Parameters, return values and variables are not part of the state.
//
// The levels run in different files: block levels above frame k-1's saved
// block depth, up to frame k's, were opened in the file frame k returns
// into (frame 0's from level 1); those above the last frame's saved depth,
// in the current file. Loop levels likewise with the saved loop depths. (A
// subroutine may close levels of its caller, so saved depths may also fall
// from one frame to the next: a level lies in the file of the lowest call
// depth from which on every frame saved a depth of at least its own.)
#pragma once

#include "core/kv_base.h"

struct ScriptTask;

enum {
    KV_STATE_NAME_MAX = 262,
    // The longest string: header, three full stacks, tail and name.
    KV_STATE_MAX = 8 + 2 + 63 * 18 + 4 + 63 * 20 + 2 + 63 * 34 + 18 + 8 + KV_STATE_NAME_MAX
};

// Writes the state of task into buf (KV_STATE_MAX + 1 bytes, terminated);
// returns the length, -1 when either pointer is null.
int task_state_encode(char *buf, const ScriptTask *task);

// Restores a state string into task: the stacks, pc and the file number
// (the file is neither loaded nor checked). Returns the bytes used, 0 after
// a fatal report (900000 for a damaged string, 102130 for an unknown script
// name, 100010), -1 for null pointers. Nothing of the task changes when it
// fails, but call frames may be allocated (zero-filled).
int task_state_decode(const char *text, ScriptTask *task);
int task_state_decode_bytes(const char *text, size_t length, ScriptTask *task);

// The restore of the task-start command: decodes the whole string, loads the
// files it names and checks each part against the file it runs in (each
// level against its file as above, frame k's return pc against frame k's
// return file, the pc against the current file), then restores it and
// switches the task to its file. 0, or
// -1 after a fatal report (the decoder's, 900000 for a level, pc or return
// file outside its file, the project data error of a file that cannot be
// loaded); a refused state leaves the task as it was.
int task_state_restore(const char *text, ScriptTask *task);
