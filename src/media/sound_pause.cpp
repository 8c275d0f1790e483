// Pausing and resuming sounds (for window focus and by script), and tearing
// them down. A pause keeps the file and the position and releases the
// device buffer; a resume makes a new buffer in the kept format and plays on
// from the position where the pause stopped.
#include <cstdlib>

#include "core/tree.h"
#include "media/sound.h"
#include "platform/sys.h"
#include "core/quit.h"

void sound_release_buffers(SoundRecord *rec)
{
    if (rec->buffer) {
        sys_sound_stop(rec->buffer);
        sys_sound_buffer_release(rec->buffer);
        rec->buffer = nullptr;
    }
    std::free(rec->stream);
    std::free(rec->scratch);
    rec->stream = rec->scratch = nullptr;
}

void sound_teardown(SoundRecord *rec)
{
    sound_release_buffers(rec);
    sound_ogg_close(rec);
    std::free(rec->image);
    std::free(rec->converted);
    rec->image = rec->converted = nullptr;
    rec->pcm = nullptr;
    rec->pcm_size = 0;
    rec->image_size = rec->image_offset = 0;
    rec->start = rec->loop_back = 0;
    rec->pause_stamp = 0;
    rec->carried = 0;
    rec->leading_silence = 0;
}

void sound_free_record(SoundRecord *rec)
{
    if (!rec)
        return;
    sound_teardown(rec);
    std::free(rec);
}

static uint32_t stamp_now()
{
    uint32_t now = g_sound_clock();
    return now ? now : 1;
}

int sound_pause(TreeNode *node, SoundRecord *rec)
{
    if (rec->state < KV_SND_RAMPING || rec->pause_stamp != 0)
        return 0;
    if (g_quit_flag.load()) {
        sound_set_near_silent(node);
        rec->state = KV_SND_UNLOADED;
        return 0;
    }
    if (!rec->buffer)
        return -410;
    uint32_t play, write;
    if (sys_sound_position(rec->buffer, &play, &write) != 0)
        return -420;
    uint32_t delta = play >= rec->last_play_cursor ? play - rec->last_play_cursor
                                                   : play + rec->buffer_bytes - rec->last_play_cursor;
    rec->audible_bytes += delta;
    rec->last_play_cursor = play;
    sound_release_buffers(rec);
    rec->pause_stamp = stamp_now();
    return 0;
}

int sound_resume(TreeNode *node, SoundRecord *rec)
{
    if (rec->state < KV_SND_RAMPING || rec->pause_stamp == 0)
        return 0;
    int64_t start = rec->bytes_per_second ? rec->audible_bytes * 1000 / rec->bytes_per_second : 0;
    rec->audible_bytes = 0;
    rec->last_play_cursor = 0;
    rec->carried = 0;
    rec->leading_silence = 0;
    int r = sound_create_ds_buffer(rec);
    if (r < 0)
        return r;
    if (start >= rec->end)
        start = 0;
    r = sound_refill_at(node, rec, start, rec->fade_target);
    if (r < 0)
        return r;
    if (!rec->buffer)
        return -430;
    if (sys_sound_play(rec->buffer) != 0)
        return -440;
    rec->pause_stamp = 0;
    return 0;
}

int sound_set_paused_one(TreeNode *node, int pause)
{
    SoundRecord *rec = (SoundRecord *)node->payload;
    if (!rec || node->is_folder)
        return 0;
    if (pause)
        return sound_pause(node, rec);
    if (g_sounds_focus_paused || !sound_effective_enabled(node) || sound_effective_paused(node))
        return 0;
    return sound_resume(node, rec);
}

int sound_tree_set_paused(TreeNode *first, int pause)
{
    for (TreeNode *n = first; n; n = n->next) {
        int r = n->is_folder ? sound_tree_set_paused(n->first_child, pause)
                             : sound_set_paused_one(n, pause);
        if (r < 0)
            return r;
    }
    return 0;
}

int sound_set_paused_subtree(TreeNode *node, int pause)
{
    if (node->is_folder)
        return sound_tree_set_paused(node->first_child, pause);
    return sound_set_paused_one(node, pause);
}

void sound_tree_teardown(TreeNode *first)
{
    for (TreeNode *n = first; n; n = n->next) {
        if (n->is_folder)
            sound_tree_teardown(n->first_child);
        if (n->payload)
            sound_teardown((SoundRecord *)n->payload);
    }
}

void sound_shutdown_all()
{
    std::lock_guard<std::recursive_mutex> lock(g_engine_lock);
    sys_sleep(20);
    if (g_sound_tree)
        sound_tree_teardown(g_sound_tree->first_child);
}
