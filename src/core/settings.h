// Engine settings files (kvcfg.dat, kvsfs.dat) and the system checks of
// start-up: OS code, folder write test, DirectX generation, system report.
#pragma once

#include <cstddef>

#include "core/kv_base.h"

enum {
    KV_SETTINGS_WORDS = 32,          // both files: 32 u32 little-endian words
    KV_SAVE_FOLDER_SIZE = 400,
    KV_TEXTURE_FORMAT_A8R8G8B8 = 21  // the one texture format the engine uses
};

// kvcfg.dat
extern uint8_t g_movie_rule;         // word 0: 0 wait while a movie window exists, 1 while a movie plays
extern uint8_t g_cfg_word1;          // word 1: stored only
extern uint8_t g_cfg_sse_enabled;    // word 2: SSE paths allowed
extern uint8_t g_cfg_sse2_enabled;   // word 3: SSE2 row kernels allowed
extern uint8_t g_cfg_two_workers;    // word 4 = 0 clears it: at most one render worker
extern uint8_t g_cfg_word5;          // word 5: accepted, no effect
extern uint8_t g_best_fit_mode;      // word 6
extern uint8_t g_own_scaler;         // word 7
extern uint8_t g_render_mode;        // word 8: 0..3
extern uint8_t g_smooth_scaling;     // word 8
extern uint8_t g_gpu_mode;           // word 8
extern uint8_t g_caption_dblclick_fullscreen;  // word 9
extern uint8_t g_cfg_script_flag;    // word 10: read by scripts through a system variable
extern uint8_t g_movie_draw_rule;    // word 16: movie player, 1 DirectShow, else MCI (default 0)
extern uint8_t g_texture_16bit;      // word 13: always forced back to 0 (32-bit textures)
extern uint32_t g_texture_format;    // Direct3D format, 21 (A8R8G8B8) once kvcfg.dat was read
extern uint8_t g_texture_options_fixed;  // set when kvcfg.dat fixed the sampler/texture options
// Words 11, 12, 14, 15 and 17-31 are not read: whatever word 11 holds, the
// engine starts windowed (a script enters full screen with the window command).

// kvsfs.dat
extern uint8_t g_save_location;      // word 21: 0..3
extern char g_save_folder[KV_SAVE_FOLDER_SIZE];  // always ends in '\'

// System checks
extern uint8_t g_os_code;
extern uint8_t g_folder_not_writable;
extern uint32_t g_directx_major;

// Start-up calls, in this order. Both return 0 whatever happens.
int load_engine_settings();
int load_save_settings();
uint8_t get_os_version_code();
int is_windows_nt();
void check_folder_writable();
// 0, or negative when no version could be read.
int detect_directx_version(uint32_t *major, uint32_t *minor, char *letter);
void write_system_report();

// Failure codes of get_file_version (the HRESULT values of Windows).
#define KV_E_INVALIDARG ((int32_t)0x80070057)
#define KV_E_FAIL ((int32_t)0x80004005)
#define KV_E_OUTOFMEMORY ((int32_t)0x8007000E)

// 0, or KV_E_INVALIDARG / KV_E_FAIL / KV_E_OUTOFMEMORY.
int32_t get_file_version(const char *path, uint64_t *version);
uint64_t make_version64(uint16_t major, uint16_t minor, uint16_t build, uint16_t revision);
int compare_version64(uint64_t a, uint64_t b);

// The portable rules behind the calls above.
void reset_engine_settings();                       // every kvcfg.dat setting to its default
void apply_engine_settings(const uint8_t *data, size_t size);   // kvcfg.dat bytes
void apply_save_settings(const uint8_t *data, size_t size);     // kvsfs.dat bytes
// Builds the save folder for a location; an empty special folder (a failed
// query) falls back to "save\" beside the executable.
void build_save_folder(uint8_t location, const char *appdata, const char *documents,
                       char *out, size_t size);
// The same as load_engine_settings / load_save_settings for given paths.
int load_engine_settings_file(const char *path);
int load_save_settings_file(const char *path, const char *appdata, const char *documents);
uint8_t os_code_from_build(uint32_t build);
// DirectX generation from the version of one system file (0: marks none).
uint32_t directx_generation_of(const char *file, int present, uint64_t version);
