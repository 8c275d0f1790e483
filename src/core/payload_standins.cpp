// Root records of the object trees: the task tree's root comes from the
// script engine; the other roots are zero-filled blocks large enough for any
// payload record (the layer tree's owner replaces its root record at start-up).
#include "core/payload_hooks.h"
#include "core/tree.h"

enum { ROOT_RECORD_SIZE = 4096 };

void *alloc_root_payload(int tree)
{
    return tree == KV_TREE_TASK ? alloc_task_root_payload() : alloc_zeroed(ROOT_RECORD_SIZE);
}
