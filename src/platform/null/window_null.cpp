// Stand-in windows for native builds: a window "exists" once created, and
// a close request destroys it and ends the pump at once.
#include "platform/null/shell_null.h"
#include "platform/sys_window.h"

#include "core/window.h"

static bool g_quit_posted;
static int g_create_count;

int null_window_create_count()
{
    return g_create_count;
}

int sys_window_create(WindowObject *win, void *, int, const char *, const char *)
{
    static int fake_handle;
    g_create_count++;
    win->hwnd = &fake_handle;
    win->class_registered = 1;
    return 1;
}

bool sys_pump_messages()
{
    if (g_quit_posted) {
        g_quit_posted = false;
        return false;
    }
    return true;
}

bool sys_window_post_close(WindowObject *win)
{
    if (!win->hwnd)
        return false;
    win->hwnd = nullptr;
    if (win->number >= 0 && win->number < KV_WINDOW_COUNT)
        g_window_slots[win->number] = -1;
    if (win->close_mode != KV_CLOSE_WINDOW)
        g_quit_posted = true;
    return true;
}

void sys_window_post_command(WindowObject *, int id)
{
    g_menu_command = id;
}

bool sys_window_exists(const WindowObject *win)
{
    return win->hwnd != nullptr;
}

static int g_show_count;

int null_window_show_count()
{
    return g_show_count;
}

void sys_window_show(WindowObject *)
{
    g_show_count++;
}
void sys_redraw_all() {}
void sys_window_remove_thick_frame(WindowObject *) {}
void sys_window_detach_ime(WindowObject *) {}
void frame_size_for_client(void *, int32_t *w, int32_t *h)
{
    *w = 0;
    *h = 0;
}
int sys_window_flash(WindowObject *, uint32_t, uint32_t) { return 0; }
int sys_window_set_region(WindowObject *win, const SizeRect *, int count)
{
    return win->hwnd && count >= 0 ? 0 : -1;
}

int sys_preview_run(uint64_t) { return 1; }
