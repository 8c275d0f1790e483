// Project loading at start-up: the six project files in order, the global
// variables, then the main task "SYSTEM" pointed at the label "SYSTEM_START".
#include <cstdio>

#include "core/error_report.h"
#include "core/tree.h"
#include "script/project.h"
#include "script/project_private.h"
#include "script/script_file.h"
#include "script/task.h"
#include "script/vars.h"

static const char k_start_label[] = "SYSTEM_START";

int load_project_and_prime_system(void)
{
    install_error_location();
    if (load_error_messages() != 0 || load_command_defs() != 0 || load_variable_table() != 0 ||
        load_script_names() != 0 || load_variable_defs() != 0 || script_file_init_vars(-1) != 0 ||
        load_labels() != 0)
        return -1;

    // The engine cannot start without its entry label.
    int index = name_table_find(k_start_label, sizeof k_start_label - 1);
    if (index < 0) {
        report_system_error(108180, 1, k_start_label);
        return -1;
    }
    const LabelRecord *label = g_name_table.labels[index];
    TreeNode *node = g_task_tree ? name_tree_lookup(g_task_tree, "SYSTEM", KV_FIND_LEAF) : nullptr;
    ScriptTask *task = node ? (ScriptTask *)node->payload : nullptr;
    if (!task)
        return -1;

    bool damaged = false;
    if (!script_file_load_status(label->file, &damaged)) {
        if (!damaged) {
            char path[32];
            std::snprintf(path, sizeof path, "kvbin\\kvt%05u.kbn", (unsigned)label->file);
            report_system_error(104060, 1, path);
        }
        return -1;
    }
    const ScriptFile *file = g_script_files[label->file];   // its labels fit (checked there)
    task_adopt_file(task, label->file, file);
    task->pc = label->pc;
    task->block_depth = label->block_depth;
    task->loop_depth = label->loop_depth;
    return 0;
}
