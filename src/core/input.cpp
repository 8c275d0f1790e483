// Key counters and input. The main thread polls the window input into a
// staging record just before each frame step; the thread that runs frames
// takes it over under a small lock at the start of its update, so the tables
// that scripts read are written by that thread alone.
#include "core/input.h"

#include <cstring>
#include <mutex>

#include "core/clamp.h"
#include "core/engine_state.h"
#include "core/frame_state.h"
#include "core/window.h"
#include "platform/sys.h"
#include "platform/sys_input.h"
#include "platform/sys_shell.h"

int64_t g_key_hold[KV_KEY_COUNT];
uint8_t g_key_state[KV_KEY_COUNT];
uint64_t g_key_presses[KV_KEY_COUNT];
uint8_t g_input_bytes[KV_KEY_COUNT];
KeyStateFn key_state_fn_table[4] = {key_up_tick, key_press, key_release, key_hold_tick};

int32_t g_active_window = -1;
uint8_t g_mouse_input_enabled = 1;
uint8_t g_keyboard_input_enabled = 1;
uint8_t g_joystick_input_enabled;
std::atomic<int16_t> g_wheel_delta;
std::atomic<uint8_t> g_mouse_moved;

uint8_t g_cursor_autohide = 1;
uint32_t g_cursor_autohide_delay = 2500;
uint8_t g_cursor_shown = 1;
uint8_t g_cursor_request;
uint8_t g_fullscreen_menu_shown;

uint8_t g_window_drag_request;
uint32_t g_window_drag_pos;

uint32_t g_joystick_count;
uint8_t g_joystick_answered[KV_JOY_MAX];

const uint8_t g_keyboard_keys[KV_KEYBOARD_KEYS] = {
    8, 9, 13, 16, 17, 18, 19, 27,
    32, 33, 34, 35, 36, 37, 38, 39, 40,
    44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57,
    65, 66, 67, 68, 69, 70, 71, 72, 73, 74, 75, 76, 77, 78, 79, 80, 81, 82, 83, 84, 85, 86, 87,
    88, 89, 90,
    96, 97, 98, 99, 100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112, 113, 114,
    115, 116, 117, 118, 119, 120, 121, 122, 123, 124, 125, 126, 127, 128, 129, 130, 131, 132,
    133, 134, 135,
    144, 145,
    160, 161, 162, 163, 164, 165,
    186, 187, 188, 189, 190, 191, 192,
    219, 220, 221, 222,
    226,
};

// --- the state callbacks -------------------------------------------------------------
// Counters wrap rather than overflow (a script may have written any value).

void key_up_tick(int key)
{
    g_key_hold[key] = (int64_t)((uint64_t)g_key_hold[key] - 1);
}

void key_press(int key)
{
    g_key_hold[key] = 1;
    g_key_state[key] = 2;
    g_key_presses[key]++;
}

void key_release(int key)
{
    g_key_hold[key] = -1;
    g_key_state[key] = 0;
}

void key_hold_tick(int key)
{
    g_key_hold[key] = (int64_t)((uint64_t)g_key_hold[key] + 1);
}

void register_key_callbacks(void)
{
    key_state_fn_table[0] = key_up_tick;
    key_state_fn_table[1] = key_press;
    key_state_fn_table[2] = key_release;
    key_state_fn_table[3] = key_hold_tick;
}

void key_counter_set(int key, int64_t value)
{
    if (key < 0 || key >= KV_KEY_COUNT)
        return;
    if (g_key_state[key])
        g_key_hold[key] = value > 0 ? value : 0;
    else
        g_key_hold[key] = value < 0 ? value : 0;
}

// --- the input source ------------------------------------------------------------------

static const InputSource k_platform_source = {
    sys_keyboard_state, sys_clear_keyboard_state, sys_cursor_pos, sys_screen_to_client,
    sys_window_is_iconic, sys_joystick_count, sys_joystick_poll,
};
const InputSource *g_input_source = &k_platform_source;

const InputSource *platform_input_source(void)
{
    return &k_platform_source;
}

// --- cursor ------------------------------------------------------------------------------

void request_cursor_visible(void)
{
    if (g_cursor_shown)
        return;
    if (g_windows[0])
        g_windows[0]->autohide_pending = 0;
    g_cursor_request = 1;
    g_cursor_shown = 1;
}

void apply_cursor_request(void)
{
    if (g_cursor_request == 1)
        sys_show_cursor(true);
    else if (g_cursor_request == 2)
        sys_show_cursor(false);
    g_cursor_request = 0;
}

// --- polling (main thread) -------------------------------------------------------------

struct InputStage {
    int32_t active;
    uint8_t keys[256];
    struct { int32_t x, y; uint8_t outside, outside_margin; } win[KV_WINDOW_COUNT];
};
static InputStage g_stage = {-1, {}, {}};
static std::mutex g_stage_lock;

// Letterbox offsets of window 0's frame in its client area (set where the
// frame is presented; 0 while the game fills the client area).
static int32_t letterbox_x(void) { return g_screen_size.letterbox_x; }
static int32_t letterbox_y(void) { return g_screen_size.letterbox_y; }

int64_t client_to_game(int64_t c, int32_t offset, int32_t shown, int32_t game)
{
    int64_t p = c - offset;
    return shown > 0 ? p * game / shown : p;
}

int32_t game_to_client(int64_t g, int32_t offset, int32_t shown, int32_t game)
{
    g = clamp_int32(g);
    int64_t c = g;
    // The read rounds toward zero; of the client pixels that read as g this
    // takes the one nearest 0: the ceiling above 0, the floor below it.
    if (shown > 0 && game > 0)
        c = g >= 0 ? (g * shown + game - 1) / game : -((-g * shown + game - 1) / game);
    c += offset;
    return clamp_int32(c);
}

static void map_window_mouse(int i, int32_t sx, int32_t sy, InputStage &st)
{
    const WindowObject *w = g_windows[i];
    auto &out = st.win[i];
    if (!w || !w->hwnd) {
        out.x = out.y = 0;
        out.outside = out.outside_margin = 1;
        return;
    }
    int32_t x = sx, y = sy;
    int64_t mx = 0, my = 0;
    g_input_source->screen_to_client(w->hwnd, &x, &y);
    if (i == 0) {
        int64_t ox = letterbox_x(), oy = letterbox_y();
        int32_t sw = g_screen_size.shown_width, sh = g_screen_size.shown_height;
        mx = ox;
        my = oy;
        if (sw && sh) {
            mx = ox * w->game_width / sw;
            my = oy * w->game_height / sh;
        } else {
            sw = sh = 0;   // unscaled on both axes
        }
        x = (int32_t)client_to_game(x, (int32_t)ox, sw, w->game_width);
        y = (int32_t)client_to_game(y, (int32_t)oy, sh, w->game_height);
    }
    out.x = x;
    out.y = y;
    int64_t gw = w->game_width, gh = w->game_height;
    out.outside = !(x >= 0 && x < gw && y >= 0 && y < gh);
    out.outside_margin = !(x >= -mx && x < gw + mx && y >= -my && y < gh + my);
}

void poll_window_input(void)
{
    InputStage st;
    std::memset(&st, 0, sizeof st);
    st.active = -1;
    for (int i = 0; i < KV_WINDOW_COUNT; i++)
        if (g_windows[i] && g_windows[i]->active) {
            st.active = i;
            break;
        }
    if (st.active < 0) {
        g_input_source->clear_keyboard_state();
        std::lock_guard<std::mutex> lock(g_stage_lock);
        g_stage.active = -1;
        std::memset(g_stage.keys, 0, sizeof g_stage.keys);
        return;
    }
    if (g_input_source->keyboard_state(st.keys) != 0)
        std::memset(st.keys, 0, sizeof st.keys);
    int32_t sx = 0, sy = 0;
    g_input_source->cursor_pos(&sx, &sy);
    for (int i = 0; i < KV_WINDOW_COUNT; i++)
        map_window_mouse(i, sx, sy, st);
    std::lock_guard<std::mutex> lock(g_stage_lock);
    g_stage = st;
}

// --- the update (the thread that runs frames) ------------------------------------------

static void take_stage(void)
{
    InputStage st;
    {
        std::lock_guard<std::mutex> lock(g_stage_lock);
        st = g_stage;
    }
    g_active_window = st.active;
    if (st.active < 0) {
        std::memset(g_input_bytes, 0, sizeof g_input_bytes);
        return;
    }
    std::memcpy(g_input_bytes, st.keys, sizeof st.keys);
    for (int i = 0; i < KV_WINDOW_COUNT; i++) {
        WindowObject *w = g_windows[i];
        if (!w)
            continue;
        w->mouse_x = st.win[i].x;
        w->mouse_y = st.win[i].y;
        w->outside = st.win[i].outside;
        w->outside_margin = st.win[i].outside_margin;
    }
}

static void update_mouse_keys(int16_t wheel, uint8_t moved)
{
    const WindowObject *w = g_active_window >= 0 ? g_windows[g_active_window] : nullptr;
    // Codes 5 and 6 are the wheel of this frame only: the keyboard state
    // keeps the side buttons there.
    g_input_bytes[KV_KEY_WHEEL_UP] = 0;
    g_input_bytes[KV_KEY_WHEEL_DOWN] = 0;
    if (w && !w->outside_margin) {
        if (wheel < 0)
            g_input_bytes[KV_KEY_WHEEL_DOWN] = 128;
        else if (wheel > 0)
            g_input_bytes[KV_KEY_WHEEL_UP] = 128;
        g_input_bytes[KV_KEY_MOUSE_MOVED] = moved;
    } else if (w) {
        // Outside the window a press does not count; a held button stays held.
        static const int keys[] = {1, 2, 4, 5, 6, 7};
        for (int k : keys)
            if (g_key_hold[k] <= 0)
                g_input_bytes[k] = 0;
    }
    for (int k = 1; k <= 7; k++)
        key_update(k, g_input_bytes[k] >> 7);
}

static void update_keyboard(void)
{
    int any = 0;
    for (uint8_t vk : g_keyboard_keys) {
        int down = g_input_bytes[vk] >> 7;
        any |= down;
        key_update(vk, down);
    }
    key_update(KV_KEY_ANY, any);
}

static void update_cursor_autohide(void)
{
    WindowObject *w0 = g_windows[0];
    if (!w0)
        return;
    if (g_cursor_autohide && !w0->autohide_pending && g_key_hold[KV_KEY_ANY] > 0) {
        w0->autohide_pending = 1;
        w0->autohide_start = sys_milliseconds();
    }
    if (w0->autohide_pending && (int32_t)(g_frame_time - (w0->autohide_start + g_cursor_autohide_delay)) > 0 &&
        g_cursor_shown == 1) {
        g_cursor_request = 2;
        g_cursor_shown = 0;
    }
    if (!g_cursor_autohide)
        return;
    int reshow = w0->outside_margin || g_fullscreen_menu_shown ||
                 (g_key_hold[KV_KEY_MOUSE_MOVED] > 0 && w0->reshow_on_move) ||
                 ((g_key_hold[1] > 0 || g_key_hold[2] > 0 || g_key_hold[4] > 0) && w0->reshow_on_buttons) ||
                 ((g_key_hold[5] > 0 || g_key_hold[6] > 0) && w0->reshow_on_wheel);
    if (reshow) {
        w0->autohide_pending = 0;
        request_cursor_visible();
    }
}

void update_input_state(void)
{
    take_stage();
    int16_t wheel = g_wheel_delta.exchange(0);
    uint8_t moved = g_mouse_moved.exchange(0);
    if (g_mouse_input_enabled)
        update_mouse_keys(wheel, moved);
    if (g_keyboard_input_enabled)
        update_keyboard();
    if (g_joystick_input_enabled)
        poll_joysticks();
    update_cursor_autohide();
    apply_cursor_request();
    for (int i = 0; i < KV_WINDOW_COUNT; i++) {
        WindowObject *w = g_windows[i];
        if (w && w->hwnd && g_input_source->is_iconic(w->hwnd))
            w->active = 0;
    }
    pause_check();
    if (g_window_drag_request) {
        int i = g_window_drag_request - 1;
        if (i >= 0 && i < KV_WINDOW_COUNT && g_windows[i] && g_windows[i]->hwnd)
            sys_window_begin_drag(g_windows[i]->hwnd, g_window_drag_pos);
        g_window_drag_request = 0;
    }
}

// --- joysticks ----------------------------------------------------------------------------

void poll_joysticks(void)
{
    if (!g_joysticks_present)
        return;
    std::memset(g_joystick_answered, 0, sizeof g_joystick_answered);
    for (uint32_t j = 0; j < g_joystick_count && j < KV_JOY_MAX; j++) {
        JoyReading r;
        if (g_input_source->joystick_poll(j, &r) == 0) {
            g_joystick_answered[j] = 1;
        } else {
            // A stick that does not answer is neutral with no buttons.
            r.x = r.y = 32767;
            r.buttons = 0;
        }
        int base = KV_JOY_BASE + KV_JOY_STRIDE * (int)j;
        uint8_t *b = g_input_bytes + base;
        b[0] = r.y < 32767 ? 128 : 0;
        b[1] = r.y > 32767 ? 128 : 0;
        b[2] = r.x < 32767 ? 128 : 0;
        b[3] = r.x > 32767 ? 128 : 0;
        for (int k = 0; k < KV_JOY_BUTTONS; k++)
            b[4 + k] = (r.buttons & (1u << k)) ? 128 : 0;
        for (int k = 0; k < KV_JOY_STRIDE; k++)
            key_update(base + k, b[k] >> 7);
    }
}

int detect_joysticks(void)
{
    uint32_t n = g_input_source->joystick_count();
    if (n < 1) {
        g_joystick_count = 0;
        return 0;
    }
    g_joystick_count = n < (uint32_t)KV_JOY_MAX ? n : (uint32_t)KV_JOY_MAX;
    return 1;
}
