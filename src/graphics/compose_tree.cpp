// Software composition of one group: its dirty area is blended again from
// its visible children, bottom to top, each child's rows handed to the render
// workers with one of four job codes. Child groups are composed into their
// own canvases first and blended as opaque images.
//
// The start layer is the topmost plain, opaque, fully covering child: the
// children below it cannot show, so blending starts there and the area is not
// cleared. Groups below it are still composed, so that their canvases are
// current when the covering child moves away. When the children below a
// moving one are cached (compose_cache.cpp), the area is copied from the
// cache and blending starts at the moving child.
#include <cstring>

#include "core/error_report.h"
#include "graphics/compose.h"
#include "graphics/kernels.h"
#include "graphics/render_workers.h"

// Clamps the dirty rectangle to the image and widens it to whole pixel pairs
// (from an even to an odd column): composing a column again changes nothing,
// and rows that start and end on pair boundaries need no single-pixel blends.
static void clamp_to_image(LayerRect *r, const LayerState *s)
{
    int64_t w = s->width, h = s->height;
    r->left = r->left < 0 ? 0 : (r->left > w - 1 ? w - 1 : r->left) & ~(int64_t)1;
    r->right = r->right < 0 ? 0 : (r->right > w - 1 ? w - 1 : r->right);
    if ((r->right & 1) == 0 && r->right < w - 1)
        r->right++;
    r->top = r->top < 0 ? 0 : (r->top > h - 1 ? h - 1 : r->top);
    r->bottom = r->bottom < 0 ? 0 : (r->bottom > h - 1 ? h - 1 : r->bottom);
}

static bool is_start_layer(const LayerState *c, const LayerRect &area)
{
    if (!c || c->visible != 1 || layer_blend_mode(c) != 0 || layer_opacity(c) != 256 ||
        c->has_alpha || !c->pixels || !layer_has_area(c))
        return false;
    if (layer_has_rule_mask(c) && c->rule_progress != 256)
        return false;
    LayerRect e = layer_edges(c);
    return e.left <= area.left && e.top <= area.top && e.right >= area.right &&
           e.bottom >= area.bottom;
}

// The topmost start layer among the children from `from` up to `end` (exclusive).
static TreeNode *find_start_layer(TreeNode *group, TreeNode *from, TreeNode *end,
                                  const LayerRect &area)
{
    if (from == end)
        return nullptr;
    for (TreeNode *c = end ? end->prev : group->last_child; c; c = c->prev) {
        if (is_start_layer(layer_state_of(c), area))
            return c;
        if (c == from)
            break;
    }
    return nullptr;
}

// The dirty area of the canvas: cleared, or copied from `from` (a buffer of
// the canvas's size) when given.
static void fill_area(LayerState *d, const uint8_t *from)
{
    const LayerRect &r = d->dirty;
    ptrdiff_t bytes = (ptrdiff_t)(r.right - r.left + 1) * 4;
    for (int64_t y = r.top; y <= r.bottom; y++) {
        ptrdiff_t at = (ptrdiff_t)(y * d->width + r.left) * 4;
        if (from)
            g_pixel_kernels.kern_copy(d->pixels + at, from + at, bytes);
        else
            g_pixel_kernels.kern_zero(d->pixels + at, bytes);
    }
}

static bool is_drawn(const LayerState *c, const LayerRect &area)
{
    if (c->visible == 0 || layer_opacity(c) == 0 || !layer_has_area(c))
        return false;
    if (layer_has_rule_mask(c) && c->rule_progress <= 0)
        return false;
    return rects_meet(layer_edges(c), area);
}

static int clip_bits(const LayerState *c, const LayerRect &area)
{
    LayerRect e = layer_edges(c);
    return (e.left < area.left ? KV_CLIP_LEFT : 0) | (e.top < area.top ? KV_CLIP_TOP : 0) |
           (e.right > area.right ? KV_CLIP_RIGHT : 0) |
           (e.bottom > area.bottom ? KV_CLIP_BOTTOM : 0);
}

// The child's rule mask: 0 with *mask set or null (no such layer, or one
// without pixels), -1 when the name is not a valid path.
static int find_rule_mask(const LayerState *c, const LayerState **mask)
{
    *mask = nullptr;
    char path[KV_PATH_MAX];
    const char *base = g_tree_path_roots[KV_TREE_LAYER] ? g_tree_path_roots[KV_TREE_LAYER] : "";
    if (normalize_script_path(path, c->rule_mask_name, base, 0) < 0)
        return -1;
    const LayerState *m = layer_state_of(name_tree_lookup(g_layer_tree, path, KV_FIND_LEAF));
    if (m && m->pixels)
        *mask = m;
    return 0;
}

static void fill_blend_job(RenderJob *job, const LayerState *d, const LayerState *c)
{
    job->dst_pixels = d->pixels;
    job->dst_pitch = d->width;
    job->src_pixels = c->pixels;
    job->src_pitch = c->width;
    job->blit_width = g_blit_rect.width;
    job->blit_src_x = g_blit_rect.src_x;
    job->blit_src_y = g_blit_rect.src_y;
    job->blit_dst_x = g_blit_rect.dst_x;
    job->blit_dst_y = g_blit_rect.dst_y;
    job->blend_mode = layer_blend_mode(c);
    job->opacity = layer_opacity(c);
    job->rule_progress = c->rule_progress;
    job->rule_softness = c->rule_softness;
}

static int blend_child(LayerState *d, TreeNode *node)
{
    LayerState *c = layer_state_of(node);
    if (!c || !is_drawn(c, d->dirty))
        return 0;
    clip_layer_blit(d, c, clip_bits(c, d->dirty));
    const LayerState *mask = nullptr;
    if (layer_has_rule_mask(c) && find_rule_mask(c, &mask) != 0)
        return -1;
    if (!c->pixels) {
        c->composed = 1;
        return 0;
    }
    RenderJob job = {};
    fill_blend_job(&job, d, c);
    if (mask && c->rule_progress < 256) {
        if (mask->width != c->width || mask->height != c->height) {
            report_script_error(100310, 1, node->name ? node->name : "", c->width, c->height,
                                c->rule_mask_name, mask->width, mask->height);
            return -1;
        }
        set_rule_weights(c->rule_progress, c->rule_softness, layer_opacity(c));
        job.code = c->has_alpha ? JOB_BLEND_ROWS_MASKED_ALPHA : JOB_BLEND_ROWS_MASKED;
        job.mask_pixels = mask->pixels;
        job.mask_pitch = mask->width;
    } else {
        job.code = c->has_alpha ? JOB_BLEND_ROWS_ALPHA : JOB_BLEND_ROWS;
    }
    run_render_job_split(job, 0, g_blit_rect.height);
    c->composed = 1;
    return 0;
}

// With the cache, the children below `top` are not blended: their composed
// flags are set as their blending would have set them.
static void mark_covered_composed(TreeNode *group, TreeNode *top, const LayerRect &area)
{
    TreeNode *from = find_start_layer(group, group->first_child, top, area);
    for (TreeNode *c = from ? from : group->first_child; c != top; c = c->next) {
        LayerState *s = layer_state_of(c);
        if (s && is_drawn(s, area))
            s->composed = 1;
    }
}

int compose_children_into(TreeNode *group, TreeNode *end, uint8_t *pixels)
{
    LayerState *d = layer_state_of(group);
    uint8_t *canvas = d->pixels;
    LayerRect area = d->dirty;
    uint8_t composed[KV_BELOW_CACHE_CHILDREN];
    int n = 0;
    for (TreeNode *c = group->first_child; c != end && n < KV_BELOW_CACHE_CHILDREN; c = c->next)
        composed[n++] = layer_state_of(c) ? layer_state_of(c)->composed : 0;
    d->pixels = pixels;
    d->dirty = LayerRect{0, 0, (int64_t)d->width - 1, (int64_t)d->height - 1};
    TreeNode *start = find_start_layer(group, group->first_child, end, d->dirty);
    if (!start) {
        fill_area(d, nullptr);
        start = group->first_child;
    }
    int rc = 0;
    for (TreeNode *c = start; c != end && rc == 0; c = c->next)
        rc = blend_child(d, c);
    d->pixels = canvas;
    d->dirty = area;
    n = 0;
    for (TreeNode *c = group->first_child; c != end && n < KV_BELOW_CACHE_CHILDREN; c = c->next, n++)
        if (layer_state_of(c))
            layer_state_of(c)->composed = composed[n];
    return rc;
}

int compose_layer_tree_cpu(TreeNode *node, int nested)
{
    LayerState *d = layer_state_of(node);
    if (!d)
        return 0;
    // A group below a window root is blended into its parent as opaque. A
    // leaf (a window root that is an image) keeps its own flag.
    if (node->is_folder)
        d->has_alpha = nested ? 0 : 1;
    if (!d->pixels || !d->dirty_flag || !layer_has_area(d))
        return 0;
    clamp_to_image(&d->dirty, d);
    if (d->dirty.left > d->dirty.right || d->dirty.top > d->dirty.bottom) {
        d->dirty_flag = 0;   // an inverted rectangle covers nothing
        return 0;
    }
    if (!node->is_folder) {
        // Its pixels are the frame as they are: only the area to present grows.
        merge_dirty_rect(node);
        d->dirty_flag = 0;
        return 0;
    }
    bool whole = d->whole_image != 0;
    layer_note_change(d);   // its canvas changes: a cache above it must see that
    merge_dirty_rect(node);
    TreeNode *top = nullptr;
    const uint8_t *cache = below_cache_serve(node, whole, &top);
    TreeNode *first = cache ? top : node->first_child;
    TreeNode *start = find_start_layer(node, first, nullptr, d->dirty);
    if (!start) {
        fill_area(d, cache);
        if (cache)
            mark_covered_composed(node, top, d->dirty);
        start = first;
    }
    for (TreeNode *c = node->first_child; c != start; c = c->next)
        if (c->is_folder)
            compose_layer_tree_cpu(c, 1);
    for (TreeNode *c = start; c; c = c->next) {
        if (c->is_folder)
            compose_layer_tree_cpu(c, 1);   // its failure does not stop this group
        if (blend_child(d, c) != 0)
            return -1;
    }
    d->dirty_flag = 0;
    return 0;
}
