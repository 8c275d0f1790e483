// Command 10: a message box, or the one-line input dialog IDD_KVI, whose
// answer the script receives in its variables.
#include <cstdlib>

#include "core/error_report.h"
#include "core/input.h"
#include "platform/sys_dialog.h"
#include "script/args.h"
#include "script/commands.h"
#include "script/general.h"
#include "script/vars.h"

uint32_t message_box_flags(bool ok_cancel, bool yes_no, bool yes_no_cancel,
                           int64_t default_button, int64_t icon)
{
    uint32_t flags = KV_MB_OK;
    if (ok_cancel)
        flags = KV_MB_OKCANCEL;
    if (yes_no)
        flags = KV_MB_YESNO;
    if (yes_no_cancel)
        flags = KV_MB_YESNOCANCEL;
    if (default_button == 2)
        flags |= KV_MB_DEFBUTTON2;
    else if (default_button == 3)
        flags |= KV_MB_DEFBUTTON3;
    static const uint32_t icons[5] = {0, KV_MB_ICONINFORMATION, KV_MB_ICONQUESTION,
                                      KV_MB_ICONWARNING, KV_MB_ICONERROR};
    if (icon >= 1 && icon <= 4)
        flags |= icons[icon];
    return flags;
}

int message_box_choice(uint32_t flags, int result)
{
    uint32_t buttons = flags & 0xF;
    if (buttons == KV_MB_OK || buttons == KV_MB_OKCANCEL)
        return result == KV_IDOK ? 1 : result == KV_IDCANCEL ? 2 : 0;
    return result == KV_IDYES ? 1 : result == KV_IDNO ? 2 : result == KV_IDCANCEL ? 3 : 0;
}

static void store_choice(int choice)
{
    uint32_t p = arg_pos(11);
    if (p && choice)
        var_set_number(g_arg_slots.var_id[p], g_arg_slots.var_elem[p], choice);
}

enum { KV_INPUT_RESULT_SIZE = 4096 };

static int input_dialog_run()
{
    InputDialogRequest req;
    req.max_length = (int32_t)arg_int(17);
    req.caption = arg_str(0);
    req.initial = arg_str(9);
    req.prompt = arg_str(1);
    req.result_size = KV_INPUT_RESULT_SIZE;
    req.result = (char *)std::calloc(1, KV_INPUT_RESULT_SIZE);
    if (!req.result) {
        report_script_error_text(VAR_ERR_NO_MEMORY, 1);
        return -1;
    }
    if (sys_input_dialog(script_owner_window(), &req) == 1) {
        store_choice(1);
        if (uint32_t p = arg_pos(10))
            store_string_element(g_arg_slots.var_id[p], g_arg_slots.var_elem[p], req.result);
    }
    std::free(req.result);
    return 0;
}

int message_box_run()
{
    request_cursor_visible();
    apply_cursor_request();
    if (arg_present(16))
        return input_dialog_run();
    uint32_t flags = message_box_flags(arg_present(13), arg_present(14), arg_present(15),
                                       arg_int(18), arg_int(19));
    int r = sys_script_message_box(script_owner_window(), arg_str(1), arg_str(0), flags);
    store_choice(message_box_choice(flags, r));
    return 0;
}

int cmd_message_box(void)
{
    return (load_command_args(10) & 0xFF) ? -1 : message_box_run();
}
