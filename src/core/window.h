// Window objects: the four output windows of the engine (0 is the main one).
#pragma once

#include "core/kv_base.h"

struct TreeNode;
struct LayerState;

// BITMAPINFOHEADER, field by field.
struct KvDibHeader {
    uint32_t size;
    int32_t width, height;
    uint16_t planes, bit_count;
    uint32_t compression, size_image;
    int32_t x_pels_per_meter, y_pels_per_meter;
    uint32_t clr_used, clr_important;
};

enum { KV_WINDOW_COUNT = 4, KV_TITLE_SIZE = 263, KV_MENU_NAME_SIZE = 264 };

// Close modes.
enum {
    KV_CLOSE_REPORT = 0,    // the close box only reports a close request
    KV_CLOSE_ASK = 1,       // ask, end on yes
    KV_CLOSE_QUITTING = 2,  // the engine is quitting: close at once
    KV_CLOSE_WINDOW = 3     // close this window without ending the engine
};

struct WindowObject {
    int32_t number;
    int32_t game_width, game_height;
    int32_t opacity;                 // 256 = opaque
    uint8_t show_flag;
    uint8_t frame_shown;             // a frame was drawn since the window was last painted black
    uint8_t class_registered;
    uint8_t close_mode;
    uint8_t maximize_allowed, minimize_allowed;
    char title[KV_TITLE_SIZE];
    TreeNode *root_layer;
    char menu_bar_name[KV_MENU_NAME_SIZE];
    int32_t client_left, client_top, client_right, client_bottom;
    void *hwnd;
    uint8_t active;
    int32_t mouse_x, mouse_y;
    uint8_t outside, outside_margin;
    uint8_t reshow_on_move, reshow_on_buttons, reshow_on_wheel;
    uint8_t autohide_pending;
    uint32_t autohide_start;
    KvDibHeader dib;
};

extern WindowObject *g_windows[KV_WINDOW_COUNT];
extern int32_t g_window_slots[KV_WINDOW_COUNT];   // 1 exists, -1 none

// Requests the window procedure leaves for the scripts.
extern int32_t g_menu_command, g_menu_command_companion;
extern int32_t g_last_key;
extern int32_t g_last_mouse_button;
struct WindowEvents { int32_t maximize, minimize, close, fullscreen_toggle; };
extern WindowEvents g_window_events;
extern char **g_dropped_files;
extern int32_t g_dropped_file_count;   // scripts may lower it
extern int32_t g_dropped_files_held;   // names allocated in g_dropped_files
extern uint8_t g_block_screensaver;

// Sizing state of the main window: maximised (and whether the sizing border
// was added for it), the display device that holds it, and a pending
// re-centre on a client size (the window command sets it).
extern uint8_t g_window_maximized;
extern uint8_t g_maximize_frame_added;
extern int32_t g_window_monitor_index;
struct WindowRecentre { uint8_t pending; int32_t width, height; };
extern WindowRecentre g_window_recentre;
// Set when the Direct3D device must be reset before the next present.
extern uint8_t g_force_device_reset;
// The layer by which window 0 can be dragged (window command).
struct DragLayer { uint8_t set; TreeNode *node; LayerState *state; };
extern DragLayer g_drag_layer;
// Make the main window a layered one when it is created (window command).
extern uint8_t g_layered_window;

void window_object_init(WindowObject *win, int32_t number);
void window_object_setup(WindowObject *win, const char *title);
void init_dib_header(WindowObject *win);
int window_create(WindowObject *win, void *instance, int show_command,
                  const char *class_name, const char *title);
void free_dropped_files();
// Flashes the window's task-bar button count times, timeout ms apart: 0, or
// -1 when the system lacks the call.
int window_flash(WindowObject *win, uint32_t timeout, uint32_t count);
