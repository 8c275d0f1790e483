// System checks of start-up: the Windows version code, the DirectX
// generation from the file versions of its libraries, and the system report.
#include <cstdio>
#include <cstring>

#include "core/error_report.h"
#include "core/settings.h"
#include "platform/sys_settings.h"

static const struct { uint32_t build; uint8_t code; } g_os_builds[] = {
    {950, 1}, {1111, 2}, {1212, 3}, {1214, 4}, {1057, 12}, {1381, 13},
    {1998, 20}, {2222, 21}, {3000, 30}, {2195, 40},
    {2211, 45}, {2223, 45}, {2239, 45}, {2247, 45}, {2250, 45}, {2257, 45},
    {2600, 50}, {3790, 60},
    {5219, 65}, {5260, 65}, {5270, 65}, {5381, 65}, {5384, 65}, {5536, 65},
    {5568, 65}, {5600, 65}, {5743, 65},
    {6000, 70}, {6001, 70}, {6002, 70},
    {6801, 80}, {7000, 80}, {7100, 80}, {7600, 80},
    {8158, 90}, {8250, 90}, {8375, 90}, {9200, 90},
    {9374, 91}, {9600, 91},
};

uint8_t os_code_from_build(uint32_t build)
{
    for (size_t i = 0; i < KV_COUNTOF(g_os_builds); i++)
        if (g_os_builds[i].build == build)
            return g_os_builds[i].code;
    return 255;
}

uint8_t get_os_version_code()
{
    uint32_t build, platform;
    if (!sys_os_version(&build, &platform))
        return 255;
    return os_code_from_build(build);
}

int is_windows_nt()
{
    uint32_t build, platform;
    return sys_os_version(&build, &platform) && platform == 2;
}

uint64_t make_version64(uint16_t major, uint16_t minor, uint16_t build, uint16_t revision)
{
    return (uint64_t)major << 48 | (uint64_t)minor << 32 | (uint64_t)build << 16 | revision;
}

int compare_version64(uint64_t a, uint64_t b)
{
    uint32_t ah = (uint32_t)(a >> 32), bh = (uint32_t)(b >> 32);
    uint32_t al = (uint32_t)a, bl = (uint32_t)b;
    if (ah != bh)
        return ah < bh ? -1 : 1;
    if (al != bl)
        return al < bl ? -1 : 1;
    return 0;
}

int32_t get_file_version(const char *path, uint64_t *version)
{
    if (!path || !version)
        return KV_E_INVALIDARG;
    return sys_file_version(path, version);
}

// The generation a system file marks: ddraw.dll by its version 4.02 to
// 4.08, the others by being there at a version of their generation, and
// d3d9.dll by its presence alone.
uint32_t directx_generation_of(const char *file, int present, uint64_t version)
{
    if (!present)
        return 0;
    uint16_t major = (uint16_t)(version >> 48), minor = (uint16_t)(version >> 32);
    uint16_t build = (uint16_t)(version >> 16);
    if (std::strcmp(file, "\\ddraw.dll") == 0) {
        if (major != 4 || minor < 2 || minor > 8)
            return 0;
        if (minor == 2)
            return build <= 95 ? 1 : 2;   // 4.02.0095 came with the first release
        return minor;
    }
    if (std::strcmp(file, "\\d3drg8x.dll") == 0)
        return 3;
    if (std::strcmp(file, "\\dplayx.dll") == 0)
        return compare_version64(version, make_version64(4, 6, 0, 0)) >= 0 ? 6 : 0;
    if (std::strcmp(file, "\\dinput.dll") == 0)
        return compare_version64(version, make_version64(4, 7, 0, 0)) >= 0 ? 7 : 0;
    if (std::strcmp(file, "\\d3d9.dll") == 0)
        return 9;
    return 8;   // d3d8.dll, mpg2splt.ax, dpnet.dll
}

static const char *const g_directx_files[] = {
    "\\ddraw.dll", "\\d3drg8x.dll", "\\dplayx.dll", "\\dinput.dll",
    "\\d3d8.dll", "\\mpg2splt.ax", "\\dpnet.dll", "\\d3d9.dll",
};

static bool file_exists(const char *path)
{
    FILE *f = std::fopen(path, "rb");
    if (!f)
        return false;
    std::fclose(f);
    return true;
}

int detect_directx_version(uint32_t *major, uint32_t *minor, char *letter)
{
    if (major) *major = 0;
    if (minor) *minor = 0;
    if (letter) *letter = 0;
    char folder[300];
    if (!sys_system_folder(folder, sizeof folder))
        return -1;
    uint32_t generation = 0;
    bool read_any = false;
    for (size_t i = 0; i < KV_COUNTOF(g_directx_files); i++) {
        char path[360];
        int n = std::snprintf(path, sizeof path, "%s%s", folder, g_directx_files[i]);
        if (n < 0 || (size_t)n >= sizeof path)
            continue;
        uint64_t version = 0;
        bool has_version = get_file_version(path, &version) == 0;
        bool present = has_version || file_exists(path);
        read_any = read_any || present;
        uint32_t g = directx_generation_of(g_directx_files[i], present, version);
        // Later files are of later generations; one that is missing or old
        // never lowers what an earlier file found.
        if (g > generation)
            generation = g;
    }
    if (!read_any)
        return -1;
    if (major) *major = generation;
    return 0;
}

static void report_line(const char *key, const char *value)
{
    debug_trace("%s = %s", key, value);
}

// The system report goes to the trace hook only; no file is written, and a
// ".\info.txt" in the current folder is removed first.
void write_system_report()
{
    std::remove(".\\info.txt");
    char cpu[64];
    sys_cpu_name(cpu, sizeof cpu);
    debug_trace("CPU_NAME = %s", cpu);
    debug_trace("MEMORY = %uMB", (unsigned)sys_memory_mb());
    sys_system_report(report_line);
    debug_trace("OS_CODE = %d", (int)g_os_code);
    debug_trace("DirectX_VER = %d", (int)g_directx_major);
}
