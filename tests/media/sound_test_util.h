// Helpers of the sound tests: a fresh sound tree, sounds made straight from
// file images, a clock the test moves, WAVE images written here, and playing
// a sound through the stand-in device while its cursor is advanced.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/engine_state.h"
#include "core/payload_hooks.h"
#include "core/tree.h"
#include "core/window.h"
#include "media/sound.h"
#include "script/scheduler.h"
#include "core/error_report.h"
#include "core/quit.h"
#include "sound_data.h"

#ifndef _WIN32
#include "platform/null/sound_null.h"
#endif

namespace sndtest {

inline uint32_t g_now = 1000;
inline uint32_t fake_clock() { return g_now; }
inline WindowObject g_main_window;
inline void set_active(int a) { g_main_window.active = (uint8_t)a; }

inline void put16(std::vector<uint8_t> &v, uint32_t x) { v.push_back(x & 0xFF); v.push_back(x >> 8 & 0xFF); }
inline void put32(std::vector<uint8_t> &v, uint32_t x) { put16(v, x & 0xFFFF); put16(v, x >> 16); }

// A PCM WAVE image; sample i of channel c is f(i, c) (16-bit) or its low byte.
template <class F>
std::vector<uint8_t> make_wave(uint32_t rate, uint16_t channels, uint16_t bits, uint32_t frames, F f)
{
    std::vector<uint8_t> data;
    for (uint32_t i = 0; i < frames; i++)
        for (uint16_t c = 0; c < channels; c++) {
            int s = f(i, c);
            if (bits == 16)
                put16(data, (uint16_t)s);
            else
                data.push_back((uint8_t)s);
        }
    std::vector<uint8_t> w = {'R', 'I', 'F', 'F'};
    put32(w, 36 + (uint32_t)data.size());
    for (char c : std::string("WAVEfmt "))
        w.push_back((uint8_t)c);
    put32(w, 16);
    uint16_t align = (uint16_t)(channels * bits / 8);
    put16(w, 1), put16(w, channels), put32(w, rate), put32(w, rate * align), put16(w, align), put16(w, bits);
    for (char c : std::string("data"))
        w.push_back((uint8_t)c);
    put32(w, (uint32_t)data.size());
    w.insert(w.end(), data.begin(), data.end());
    return w;
}

// Frame counter as 16-bit samples: every frame differs, so any slip shows.
inline int ramp(uint32_t i, uint16_t c) { return (int)((i * 2 + c) & 0x7FFF); }

struct SoundFixture : ::testing::Test {
    void SetUp() override
    {
        g_quit_flag = 0;
        reset_error_reports();
        g_error_shown = 1;   // recorded, never shown: a dialog would wait for a click
        init_path_special_chars();
        g_sound_tree = (TreeNode *)alloc_zeroed(sizeof(TreeNode));
        g_sound_tree->payload = alloc_zeroed(sizeof(SoundRecord));
        static char base[KV_BASE_PATH_MAX];
        std::strcpy(base, "S0");
        g_tree_path_roots[KV_TREE_SOUND] = base;
        TreeNode *s0 = create_tree_node(g_sound_tree, "S0", 1, 1);
        attach_sound_payload(s0);
        init_sound_command_table();
        g_direct_sound_ready = 1;
        g_sound_clock = fake_clock;
        saved_window_ = g_windows[0];
        g_windows[0] = &g_main_window;
        g_sounds_focus_paused = 0;
        set_active(1);
        g_paused = 0;
        g_run_inactive = 0;
        g_now = 1000;
        g_sound_ogg_keep_open = 1;
    }
    void TearDown() override
    {
        std::lock_guard<std::recursive_mutex> lock(g_engine_lock);
        free_tree(g_sound_tree);
        g_sound_tree = nullptr;
        g_windows[0] = saved_window_;
        g_quit_flag = 0;
    }
    WindowObject *saved_window_ = nullptr;
    static void free_tree(TreeNode *n)
    {
        while (n) {
            TreeNode *next = n->next;
            free_tree(n->first_child);
            sound_free_record((SoundRecord *)n->payload);
            std::free(n->name);
            std::free(n);
            n = next;
        }
    }
    // A node under "S0" (a leaf, or a group for a name ending in '/').
    static TreeNode *node(const char *path)
    {
        std::string p = std::string("S0/") + path;
        bool group = p.back() == '/';
        if (group)
            p.pop_back();
        TreeNode *n = create_tree_node(g_sound_tree, p.c_str(), group, 0);
        attach_sound_payload(n);
        return n;
    }
    static SoundRecord *rec(TreeNode *n) { return (SoundRecord *)n->payload; }
    // Loads an image into a sound as the load code would (state 1).
    static int load(TreeNode *n, const std::vector<uint8_t> &image, uint8_t format)
    {
        SoundRecord *r = rec(n);
        r->image = (uint8_t *)std::malloc(image.size());
        std::memcpy(r->image, image.data(), image.size());
        r->image_size = (uint32_t)image.size();
        r->format = format;
        r->pitch = 256;
        int res = sound_open_decoder(r);
        if (res == 0)
            r->state = KV_SND_LOADED;
        return res;
    }
    static int tick() { return sound_thread_tick(); }
    static int run(TreeNode *n, int code, int32_t param)
    {
        sound_post(n, code, code == SND_LOAD ? rec(n)->file_name : nullptr, param);
        return tick();
    }
#ifndef _WIN32
    // Plays `bytes` bytes through the stand-in device in steps of `step`
    // (less than half a buffer), ticking after each; returns what was heard.
    static std::vector<uint8_t> listen(TreeNode *n, uint32_t bytes, uint32_t step)
    {
        std::vector<uint8_t> heard;
        while (heard.size() < bytes && rec(n)->buffer) {
            uint32_t s = std::min<uint32_t>(step, bytes - (uint32_t)heard.size());
            null_sound_advance(rec(n)->buffer, s, &heard);
            g_now += 10;
            EXPECT_EQ(tick(), 0);
        }
        return heard;
    }
#endif
};

}  // namespace sndtest
