// The task scheduler: one pass walks the task tree from the last child to the
// first and lets every eligible task run instructions until a handler yields.
#include "script/scheduler.h"

#include <cstdio>
#include <cstdlib>

#include "core/engine_state.h"
#include "core/entry.h"
#include "core/error_report.h"
#include "core/quit.h"
#include "core/tree.h"
#include "core/window.h"
#include "platform/sys.h"
#include "platform/sys_input.h"
#include "platform/sys_window.h"
#include "script/project.h"
#include "script/quick_ops.h"
#include "script/script_file.h"
#include "script/task.h"

int g_last_handler_result;
uint8_t g_paused;
uint8_t g_run_inactive = 1;
uint32_t g_pause_start;
// Timers run from start-up (their bases are set then); a stopped timer keeps
// its stop time.
uint8_t g_timer_running[4] = {1, 1, 1, 1};
uint32_t g_timer_stop_times[4];
uint64_t g_debug_call_count;
uint8_t g_corner_mask;
uint32_t (*g_script_clock)(void) = sys_milliseconds;

enum : uint32_t { KV_ERR_UNDEFINED_COMMAND = 900050 };

int cmd_undefined(void)
{
    report_script_error_text(KV_ERR_UNDEFINED_COMMAND, 1);
    return -1;
}

int noop_handler(void)
{
    return 0;
}

TreeNode *task_list_nth(TreeNode *node, uint32_t k)
{
    TreeNode *c = node->first_child;
    for (uint32_t i = 1; i < k && c; i++)
        c = c->next;
    return c;
}

// --- pause accounting of the script timers ---------------------------------------

void pause_begin(void)
{
    g_paused = 1;
    g_pause_start = g_script_clock();
}

void pause_end(void)
{
    uint32_t d = g_script_clock() - g_pause_start;
    for (int k = 0; k < 4; k++)
        if (g_timer_running[k])
            g_timer_bases[k] += d;
    g_paused = 0;
    g_pause_start = 0;
}

void pause_check(void)
{
    if (g_run_inactive) {
        g_paused = 0;
        return;
    }
    uint8_t active = g_windows[0] ? g_windows[0]->active : 0;
    if (!active && !g_paused)
        pause_begin();
    else if (active && g_paused)
        pause_end();
}

uint32_t script_timer_elapsed(int k)
{
    uint32_t end = g_timer_running[k] ? g_script_clock() : g_timer_stop_times[k];
    return end - g_timer_bases[k];
}

// --- the instruction gate ------------------------------------------------------------

int instruction_gate(void)
{
    while (g_paused == 1) {
        pause_check();
        if (!sys_pump_messages()) {
            // WM_QUIT: the main loop is over; make sure everything winds down.
            g_running = 0;
            g_quit_flag = 1;
            return 1;
        }
        if (!g_running || g_quit_flag)
            return 1;
        if (g_paused != 1)
            break;
        sys_sleep(10);
    }
    ScriptTask *t = g_cur_script;
    if (g_paused && !g_run_inactive)
        return 1;
    if (!t || !t->handlers[1] || g_cur_instr >= t->instr_count)
        return 1;
    return t->handlers[1][g_cur_instr]();
}

// --- debug mode: the screen-corner exit --------------------------------------------

void corner_mask_add(int32_t x, int32_t y, int32_t w, int32_t h)
{
    if (x <= 8 && y <= 8)
        g_corner_mask |= 1;
    if (x <= 8 && y >= h - 9)
        g_corner_mask |= 2;
    if (x >= w - 9 && y <= 8)
        g_corner_mask |= 4;
    if (x >= w - 9 && y >= h - 9)
        g_corner_mask |= 8;
}

static void debug_corner_tick(void)
{
    if (++g_debug_call_count % 1024 != 0)
        return;
    int32_t x, y;
    if (sys_cursor_pos(&x, &y) != 0)
        return;
    corner_mask_add(x, y, g_desktop_mode.width, g_desktop_mode.height);
    if (g_corner_mask != 15)
        return;
    g_corner_mask = 0;
    if (sys_corner_exit_confirm(g_windows[0] ? g_windows[0]->hwnd : nullptr))
        g_quit_flag = 1;
}

// --- the pass ------------------------------------------------------------------------

// The fatal report of a program counter outside the current file; the
// report names the last instruction of the file.
static void report_pc_outside(ScriptTask *t, uint32_t pc)
{
    uint32_t n = t->instr_count;
    g_cur_instr = n ? (pc < n ? pc : n - 1) : 0;
    report_task_data_error(t);
}

static void run_task(ScriptTask *t)
{
    g_last_handler_result = 0;
    if (g_quit_flag)
        return;
    const uint8_t debug = g_debug_mode;
    int r = 0;
    uint32_t i = t->pc;
    for (;;) {
        if (__builtin_expect(i >= t->instr_count, 0)) {
            report_pc_outside(t, i);
            r = -1;
            break;
        }
        t->pc = i + 1;
        g_cur_instr = i;
        // Handler set 1 runs the command; 0 is the gate of a paused task.
        int a = (g_run_inactive | (g_paused == 0)) != 0;
        uint32_t next;
        if (a && t->quick_ops && quick_op_run(t, t->quick_ops[i], i, &next)) {
            r = 0;
        } else {
            r = t->handlers[a][i]();
            next = t->pc;
        }
        if (debug)
            debug_corner_tick();
        if (__builtin_expect((r & 0xFF) | g_quit_flag, 0))
            break;
        i = next;
    }
    g_last_handler_result = r;
}

int run_script_tasks(TreeNode *node)
{
    if (!node)
        return 0;
    for (uint32_t k = node->child_count; k >= 1 && !g_quit_flag; k--) {
        TreeNode *child = task_list_nth(node, k);
        if (!child)
            continue;
        ScriptTask *t = (ScriptTask *)child->payload;
        if (t && !(t->enable1 & t->enable2))
            continue;
        if (child->is_folder) {
            run_script_tasks(child);
            continue;
        }
        // A task that has no script yet has nothing to run.
        if (!t || !t->file)
            continue;
        g_cur_script = t;
        g_cur_task_node = child;
        if (t->pass_stamp == g_pass_count)
            continue;
        t->pass_stamp = g_pass_count;
        message_wait_update(t);
        if (t->message_wait)
            continue;
        if (t->wait_frames)
            t->wait_frames--;
        if (t->deadline_set && deadline_reached(t->wait_deadline, g_script_clock())) {
            t->deadline_set = 0;
            t->wait_deadline = 0;
        }
        if (t->wait_frames || t->deadline_set)
            continue;
        run_task(t);
        // A task that ended itself has left the tree and is no longer the
        // current one: nothing refers to it any more.
        if (t->ended) {
            if (g_cur_script == t)
                g_cur_script = nullptr;
            if (g_cur_task_node == child)
                g_cur_task_node = nullptr;
            script_task_free(t);
            std::free(child->name);
            std::free(child);
        }
    }
    return 0;
}
