// Key counters and input: once per frame the keyboard, the mouse and up to
// sixteen joysticks become one table of per-key counters that scripts read.
#pragma once

#include <atomic>

#include "core/kv_base.h"

enum {
    KV_KEY_COUNT = 1024,
    KV_KEY_ANY = 0,              // any of the listed keyboard keys
    KV_KEY_LBUTTON = 1, KV_KEY_RBUTTON = 2, KV_KEY_MBUTTON = 4,
    KV_KEY_WHEEL_UP = 5, KV_KEY_WHEEL_DOWN = 6, KV_KEY_MOUSE_MOVED = 7,
    KV_KEYBOARD_KEYS = 117,
    KV_JOY_BASE = 384,           // joystick j: 384 + 36j + 0..3 axes, + 4 + b buttons
    KV_JOY_STRIDE = 36,
    KV_JOY_MAX = 16,
    KV_JOY_BUTTONS = 32,
    KV_KEY_NEVER = 1023          // a slot that no key fills
};

// KeyCounters: hold counter (1 on the frame of a press, then 2, 3 ...; -1 on
// the frame of a release, then -2 ...), state (0 up, 2 down) and press count.
extern int64_t g_key_hold[KV_KEY_COUNT];
extern uint8_t g_key_state[KV_KEY_COUNT];
extern uint64_t g_key_presses[KV_KEY_COUNT];
// Down bits of the frame (bit 7): keyboard state, mouse and joystick bytes.
extern uint8_t g_input_bytes[KV_KEY_COUNT];

// The virtual-key codes of the 117 keyboard keys, in update order.
extern const uint8_t g_keyboard_keys[KV_KEYBOARD_KEYS];

// The four state callbacks, indexed by state + down bit.
typedef void (*KeyStateFn)(int key);
extern KeyStateFn key_state_fn_table[4];
void key_up_tick(int key);       // up, up
void key_press(int key);         // up, down
void key_release(int key);       // down, up
void key_hold_tick(int key);     // down, down
void register_key_callbacks(void);
// Advances key `key` by its down bit (0 or 1).
static inline void key_update(int key, int down)
{
    key_state_fn_table[g_key_state[key] + (down & 1)](key);
}

// Script writes to a hold counter pass the state filter: up keys keep only
// negative values, down keys only positive ones (else 0).
void key_counter_set(int key, int64_t value);

extern int32_t g_active_window;           // first active window 0..3, or -1
extern uint8_t g_mouse_input_enabled;     // initial 1
extern uint8_t g_keyboard_input_enabled;  // initial 1
extern uint8_t g_joystick_input_enabled;  // initial 0

// Written by the window procedure, cleared after each update.
extern std::atomic<int16_t> g_wheel_delta;
extern std::atomic<uint8_t> g_mouse_moved;

// Cursor auto-hide and the cursor request (0 none, 1 show, 2 hide).
extern uint8_t g_cursor_autohide;          // initial 1
extern uint32_t g_cursor_autohide_delay;   // initial 2500 ms
extern uint8_t g_cursor_shown;             // initial 1
extern uint8_t g_cursor_request;
extern uint8_t g_fullscreen_menu_shown;    // the full-screen menu bar is shown
void request_cursor_visible(void);
void apply_cursor_request(void);

// Window drag: window number + 1 and the packed cursor position (lParam).
extern uint8_t g_window_drag_request;
extern uint32_t g_window_drag_pos;

// Joysticks.
extern uint32_t g_joystick_count;          // at most 16
extern uint8_t g_joystick_answered[KV_JOY_MAX];

// Called by the main loop before each frame step (main thread).
void poll_window_input(void);
// Window 0's mouse mapping along one axis: a client coordinate to the game's
// (the letterbox offset off, scaled by game / shown size), and back. The way
// back picks the client pixel nearest 0 that reads as the game position again.
int64_t client_to_game(int64_t c, int32_t offset, int32_t shown, int32_t game);
int32_t game_to_client(int64_t g, int32_t offset, int32_t shown, int32_t game);
// Step 4 of the frame step (the thread that runs frames).
void update_input_state(void);
void poll_joysticks(void);
// 1 when at least one joystick exists, else 0.
int detect_joysticks(void);

// --- the input source ---------------------------------------------------------
// Where the input comes from: the platform (sys_input.h) unless a test
// installs a scripted source. Window handles are the WindowObject's.
struct JoyReading {
    uint32_t x, y;          // 0..65535, 32767 neutral
    uint32_t buttons;       // bit b = button b
};
struct InputSource {
    // Keyboard state of the thread (bit 7 = down); 0 on success.
    int (*keyboard_state)(uint8_t out[256]);
    void (*clear_keyboard_state)(void);
    // Cursor position in screen coordinates; 0 on success.
    int (*cursor_pos)(int32_t *x, int32_t *y);
    // Screen to client coordinates of a window; 0 on success.
    int (*screen_to_client)(void *hwnd, int32_t *x, int32_t *y);
    int (*is_iconic)(void *hwnd);
    // Number of joystick slots (joyGetNumDevs) and one reading (0 = answered).
    uint32_t (*joystick_count)(void);
    int (*joystick_poll)(uint32_t index, JoyReading *out);
};
extern const InputSource *g_input_source;
// The platform's own source.
const InputSource *platform_input_source(void);
