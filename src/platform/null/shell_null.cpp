// Stand-in shell services for native builds and unit tests.
#include "platform/sys_shell.h"
#include "platform/null/shell_null.h"

#include <cstdio>
#include <ctime>
#include <thread>

bool sys_module_path(char *out, size_t size)
{
    std::snprintf(out, size, "C:\\KAVREN\\kavren.exe");
    return true;
}

void sys_special_folder(int, char *out, size_t size)
{
    if (size)
        out[0] = 0;
}

bool sys_set_current_folder(const char *)
{
    return true;
}

static int g_null_argc;
static char **g_null_argv;
static int g_settings_starts;

void null_set_command_words(int argc, char **argv)
{
    g_null_argc = argc;
    g_null_argv = argv;
}

int null_settings_program_starts()
{
    return g_settings_starts;
}

void sys_command_words(int *argc, char ***argv)
{
    static char prog[] = "kavren.exe";
    static char *words[] = {prog, nullptr};
    if (g_null_argv) {
        *argc = g_null_argc;
        *argv = g_null_argv;
        return;
    }
    *argc = 1;
    *argv = words;
}

int sys_processor_count()
{
    unsigned n = std::thread::hardware_concurrency();
    return n ? (int)n : 1;
}

void sys_desktop_mode(int32_t *width, int32_t *height, int32_t *bpp, int32_t *refresh)
{
    *width = 1280;
    *height = 1024;
    *bpp = 32;
    *refresh = 60;
}

void sys_local_time(KvSystemTime *out)
{
    std::time_t t = std::time(nullptr);
    std::tm tm{};
#if defined(_WIN32)
    localtime_s(&tm, &t);
#else
    localtime_r(&t, &tm);
#endif
    out->year = (uint16_t)(tm.tm_year + 1900);
    out->month = (uint16_t)(tm.tm_mon + 1);
    out->day_of_week = (uint16_t)tm.tm_wday;
    out->day = (uint16_t)tm.tm_mday;
    out->hour = (uint16_t)tm.tm_hour;
    out->minute = (uint16_t)tm.tm_min;
    out->second = (uint16_t)tm.tm_sec;
    out->milliseconds = 0;
}

uint32_t sys_timer_begin_period() { return 0; }
void sys_timer_end_period(uint32_t) {}
void sys_init_common_controls() {}
void sys_show_cursor(bool) {}
bool sys_start_settings_program(void *)
{
    g_settings_starts++;
    return true;
}
bool sys_restart_process(const char *) { return false; }
static uint32_t g_null_res_offset = 4;

void null_set_res_offset(uint32_t offset)
{
    g_null_res_offset = offset;
}

uint32_t sys_read_res_offset()
{
    return g_null_res_offset;
}
void sys_set_thread_ideal_processor(int) {}
