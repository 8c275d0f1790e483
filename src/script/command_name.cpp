// The name of a command in the compiled project's command list, for reports.
#include "script/commands.h"
#include "script/project.h"

const char *script_command_name(int c)
{
    if (g_command_defs && c >= 0 && (uint32_t)c < g_command_def_count && g_command_defs[c].name)
        return g_command_defs[c].name;
    return "";
}
