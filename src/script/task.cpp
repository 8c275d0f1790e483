// Script tasks: creation, call frames, growing strings and the switch of a
// task to another script file.
#include "script/task.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/error_report.h"
#include "core/tree.h"
#include "script/project.h"
#include "script/scheduler.h"
#include "script/script_file.h"

ScriptTask *g_cur_script;
TreeNode *g_cur_task_node;
uint32_t g_cur_instr;
MessageWindow *g_message_window;

enum : uint32_t { KV_ERR_NO_MEMORY = 100010 };

int task_string_set(TaskString *s, const char *src, size_t len)
{
    if (len >= 0x7FFFFFFFu)
        len = 0x7FFFFFFEu;
    if (!s->text || s->capacity < len + 1) {
        // Grow to a power of two so that repeated appends stay cheap.
        uint32_t cap = 16;
        while (cap < len + 1)
            cap <<= 1;
        char *p = (char *)std::realloc(s->text, cap);
        if (!p) {
            report_script_error_text(KV_ERR_NO_MEMORY, 1);
            return -1;
        }
        s->text = p;
        s->capacity = cap;
    }
    if (len)
        std::memmove(s->text, src, len);
    s->text[len] = 0;
    return 0;
}

void task_string_clear(TaskString *s)
{
    if (s->text)
        s->text[0] = 0;
}

ScriptTask *script_task_create(void)
{
    ScriptTask *t = (ScriptTask *)std::calloc(1, sizeof(ScriptTask));
    CallFrame *f = (CallFrame *)std::calloc(1, sizeof(CallFrame));
    if (!t || !f) {
        std::free(t);
        std::free(f);
        report_script_error_text(KV_ERR_NO_MEMORY, 1);
        return nullptr;
    }
    t->frames[0] = f;
    t->enable1 = 1;
    t->enable2 = 1;
    return t;
}

static void free_strings(TaskString *s, int count)
{
    for (int k = 0; k < count; k++)
        std::free(s[k].text);
}

void script_task_free(ScriptTask *t)
{
    if (!t)
        return;
    for (int d = 0; d < KV_CALL_FRAMES; d++) {
        CallFrame *f = t->frames[d];
        if (!f)
            continue;
        free_strings(f->param_str, KV_CALL_VALUES + 1);
        free_strings(f->ret_str, KV_CALL_VALUES + 1);
        std::free(f);
    }
    free_strings(t->param_str, KV_CALL_VALUES + 1);
    std::free(t);
}

void task_end_running(void)
{
    if (g_cur_task_node) {
        tree_node_unlink(g_cur_task_node);
        task_release_later(g_cur_task_node);
    } else if (g_cur_script) {
        g_cur_script->ended = 1;
    }
    g_cur_script = nullptr;
    g_cur_task_node = nullptr;
}

CallFrame *task_frame(ScriptTask *task, uint32_t depth)
{
    if (!task || depth >= KV_CALL_FRAMES)
        return nullptr;
    if (!task->frames[depth]) {
        task->frames[depth] = (CallFrame *)std::calloc(1, sizeof(CallFrame));
        if (!task->frames[depth])
            report_script_error_text(KV_ERR_NO_MEMORY, 1);
    }
    return task->frames[depth];
}

// Without its arrays a file has nothing to run: every pc is outside.
static bool file_whole(const ScriptFile *file)
{
    return file->handlers[0] && file->handlers[1] && file->arg_counts && file->arg_records;
}

uint32_t task_file_instr_count(const ScriptFile *file)
{
    return file_whole(file) ? file->instr_count : 0;
}

void task_adopt_file(ScriptTask *task, uint16_t number, const ScriptFile *file)
{
    task->file_number = number;
    task->file = file;
    task->instr_count = task_file_instr_count(file);
    task->handlers[0] = file->handlers[0];
    task->handlers[1] = file->handlers[1];
    task->quick_ops = file_whole(file) ? file->quick_ops : nullptr;
    task->arg_counts = file->arg_counts;
    task->arg_records = file->arg_records;
    task->expr_code = file->expr_code;
    task->expr_size = file->expr_code ? file->expr_size : 0;
    task->line_table = file->line_table;
}

// The name of script file `file` for a report: its name in the script list,
// else its compiled file name.
static const char *script_file_label(uint32_t file, char *buf, size_t size)
{
    if (file < g_script_count && g_script_names && g_script_names[file] && g_script_names[file][0])
        return g_script_names[file];
    std::snprintf(buf, size, "kvbin\\kvt%05u.kbn", (unsigned)file);
    return buf;
}

int report_task_data_error(const ScriptTask *task)
{
    char name[64];
    report_script_error(KV_ERR_PROJECT_DATA, 1,
                        script_file_label(task ? task->file_number : 0, name, sizeof name));
    return -1;
}

const ScriptFile *task_file_load(uint32_t file)
{
    char name[64];
    if (file > 0xFFFFu || file >= g_script_file_count || !g_script_files ||
        !script_file_load((int)file) || !g_script_files[file]) {
        report_script_error(KV_ERR_PROJECT_DATA, 1, script_file_label(file, name, sizeof name));
        return nullptr;
    }
    return g_script_files[file];
}

int task_switch_file(ScriptTask *task, uint32_t file)
{
    if (task->file && task->file_number == file && file < g_script_file_count && g_script_files &&
        g_script_files[file] == task->file)
        return 0;
    const ScriptFile *f = task_file_load(file);
    if (!f)
        return -1;
    task_adopt_file(task, (uint16_t)file, f);
    return 0;
}

uint32_t task_line_of(const ScriptTask *task, uint32_t i)
{
    if (!task || !task->line_table || i >= task->instr_count)
        return 0;
    return task->line_table[i];
}
