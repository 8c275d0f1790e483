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

// --- ended tasks ------------------------------------------------------------------

static TreeNode **g_release_list;
static uint32_t g_release_count, g_release_cap;

void task_release_later(TreeNode *node)
{
    if (!node)
        return;
    if (node->payload)
        ((ScriptTask *)node->payload)->ended = 1;
    if (g_release_count == g_release_cap) {
        uint32_t cap = g_release_cap ? g_release_cap * 2 : 16;
        TreeNode **p = (TreeNode **)std::realloc(g_release_list, cap * sizeof *p);
        if (!p)
            return;   // kept unreleased: a leak, never a use after free
        g_release_list = p;
        g_release_cap = cap;
    }
    g_release_list[g_release_count++] = node;
}

void task_release_pending(void)
{
    for (uint32_t k = 0; k < g_release_count; k++) {
        TreeNode *node = g_release_list[k];
        if (g_cur_task_node == node) {
            g_cur_task_node = nullptr;
            g_cur_script = nullptr;
        }
        script_task_free((ScriptTask *)node->payload);
        std::free(node->name);
        std::free(node);
    }
    g_release_count = 0;
}

// --- the pass ------------------------------------------------------------------------

// The children of every folder being walked, taken when the walk reaches the
// folder: tasks started during the pass are not among them, and ending or
// re-ordering tasks does not move the others. Nested folders stack their
// lists on top (indices, as the buffer may move).
static TreeNode **g_walk_list;
static uint32_t g_walk_top, g_walk_cap;
static uint32_t g_walk_depth;

static bool walk_reserve(uint32_t n)
{
    if ((uint64_t)g_walk_top + n <= g_walk_cap)
        return true;
    uint64_t cap = g_walk_cap ? g_walk_cap : 64;
    while (cap < (uint64_t)g_walk_top + n)
        cap *= 2;
    TreeNode **p = (TreeNode **)std::realloc(g_walk_list, cap * sizeof *p);
    if (!p) {
        report_system_error_text(100010, 1);
        return false;
    }
    g_walk_list = p;
    g_walk_cap = (uint32_t)cap;
    return true;
}

// A node of the list that is still in the tree and not ended.
static bool still_there(const TreeNode *child, const TreeNode *parent)
{
    if (child->parent != parent)
        return false;
    const ScriptTask *t = (const ScriptTask *)child->payload;
    return !(t && t->ended);
}

static void visit_task(TreeNode *child, ScriptTask *t)
{
    g_cur_script = t;
    g_cur_task_node = child;
    if (t->pass_stamp == g_pass_count)
        return;
    t->pass_stamp = g_pass_count;
    message_wait_update(t);
    if (t->message_wait)
        return;
    if (t->wait_frames)
        t->wait_frames--;
    if (t->deadline_set && deadline_reached(t->wait_deadline, g_script_clock())) {
        t->deadline_set = 0;
        t->wait_deadline = 0;
    }
    if (t->wait_frames || t->deadline_set)
        return;
    run_task(t);
}

static void walk_children(TreeNode *node)
{
    uint32_t n = node->child_count;
    if (!walk_reserve(n))
        return;
    uint32_t base = g_walk_top;
    uint32_t got = 0;
    for (TreeNode *c = node->first_child; c && got < n; c = c->next)
        g_walk_list[base + got++] = c;
    g_walk_top = base + got;
    for (uint32_t k = got; k >= 1 && !g_quit_flag; k--) {
        TreeNode *child = g_walk_list[base + k - 1];
        if (!still_there(child, node))
            continue;
        ScriptTask *t = (ScriptTask *)child->payload;
        if (t && !(t->enable1 & t->enable2))
            continue;
        if (child->is_folder) {
            walk_children(child);
            continue;
        }
        // A task that has no script yet has nothing to run.
        if (t && t->file)
            visit_task(child, t);
    }
    g_walk_top = base;
}

int run_script_tasks(TreeNode *node)
{
    if (!node)
        return 0;
    g_walk_depth++;
    walk_children(node);
    if (--g_walk_depth == 0)
        task_release_pending();
    return 0;
}
