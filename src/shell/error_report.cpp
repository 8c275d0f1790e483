// Error reporting (first cut: formats and records the report, shows it once).
#include "shell/error_report.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/sys.h"
#include "shell/quit.h"

char g_error_text[1024];
uint32_t g_last_error_code;
static uint8_t g_error_shown;

const char *error_text(uint32_t code)
{
    (void)code;
    return "";
}

static void report(uint32_t code, uint8_t fatal)
{
    g_last_error_code = code;
    std::snprintf(g_error_text, sizeof g_error_text, "%u", code);
    if (fatal)
        g_quit_flag = 1;
    if (!g_error_shown) {
        g_error_shown = 1;
        sys_message_box("KAVREN Debug Info.", g_error_text);
    }
}

void report_script_error(uint32_t code, uint8_t fatal, ...) { report(code, fatal); }
void report_system_error(uint32_t code, uint8_t fatal, ...) { report(code, fatal); }
void report_script_error_text(uint32_t code, uint8_t fatal) { report(code, fatal); }
void report_system_error_text(uint32_t code, uint8_t fatal) { report(code, fatal); }

int message_box_printf(const char *caption, const char *format, ...)
{
    char buf[1024];
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(buf, sizeof buf, format, ap);
    va_end(ap);
    return sys_message_box(caption, buf);
}

void debug_trace(const char *, ...) {}
