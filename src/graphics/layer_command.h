// The state of one call of the layer command, shared by its two source files.
#pragma once

#include "core/tree.h"
#include "graphics/layer.h"

struct LayerCall {
    char path[KV_PATH_MAX];
    int group;              // the path names a group layer
    TreeNode *node;
    LayerState *s;
    int32_t width, height;  // ids 6 and 7, -1 when absent
    int64_t key;            // id 5 after its operator
    bool key_present;
    bool created;           // the node was made by this call
    bool changed;           // mark the layer dirty at the end
};

// Ids 1 and 2: visibility and opacity for the next frame.
void apply_pending_args(LayerCall *c);
// Ids 14-28, 33, 35, 36 and 38.
void apply_stored_args(LayerCall *c);
