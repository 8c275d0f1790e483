// The ring of sound codes: posting from the script side, waiting for an
// entry, and the drain that the sound thread runs at each tick.
//
// A post checks for room before it writes, so a full ring (1023 entries)
// refuses the entry and keeps everything already queued. Waits end on the
// entry's completion, on the end of the sound thread or on the quit flag, so
// no producer can hang on a thread that is gone.
#include <cstring>

#include "core/engine_state.h"
#include "core/tree.h"
#include "media/sound.h"
#include "platform/sys.h"
#include "core/error_report.h"
#include "core/quit.h"

SoundRing g_sound_ring;
SoundCodeHandler sound_command_table[SND_CODE_COUNT];

int sound_cmd_load(TreeNode *, SoundRecord *, const char *, int32_t);
int sound_cmd_play(TreeNode *, SoundRecord *, const char *, int32_t);
int sound_cmd_pause(TreeNode *, SoundRecord *, const char *, int32_t);
int sound_cmd_fade_out(TreeNode *, SoundRecord *, const char *, int32_t);
int sound_cmd_volume(TreeNode *, SoundRecord *, const char *, int32_t);
int sound_cmd_fade_to(TreeNode *, SoundRecord *, const char *, int32_t);
int sound_cmd_loop_count(TreeNode *, SoundRecord *, const char *, int32_t);
int sound_cmd_end_pos(TreeNode *, SoundRecord *, const char *, int32_t);
int sound_cmd_start_pos(TreeNode *, SoundRecord *, const char *, int32_t);
int sound_cmd_loop_pos(TreeNode *, SoundRecord *, const char *, int32_t);
int sound_cmd_pan(TreeNode *, SoundRecord *, const char *, int32_t);
int sound_cmd_frequency(TreeNode *, SoundRecord *, const char *, int32_t);
int sound_cmd_exists(TreeNode *, SoundRecord *, const char *, int32_t);
int sound_cmd_stop(TreeNode *, SoundRecord *, const char *, int32_t);

void init_sound_command_table()
{
    std::lock_guard<std::recursive_mutex> lock(g_engine_lock);
    std::memset(&g_sound_ring, 0, sizeof g_sound_ring);
    static const SoundCodeHandler handlers[SND_CODE_COUNT] = {
        nullptr, sound_cmd_load, sound_cmd_play, sound_cmd_pause, sound_cmd_fade_out,
        sound_cmd_volume, sound_cmd_fade_to, sound_cmd_loop_count, sound_cmd_end_pos,
        sound_cmd_start_pos, sound_cmd_loop_pos, sound_cmd_pan, sound_cmd_frequency,
        sound_cmd_exists, sound_cmd_stop};
    std::memcpy(sound_command_table, handlers, sizeof handlers);
}

uint64_t sound_post(TreeNode *node, int code, const char *name, int32_t param)
{
    size_t len = name ? std::strlen(name) : 0;
    if (len >= KV_SOUND_RING_NAME) {
        report_script_error(104010, 0, name);
        return 0;
    }
    uint64_t ticket = 0;
    {
        std::lock_guard<std::recursive_mutex> lock(g_engine_lock);
        SoundRing &r = g_sound_ring;
        int32_t next = (r.write + 1) % KV_SOUND_RING_SIZE;
        if (next != r.read) {
            int32_t i = r.write;
            r.node[i] = node;
            r.code[i] = (uint8_t)code;
            std::memcpy(r.name[i], name ? name : "", len + 1);
            r.param[i] = param;
            r.done[i] = 0;
            r.write = next;
            ticket = ++r.posted;
        }
    }
    // Reported outside the lock: a shown report must not stall the sound thread.
    if (!ticket)
        report_script_error(110200, 0);
    return ticket;
}

bool sound_thread_running()
{
    std::lock_guard<std::recursive_mutex> lock(g_engine_lock);
    return g_sound_thread_done == 0;
}

int sound_wait_ticket(uint64_t ticket)
{
    if (ticket == 0)
        return 0;
    for (;;) {
        {
            std::lock_guard<std::recursive_mutex> lock(g_engine_lock);
            if (g_sound_ring.completed >= ticket)
                return 1;
            if (g_sound_thread_done != 0)
                return 0;
        }
        if (g_quit_flag.load())
            return 0;
        sys_sleep(1);
    }
}

int sound_post_wait(TreeNode *node, int code, const char *name, int32_t param)
{
    return sound_wait_ticket(sound_post(node, code, name, param));
}

static void entry_done(SoundRing &r)
{
    r.done[r.read] = 1;
    r.node[r.read] = nullptr;
    r.read = (r.read + 1) % KV_SOUND_RING_SIZE;
    r.completed++;
}

int sound_queue_drain()
{
    SoundRing &r = g_sound_ring;
    while (r.read != r.write) {
        int32_t i = r.read;
        TreeNode *node = r.node[i];
        uint8_t code = r.code[i];
        if (!node || code == 0 || code >= SND_CODE_COUNT || !node->payload) {
            entry_done(r);
            continue;
        }
        int res = sound_command_table[code](node, (SoundRecord *)node->payload, r.name[i],
                                            r.param[i]);
        if (res < 0)
            return res;
        if (res == 0)
            return 0;
        entry_done(r);
    }
    return 0;
}
