// The editor button's action: the shown report's script, under the
// executable's folder.
#include "core/entry.h"
#include "core/error_report.h"

bool open_error_location_in_editor()
{
    ErrorLocation loc = error_dialog_location();
    if (!loc.file)
        return false;
    return open_in_editor(g_exe_folder, loc.file, loc.line);
}
