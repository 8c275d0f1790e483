// The settings calls of start-up, on the engine's own folders.
#include <cstdio>
#include <cstring>

#include "core/entry.h"
#include "core/settings.h"
#include "platform/sys_settings.h"

// folder + name, with one '\' between them (the folder ends in one already).
static void settings_path(char *out, size_t size, const char *name)
{
    size_t n = std::strlen(g_exe_folder);
    const char *sep = (n && g_exe_folder[n - 1] == '\\') ? "" : "\\";
    std::snprintf(out, size, "%s%s%s", g_exe_folder, sep, name);
}

int load_engine_settings()
{
    char path[KV_PATH_SIZE + 16];
    settings_path(path, sizeof path, "kvcfg.dat");
    reset_engine_settings();
    return load_engine_settings_file(path);
}

int load_save_settings()
{
    char path[KV_PATH_SIZE + 16];
    settings_path(path, sizeof path, "kvsfs.dat");
    return load_save_settings_file(path, g_appdata_folder, g_documents_folder);
}

void check_folder_writable()
{
    g_folder_not_writable = sys_folder_writable(g_data_folder) ? 0 : 1;
}
