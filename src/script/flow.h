// Flow control: conditional blocks, counted loops, jumps, calls, wait and end.
#pragma once

#include "core/kv_base.h"

struct ScriptTask;

int cmd_if(void);            // 30
int cmd_if_quick(void);      // 30, quick condition (chosen at load)
int cmd_elseif(void);        // 11
int cmd_else(void);          // 31
int cmd_break(void);         // 32
int cmd_continue(void);      // 33
int cmd_end_block(void);     // 34
int cmd_loop_begin(void);    // 41
int cmd_loop_break(void);    // 42
int cmd_loop_continue(void); // 43
int cmd_loop_end(void);      // 44
int cmd_goto(void);          // 28
int cmd_gosub(void);         // 29
int cmd_return(void);        // 62
int cmd_wait(void);          // 87
int cmd_end(void);           // 12

// Moves a task to label `index` as a jump does: block and loop depths from the
// label (counted from the ones at the current call), pc, and the file when it
// differs. 0, or -1 after a fatal report (label index or file outside the
// project, or 64 levels).
int task_jump_to_label(ScriptTask *task, uint32_t index);
