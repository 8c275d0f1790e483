// The task scheduler and the instruction gate: one pass walks the task tree
// and lets every eligible task run instructions until a handler yields.
#pragma once

#include "core/frame_state.h"   // g_pass_count, g_pass_request
#include "core/kv_base.h"
#include "script/commands.h"

struct TreeNode;

// Walks the children of `node` (a task-tree folder), last child first;
// returns 0. The frame step calls it on g_task_tree once per pass.
int run_script_tasks(TreeNode *node);

// Ended tasks: a node that left the task tree during a pass (its task
// marked ended) is released with its task, frames and strings after the
// pass, so that neither the walk nor the handler that ended it meets freed
// memory.
void task_release_later(TreeNode *node);
// Releases every node handed to task_release_later (the pass end calls it).
void task_release_pending(void);

// The k-th child of node (k below 2: the first), walking from the head.
TreeNode *task_list_nth(TreeNode *node, uint32_t k);

// Entry of handler array 0 for every instruction: holds the task while the
// engine is paused, then calls the command's handler.
int instruction_gate(void);
// Slots that no command uses: error 900050 (fatal), -1.
int cmd_undefined(void);
// Does nothing; returns 0.
int noop_handler(void);

// Result of the last handler of the running task.
extern int g_last_handler_result;

// Pause state: while g_paused is set and g_run_inactive is 0 the gate holds
// every task and pumps window messages.
extern uint8_t g_paused;
extern uint8_t g_run_inactive;     // initial 1
extern uint32_t g_pause_start;

// The four script timers (bases in g_timer_bases, core/engine_state.h).
extern uint8_t g_timer_running[4];
extern uint32_t g_timer_stop_times[4];   // 0 while running

// pause_check: core/frame_state.h.
void pause_begin(void);
void pause_end(void);

// Elapsed milliseconds of script timer k (0..3), unsigned 32-bit arithmetic.
uint32_t script_timer_elapsed(int k);

// Debug mode: handler calls counted and the screen-corner exit.
extern uint64_t g_debug_call_count;
extern uint8_t g_corner_mask;
// Ors the corner of the screen point (x, y) into g_corner_mask for a desktop
// of w x h: 1 top-left, 2 bottom-left, 4 top-right, 8 bottom-right.
void corner_mask_add(int32_t x, int32_t y, int32_t w, int32_t h);

// Wait deadline test that survives the wrap of the millisecond clock: 1 when
// `now` is at or past `deadline` (signed 32-bit difference).
static inline int deadline_reached(uint32_t deadline, uint32_t now)
{
    return (int32_t)(now - deadline) >= 0;
}

// The scheduler's clock (sys_milliseconds unless a test sets another).
extern uint32_t (*g_script_clock)(void);
