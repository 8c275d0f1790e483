// System checks over Win32: version, system folder, file versions, the
// folder write test, processor and memory for the system report.
#include <windows.h>

#include <cpuid.h>
#include <cstdio>
#include <cstring>

#include "platform/sys_settings.h"

bool sys_os_version(uint32_t *build, uint32_t *platform_id)
{
    OSVERSIONINFOA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    BOOL ok = GetVersionExA(&info);
#pragma GCC diagnostic pop
    if (!ok)
        return false;
    *build = info.dwBuildNumber;
    *platform_id = info.dwPlatformId;
    return true;
}

bool sys_system_folder(char *out, size_t size)
{
    UINT n = GetSystemDirectoryA(out, (UINT)size);
    return n > 0 && n < size;
}

int32_t sys_file_version(const char *path, uint64_t *version)
{
    *version = 0;
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &handle);
    if (size == 0)
        return (int32_t)E_FAIL;
    void *data = HeapAlloc(GetProcessHeap(), 0, size);
    if (!data)
        return (int32_t)E_OUTOFMEMORY;
    int32_t result = (int32_t)E_FAIL;
    VS_FIXEDFILEINFO *fixed = nullptr;
    UINT len = 0;
    if (GetFileVersionInfoA(path, 0, size, data) &&
        VerQueryValueA(data, "\\", (void **)&fixed, &len) && fixed && len >= sizeof *fixed) {
        *version = (uint64_t)fixed->dwFileVersionMS << 32 | fixed->dwFileVersionLS;
        result = 0;
    }
    HeapFree(GetProcessHeap(), 0, data);
    return result;
}

bool sys_folder_writable(const char *folder)
{
    char name[MAX_PATH + 16];
    if (!GetTempFileNameA(folder, "ini", 0, name))
        return false;
    FILE *f = std::fopen(name, "wb");
    if (!f) {
        DeleteFileA(name);
        return false;
    }
    std::fclose(f);
    DeleteFileA(name);
    return true;
}

void sys_cpu_name(char *out, size_t size)
{
    if (!size)
        return;
    out[0] = 0;
    unsigned regs[12];
    unsigned a, b, c, d;
    if (!__get_cpuid(0x80000000, &a, &b, &c, &d) || a < 0x80000004)
        return;
    for (unsigned i = 0; i < 3; i++)
        __get_cpuid(0x80000002 + i, &regs[i * 4], &regs[i * 4 + 1], &regs[i * 4 + 2], &regs[i * 4 + 3]);
    char brand[49];
    std::memcpy(brand, regs, 48);
    brand[48] = 0;
    std::snprintf(out, size, "%s", brand);
}

uint32_t sys_memory_mb()
{
    MEMORYSTATUSEX m;
    m.dwLength = sizeof m;
    if (!GlobalMemoryStatusEx(&m))
        return 0;
    return (uint32_t)(m.ullTotalPhys >> 20);
}

#include <mmsystem.h>
#include <shlobj.h>

static void report_cpu_features(SysReportLine line)
{
    unsigned a, b, c, d;
    if (!__get_cpuid(1, &a, &b, &c, &d))
        return;
    char buf[96];
    std::snprintf(buf, sizeof buf, "%s%s%s%s%s%s", (d & bit_MMX) ? "MMX " : "",
                  (d & bit_SSE) ? "SSE " : "", (d & bit_SSE2) ? "SSE2 " : "",
                  (c & bit_SSE3) ? "SSE3 " : "", (c & bit_SSE4_1) ? "SSE4.1 " : "",
                  (c & bit_SSE4_2) ? "SSE4.2 " : "");
    line("CPU_FEATURE", buf);
}

static void report_displays(SysReportLine line)
{
    for (DWORD i = 0; i < 16; i++) {
        DISPLAY_DEVICEA dev;
        std::memset(&dev, 0, sizeof dev);
        dev.cb = sizeof dev;
        if (!EnumDisplayDevicesA(nullptr, i, &dev, 0))
            break;
        line("DISPLAY_DEVICE", dev.DeviceString);
        DEVMODEA mode;
        std::memset(&mode, 0, sizeof mode);
        mode.dmSize = sizeof mode;
        if (EnumDisplaySettingsA(dev.DeviceName, ENUM_CURRENT_SETTINGS, &mode)) {
            char buf[64];
            std::snprintf(buf, sizeof buf, "%lux%lu %lubit %luHz", (unsigned long)mode.dmPelsWidth,
                          (unsigned long)mode.dmPelsHeight, (unsigned long)mode.dmBitsPerPel,
                          (unsigned long)mode.dmDisplayFrequency);
            line("DISPLAY_MODE", buf);
        }
    }
}

// The best output format a sound device offers, in the order of preference.
static const char *best_sound_format(DWORD formats)
{
    static const struct { DWORD mask; const char *name; } order[] = {
        {WAVE_FORMAT_4M16 | WAVE_FORMAT_4S16, "44.1kHz(16-bit)"},
        {WAVE_FORMAT_4M08 | WAVE_FORMAT_4S08, "44.1kHz(8-bit)"},
        {WAVE_FORMAT_2M16 | WAVE_FORMAT_2S16, "22.05kHz(16-bit)"},
        {WAVE_FORMAT_2M08 | WAVE_FORMAT_2S08, "22.05kHz,(8-bit)"},
        {WAVE_FORMAT_1M16 | WAVE_FORMAT_1S16, "11.025kHz(16-bit)"},
        {WAVE_FORMAT_1M08 | WAVE_FORMAT_1S08, "11.025kHz(8-bit)"},
    };
    for (const auto &o : order)
        if (formats & o.mask)
            return o.name;
    return "Disable";
}

static void report_sound_devices(SysReportLine line)
{
    UINT count = waveOutGetNumDevs();
    for (UINT i = 0; i < count && i < 16; i++) {
        WAVEOUTCAPSA caps;
        if (waveOutGetDevCapsA(i, &caps, sizeof caps) != MMSYSERR_NOERROR)
            continue;
        line("SOUND_DEVICE", caps.szPname);
        line("SOUND_FORMAT", best_sound_format(caps.dwFormats));
    }
}

void sys_system_report(SysReportLine line)
{
    report_cpu_features(line);
    report_displays(line);
    report_sound_devices(line);
    line("ADMINISTRATOR", IsUserAnAdmin() ? "1" : "0");
}
