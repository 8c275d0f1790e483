// The cache of the children below a moving one. When the lowest changed
// child of a group is the same one composition after composition (a sprite
// moving over a still scene), the children below it are composed once over
// the whole canvas into a buffer; the group's dirty area is then copied from
// that buffer and only the children from the moving one up are blended.
//
// Each composition compares the group's children with a record of them made
// at the last one: node, record, change stamp and every field composition
// reads. The cache holds while every child below its top matches, no child
// group below it waits for composition, and the canvas and the kernel set
// are the same; a group marked dirty as a whole drops it. Rule-masked
// children are never covered (a change of the mask layer is not theirs).
// Memory is bounded: four slots, 32 children each, buffers within 32 MB.
#include <cstdlib>

#include "graphics/compose.h"
#include "graphics/kernels.h"

namespace {

enum { SLOTS = 4, STREAK = 3, MIN_COVERED = 2 };
const size_t k_budget = (size_t)32 << 20;

struct ChildRecord {
    const TreeNode *node;
    const LayerState *rec;
    uint64_t stamp;
    const uint8_t *pixels;
    int64_t x, y;
    int32_t width, height;
    int16_t opacity;
    int8_t blend_mode;
    uint8_t has_alpha, visible;
};

struct BelowCache {
    const LayerState *owner;   // null: a free slot
    uint64_t used;             // g_cache_clock at its last composition
    ChildRecord kids[KV_BELOW_CACHE_CHILDREN];
    int kid_count;
    const TreeNode *candidate;   // the lowest changed child, and for how many compositions
    int streak;
    uint8_t *pixels;             // the cached composition, valid when covered > 0
    size_t bytes;
    int covered;                 // children below the top
    int32_t width, height;       // of the canvas it was made for
    const uint8_t *canvas;
    int level;
};

BelowCache g_caches[SLOTS];
size_t g_cache_bytes;
uint64_t g_cache_clock;

ChildRecord record_of(const TreeNode *n)
{
    const LayerState *s = layer_state_of(n);
    ChildRecord r = {};
    r.node = n;
    r.rec = s;
    if (s) {
        r.stamp = s->change_stamp;
        r.pixels = s->pixels;
        r.x = s->x;
        r.y = s->y;
        r.width = s->width;
        r.height = s->height;
        r.opacity = s->opacity;
        r.blend_mode = s->blend_mode;
        r.has_alpha = s->has_alpha;
        r.visible = s->visible;
    }
    return r;
}

bool same_record(const ChildRecord &a, const ChildRecord &b)
{
    return a.node == b.node && a.rec == b.rec && a.stamp == b.stamp && a.pixels == b.pixels &&
           a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height &&
           a.opacity == b.opacity && a.blend_mode == b.blend_mode &&
           a.has_alpha == b.has_alpha && a.visible == b.visible;
}

// A child that may never be covered, or that changed since the last record.
// A child group is blended as opaque once composed as a child; one that was
// since composed as a window root carries a root's alpha flag, which the
// cache's composition would blend with.
bool child_changed(const BelowCache &c, int i, const TreeNode *n)
{
    const LayerState *s = layer_state_of(n);
    if (!s || layer_has_rule_mask(s) || (n->is_folder && (s->dirty_flag || s->has_alpha)))
        return true;
    return i >= c.kid_count || !same_record(c.kids[i], record_of(n));
}

void drop_pixels(BelowCache &c)
{
    std::free(c.pixels);
    g_cache_bytes -= c.bytes;
    c.pixels = nullptr;
    c.bytes = 0;
    c.covered = 0;
}

BelowCache &slot_for(const LayerState *owner)
{
    BelowCache *pick = nullptr;
    for (BelowCache &c : g_caches) {
        if (c.owner == owner)
            return c;
        // A free slot first, then the one unused longest, sparing filled ones.
        if (!pick || (pick->owner && (!c.owner || (!c.pixels && pick->pixels) ||
                                      (!c.pixels == !pick->pixels && c.used < pick->used))))
            pick = &c;
    }
    drop_pixels(*pick);
    *pick = BelowCache();
    pick->owner = owner;
    return *pick;
}

bool build(BelowCache &c, TreeNode *group, int covered, TreeNode *top)
{
    const LayerState *d = layer_state_of(group);
    size_t bytes = layer_buffer_bytes(d->width, d->height);
    if (!c.pixels || c.bytes != bytes) {
        drop_pixels(c);
        if (g_cache_bytes + bytes > k_budget)
            return false;
        c.pixels = (uint8_t *)std::calloc(1, bytes);
        if (!c.pixels)
            return false;
        c.bytes = bytes;
        g_cache_bytes += bytes;
    }
    if (compose_children_into(group, top, c.pixels) != 0)
        return false;
    c.covered = covered;
    c.width = d->width;
    c.height = d->height;
    c.canvas = d->pixels;
    c.level = g_kernel_level;
    return true;
}

}  // namespace

uint64_t g_below_cache_served;
int g_below_cache_enabled = 1;

const uint8_t *below_cache_serve(TreeNode *group, bool whole, TreeNode **top)
{
    *top = nullptr;
    const LayerState *d = layer_state_of(group);
    if (!g_below_cache_enabled) {
        forget_below_cache(d);
        return nullptr;
    }
    BelowCache &c = slot_for(d);
    c.used = ++g_cache_clock;
    // The lowest child that changed (or may not be covered), and its index.
    int low = 0;
    TreeNode *first = group->first_child;
    for (; first && low < KV_BELOW_CACHE_CHILDREN && !child_changed(c, low, first); low++)
        first = first->next;
    bool same_canvas = c.width == d->width && c.height == d->height &&
                       c.canvas == d->pixels && c.level == g_kernel_level;
    if (c.covered > 0 && (whole || !same_canvas || low < c.covered))
        drop_pixels(c);
    if (c.covered == 0) {
        if (low >= MIN_COVERED && first == c.candidate) {
            c.streak++;
        } else {
            c.candidate = first;
            c.streak = 1;
        }
        const LayerRect &r = d->dirty;
        bool part = r.left > 0 || r.top > 0 || r.right < d->width - 1 || r.bottom < d->height - 1;
        if (c.streak >= STREAK && part && !whole && !build(c, group, low, first))
            drop_pixels(c);
    }
    c.kid_count = 0;
    for (TreeNode *n = group->first_child; n && c.kid_count < KV_BELOW_CACHE_CHILDREN; n = n->next)
        c.kids[c.kid_count++] = record_of(n);
    if (c.covered == 0)
        return nullptr;
    *top = group->first_child;
    for (int i = 0; i < c.covered; i++)
        *top = (*top)->next;
    g_below_cache_served++;
    return c.pixels;
}

void forget_below_cache(const LayerState *s)
{
    for (BelowCache &c : g_caches)
        if (s && c.owner == s) {
            drop_pixels(c);
            c = BelowCache();
        }
}
