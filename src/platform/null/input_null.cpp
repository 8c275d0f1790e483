// Stand-in input for native builds: nothing is ever down, there is no cursor
// and there are no joysticks. Tests feed input through their own InputSource.
#include "platform/sys_input.h"

#include <cstring>

#include "core/input.h"

int sys_keyboard_state(uint8_t out[256])
{
    std::memset(out, 0, 256);
    return 0;
}

void sys_clear_keyboard_state(void) {}

int sys_cursor_pos(int32_t *x, int32_t *y)
{
    *x = 0;
    *y = 0;
    return -1;
}

int sys_screen_to_client(void *, int32_t *, int32_t *)
{
    return -1;
}

int sys_window_is_iconic(void *)
{
    return 0;
}

uint32_t sys_joystick_count(void)
{
    return 0;
}

int sys_joystick_poll(uint32_t, JoyReading *out)
{
    out->x = out->y = 32767;
    out->buttons = 0;
    return -1;
}

void sys_window_begin_drag(void *, uint32_t) {}

int sys_corner_exit_confirm(void *)
{
    return 0;
}

void sys_memory_status(uint64_t *total, uint64_t *avail, uint32_t *load)
{
    *total = *avail = 0;
    *load = 0;
}
