// Flow control: conditional blocks, counted loops, jumps, calls, wait and end.
// The compiler stores the program counters of matching instructions in the
// records' length fields; the handlers move the task's pc with them and keep
// its three stacks (blocks, loops, calls) of at most 63 levels each.
#include "script/flow.h"

#include <cstring>

#include "core/entry.h"
#include "core/error_report.h"
#include "core/quit.h"
#include "core/tree.h"
#include "script/args.h"
#include "script/expr.h"
#include "script/project.h"
#include "script/quick_ops.h"
#include "script/scheduler.h"
#include "script/script_file.h"
#include "script/task.h"

enum : uint32_t {
    KV_ERR_DEPTH = 101600,
    KV_ERR_NO_BLOCK = 101300,
    KV_ERR_NO_LOOP = 108120,
    KV_ERR_NO_LABEL = 108180
};
enum {
    CMD_END = 12, CMD_ELSEIF = 11, CMD_GOSUB = 29, CMD_IF = 30, CMD_ELSE = 31,
    CMD_BREAK = 32, CMD_CONTINUE = 33, CMD_END_BLOCK = 34, CMD_LOOP_BEGIN = 41,
    CMD_LOOP_BREAK = 42, CMD_LOOP_CONTINUE = 43, CMD_LOOP_END = 44, CMD_RETURN = 62,
    CMD_WAIT = 87
};

static const char *cmd_name(int c)
{
    if (g_command_defs && c >= 0 && (uint32_t)c < g_command_def_count && g_command_defs[c].name)
        return g_command_defs[c].name;
    return "";
}

static int report_depth(int c)
{
    report_script_error(KV_ERR_DEPTH, 1, cmd_name(c), cmd_name(c), 64);
    return -1;
}

static int report_no_level(int c, int kind)
{
    report_script_error(KV_ERR_NO_BLOCK, 1, cmd_name(c), cmd_name(c), cmd_name(kind));
    return -1;
}

// The current instruction's records when it has at least `need` of them;
// otherwise a project-data report and null.
static const ArgRecord *flow_records(ScriptTask *t, uint32_t need, uint32_t *n)
{
    const ArgRecord *r = task_instr_args(t, g_cur_instr, n);
    if (!r || *n < need) {
        report_task_data_error(t);
        return nullptr;
    }
    return r;
}

// A record's condition with the integer evaluator of its type; -1 in *fail
// after a fatal report.
static inline int64_t eval_condition(const ScriptTask *t, const ArgRecord *r, int *fail)
{
    const uint8_t *code = task_expr_at(t, r->offset, r->length);
    if (!code) {
        *fail = report_task_data_error(t);
        return 0;
    }
    int64_t v = expr_eval_record_int(r, code);
    *fail = g_quit_flag ? -1 : 0;
    return v;
}

// n levels from a command's argument id 0 (absent: 1).
static int64_t level_count(void)
{
    return arg_present(0) ? arg_int(0) : 1;
}

// --- blocks ---------------------------------------------------------------------------

int cmd_if(void)
{
    ScriptTask *t = g_cur_script;
    uint32_t n;
    const ArgRecord *r = flow_records(t, 3, &n);
    if (!r)
        return -1;
    if (t->block_depth + 1 >= KV_MAX_LEVELS + 1)
        return report_depth(CMD_IF);
    BlockLevel &b = t->blocks[++t->block_depth];
    b.start_pc = g_cur_instr;
    b.saved_loop_depth = t->loop_depth;
    b.end_pc = r[2].length;
    int fail;
    int64_t cond = eval_condition(t, &r[0], &fail);
    if (fail)
        return -1;
    if (!cond)
        t->pc = r[1].length ? r[1].length : r[2].length;
    return 0;
}

// 30 for instructions whose condition has a quick form and whose three
// records were checked at load: the block opened straight from the records.
int cmd_if_quick(void)
{
    uint32_t next;
    if (quick_if(g_cur_script, g_cur_instr, &next))
        return 0;
    return cmd_if();
}

int cmd_elseif(void)
{
    ScriptTask *t = g_cur_script;
    if (t->block_depth == 0)
        return report_no_level(CMD_ELSEIF, CMD_IF);
    uint32_t n;
    const ArgRecord *r = task_instr_args(t, g_cur_instr, &n);
    if (!r || n == 0)
        return 0;
    int fail;
    int64_t cond = eval_condition(t, &r[0], &fail);
    if (fail)
        return -1;
    if (!cond) {
        uint32_t next = n >= 2 ? r[1].length : 0;
        t->pc = next ? next : t->blocks[t->block_depth].end_pc;
    }
    return 0;
}

int cmd_else(void)
{
    ScriptTask *t = g_cur_script;
    if (t->block_depth == 0)
        return report_no_level(CMD_ELSE, CMD_IF);
    t->pc = t->blocks[t->block_depth].end_pc;
    return 0;
}

int cmd_end_block(void)
{
    uint32_t next;
    if (quick_end_block(g_cur_script, g_cur_instr, &next))
        return 0;
    return report_no_level(CMD_END_BLOCK, CMD_IF);
}

// Target level of a break or continue over n levels of `depth`: 0 for nothing
// to do, -1 after the report.
static int64_t target_level(int64_t n, uint32_t depth, int cmd, int kind)
{
    if (n < 1)
        return 0;
    int64_t lv = (int64_t)depth - n + 1;
    if (lv < 1)
        return report_no_level(cmd, kind);
    return lv;
}

int cmd_break(void)
{
    if (load_command_args(CMD_BREAK) & 0xFF)
        return -1;
    ScriptTask *t = g_cur_script;
    int64_t lv = target_level(level_count(), t->block_depth, CMD_BREAK, CMD_IF);
    if (lv <= 0)
        return (int)lv;
    t->block_depth = (uint8_t)lv;
    t->pc = t->blocks[lv].end_pc;
    t->loop_depth = t->blocks[lv].saved_loop_depth;
    return 0;
}

int cmd_continue(void)
{
    if (load_command_args(CMD_CONTINUE) & 0xFF)
        return -1;
    ScriptTask *t = g_cur_script;
    int64_t lv = target_level(level_count(), t->block_depth, CMD_CONTINUE, CMD_IF);
    if (lv <= 0)
        return (int)lv;
    t->pc = t->blocks[lv].start_pc;
    t->loop_depth = t->blocks[lv].saved_loop_depth;
    t->block_depth = (uint8_t)(lv - 1);
    return 0;
}

// --- loops ----------------------------------------------------------------------------

int cmd_loop_begin(void)
{
    if (load_command_args(CMD_LOOP_BEGIN) & 0xFF)
        return -1;
    ScriptTask *t = g_cur_script;
    if (g_arg_slots.count < 2)
        return report_task_data_error(t);
    if (t->loop_depth + 1 >= KV_MAX_LEVELS + 1)
        return report_depth(CMD_LOOP_BEGIN);
    LoopLevel &l = t->loops[++t->loop_depth];
    l.start_pc = t->pc;
    l.saved_block_depth = t->block_depth;
    l.end_pc = g_arg_slots.length[2];
    l.counter = 1;
    l.count = g_arg_slots.value[1];
    if (l.count == 0) {
        l.counter = 0;
        t->pc = l.end_pc;
    }
    return 0;
}

int cmd_loop_end(void)
{
    uint32_t next;
    if (quick_loop_end(g_cur_script, g_cur_instr, &next))
        return 0;
    report_script_error(KV_ERR_NO_LOOP, 1);
    return -1;
}

static int loop_leave(int cmd, int clear)
{
    if (load_command_args(cmd) & 0xFF)
        return -1;
    ScriptTask *t = g_cur_script;
    int64_t lv = target_level(level_count(), t->loop_depth, cmd, CMD_LOOP_BEGIN);
    if (lv <= 0)
        return (int)lv;
    LoopLevel &l = t->loops[lv];
    t->loop_depth = (uint8_t)lv;
    t->pc = l.end_pc;
    t->block_depth = l.saved_block_depth;
    if (clear) {
        l.counter = 0;
        l.count = 0;
    }
    return 0;
}

int cmd_loop_break(void)
{
    return loop_leave(CMD_LOOP_BREAK, 1);
}

int cmd_loop_continue(void)
{
    return loop_leave(CMD_LOOP_CONTINUE, 0);
}

// --- jumps and calls --------------------------------------------------------------------

static const LabelRecord *label_at(uint32_t index)
{
    if (index >= g_name_table.count || !g_name_table.labels)
        return nullptr;
    return g_name_table.labels[index];
}

// Label index of a name: -1 after the 108180 report.
static int64_t find_label(const char *name)
{
    int idx = name_table_find(name, (uint32_t)std::strlen(name));
    if (idx < 0) {
        report_script_error(KV_ERR_NO_LABEL, 1, name);
        return -1;
    }
    return idx;
}

// pc and file of the label; the depths are the caller's business.
static int move_to_label(ScriptTask *t, const LabelRecord *lab)
{
    if (lab->file != t->file_number || !t->file) {
        if (task_switch_file(t, lab->file) != 0)
            return -1;
    }
    t->pc = lab->pc;
    return 0;
}

int task_jump_to_label(ScriptTask *t, uint32_t index)
{
    const LabelRecord *lab = label_at(index);
    if (!lab)
        return report_task_data_error(t);
    uint32_t block = lab->block_depth, loop = lab->loop_depth;
    if (t->call_depth > 0 && t->frames[t->call_depth - 1]) {
        // Depths inside a subroutine count from the ones at the call.
        block += t->frames[t->call_depth - 1]->block_depth;
        loop += t->frames[t->call_depth - 1]->loop_depth;
    }
    if (block >= KV_MAX_LEVELS + 1)
        return report_depth(CMD_IF);
    if (loop >= KV_MAX_LEVELS + 1)
        return report_depth(CMD_LOOP_BEGIN);
    if (move_to_label(t, lab) != 0)
        return -1;
    t->block_depth = (uint8_t)block;
    t->loop_depth = (uint8_t)loop;
    return 0;
}

int cmd_goto(void)
{
    static char name[EXPR_STRING_SIZE];
    ScriptTask *t = g_cur_script;
    uint32_t n;
    const ArgRecord *r = flow_records(t, 1, &n);
    if (!r)
        return -1;
    int64_t index;
    if (r[0].length >= KV_GOTO_RESOLVED) {
        index = r[0].length & 0x0FFFFFFFu;
    } else {
        const uint8_t *code = task_expr_at(t, r[0].offset, r[0].length);
        if (!code)
            return report_task_data_error(t);
        name[0] = 0;
        expr_eval_string(name, code, r[0].length);
        if (g_quit_flag)
            return -1;
        index = find_label(name);
        if (index < 0)
            return -1;
    }
    return task_jump_to_label(t, (uint32_t)index);
}

// The code of argument position p (its record's offset and length).
static const uint8_t *position_code(const ScriptTask *t, uint32_t p)
{
    return task_expr_at(t, g_arg_slots.offset[p], g_arg_slots.length[p]);
}

// Fills values 1..10 of a frame from the loaded call arguments: ids k,
// 10 + k and 20 + k carry value k as integer, floating or string.
static int fill_call_values(const ScriptTask *t, int64_t *ints, double *floats, TaskString *strs,
                            uint8_t *present)
{
    // The label of a call is id 0: only ids 1..30 carry values.
    uint32_t kmax = 0;
    for (uint32_t k = 1; k <= KV_CALL_VALUES; k++)
        if (arg_present(k) || arg_present(10 + k) || arg_present(20 + k))
            kmax = k;
    for (uint32_t k = 1; k <= KV_CALL_VALUES; k++) {
        ints[k] = 0;
        floats[k] = 0.0;
        task_string_clear(&strs[k]);
        present[k] = 0;
        if (k > kmax)
            continue;
        if (arg_present(k)) {
            ints[k] = arg_int(k);
        } else if (arg_present(10 + k)) {
            const uint8_t *code = position_code(t, arg_pos(10 + k));
            if (!code)
                return report_task_data_error(t);
            floats[k] = expr_eval_double(code, g_arg_slots.length[arg_pos(10 + k)]);
            if (g_quit_flag)
                return -1;
        } else if (arg_present(20 + k)) {
            const char *s = arg_str(20 + k);
            if (task_string_set(&strs[k], s, std::strlen(s)) != 0)
                return -1;
        } else {
            continue;
        }
        present[k] = 1;
    }
    return 0;
}

int cmd_gosub(void)
{
    if (unpack_call_args(CMD_GOSUB) & 0xFF)
        return -1;
    ScriptTask *t = g_cur_script;
    uint32_t d = t->call_depth;
    if (d + 1 >= KV_CALL_FRAMES)
        return report_depth(CMD_GOSUB);
    CallFrame *callee = task_frame(t, d + 1);
    CallFrame *caller = task_frame(t, d);
    if (!callee || !caller)
        return -1;
    if (fill_call_values(t, callee->param_int, callee->param_float, callee->param_str,
                         callee->param_present) != 0)
        return -1;
    // The label: pre-resolved at load time, else by name now.
    int64_t index = -1;
    uint32_t p0 = arg_pos(0);
    uint32_t n;
    const ArgRecord *recs = task_instr_args(t, g_cur_instr, &n);
    if (p0 && recs && p0 <= n)
        index = arg_label_index(&recs[p0 - 1]);
    if (index <= 0) {
        index = find_label(arg_str(0));
        if (index < 0)
            return -1;
    }
    const LabelRecord *lab = label_at((uint32_t)index);
    if (!lab)
        return report_task_data_error(t);
    caller->block_depth = t->block_depth;
    caller->loop_depth = t->loop_depth;
    caller->return_pc = t->pc;
    caller->return_file = t->file_number;
    caller->line = task_line_of(t, g_cur_instr);
    t->call_depth = (uint8_t)(d + 1);
    return move_to_label(t, lab);
}

static int is_main_task(const ScriptTask *t)
{
    if (t->main_task)
        return 1;
    const TreeNode *node = g_cur_task_node;
    return node && node->parent == g_task_tree && node->name && std::strcmp(node->name, "SYSTEM") == 0;
}

int cmd_return(void)
{
    if (unpack_call_args(CMD_RETURN) & 0xFF)
        return -1;
    ScriptTask *t = g_cur_script;
    uint32_t d = t->call_depth;
    if (d == 0) {
        if (is_main_task(t))
            return report_no_level(CMD_RETURN, CMD_GOSUB);
        // A started task that returns from its top level ends.
        task_end_running();
        return -1;
    }
    CallFrame *f = task_frame(t, d - 1);
    if (!f)
        return -1;
    if (fill_call_values(t, f->ret_int, f->ret_float, f->ret_str, f->ret_present) != 0)
        return -1;
    t->call_depth = (uint8_t)(d - 1);
    if (f->return_file != t->file_number || !t->file)
        if (task_switch_file(t, f->return_file) != 0)
            return -1;
    t->pc = f->return_pc;
    return 0;
}

// --- wait and end ---------------------------------------------------------------------

int cmd_wait(void)
{
    if (load_command_args(CMD_WAIT) & 0xFF)
        return -1;
    ScriptTask *t = g_cur_script;
    int64_t frames = arg_int(0);
    if (arg_present(0) && frames) {
        // A negative count only ends the turn; one beyond 32 bits waits the
        // longest count there is rather than wrapping to a short or endless one.
        t->wait_frames = frames < 0 ? 0 : frames > (int64_t)UINT32_MAX ? UINT32_MAX : (uint32_t)frames;
        return -1;
    }
    int64_t ms = arg_int(1);
    if (arg_present(1) && ms) {
        // The deadline may compute to 0 after the clock wraps: it still waits.
        // Deadlines are compared by signed difference, so a wait longer than
        // 2^31 - 1 ms (24.8 days) waits that long instead of ending at once,
        // and a negative one resumes in the next pass instead of waiting weeks.
        if (ms < 0)
            ms = 0;
        else if (ms > 0x7FFFFFFF)
            ms = 0x7FFFFFFF;
        t->wait_deadline = g_script_clock() + (uint32_t)ms;
        t->deadline_set = 1;
        return -1;
    }
    return 0;
}

int cmd_end(void)
{
    if (load_command_args(CMD_END) & 0xFF)
        return -1;
    if (arg_present(0))
        g_restart_request = (uint8_t)arg_int(0);
    g_quit_flag = 1;
    return 0;
}
