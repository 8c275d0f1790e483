// Platform services of the input update and the debug corner exit.
// Win32: src/platform/win32/input_win32.cpp; stand-in:
// src/platform/null/input_null.cpp (no keyboard, no cursor, no joysticks).
#pragma once

#include <cstdint>

struct JoyReading;

int sys_keyboard_state(uint8_t out[256]);
void sys_clear_keyboard_state(void);
int sys_cursor_pos(int32_t *x, int32_t *y);
int sys_screen_to_client(void *hwnd, int32_t *x, int32_t *y);
int sys_window_is_iconic(void *hwnd);
uint32_t sys_joystick_count(void);
int sys_joystick_poll(uint32_t index, JoyReading *out);
// Posts WM_NCLBUTTONDOWN with HTCAPTION and the packed position to the window.
void sys_window_begin_drag(void *hwnd, uint32_t packed_pos);
// The debug corner exit's question (Yes/No, information icon, owner the
// main window): 1 for Yes.
int sys_corner_exit_confirm(void *owner);

// Physical memory (GlobalMemoryStatus): total and available bytes, load in
// percent. Zeros when unknown.
void sys_memory_status(uint64_t *total, uint64_t *avail, uint32_t *load);
