// Start-up choice of the kernel set (kept apart from the table so that
// programs without the settings can still use the kernels).
#include "core/settings.h"
#include "graphics/kernels.h"

void init_pixel_kernels()
{
    detect_cpu_features();
    install_pixel_kernels(kernel_level_for(g_cpu_features, g_cfg_sse_enabled, g_cfg_sse2_enabled), 1);
}
