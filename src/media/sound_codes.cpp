// The handlers of the 14 sound codes, run by the drain on the sound thread
// under the engine lock. Results: negative fatal, 0 keep the entry at the head
// of the ring and run it again next tick, positive done.
#include <cstring>

#include "core/tree.h"
#include "media/sound.h"

static uint32_t stamp_now()
{
    uint32_t now = g_sound_clock();
    return now ? now : 1;
}

// Volume change per ms in 1/1024. A change never rounds to a rate of 0, so
// that a long fade still ends.
int32_t sound_fade_rate(int32_t diff, int32_t ms)
{
    int64_t d = (int64_t)diff * 1024;
    if (ms <= 0)
        return (int32_t)d;
    int64_t r = d / ms;
    if (r == 0 && diff != 0)
        r = diff > 0 ? 1 : -1;
    return (int32_t)r;
}

static void silence_and_unload(TreeNode *node, SoundRecord *rec)
{
    sound_set_near_silent(node);
    sound_teardown(rec);
    rec->state = KV_SND_UNLOADED;
}

int sound_cmd_load(TreeNode *node, SoundRecord *rec, const char *name, int32_t)
{
    if (rec->state != KV_SND_UNLOADED) {
        silence_and_unload(node, rec);
        return 0;
    }
    std::strncpy(rec->file_name, name, KV_SOUND_NAME_SIZE - 1);
    rec->file_name[KV_SOUND_NAME_SIZE - 1] = 0;
    rec->decoder_loops = 0;
    rec->pan = 256;
    rec->pitch = 256;
    rec->start = rec->loop_back = rec->end = 0;
    rec->wrap_end = rec->wrap_loop_back = 0;
    rec->audible_bytes = rec->pcm_position = rec->leading_silence = 0;
    rec->carried = rec->last_play_cursor = 0;
    int r = sound_load_file(node, rec);
    if (r < 0)
        return r;
    rec->state = KV_SND_LOADED;
    return 1;
}

// Starts playing from the start point with the first half filled, silent,
// ramping up to the target.
static int start_playing(TreeNode *node, SoundRecord *rec, int32_t ms, int fail_code)
{
    rec->last_play_cursor = 0;
    rec->carried = 0;
    rec->leading_silence = 0;
    rec->fade_start_time = stamp_now();
    rec->fade_done_stamp = 0;
    if (rec->start >= rec->end)
        rec->start = 0;
    int r = sound_refill_at(node, rec, rec->start, 0);
    if (r < 0)
        return r;
    if (!rec->buffer)
        return -1;
    if (sys_sound_play(rec->buffer) != 0)
        return fail_code;
    rec->volume = 0;
    rec->fade_start_volume = 0;
    rec->fade_rate = sound_fade_rate(rec->fade_target, ms);
    rec->state = KV_SND_RAMPING;
    return 1;
}

// A ramp from the volume of now, starting now.
static void restart_ramp(SoundRecord *rec, int32_t ms)
{
    rec->fade_start_volume = rec->volume;
    rec->fade_start_time = stamp_now();
    rec->fade_done_stamp = 0;
    rec->fade_rate = sound_fade_rate(rec->fade_target - rec->volume, ms);
    rec->state = KV_SND_RAMPING;
}

int sound_cmd_play(TreeNode *node, SoundRecord *rec, const char *, int32_t ms)
{
    rec->fade_time = ms;
    switch (rec->state) {
    case KV_SND_UNLOADED: {
        if (!rec->file_name[0])
            return 1;
        rec->start = 0;
        rec->pcm_position = rec->carried = rec->leading_silence = 0;
        int r = sound_load_file(node, rec);
        if (r < 0)
            return r;
        return start_playing(node, rec, ms, -110);
    }
    case KV_SND_LOADED:
        return start_playing(node, rec, ms, -120);
    case KV_SND_RAMPING:
    case KV_SND_PLAYING:
        restart_ramp(rec, ms);
        return 1;
    default: {  // fading out: stop, then start afresh on the next tick
        int32_t v = rec->fade_start_volume;
        rec->fade_start_volume = rec->fade_target;
        rec->fade_target = v;
        silence_and_unload(node, rec);
        return 0;
    }
    }
}

int sound_cmd_pause(TreeNode *node, SoundRecord *rec, const char *, int32_t param)
{
    rec->paused = (uint8_t)(param != 0);
    int r = sound_set_paused_subtree(node, param != 0);
    return r < 0 ? r : 1;
}

int sound_cmd_fade_out(TreeNode *, SoundRecord *rec, const char *, int32_t ms)
{
    if (rec->state < KV_SND_RAMPING)
        return 1;
    int32_t from = rec->state == KV_SND_RAMPING ? rec->previous_target : rec->volume;
    rec->fade_time = ms;
    rec->fade_start_time = stamp_now();
    rec->fade_done_stamp = 0;
    rec->fade_start_volume = rec->volume;
    rec->fade_target = 0;
    rec->fade_rate = sound_fade_rate(-from, ms);
    rec->state = KV_SND_FADING_OUT;
    return 1;
}

int sound_cmd_volume(TreeNode *node, SoundRecord *rec, const char *, int32_t v)
{
    rec->volume = rec->fade_target = rec->previous_target = v;
    sound_apply_volume(node, v);
    return 1;
}

int sound_cmd_fade_to(TreeNode *, SoundRecord *rec, const char *, int32_t v)
{
    rec->previous_target = rec->fade_target;
    rec->fade_target = v;
    return 1;
}

int sound_cmd_loop_count(TreeNode *, SoundRecord *rec, const char *, int32_t n)
{
    if (rec->state != KV_SND_UNLOADED)
        rec->decoder_loops = n;
    return 1;
}

int sound_cmd_end_pos(TreeNode *, SoundRecord *rec, const char *, int32_t ms)
{
    if (rec->state != KV_SND_UNLOADED)
        rec->end = ms < rec->length ? ms : (int32_t)rec->length;
    return 1;
}

int sound_cmd_start_pos(TreeNode *, SoundRecord *rec, const char *, int32_t ms)
{
    if (rec->state != KV_SND_UNLOADED)
        rec->start = ms < rec->length ? ms : 0;
    return 1;
}

int sound_cmd_loop_pos(TreeNode *, SoundRecord *rec, const char *, int32_t ms)
{
    if (rec->state != KV_SND_UNLOADED)
        rec->loop_back = ms < rec->length ? ms : 0;
    return 1;
}

int sound_cmd_pan(TreeNode *, SoundRecord *rec, const char *, int32_t p)
{
    if (rec->state != KV_SND_UNLOADED) {
        rec->pan = p;
        sound_set_pan(rec, p);
    }
    return 1;
}

int sound_cmd_frequency(TreeNode *, SoundRecord *rec, const char *, int32_t p)
{
    if (rec->state != KV_SND_UNLOADED) {
        rec->pitch = p;
        sound_set_frequency(rec, p);
    }
    return 1;
}

int sound_cmd_exists(TreeNode *, SoundRecord *, const char *, int32_t) { return 1; }

int sound_cmd_stop(TreeNode *node, SoundRecord *rec, const char *, int32_t)
{
    if (rec->state == KV_SND_UNLOADED)
        return 1;
    rec->file_name[0] = 0;
    silence_and_unload(node, rec);
    return 1;
}
