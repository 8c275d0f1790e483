// Stand-in for the system checks: a Windows 7 build number, no system
// folder, file versions unreadable, the write test done with stdio.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/sys_settings.h"

bool sys_os_version(uint32_t *build, uint32_t *platform_id)
{
    *build = 7600;
    *platform_id = 2;
    return true;
}

bool sys_system_folder(char *out, size_t size)
{
    if (size)
        out[0] = 0;
    return false;
}

int32_t sys_file_version(const char *, uint64_t *version)
{
    *version = 0;
    return (int32_t)0x80004005;   // E_FAIL
}

bool sys_folder_writable(const char *folder)
{
    char path[512];
    int n = std::snprintf(path, sizeof path, "%s/ini%u.tmp", folder, (unsigned)std::rand());
    if (n < 0 || (size_t)n >= sizeof path)
        return false;
    FILE *f = std::fopen(path, "wb");
    if (!f)
        return false;
    std::fclose(f);
    std::remove(path);
    return true;
}

void sys_cpu_name(char *out, size_t size)
{
    if (size)
        out[0] = 0;
}

uint32_t sys_memory_mb() { return 0; }

void sys_system_report(SysReportLine) {}
