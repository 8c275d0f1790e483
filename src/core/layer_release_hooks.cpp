// The table of layer release hooks (see layer_release_hooks.h).
#include "core/layer_release_hooks.h"

static LayerReleaseHook g_layer_release_hooks[KV_LAYER_RELEASE_HOOKS];

int layer_release_hook_add(LayerReleaseHook hook)
{
    for (LayerReleaseHook &h : g_layer_release_hooks) {
        if (h == hook)
            return 0;
        if (!h) {
            h = hook;
            return 0;
        }
    }
    return -1;
}

void layer_release_hooks_run(TreeNode *node)
{
    for (LayerReleaseHook h : g_layer_release_hooks)
        if (h)
            h(node);
}
