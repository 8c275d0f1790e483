// The sound thread: every 3 ms while codes are queued, else every 20 ms, it
// takes the engine lock for one pass (focus rule, drain, fades, positions,
// refills). A negative result anywhere ends it after a message box.
#include <cstdio>
#include <cstring>

#include "core/engine_state.h"
#include "core/tree.h"
#include "core/window.h"
#include "media/sound.h"
#include "platform/sys.h"
#include "platform/sys_thread.h"
#include "script/scheduler.h"
#include "core/quit.h"

uint8_t g_sounds_focus_paused;
uint32_t (*g_sound_clock)(void) = sys_milliseconds;

static std::thread g_sound_thread;

static int set_focus_paused(uint8_t f)
{
    g_sounds_focus_paused = f;
    return sound_tree_set_paused(g_sound_tree->first_child, f);
}

// R = run while inactive, G = paused, A = main window active, F = paused for focus.
int sound_focus_rule()
{
    const WindowObject *w0 = g_windows[0];
    int a = w0 ? w0->active : 1;
    uint8_t f = g_sounds_focus_paused;
    if (g_run_inactive) {
        if (g_paused && !f)
            return set_focus_paused(1);
        if (!g_paused && f)
            return set_focus_paused(0);
        return 0;
    }
    if (g_paused || (!a && !f))
        return set_focus_paused(1);
    if (a && f)
        return set_focus_paused(0);
    return 0;
}

int sound_thread_pass()
{
    if (!g_sound_tree)
        return 0;
    int r = sound_focus_rule();
    if (r < 0)
        return r;
    r = sound_queue_drain();
    if (r < 0)
        return r;
    sound_update_fades(g_sound_tree->first_child);
    r = sound_tree_update_positions(g_sound_tree->first_child);
    if (r < 0)
        return r;
    return sound_stream_refill(g_sound_tree->first_child);
}

int sound_thread_tick()
{
    {
        std::lock_guard<std::recursive_mutex> lock(g_engine_lock);
        int r = sound_thread_pass();
        if (r < 0) {
            sound_run_refills_discard();
            return r;
        }
    }
    return sound_run_refills();
}

static int sound_thread_loop()
{
    for (;;) {
        bool queued;
        {
            std::lock_guard<std::recursive_mutex> lock(g_engine_lock);
            queued = g_sound_ring.read != g_sound_ring.write;
        }
        sys_sleep(queued ? 3 : 20);
        int r = sound_thread_tick();
        if (r < 0)
            return r;
        if (g_quit_flag.load())
            return 0;
    }
}

void sound_thread_proc()
{
    int r = sound_thread_loop();
    if (r < 0)
        sound_show_fatal(r);
    sound_shutdown_all();
    std::lock_guard<std::recursive_mutex> lock(g_engine_lock);
    g_sound_thread_done = 1;
}

// The done byte is set before the thread exists, so that a shutdown that
// comes at once still waits for it.
int start_sound_thread(int processor)
{
    {
        std::lock_guard<std::recursive_mutex> lock(g_engine_lock);
        g_sound_thread_done = 0;
    }
    try {
        g_sound_thread = std::thread(sound_thread_proc);
    } catch (...) {
        std::lock_guard<std::recursive_mutex> lock(g_engine_lock);
        g_sound_thread_done = 255;
        return -1;
    }
    sys_thread_set_ideal_processor(g_sound_thread, processor);
    return 0;
}

void join_sound_thread()
{
    if (g_sound_thread.joinable())
        g_sound_thread.join();
}

// --- the fatal box ------------------------------------------------------------------

struct FatalText {
    int codes[6];
    const char *text;
};

static const FatalText k_fatal_texts[] = {
    {{-1, -310, -330, -410, -430, -1010}, "エラー番号：%d\n\nサウンドバッファがありませんでした。"},
    {{-110, -120, -440}, "エラー番号：%d\n\nサウンド再生エラーです。"},
    {{-320, -340, -420}, "エラー番号：%d\n\nサウンド再生位置取得エラーです。"},
    {{-1020}, "エラー番号：%d\n\nファイルが開けませんでした。"},
    {{-1030}, "エラー番号：%d\n\noggファイルとして正しく認識できませんでした。"},
    {{-1040}, "エラー番号：%d\n\nシークできないoggファイルでした。"},
    {{-1045}, "複数曲連結OGGには対応していません。"},
    {{-1050}, "エラー番号：%d\n\noggファイルの詳細を取得できませんでした。"},
    {{-1060, -1080}, "エラー番号：%d\n\nDirectSoundバッファエラーです。"},
    {{-1070, -1090}, "エラー番号：%d\n\nDirectSoundバッファが確保できませんでした。"},
    {{-1120}, "エラー番号：%d\n\nDirectSoundバッファ作成エラーです。"},
    {{-2020, -3020}, "エラー番号：%d\n\noggファイルをシークできませんでした。"},
    {{-2010, -3010}, "エラー番号：%d\n\noggファイルを正しく開けませんでした。"},
    {{-3030}, "エラー番号：%d\n\nサウンドバッファに書き込みできませんでした。"},
    {{-3040}, "エラー番号：%d\n\nサウンドバッファをロックできませんでした。"},
    {{-3050}, "エラー番号：%d\n\nサウンドバッファをアンロックできませんでした。"},
    {{-90001, -90002}, "エラー番号：%d\n\noggデコードエラーです。"},
};

static const char k_fatal_other[] =
    "エラー番号：%d\n\nサウンド関係で内部エラーが発生しました。処理を停止します。\n\n"
    "このエラーが発生した場合、宜しければエラー番号と一緒に\n"
    "システム制作者までご報告いただけますと非常に助かります。";

void sound_fatal_text(char *out, size_t size, int code)
{
    const char *text = k_fatal_other;
    for (const FatalText &t : k_fatal_texts)
        for (int c : t.codes)
            if (c != 0 && c == code)
                text = t.text;
    if (std::strstr(text, "%d"))
        std::snprintf(out, size, text, -code);
    else
        std::snprintf(out, size, "%s", text);
}

// Called outside the engine lock.
void sound_show_fatal(int code)
{
    char text[1024];
    sound_fatal_text(text, sizeof text, code);
    sys_sound_show_error("DEBUG Message", text);
    g_quit_flag = 1;
}
