// Sound records: the payload of sound-tree nodes, the "ROOT" sound that keeps
// the device busy with silence, loading a sound's file whole, and the device.
#include <cstring>

#include "core/locate.h"
#include "core/payload_hooks.h"
#include "core/tree.h"
#include "media/sound.h"
#include "core/error_report.h"

SoundRecord *attach_sound_payload(TreeNode *node)
{
    if (!node)
        return nullptr;
    SoundRecord *rec = (SoundRecord *)alloc_zeroed(sizeof(SoundRecord));
    if (!rec) {
        report_system_error(100010, 1);
        return nullptr;
    }
    rec->enabled = 1;
    rec->pan = 256;
    rec->volume = 256;
    rec->fade_target = 256;
    rec->previous_target = 256;
    node->payload = rec;
    return rec;
}

bool sound_is_root_leaf(const TreeNode *node)
{
    return node && !node->is_folder && node->parent && !node->parent->parent &&
           node->order_key == KV_SOUND_ROOT_KEY && node->name && std::strcmp(node->name, "ROOT") == 0;
}

int start_sound_root(SoundRecord *rec)
{
    TreeNode *node = nullptr;
    {
        std::lock_guard<std::recursive_mutex> lock(g_engine_lock);
        for (TreeNode *n = g_sound_tree ? g_sound_tree->first_child : nullptr; n; n = n->next)
            if (n->payload == rec)
                node = n;
        if (!node)
            return -1;
        std::strcpy(rec->file_name, " ");
        rec->format = KV_SND_WAV;
    }
    sound_post(node, SND_VOLUME, nullptr, 2);
    sound_post(node, SND_LOAD, " ", 0);
    sound_post(node, SND_PLAY, nullptr, 0);
    return 0;
}

static int load_image(SoundRecord *rec)
{
    FileSource src = {};
    int kind = locate_file(&src, rec->file_name);
    if (kind <= 0 || load_resource(&src, rec->file_name) != 0 || !src.data)
        return -1020;
    rec->image = src.data;
    rec->image_size = src.size;
    return 0;
}

int sound_open_decoder(SoundRecord *rec)
{
    if (rec->format == KV_SND_OGG)
        return sound_open_ogg(rec);
    if (rec->format == KV_SND_WAV)
        return sound_open_wav(rec);
    return -1030;
}

int sound_load_file(TreeNode *node, SoundRecord *rec)
{
    if (rec->image)
        return -1010;
    if (sound_is_root_leaf(node)) {
        rec->image = sound_silent_wave(&rec->image_size);
        rec->format = KV_SND_WAV;
        if (!rec->image)
            return -1020;
    } else {
        int r = load_image(rec);
        if (r < 0)
            return r;
    }
    int r = sound_open_decoder(rec);
    if (r < 0)
        sound_teardown(rec);
    return r;
}

int create_direct_sound()
{
    int r = sys_sound_open();
    if (r < 0)
        report_system_error(110010, 0);
    g_direct_sound_ready = r > 0;
    return r > 0;
}

void release_direct_sound()
{
    if (!g_direct_sound_ready)
        return;
    sys_sound_close();
    g_direct_sound_ready = 0;
}
