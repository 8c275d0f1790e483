// Stand-in for the marking of dirty rectangles until composition is in this
// build: marks nothing.
#include "graphics/layer.h"

int layer_mark_dirty(TreeNode *) { return 0; }
