// Script commands 72 (sound control), 73 (sound delete) and 74 (sound
// info). They find sounds by path in the sound tree, post sound codes to the
// ring and wait outside the engine lock; records are read and nodes linked or
// unlinked only under the lock.
#include <cstdlib>
#include <cstring>

#include "core/byte_order.h"
#include "core/clamp.h"
#include "core/locate.h"
#include "core/engine_state.h"
#include "core/tree.h"
#include "media/sound.h"
#include "script/args.h"
#include "script/commands.h"
#include "script/vars.h"
#include "core/error_report.h"
#include "core/engine_state.h"

static int32_t arg_i32(uint32_t id)
{
    return clamp_int32(arg_int(id));
}

// The node of a script path (kind: 1 a group path); null when missing.
// Only this thread links and unlinks sound nodes, so it reads the tree
// without the lock (and a report about the path never holds the lock).
static TreeNode *find_sound(const char *name, int *kind)
{
    return find_script_path(KV_TREE_SOUND, name, KV_FIND_AS_WRITTEN, nullptr, kind);
}

// Links a new node under the lock, as the sound thread walks the tree.
static TreeNode *create_sound(const char *name, int group)
{
    char path[KV_PATH_MAX];
    if (normalize_script_path(path, name, g_tree_path_roots[KV_TREE_SOUND], 0) < 0)
        return nullptr;
    if (!tree_path_parent(path, g_sound_tree))
        return nullptr;
    std::lock_guard<std::recursive_mutex> lock(g_engine_lock);
    TreeNode *node = create_tree_node(g_sound_tree, path, (uint8_t)group, 0);
    if (!node)
        return nullptr;
    if (!attach_sound_payload(node)) {
        tree_node_unlink(node);
        std::free(node->name);
        std::free(node);
        return nullptr;
    }
    return node;
}

// Locates the file and loads it into the sound. 1 loaded, 0 not found (the
// command ends quietly), -1 after a fatal report.
static int assign_file(TreeNode *node)
{
    SoundRecord *rec = (SoundRecord *)node->payload;
    uint8_t state;
    {
        std::lock_guard<std::recursive_mutex> lock(g_engine_lock);
        state = rec->state;
    }
    if (state != KV_SND_UNLOADED)
        sound_post_wait(node, SND_STOP, nullptr, 0);
    static char name[KV_ARG_STRING_SIZE];
    char found[KV_PATH_MAX];
    std::strncpy(name, arg_str(2), sizeof name - 1);
    name[sizeof name - 1] = 0;
    FileSource src = {};
    int r = find_media_file(&src, found, name, 1);
    if (r < 0)
        return -1;
    if (r > 0)
        return 0;
    uint8_t format = src.format == KV_FMT_WAV ? KV_SND_WAV : src.format == KV_FMT_OGG ? KV_SND_OGG : 0;
    if (!format) {
        report_script_error(100030, 1, found);
        return -1;
    }
    if (std::strlen(found) >= KV_SOUND_RING_NAME) {
        report_script_error(104010, 0, found);
        return 0;
    }
    {
        std::lock_guard<std::recursive_mutex> lock(g_engine_lock);
        rec->format = format;
    }
    sound_post_wait(node, SND_LOAD, found, 0);
    return 1;
}

int sound_control_run()
{
    if (!g_sound_enabled)
        return 0;
    int kind;
    TreeNode *node = find_sound(arg_str(0), &kind);
    if (kind < 0)
        return -1;
    int group = kind == 1;
    if (group && arg_present(2)) {
        report_script_error(101292, 1);
        return -1;
    }
    if (!node) {
        if (!group && !arg_present(2))
            return 0;
        node = create_sound(arg_str(0), group);
        if (!node)
            return -1;
    }
    SoundRecord *rec = (SoundRecord *)node->payload;
    if (arg_present(2)) {
        int r = assign_file(node);
        if (r <= 0)
            return r;
    }
    if (arg_present(1)) {
        int32_t v;
        {
            std::lock_guard<std::recursive_mutex> lock(g_engine_lock);
            rec->enabled = (uint8_t)arg_int(1);
            v = rec->volume;
        }
        sound_post(node, SND_VOLUME, nullptr, v);
    }
    static const uint8_t simple[][2] = {{6, SND_START_POS}, {7, SND_LOOP_POS}, {8, SND_END_POS}};
    for (const auto &s : simple)
        if (arg_present(s[0]))
            sound_post(node, s[1], nullptr, arg_i32(s[0]));
    if (arg_present(9)) {
        {
            std::lock_guard<std::recursive_mutex> lock(g_engine_lock);
            rec->play_count = arg_i32(9);
        }
        sound_post(node, SND_LOOP_COUNT, nullptr, arg_i32(9));
    }
    if (arg_present(11))
        sound_post(node, SND_PAN, nullptr, arg_i32(11));
    if (arg_present(12))
        sound_post(node, SND_FREQUENCY, nullptr, arg_i32(12));
    if (arg_present(10))
        sound_post(node, arg_present(3) ? SND_FADE_TO : SND_VOLUME, nullptr, arg_i32(10));
    if (arg_present(3)) {
        if (arg_int(3) == 1)
            sound_post_wait(node, SND_PLAY, nullptr, arg_i32(5));
        else
            sound_post(node, SND_FADE_OUT, nullptr, arg_i32(5));
    }
    if (arg_present(4))
        sound_post_wait(node, SND_PAUSE, nullptr, arg_int(4) == 1 ? 1 : 0);
    return 0;
}

// Stops one node and frees it once the sound thread has run its stop code
// (or is not running any more).
static void release_node(TreeNode *node)
{
    uint64_t ticket = sound_post(node, SND_STOP, nullptr, 0);
    int ran = sound_wait_ticket(ticket);
    std::lock_guard<std::recursive_mutex> lock(g_engine_lock);
    bool thread_gone = g_sound_thread_done != 0;
    if (!ran && !thread_gone)
        return;
    tree_node_unlink(node);
    sound_free_record((SoundRecord *)node->payload);
    std::free(node->name);
    std::free(node);
}

static void release_subtree(TreeNode *node)
{
    TreeNode *c = node->first_child;
    while (c) {
        TreeNode *next = c->next;
        release_subtree(c);
        c = next;
    }
    release_node(node);
}

int sound_delete_run()
{
    int kind;
    TreeNode *node = find_sound(arg_str(0), &kind);
    if (kind < 0)
        return -1;
    if (node)
        release_subtree(node);
    return 0;
}

// Level of one channel at the play cursor: -1 without a buffer or lock.
static int64_t channel_level(const SoundRecord *rec, int channel)
{
    const KvWaveFormat &f = rec->wave_format;
    uint32_t play, write;
    if (!rec->buffer || sys_sound_position(rec->buffer, &play, &write) != 0)
        return -1;
    if (channel >= f.channels)
        channel = 0;
    void *p1, *p2;
    uint32_t n1, n2;
    if (sys_sound_lock(rec->buffer, play, f.block_align, &p1, &n1, &p2, &n2) != 0)
        return -1;
    uint8_t frame[16] = {};
    uint32_t a = n1 < f.block_align ? n1 : f.block_align;
    std::memcpy(frame, p1, a < sizeof frame ? a : sizeof frame);
    if (p2 && a < f.block_align && a < sizeof frame)
        std::memcpy(frame + a, p2, n2 < sizeof frame - a ? n2 : sizeof frame - a);
    sys_sound_unlock(rec->buffer, p1, n1, p2, n2);
    if (f.bits == 8) {
        int v = frame[channel < 16 ? channel : 0] - 128;
        return v < 0 ? -v : v;
    }
    int off = channel * 2 < 15 ? channel * 2 : 0;
    int v = (int16_t)get_le16(frame + off);
    return v < 0 ? -v : v;
}

static int64_t info_value(const SoundRecord *rec, uint32_t q)
{
    switch (q) {
    case 1: return rec->format != 0;
    case 2: return rec->enabled;
    case 3: return rec->state >= KV_SND_RAMPING;
    case 4: return rec->paused;
    case 5: return rec->volume;
    case 6: return rec->pan;
    case 7: return rec->pitch;
    case 9: return rec->format;
    case 10: return rec->start;
    case 11: return rec->loop_back;
    case 12: return rec->end;
    case 13: return rec->play_count;
    case 14: return rec->passes_done;
    case 15: return rec->bytes_per_second ? rec->audible_bytes * 1000 / rec->bytes_per_second : 0;
    case 16: return rec->length;
    case 17: return rec->wave_format.channels;
    case 18: return rec->wave_format.bits;
    case 19: return rec->wave_format.rate;
    case 20: return channel_level(rec, 0);
    case 21: return channel_level(rec, 1);
    default: return rec->decoder_kind;
    }
}

int sound_info_run()
{
    uint32_t p = arg_pos(23);
    int kind;
    TreeNode *node = find_sound(arg_str(0), &kind);
    if (kind < 0)
        return -1;
    if (!p)
        return 0;
    uint32_t id = g_arg_slots.var_id[p];
    int64_t elem = g_arg_slots.var_elem[p];
    if (!node) {
        store_empty_result(id, elem);
        return 0;
    }
    // The first given, in this order (the format comes before the file name).
    static const uint8_t order[] = {1, 2, 3, 4, 5, 6, 7, 9, 8, 10, 11, 12, 13, 14, 15, 16, 17,
                                    18, 19, 20, 21, 22};
    uint32_t q = first_present_arg(order, sizeof order);
    if (!q)
        return 0;
    char name[KV_SOUND_NAME_SIZE];
    int64_t value = 0;
    {
        std::lock_guard<std::recursive_mutex> lock(g_engine_lock);
        const SoundRecord *rec = (const SoundRecord *)node->payload;
        std::memcpy(name, rec->file_name, sizeof name);
        if (q != 8)
            value = info_value(rec, q);
    }
    if (q == 8)
        store_string_element(id, elem, name);
    else
        var_set_number(id, elem, value);
    return 0;
}

int cmd_sound_control(void) { return run_with_args(72, sound_control_run); }
int cmd_sound_delete(void) { return run_with_args(73, sound_delete_run); }
int cmd_sound_info(void) { return run_with_args(74, sound_info_run); }
