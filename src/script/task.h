// Script tasks: the payload of a task-tree leaf (ScriptTask), the call frames
// of its subroutine calls (CallFrame), the task that is running now, and the
// switch of a task to another script file.
#pragma once

#include "core/kv_base.h"
#include "script/commands.h"

struct TreeNode;
struct ArgRecord;
struct ScriptFile;

// Each of the three stacks of a task holds at most 63 open levels; a push
// that would reach 64 is a fatal report (error 101600), never an overflow.
enum { KV_MAX_LEVELS = 63, KV_CALL_FRAMES = 64, KV_CALL_VALUES = 10 };

// A heap string that grows on demand; text is null until first set.
struct TaskString {
    char *text;
    uint32_t capacity;   // bytes allocated (terminator included)
};
// Copies len bytes of src (plus a NUL) into s, growing it. 0, or -1 when
// memory ran out (reported, fatal).
int task_string_set(TaskString *s, const char *src, size_t len);
// The text, or "" when never set.
static inline const char *task_string_get(const TaskString *s)
{
    return s->text ? s->text : "";
}
void task_string_clear(TaskString *s);

// One open conditional block (levels are numbered 1..depth; entry 0 unused).
struct BlockLevel {
    uint32_t start_pc;         // pc of its cmd_if
    uint8_t saved_loop_depth;  // loop depth at entry
    uint32_t end_pc;           // its end instruction
};

// One open counted loop (levels 1..depth; entry 0 unused).
struct LoopLevel {
    uint32_t start_pc;          // the instruction after the loop's begin
    uint8_t saved_block_depth;  // block depth at entry
    uint32_t end_pc;            // the loop's end instruction
    int64_t counter;            // 1 in the first iteration
    int64_t count;              // -1 = endless
};

// The frame of call depth D: what the call made from depth D saved, the
// parameters passed into depth D and the return values received at depth D.
// Values are indexed 1..10 (entry 0 unused).
struct CallFrame {
    uint8_t block_depth;
    uint8_t loop_depth;
    uint32_t return_pc;
    uint16_t return_file;
    uint32_t line;                       // source line of the call instruction
    int64_t param_int[KV_CALL_VALUES + 1];
    double param_float[KV_CALL_VALUES + 1];
    TaskString param_str[KV_CALL_VALUES + 1];
    int64_t ret_int[KV_CALL_VALUES + 1];
    double ret_float[KV_CALL_VALUES + 1];
    TaskString ret_str[KV_CALL_VALUES + 1];
    uint8_t param_present[KV_CALL_VALUES + 1];
    uint8_t ret_present[KV_CALL_VALUES + 1];
};

struct ScriptTask {
    uint64_t pass_stamp;          // the pass in which the task last ran
    uint8_t main_task;            // 1 only on "SYSTEM"
    uint8_t ended;                // out of the tree: released after its run
    uint8_t message_wait;         // while set the pass goes to message_wait_update

    uint8_t block_depth;
    BlockLevel blocks[KV_MAX_LEVELS + 1];

    uint8_t call_depth;
    CallFrame *frames[KV_CALL_FRAMES];   // frame 0 exists from creation

    // Task parameters 1..10 (given by the task-start command).
    int64_t param_int[KV_CALL_VALUES + 1];
    double param_float[KV_CALL_VALUES + 1];
    TaskString param_str[KV_CALL_VALUES + 1];

    uint8_t loop_depth;
    LoopLevel loops[KV_MAX_LEVELS + 1];

    uint8_t enable1, enable2;     // the task runs only when enable1 & enable2
    uint32_t wait_frames;         // passes still to skip
    uint32_t wait_deadline;       // sys_milliseconds() value to sleep until; 0 none
    uint8_t deadline_set;         // a deadline is pending (the value may be 0)
    uint32_t pc;                  // next instruction of the current file

    // Copied from the current ScriptFile whenever the task changes file
    // (task_switch_file). instr_count bounds pc.
    const ScriptFile *file;
    uint32_t instr_count;
    CommandHandler *handlers[2];
    const uint8_t *quick_ops;     // null: every instruction runs its handler
    const uint8_t *arg_counts;
    ArgRecord *const *arg_records;
    const uint8_t *expr_code;
    uint32_t expr_size;           // bytes of expr_code (0 when there is none)
    const uint32_t *line_table;
    uint16_t file_number;

    // Reserved fields of the task state string, copied through.
    uint8_t state_reserved_call;
    uint8_t state_reserved_tail;
    uint32_t state_reserved_word;
    uint32_t state_reserved_word2;
};

// The task being run: its payload and node, and the instruction being executed.
extern ScriptTask *g_cur_script;
extern TreeNode *g_cur_task_node;
extern uint32_t g_cur_instr;

// A zero-filled task with frame 0 and both enable bytes at 1; null when memory
// ran out (reported, fatal). attach_task_payload builds on it.
ScriptTask *script_task_create(void);
// Releases a task with its frames and strings (null does nothing).
void script_task_free(ScriptTask *task);
// Ends the running task: its node leaves the task tree, the task is marked
// ended and is no longer the current one (nothing may read it as running);
// the scheduler releases task and node when the task's run is over.
void task_end_running(void);
// Frame `depth` of the task, allocated zero-filled when missing; null when
// memory ran out (reported, fatal) or depth is not below 64.
CallFrame *task_frame(ScriptTask *task, uint32_t depth);

// Loads script file `file` when needed and points the task's dispatch arrays
// at it (pc is left alone). 0, or -1 after a fatal report (file number outside
// the script list, or the file cannot be loaded: project data error).
int task_switch_file(ScriptTask *task, uint32_t file);
// The same without loading: the file must be loaded already.
void task_adopt_file(ScriptTask *task, uint16_t number, const ScriptFile *file);
// Script file `file`, loaded when needed, without switching any task to it;
// null after the same fatal report as task_switch_file.
const ScriptFile *task_file_load(uint32_t file);
// The instructions a task running in the file can reach: 0 when the file
// lacks its arrays.
uint32_t task_file_instr_count(const ScriptFile *file);

// The loop counter a script reads (system variable 48): the innermost open
// loop's, 1 in its first iteration; 0 outside loops and with no task.
static inline int64_t task_loop_counter(const ScriptTask *t)
{
    return (t && t->loop_depth) ? t->loops[t->loop_depth].counter : 0;
}

// The current file's argument records of instruction i (count in *count);
// null with *count 0 when there is no running task or i is out of range.
static inline const ArgRecord *task_instr_args(const ScriptTask *task, uint32_t i, uint32_t *count)
{
    // task_adopt_file leaves instr_count 0 unless both arrays exist.
    if (!task || i >= task->instr_count) {
        *count = 0;
        return nullptr;
    }
    *count = task->arg_counts[i];
    return task->arg_records[i];
}
// The expression code of a record at offset with length bytes, or null when
// it does not lie inside the current file's expression section. A task put
// together without a file (a test's) has no known size and is not bounded.
static inline const uint8_t *task_expr_at(const ScriptTask *task, uint32_t offset, uint32_t length)
{
    if ((uint64_t)offset + length > task->expr_size && (task->file || !task->expr_code))
        return nullptr;
    return task->expr_code + offset;
}
// The fatal report of damaged script data in the task's current file (a pc,
// record or label outside it): KV_ERR_PROJECT_DATA with the file's name.
// Returns -1.
int report_task_data_error(const ScriptTask *task);
// Source line of instruction i of the task's current file (0 when unknown).
uint32_t task_line_of(const ScriptTask *task, uint32_t i);

// --- the message window -----------------------------------------------------------
// The one message window: the layer text is typed into, the style for text
// appended next, and the per-character arrays of the block being shown. The
// scheduler hands a task whose message-wait flag is set to message_wait_update.
enum { KV_MESSAGE_CODES = 8192, KV_MESSAGE_TEXT_MAX = 8190 };

struct MessageWindow {
    TreeNode *layer;              // bound layer, null when none
    int32_t delay;                // ms per two-byte character
    uint32_t end_r, end_p, end_c; // codes appended at a block's end
    int32_t pen_x, pen_y;
    uint32_t display_enabled;
    int32_t size, height;
    uint32_t colour, colour2;
    uint8_t gradient_dir, rotation, bold, blend_over;
    uint8_t smooth;
    uint8_t waiting;
    uint8_t needs_reset;
    uint8_t restart_timer;
    uint8_t *text;                // KV_MESSAGE_CODES bytes each
    uint8_t *codes;
    int16_t *code_size, *code_height, *code_delay;
    uint32_t *code_colour, *code_colour2;
    uint8_t *code_gradient, *code_rotation, *code_bold;
    uint32_t text_length;
    uint32_t code_count;
    uint32_t text_index;
    uint32_t code_index;
    TaskString text_fields[2];    // string system variables 100 and 101
};
extern MessageWindow *g_message_window;   // null until created

// One pass of the wait of a task whose message-wait flag is set; returns 0.
int message_wait_update(ScriptTask *task);
// Appends Shift-JIS text (n bytes) to the message window's block, each
// character with the window's current style: 0, or -1 after error 102000
// (fatal) when the block is full. Defined with the message window (text).
int message_append_text(const char *text, size_t n);
