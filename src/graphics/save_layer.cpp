// Image records of save files (body layout in script/save.h): the size and
// the body of a layer's image, and the replacement of a layer by a stored
// image. The save code has checked the body before it calls here.
#include "graphics/save_layer.h"

#include <cstdlib>
#include <cstring>

#include "core/tree.h"
#include "graphics/layer.h"
#include "script/save.h"

static int64_t image_bytes(const LayerState *s)
{
    if (!s || !s->pixels || s->width < 1 || s->height < 1)
        return -1;
    return 4LL * s->width * s->height;
}

static void image_write(const LayerState *s, uint8_t *out)
{
    size_t n = (size_t)image_bytes(s);
    put_le32(out, KV_LAYER_BLOCK_SIZE);
    put_le32(out + 4, (uint32_t)n);
    layer_state_store(s, out + 8);
    std::memcpy(out + 8 + KV_LAYER_BLOCK_SIZE, s->pixels, n);
}

// The new buffer comes first: when it cannot be had, the old layer stays.
static int image_replace(TreeNode *old, const char *path, int32_t w, int32_t h, const uint8_t *pixels)
{
    uint8_t *buf = alloc_pixels(nullptr, w, h, nullptr);
    if (!buf)
        return -1;
    layer_mark_dirty(old);
    free_object(old);
    TreeNode *node = create_tree_node(g_layer_tree, path, 0, 1);
    LayerState *s = node ? attach_new_layer_payload(node) : nullptr;
    if (!s) {
        std::free(buf);
        return -1;
    }
    s->width = w;
    s->height = h;
    s->pixels = buf;
    std::memcpy(buf, pixels, (size_t)4 * w * h);
    layer_mark_dirty(node);
    mark_image_loaded_time();
    return 0;
}

void save_layer_hooks_install(void)
{
    g_save_layer_hooks.image_bytes = image_bytes;
    g_save_layer_hooks.image_write = image_write;
    g_save_layer_hooks.image_replace = image_replace;
}
