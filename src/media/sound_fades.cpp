// Per-tick work over the whole sound tree: volume fades, and the play
// position of each sound with its end point, loop-back and play count.
#include "core/tree.h"
#include "media/sound.h"
#include "core/quit.h"

static uint32_t stamp_now()
{
    uint32_t now = g_sound_clock();
    return now ? now : 1;
}

static void fade_one(TreeNode *node, SoundRecord *rec, uint32_t now)
{
    if (rec->pause_stamp != 0) {
        rec->fade_start_time += now - rec->pause_stamp;
        rec->pause_stamp = now ? now : 1;
        return;
    }
    int32_t elapsed = (int32_t)(now - rec->fade_start_time);
    if (rec->state == KV_SND_RAMPING && elapsed < 0) {
        sound_set_ds_volume(rec, 2 * sound_parent_volume(node) / 256);
        return;
    }
    int64_t v = rec->fade_start_volume + (int64_t)elapsed * rec->fade_rate / 1024;
    if ((rec->fade_rate <= 0 && v <= rec->fade_target) ||
        (rec->fade_rate >= 0 && v >= rec->fade_target)) {
        v = rec->fade_target;
        rec->fade_done_stamp = stamp_now();
    }
    rec->volume = (int32_t)v;
    sound_apply_volume(node, rec->volume);
    if (!rec->fade_done_stamp)
        return;
    rec->fade_done_stamp = 0;
    if (rec->state == KV_SND_RAMPING) {
        rec->state = KV_SND_PLAYING;
        return;
    }
    rec->volume = 256;
    rec->fade_start_volume = 0;
    rec->fade_target = rec->previous_target = 256;
    rec->state = KV_SND_UNLOADED;
    sound_teardown(rec);
}

void sound_update_fades(TreeNode *first)
{
    uint32_t now = g_sound_clock();
    for (TreeNode *n = first; n; n = n->next) {
        if (n->is_folder)
            sound_update_fades(n->first_child);
        SoundRecord *rec = (SoundRecord *)n->payload;
        if (rec && (rec->state == KV_SND_RAMPING || rec->state == KV_SND_FADING_OUT))
            fade_one(n, rec, now);
    }
}

static int track_one(SoundRecord *rec)
{
    if (!rec->buffer)
        return -310;
    uint32_t play, write;
    if (sys_sound_position(rec->buffer, &play, &write) != 0)
        return -320;
    uint32_t delta = play >= rec->last_play_cursor ? play - rec->last_play_cursor
                                                   : play + rec->buffer_bytes - rec->last_play_cursor;
    rec->last_play_cursor = play;
    int64_t p = rec->audible_bytes + delta;
    int64_t bps = rec->bytes_per_second;
    int32_t e = rec->wrap_end ? rec->wrap_end : rec->end;
    int32_t b = rec->wrap_end ? rec->wrap_loop_back : rec->loop_back;
    if (bps <= 0 || p * 1000 / bps < e) {
        rec->audible_bytes = p;
        return 0;
    }
    rec->wrap_end = rec->wrap_loop_back = 0;
    int32_t passes = rec->passes_done + 1;
    if (passes != rec->play_count) {
        // What played past the end is already part of the new pass.
        int64_t over = p - (int64_t)e * bps / 1000;
        rec->passes_done = passes;
        rec->audible_bytes = (int64_t)b * bps / 1000 + (over > 0 ? over : 0);
        return 0;
    }
    rec->play_count = rec->passes_done = 0;
    rec->audible_bytes = 0;
    sound_teardown(rec);
    rec->state = KV_SND_UNLOADED;
    return 0;
}

int sound_walk_playing(TreeNode *first, int (*each)(SoundRecord *rec))
{
    for (TreeNode *n = first; n; n = n->next) {
        if (n->is_folder) {
            int r = sound_walk_playing(n->first_child, each);
            if (r < 0)
                return r;
        }
        SoundRecord *rec = (SoundRecord *)n->payload;
        if (!rec || rec->state == KV_SND_UNLOADED)
            continue;
        if (g_quit_flag.load()) {
            sound_set_near_silent(n);
            rec->state = KV_SND_UNLOADED;
            continue;
        }
        if (rec->state < KV_SND_RAMPING || rec->pause_stamp != 0)
            continue;
        int r = each(rec);
        if (r < 0)
            return r;
    }
    return 0;
}

int sound_tree_update_positions(TreeNode *first)
{
    return sound_walk_playing(first, track_one);
}
