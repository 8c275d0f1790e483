// Engine settings: kvcfg.dat and kvsfs.dat, 32 unsigned 32-bit
// little-endian words each, written by the settings program. A word is
// taken only when it holds one of its listed values; a word the file does
// not hold keeps its default.
#include "core/settings.h"

#include <cstdio>
#include <cstring>

#include "core/byte_order.h"

uint8_t g_movie_rule = 1;
uint8_t g_movie_draw_rule = 0;
uint8_t g_cfg_word1 = 1;
uint8_t g_cfg_sse_enabled = 1;
uint8_t g_cfg_sse2_enabled = 1;
uint8_t g_cfg_two_workers = 1;
uint8_t g_cfg_word5;
uint8_t g_best_fit_mode = 1;
uint8_t g_own_scaler = 1;
uint8_t g_render_mode;
uint8_t g_smooth_scaling = 1;
uint8_t g_gpu_mode;
uint8_t g_caption_dblclick_fullscreen;
uint8_t g_cfg_script_flag;
uint8_t g_texture_16bit;
uint32_t g_texture_format = KV_TEXTURE_FORMAT_A8R8G8B8;
uint8_t g_texture_options_fixed;
uint8_t g_save_location;
char g_save_folder[KV_SAVE_FOLDER_SIZE] = "save\\";

uint8_t g_os_code;
uint8_t g_folder_not_writable;
uint32_t g_directx_major;

void reset_engine_settings()
{
    g_movie_rule = 1;
    g_movie_draw_rule = 0;
    g_cfg_word1 = 1;
    g_cfg_sse_enabled = 1;
    g_cfg_sse2_enabled = 1;
    g_cfg_two_workers = 1;
    g_cfg_word5 = 0;
    g_best_fit_mode = 1;
    g_own_scaler = 1;
    g_render_mode = 0;
    g_smooth_scaling = 1;
    g_gpu_mode = 0;
    g_caption_dblclick_fullscreen = 0;
    g_cfg_script_flag = 0;
    g_texture_16bit = 0;
    g_texture_format = KV_TEXTURE_FORMAT_A8R8G8B8;
    g_texture_options_fixed = 0;
}

// Word k of the file when the file holds all four of its bytes.
static bool settings_word(const uint8_t *data, size_t size, unsigned k, uint32_t *out)
{
    if (!data || (size_t)k * 4 + 4 > size)
        return false;
    *out = get_le32(data + (size_t)k * 4);
    return true;
}

// A 0/1 word into a byte.
static void take_flag(const uint8_t *data, size_t size, unsigned k, uint8_t *setting)
{
    uint32_t w;
    if (settings_word(data, size, k, &w) && w <= 1)
        *setting = (uint8_t)w;
}

typedef void (*WordRule)(uint32_t w);

static void rule_word4(uint32_t w) { if (w == 0) g_cfg_two_workers = 0; }
static void rule_word6(uint32_t w) { if (w <= 1) g_best_fit_mode = (uint8_t)(w == 0); }

static void rule_word7(uint32_t w)
{
    static const uint8_t scaler[4] = {1, 2, 3, 0};
    if (w <= 3)
        g_own_scaler = scaler[w];
}

// Drawing method: Direct3D bicubic, Direct3D sharpened bilinear, CPU
// bilinear, CPU nearest.
static void rule_word8(uint32_t w)
{
    static const uint8_t render[4] = {3, 2, 1, 0};
    static const uint8_t smooth[4] = {1, 1, 1, 0};
    static const uint8_t gpu[4] = {1, 1, 0, 0};
    if (w > 3)
        return;
    g_render_mode = render[w];
    g_smooth_scaling = smooth[w];
    g_gpu_mode = gpu[w];
}

static const struct { unsigned word; WordRule rule; } g_word_rules[] = {
    {4, rule_word4}, {6, rule_word6}, {7, rule_word7}, {8, rule_word8},
};

void apply_engine_settings(const uint8_t *data, size_t size)
{
    take_flag(data, size, 0, &g_movie_rule);
    take_flag(data, size, 1, &g_cfg_word1);
    take_flag(data, size, 2, &g_cfg_sse_enabled);
    take_flag(data, size, 3, &g_cfg_sse2_enabled);
    take_flag(data, size, 5, &g_cfg_word5);
    take_flag(data, size, 9, &g_caption_dblclick_fullscreen);
    take_flag(data, size, 10, &g_cfg_script_flag);
    take_flag(data, size, 13, &g_texture_16bit);
    take_flag(data, size, 16, &g_movie_draw_rule);
    for (size_t i = 0; i < KV_COUNTOF(g_word_rules); i++) {
        uint32_t w;
        if (settings_word(data, size, g_word_rules[i].word, &w))
            g_word_rules[i].rule(w);
    }
    // Textures are always 32-bit A8R8G8B8, whatever word 13 asks; the
    // sampler and texture options go back to their fixed values.
    g_texture_16bit = 0;
    g_texture_format = KV_TEXTURE_FORMAT_A8R8G8B8;
    g_texture_options_fixed = 1;
}

void apply_save_settings(const uint8_t *data, size_t size)
{
    uint32_t w;
    if (settings_word(data, size, 21, &w) && w <= 3)
        g_save_location = (uint8_t)w;
}

void build_save_folder(uint8_t location, const char *appdata, const char *documents,
                       char *out, size_t size)
{
    static const char beside_exe[] = "save\\";
    const char *base = nullptr;
    const char *middle = "";
    if (location == 1) {
        base = appdata;
    } else if (location == 2) {
        base = documents;
    } else if (location == 3) {
        base = documents;
        middle = "\\My Games";
    }
    if (base && base[0]) {
        int n = std::snprintf(out, size, "%s%s\\%s_SaveData\\%s\\save\\", base, middle,
                              "MySoftware", "MyGame");
        if (n > 0 && (size_t)n < size)
            return;
    }
    // Location 0, a special folder that could not be found, or a path too
    // long: the save folder beside the executable.
    std::snprintf(out, size, "%s", beside_exe);
}

// Reads up to the 32 words of a settings file; returns the bytes read, or
// -1 when the file does not open.
static long read_settings_file(const char *path, uint8_t *buf)
{
    FILE *f = std::fopen(path, "rb");
    if (!f)
        return -1;
    size_t n = std::fread(buf, 1, KV_SETTINGS_WORDS * 4, f);
    std::fclose(f);
    return (long)n;
}

int load_engine_settings_file(const char *path)
{
    uint8_t buf[KV_SETTINGS_WORDS * 4];
    long n = read_settings_file(path, buf);
    if (n >= 0)
        apply_engine_settings(buf, (size_t)n);
    return 0;
}

int load_save_settings_file(const char *path, const char *appdata, const char *documents)
{
    uint8_t buf[KV_SETTINGS_WORDS * 4];
    long n = read_settings_file(path, buf);
    if (n >= 0)
        apply_save_settings(buf, (size_t)n);
    build_save_folder(g_save_location, appdata, documents, g_save_folder, sizeof g_save_folder);
    return 0;
}
