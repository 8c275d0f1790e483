// Routines that must hear of a layer node before it is freed, so that no
// record keeps pointing at it (the drag layer of window 0, for one). The
// layer freeing calls layer_release_hooks_run for every node it frees.
#pragma once

#include "core/kv_base.h"

struct TreeNode;

typedef void (*LayerReleaseHook)(TreeNode *node);
enum { KV_LAYER_RELEASE_HOOKS = 8 };

// Adds a hook (once each): 0, or -1 when the table is full.
int layer_release_hook_add(LayerReleaseHook hook);
void layer_release_hooks_run(TreeNode *node);
