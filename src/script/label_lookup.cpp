// Label lookup by name, and the location (script file name and line) of the
// instruction being run, for located error reports.
#include <cstring>

#include "core/error_report.h"
#include "core/tree.h"
#include "script/project.h"
#include "script/script_file.h"
#include "script/task.h"

int name_table_find(const char *name, uint32_t length)
{
    uint32_t h = murmur2(name, length);
    uint32_t i = g_name_table.buckets[h >> 24];
    // The scan runs on past the end of the bucket: records are sorted by hash.
    for (; i < g_name_table.count; i++) {
        const LabelRecord *l = g_name_table.labels[i];
        if (l->hash == h && std::strlen(l->name) == length &&
            std::memcmp(l->name, name, length) == 0)
            return (int)i;
    }
    return -1;
}

int script_location_of(uint32_t file, uint32_t instr, const char **name, uint32_t *line)
{
    *name = "";
    *line = 1;
    if (!g_script_names || file >= g_script_count)
        return 0;
    *name = g_script_names[file];
    const ScriptFile *f = g_script_files && file < g_script_file_count ? g_script_files[file] : nullptr;
    if (f && instr < f->instr_count)
        *line = f->line_table[instr];
    return 1;
}

int script_current_location(const char **name, uint32_t *line)
{
    *name = "";
    *line = 1;
    if (!g_cur_script)
        return 0;
    return script_location_of(g_cur_script->file_number, g_cur_instr, name, line);
}

// The reporter's hook: the current task's file name and line.
static bool error_location(const char **file, int32_t *line)
{
    uint32_t l;
    if (!script_current_location(file, &l))
        return false;
    *line = (int32_t)l;
    return true;
}

void install_error_location(void)
{
    g_error_location_fn = error_location;
}
