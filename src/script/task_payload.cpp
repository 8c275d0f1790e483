// Task-tree payloads: a ScriptTask per node.
#include "core/error_report.h"
#include "core/payload_hooks.h"
#include "core/tree.h"
#include "script/task.h"

void *alloc_task_root_payload()
{
    return alloc_zeroed(sizeof(ScriptTask));
}

ScriptTask *attach_task_payload(TreeNode *node)
{
    if (!node)
        return nullptr;
    ScriptTask *task = script_task_create();  // reports its own failure
    if (task)
        node->payload = task;
    return task;
}

ScriptTask *attach_main_task_payload(TreeNode *node)
{
    ScriptTask *task = attach_task_payload(node);
    if (task)
        task->main_task = 1;
    return task;
}
