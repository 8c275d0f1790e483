// Volume, pan and pitch: the script ranges (volume 0..256, pan and pitch
// 0..512 with 256 the middle) mapped to the device's units, and the
// effective volume of a sound through its groups.
#include <cmath>

#include "core/tree.h"
#include "media/sound.h"

static int32_t hundredths_db(double fraction)
{
    double u = std::trunc(std::log10(fraction) * 40 * 100);
    if (u < -10000)
        return -10000;
    return u > 0 ? 0 : (int32_t)u;
}

// A volume at or below 0 never reaches log10.
int32_t sound_volume_units(int32_t v)
{
    return v <= 0 ? -10000 : hundredths_db(v * 0.00390625);
}

int32_t sound_pan_units(int32_t p)
{
    if (p < 0 || p > 512)
        p = 256;
    int32_t side = p <= 256 ? p : 512 - p;
    int32_t u = side == 0 ? -10000 : hundredths_db(side * 0.00390625);
    return p > 256 ? -u : u;
}

uint32_t sound_frequency_hz(uint32_t rate, int32_t p)
{
    if (p < 0 || p > 512)
        p = 256;
    return (uint32_t)((int64_t)rate + (int64_t)(p - 256) * (rate / 2) / 256);
}

void sound_set_ds_volume(SoundRecord *rec, int32_t v)
{
    if (rec->buffer)
        sys_sound_set_volume(rec->buffer, sound_volume_units(v));
}

void sound_set_pan(SoundRecord *rec, int32_t p)
{
    if (rec->buffer)
        sys_sound_set_pan(rec->buffer, sound_pan_units(p));
}

void sound_set_frequency(SoundRecord *rec, int32_t p)
{
    if (rec->buffer)
        sys_sound_set_frequency(rec->buffer, sound_frequency_hz(rec->wave_format.rate, p));
}

static bool is_named(const TreeNode *node)
{
    return node && node->parent;
}

int32_t sound_group_volume(const TreeNode *node)
{
    const SoundRecord *rec = (const SoundRecord *)node->payload;
    int32_t v = rec && rec->enabled == 1 ? rec->volume : 0;
    if (is_named(node->parent))
        v = (int32_t)((int64_t)v * sound_group_volume(node->parent) >> 8);
    return v;
}

int32_t sound_parent_volume(const TreeNode *node)
{
    return is_named(node->parent) ? sound_group_volume(node->parent) : 256;
}

void sound_group_apply_volume(TreeNode *group)
{
    for (TreeNode *c = group->first_child; c; c = c->next) {
        if (!c->payload)
            continue;
        if (c->is_folder)
            sound_group_apply_volume(c);
        else
            sound_set_ds_volume((SoundRecord *)c->payload, sound_group_volume(c));
    }
}

void sound_apply_volume(TreeNode *node, int32_t v)
{
    if (node->is_folder) {
        sound_group_apply_volume(node);
        return;
    }
    sound_set_ds_volume((SoundRecord *)node->payload,
                        (int32_t)((int64_t)v * sound_parent_volume(node) >> 8));
}

void sound_set_near_silent(TreeNode *node)
{
    if (node->is_folder)
        sound_group_apply_volume(node);
    else
        sound_set_ds_volume((SoundRecord *)node->payload, 2 * sound_parent_volume(node) / 256);
}

bool sound_effective_enabled(const TreeNode *node)
{
    for (const TreeNode *n = node; is_named(n); n = n->parent) {
        const SoundRecord *rec = (const SoundRecord *)n->payload;
        if (rec && rec->enabled != 1)
            return false;
    }
    return true;
}

bool sound_effective_paused(const TreeNode *node)
{
    for (const TreeNode *n = node; is_named(n); n = n->parent) {
        const SoundRecord *rec = (const SoundRecord *)n->payload;
        if (rec && rec->paused)
            return true;
    }
    return false;
}
