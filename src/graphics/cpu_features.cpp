// Processor feature detection through CPUID.
#include "graphics/kernels.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

CpuFeatures g_cpu_features;

// The flags-register probe (toggling bit 21) always succeeds on x86-64.
int cpuid_available()
{
#if defined(__x86_64__)
    return 1;
#elif defined(__i386__)
    return __get_cpuid_max(0, nullptr) != 0;
#else
    return 0;
#endif
}

#if defined(__x86_64__) || defined(__i386__)
// The register state the operating system saves (XCR0): bits 1 and 2 for
// YMM, 5 to 7 as well for the mask registers and ZMM.
static uint32_t os_saved_state()
{
    uint32_t lo, hi;
    __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
    (void)hi;
    return lo;
}
#endif

void detect_cpu_features()
{
    CpuFeatures f = {};
#if defined(__x86_64__) || defined(__i386__)
    if (cpuid_available()) {
        unsigned a, b, c, d;
        __cpuid(0, a, b, c, d);
        unsigned max_leaf = a;
        if (max_leaf >= 1) {
            __cpuid(1, a, b, c, d);
            f.mmx = (d >> 23) & 1;
            f.sse = (d >> 25) & 1;
            f.sse2 = (d >> 26) & 1;
            f.sse3 = c & 1;
            f.ssse3 = (c >> 9) & 1;
            f.sse41 = (c >> 19) & 1;
            f.sse42 = (c >> 20) & 1;
            int osxsave = (c >> 27) & 1;
            uint32_t state = osxsave ? os_saved_state() : 0;
            if (max_leaf >= 7 && (state & 6) == 6) {
                __cpuid_count(7, 0, a, b, c, d);
                f.avx2 = (b >> 5) & 1;
                f.avx512bw = (state & 0xE6) == 0xE6 && ((b >> 16) & 1) && ((b >> 30) & 1);
            }
        }
        __cpuid(0x80000000u, a, b, c, d);
        if (a > 0x80000000u) {
            __cpuid(0x80000001u, a, b, c, d);
            f.amd_3dnow = (d >> 31) & 1;
            f.amd_3dnow_ext = (d >> 30) & 1;
            f.sse4a = (c >> 6) & 1;
            f.xop = (c >> 11) & 1;
        }
    }
#endif
    g_cpu_features = f;
}
