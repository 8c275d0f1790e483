// Error reporting: every failure of the engine reaches the user through these.
#pragma once

#include "core/kv_base.h"

// Reporters: a six-digit code and a fatal flag (a fatal report sets
// g_quit_flag). Only the first report of a run is shown.
void report_script_error(uint32_t code, uint8_t fatal, ...);
void report_system_error(uint32_t code, uint8_t fatal, ...);
void report_script_error_text(uint32_t code, uint8_t fatal);
void report_system_error_text(uint32_t code, uint8_t fatal);

// The text of a code: built-in texts first, then the project's error table.
const char *error_text(uint32_t code);

int message_box_printf(const char *caption, const char *format, ...);
void debug_trace(const char *format, ...);

// The text of the last report, prefix included, and its code (0 when none).
extern char g_error_text[1024];
extern uint32_t g_last_error_code;
