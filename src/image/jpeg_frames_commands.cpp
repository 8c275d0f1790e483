// Script commands 92 (load a JPEG frame container and decode a frame into a
// layer), 93 (free the container) and 94 (frame count and header values).
#include <cstring>

#include "core/error_report.h"
#include "core/locate.h"
#include "core/pack.h"
#include "core/tree.h"
#include "image/jpeg_frames.h"
#include "script/args.h"
#include "script/commands.h"
#include "script/vars.h"

int jpeg_frames_load_run()
{
    TreeNode *layer = nullptr;
    if (arg_present(0)) {
        char path[KV_PATH_MAX];
        int kind;
        layer = find_script_path(KV_TREE_LAYER, arg_str(0), KV_FIND_LEAF, path, &kind);
        if (kind < 0)
            return -1;
        if (!layer) {
            report_script_error(101250, 1, path);
            return -1;
        }
    }
    if (arg_present(1)) {
        char name[KV_PATH_MAX];
        const char *given = arg_str(1);
        if (std::strlen(given) >= sizeof name) {
            report_script_error(104010, 1, "");
            return 0;
        }
        std::strcpy(name, given);
        path_to_lower(name);
        sjis_replace_char(name, '/', '\\');
        load_jpeg_frames_file(name);
    }
    if (arg_present(2) && layer)
        decode_jpeg_frame(layer, arg_int(2));
    return 0;
}

int cmd_jpeg_frames_load(void) { return run_with_args(92, jpeg_frames_load_run); }

int cmd_jpeg_frames_free(void)
{
    if (load_command_args(93) & 0xFF)
        return -1;
    free_jpeg_frames();
    return 0;
}

int jpeg_frames_info_run()
{
    uint32_t p = arg_pos(0);
    if (!p)
        return 0;
    int64_t value;
    if (arg_present(1))
        value = g_jpeg_frames.count;
    else if (arg_present(2))
        value = g_jpeg_frames.header_values[0];
    else if (arg_present(3))
        value = g_jpeg_frames.header_values[1];
    else if (arg_present(4))
        value = g_jpeg_frames.header_values[2];
    else
        return 0;
    var_set_number(g_arg_slots.var_id[p], g_arg_slots.var_elem[p], value);
    return 0;
}

int cmd_jpeg_frames_info(void) { return run_with_args(94, jpeg_frames_info_run); }
