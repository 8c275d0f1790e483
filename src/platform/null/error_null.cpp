// Stand-in for the error dialog and the editor launch: the dialog prints to
// stderr and is recorded; a program registered through
// null_register_executable stands in for a file association.
#include <cstring>
#include <string>

#include "platform/null/error_null.h"
#include "platform/null/output_null.h"
#include "platform/sys_error.h"

static int g_dialog_count;
static std::string g_dialog_caption_text, g_dialog_text;
static std::string g_assoc_ext, g_assoc_exe;
static std::string g_started_program, g_started_parameters;

void sys_show_error_dialog(void *, const char *caption, const char *message)
{
    g_dialog_count++;
    g_dialog_caption_text = caption ? caption : "";
    g_dialog_text = message ? message : "";
    null_print_shown(caption, message);
}

int sys_error_dialog_count() { return g_dialog_count; }
const char *sys_error_dialog_last_caption() { return g_dialog_caption_text.c_str(); }
const char *sys_error_dialog_last_text() { return g_dialog_text.c_str(); }

void null_register_executable(const char *extension, const char *exe)
{
    g_assoc_ext = extension ? extension : "";
    g_assoc_exe = exe ? exe : "";
}

bool sys_find_executable(const char *file, char *out, size_t size)
{
    if (size)
        out[0] = 0;
    size_t n = std::strlen(file), e = g_assoc_ext.size();
    if (e == 0 || n < e || g_assoc_exe.size() + 1 > size)
        return false;
    if (std::strcmp(file + n - e, g_assoc_ext.c_str()) != 0)
        return false;
    std::memcpy(out, g_assoc_exe.c_str(), g_assoc_exe.size() + 1);
    return true;
}

bool sys_shell_execute(const char *program, const char *parameters, void *)
{
    g_started_program = program ? program : "";
    g_started_parameters = parameters ? parameters : "";
    return true;
}

const char *null_started_program() { return g_started_program.c_str(); }
const char *null_started_parameters() { return g_started_parameters.c_str(); }
