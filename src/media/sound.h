// Sound: the record of every sound-tree node, the ring of sound codes that
// the script side posts and the sound thread runs, and the routines of the
// thread (fades, positions, streaming refills, focus pausing).
//
// Script commands never touch a sound buffer: they post numbered sound codes
// into a 1024-entry ring under g_engine_lock and wait outside it; the sound
// thread runs them, in order, under the lock.
#pragma once

#include <atomic>
#include <thread>

#include "core/kv_base.h"
#include "core/quit.h"
#include "core/tree.h"
#include "platform/sys_sound.h"

struct OggVorbis_File;

enum {
    KV_SOUND_NAME_SIZE = 261,
    KV_SOUND_RING_SIZE = 1024,
    KV_SOUND_RING_NAME = 256,     // a posted name: at most 255 bytes
    KV_SOUND_STEP = 4096,         // one decode step; the carry-over scratch
    KV_SOUND_ROOT_KEY = 999999999
};

// Formats, decoder kinds, states.
enum { KV_SND_OGG = 1, KV_SND_WAV = 2 };
enum { KV_DEC_PCM = 0, KV_DEC_OGG = 1, KV_DEC_CONVERTED = 2 };
enum { KV_SND_UNLOADED = 0, KV_SND_LOADED = 1, KV_SND_RAMPING = 2, KV_SND_PLAYING = 3,
       KV_SND_FADING_OUT = 4 };

struct SoundRecord {
    char file_name[KV_SOUND_NAME_SIZE];
    uint8_t format;             // KV_SND_*
    uint8_t enabled;            // of a group: mutes its subtree
    uint8_t decoder_kind;       // KV_DEC_*
    uint8_t state;              // KV_SND_* state
    uint8_t paused;             // by the script
    int32_t play_count;         // passes through the end before stopping; 0 endless
    int32_t passes_done;
    int32_t decoder_loops;      // passes the decoder still plays; 0 endless, 1 the last
    int64_t audible_bytes;      // played from the start of the current pass
    int64_t length;             // ms
    int32_t start;              // ms
    int32_t loop_back;          // ms
    uint32_t pause_stamp;       // time of a focus pause; 0 = not paused by focus
    int32_t end;                // ms
    int32_t wrap_loop_back, wrap_end;
    int32_t pan;                // 0..512
    int32_t pitch;              // 0..512
    int32_t volume;             // 0..256
    int32_t fade_start_volume;
    int32_t fade_target;
    int32_t previous_target;
    int32_t fade_time;
    int32_t fade_rate;          // volume per ms in 1/1024
    uint32_t fade_start_time;
    uint32_t fade_done_stamp;
    uint8_t *image;             // the whole file
    uint8_t *stream;            // half + KV_SOUND_STEP bytes
    uint8_t *scratch;           // KV_SOUND_STEP bytes: what a step decoded past the half
    uint32_t half_offset, last_play_cursor, carried;
    uint8_t half_last_written;  // 1 or 2
    int64_t pcm_position;       // decoder position of the next refill (Ogg samples)
    int64_t leading_silence;    // bytes
    int64_t bytes_per_second;
    SysSoundBuffer *buffer;
    uint32_t image_offset, image_size;
    uint32_t buffer_bytes;      // two halves, about one second
    KvWaveFormat wave_format;
    // Beyond the stored fields: the decoder's own state.
    int64_t decoded_bytes;      // decoded in this pass (negative while leading silence runs)
    uint32_t half_bytes;
    const uint8_t *pcm;         // WAVE: the PCM data (in the image, or converted)
    uint32_t pcm_size;
    uint8_t *converted;         // WAVE converted to PCM (owned)
    int64_t pcm_offset;         // WAVE: read offset in pcm
    OggVorbis_File *ogg;        // an open decoder kept between refills, or null
};

// The ring of sound codes. Indices are read and written under g_engine_lock.
struct SoundRing {
    int32_t read, write;                        // equal = empty
    TreeNode *node[KV_SOUND_RING_SIZE];         // null = no-op entry
    uint8_t code[KV_SOUND_RING_SIZE];
    char name[KV_SOUND_RING_SIZE][KV_SOUND_RING_NAME];
    int32_t param[KV_SOUND_RING_SIZE];
    int32_t done[KV_SOUND_RING_SIZE];
    uint64_t posted, completed;                 // entries ever posted / run
};
extern SoundRing g_sound_ring;

// Sound codes.
enum {
    SND_LOAD = 1, SND_PLAY, SND_PAUSE, SND_FADE_OUT, SND_VOLUME, SND_FADE_TO, SND_LOOP_COUNT,
    SND_END_POS, SND_START_POS, SND_LOOP_POS, SND_PAN, SND_FREQUENCY, SND_EXISTS, SND_STOP,
    SND_CODE_COUNT
};
// Handler results: negative fatal, 0 keep the entry and stop draining, positive done.
typedef int (*SoundCodeHandler)(TreeNode *node, SoundRecord *rec, const char *name, int32_t param);
extern SoundCodeHandler sound_command_table[SND_CODE_COUNT];

extern uint8_t g_sounds_focus_paused;        // F: sounds paused for focus
extern uint8_t g_direct_sound_ready;         // the device exists
// The sound thread's clock (sys_milliseconds unless a test replaces it).
extern uint32_t (*g_sound_clock)(void);
// Keep each Ogg decoder open between refills (else reopen it for every refill).
extern uint8_t g_sound_ogg_keep_open;

// --- start-up and shutdown ------------------------------------------------------------
int create_direct_sound();
void release_direct_sound();
void init_sound_command_table();
int start_sound_thread(int processor);
void join_sound_thread();
void sound_thread_proc();

// --- posting (any thread but the sound thread) ---------------------------------------
// Posts under g_engine_lock. The entry's ticket (> 0), or 0 when the ring was
// full (110200 reported, nothing written) or the name was refused.
uint64_t sound_post(TreeNode *node, int code, const char *name, int32_t param);
// Waits, outside the lock, until the entry has run, the sound thread has
// ended or the quit flag is set. 1 when the entry ran.
int sound_wait_ticket(uint64_t ticket);
int sound_post_wait(TreeNode *node, int code, const char *name, int32_t param);
bool sound_thread_running();

// --- the thread's pass ---------------------------------------------------------------
// One tick: the pass under g_engine_lock, then the refills it queued, outside.
int sound_thread_tick();
int sound_thread_pass();
int sound_run_refills();
void sound_run_refills_discard();
int sound_queue_drain();
int sound_focus_rule();
void sound_update_fades(TreeNode *first);
// Calls `each` for every sound below `first` (groups first, then the group's
// own record) that is playing or ramping and not paused; on quit, every
// loaded sound is made near-silent and unloaded instead. Stops at a result < 0.
int sound_walk_playing(TreeNode *first, int (*each)(SoundRecord *rec));
int sound_tree_update_positions(TreeNode *first);
int sound_stream_refill(TreeNode *first);
void sound_show_fatal(int code);
void sound_fatal_text(char *out, size_t size, int code);

// --- decoding and streaming -----------------------------------------------------------
int sound_load_file(TreeNode *node, SoundRecord *rec);
int sound_open_decoder(SoundRecord *rec);
int sound_open_ogg(SoundRecord *rec);
int sound_open_wav(SoundRecord *rec);
int sound_create_buffer(SoundRecord *rec, uint16_t channels, uint32_t rate, uint16_t bits);
int sound_create_ds_buffer(SoundRecord *rec);
int sound_seek(SoundRecord *rec, int64_t ms);
int sound_fill_half(SoundRecord *rec);
int sound_refill_at(TreeNode *node, SoundRecord *rec, int64_t ms, int32_t volume);
int sound_ogg_seek(SoundRecord *rec, double seconds);
int sound_ogg_refill_begin(SoundRecord *rec);
void sound_ogg_refill_end(SoundRecord *rec);
int sound_ogg_read(SoundRecord *rec, uint8_t *out, int bytes);
void sound_ogg_close(SoundRecord *rec);
int sound_write_buffer(SoundRecord *rec, const uint8_t *data, uint32_t offset, uint32_t bytes);
void sound_teardown(SoundRecord *rec);
void sound_release_buffers(SoundRecord *rec);
void sound_free_record(SoundRecord *rec);
// The built-in silent WAVE of "ROOT": 4044 bytes (heap).
uint8_t *sound_silent_wave(uint32_t *size);
bool sound_is_root_leaf(const TreeNode *node);

// --- volume, pan, pitch, pausing ---------------------------------------------------------
int32_t sound_volume_units(int32_t v);
int32_t sound_pan_units(int32_t p);
uint32_t sound_frequency_hz(uint32_t rate, int32_t p);
void sound_set_ds_volume(SoundRecord *rec, int32_t v);
void sound_set_pan(SoundRecord *rec, int32_t p);
void sound_set_frequency(SoundRecord *rec, int32_t p);
int32_t sound_group_volume(const TreeNode *node);
int32_t sound_parent_volume(const TreeNode *node);
void sound_apply_volume(TreeNode *node, int32_t v);
void sound_group_apply_volume(TreeNode *group);
void sound_set_near_silent(TreeNode *node);
bool sound_effective_enabled(const TreeNode *node);
bool sound_effective_paused(const TreeNode *node);
int sound_pause(TreeNode *node, SoundRecord *rec);
int sound_resume(TreeNode *node, SoundRecord *rec);
int sound_set_paused_one(TreeNode *node, int pause);
int sound_set_paused_subtree(TreeNode *node, int pause);
int sound_tree_set_paused(TreeNode *first, int pause);
void sound_tree_teardown(TreeNode *first);
void sound_shutdown_all();

int32_t sound_fade_rate(int32_t diff, int32_t ms);

// --- script commands (72-74) without their argument loading -------------------------------
int sound_control_run();
int sound_delete_run();
int sound_info_run();
