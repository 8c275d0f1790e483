// kvcfg.kbn: game size, window style, extension orders, frame thread mode,
// debug and sound switches, and the window title.
#include <cstring>

#include "core/engine_state.h"
#include "core/error_report.h"
#include "core/locate.h"
#include "core/window.h"
#include "script/kbn_read.h"
#include "script/project.h"
#include "script/project_private.h"

enum { KV_TITLE_MAX = 128 };

// The smallest of 256, 512, 1024, 2048 that holds n, else 4096.
static uint32_t texture_side(uint32_t n)
{
    for (uint32_t s = 256; s <= 2048; s *= 2)
        if (n <= s)
            return s;
    return 4096;
}

int load_project_config(void)
{
    KbnFile f;
    if (kbn_read_file(KV_PATH_KVCFG, &f, 0) != KBN_OK)
        return -1;
    if (f.size < 78) {
        kbn_free(&f);
        return kbn_report_damaged(KV_PATH_KVCFG);
    }
    const uint8_t *d = f.data;
    uint32_t w = get_le32(d + 16), h = get_le32(d + 20);
    if (w == 0 && h == 0) {
        w = (uint32_t)g_desktop_mode.width;
        h = (uint32_t)g_desktop_mode.height;
    } else if (w < 128 || w > 8192 || h < 16 || h > 8192) {
        kbn_free(&f);
        report_system_error(901020, 1);
        return -1;
    }
    uint32_t title_len = get_le16(d + 76);
    if (title_len > KV_TITLE_MAX) {
        kbn_free(&f);
        report_system_error(901000, 1);
        return -1;
    }
    if (78 + title_len > f.size) {
        kbn_free(&f);
        return kbn_report_damaged(KV_PATH_KVCFG);
    }
    uint32_t thread_mode = get_le32(d + 40);
    if (thread_mode > 1) {
        kbn_free(&f);
        report_system_error(901020, 1);
        return -1;
    }
    g_game_width = w;
    g_game_height = h;
    if (g_windows[0]) {
        g_windows[0]->game_width = (int32_t)w;
        g_windows[0]->game_height = (int32_t)h;
        g_windows[0]->show_flag = d[24];
    }
    std::memcpy(g_window_title, d + 78, title_len);
    g_window_title[title_len] = 0;
    if (title_len == 0)
        std::strcpy(g_window_title, " ");
    // Four u16 image codes and two u16 sound codes; their low bytes are the
    // probing orders.
    for (int i = 0; i < 4; i++)
        g_image_ext_order[i] = d[28 + 2 * i];
    for (int i = 0; i < 2; i++)
        g_sound_ext_order[i] = d[36 + 2 * i];
    g_frame_thread_mode = (uint8_t)thread_mode;
    g_debug_mode = d[44];
    g_sound_enabled = d[48];
    g_window_resizable = d[52];
    g_window_framed = d[56];
    for (int i = 0; i < 3; i++)
        g_project_flags[i] = d[60 + 4 * i];
    kbn_free(&f);
    if (!g_frame_texture_size[0]) {
        g_frame_texture_size[0] = texture_side(w);
        g_frame_texture_size[1] = texture_side(h);
    }
    return 0;
}
