// Command 8: a comma-separated text file split into the elements of a string
// array, or its fields counted. The rules are in text_table.h.
#include "script/text_table.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/error_report.h"
#include "core/locate.h"
#include "core/pack.h"
#include "script/args.h"
#include "script/commands.h"
#include "script/general.h"
#include "script/sjis_text.h"
#include "script/vars.h"

static bool ends_character(unsigned char c)
{
    return c == '\r' || c == '\n' || c == ',';
}

int64_t text_table_split(const char *data, size_t size, TableFieldFn fn, void *ctx)
{
    int64_t fields = 0;
    size_t i = 0, start = 0;
    bool leading = true, line_comma = false, line_blank = true, dq = false, sq = false;
    auto emit = [&](size_t from, size_t to) {
        const char *t = data + from;
        uint32_t n = (uint32_t)sjis_cut(t, to - from, KV_TABLE_FIELD_MAX);
        return fn && fn(ctx, (uint32_t)fields, t, n) != 0 ? -1 : (fields++, 0);
    };
    while (i < size) {
        unsigned char c = (unsigned char)data[i];
        if (c == '\r' || c == '\n') {
            size_t end = i;
            i += (c == '\r' && i + 1 < size && data[i + 1] == '\n') ? 2 : 1;
            if ((line_comma && emit(start, end) < 0) || (!line_comma && line_blank && emit(end, end) < 0))
                return -1;
            dq = false;
            line_comma = false;
            line_blank = true;
            leading = true;
            start = i;
            continue;
        }
        if (c == ',' && !dq && !sq) {
            if (emit(start, i) < 0)
                return -1;
            line_comma = true;
            line_blank = false;
            leading = true;
            start = ++i;
            continue;
        }
        if (c == ' ' || c == '\t') {
            if (leading)
                start = i + 1;
            i++;
            continue;
        }
        leading = false;
        line_blank = false;
        if (c == '"')
            dq = !dq;
        else if (c == '\'')
            sq = !sq;
        bool pair = sjis_is_lead(c) && i + 1 < size && !ends_character((unsigned char)data[i + 1]);
        i += pair ? 2 : 1;
    }
    return fields;
}

int64_t text_table_count(const char *data, size_t size)
{
    // Every count step matches one field of the splitter over the same text.
    return 1 + text_table_split(data, size, nullptr, nullptr);
}

// --- the command ---------------------------------------------------------------

// Finds and loads the table file: 0 with source->data set, or -1 (reported
// where the locator and loaders report).
static int load_table_file(FileSource *source, const char *name)
{
    std::memset(source, 0, sizeof *source);
    int r = locate_file(source, name);
    if (r == 0 || r == -1 || r == -2) {
        report_script_error(r == 0 ? 104060u : r == -1 ? 104010u : 900016u, 1, name);
        return -1;
    }
    if (r < 0 || load_resource(source, name) != 0 || !source->data) {
        std::free(source->data);
        source->data = nullptr;
        return -1;
    }
    return 0;
}

struct TableTarget {
    uint32_t id;
    bool failed;
};

static int store_field(void *ctx, uint32_t index, const char *text, uint32_t length)
{
    TableTarget *t = (TableTarget *)ctx;
    const VarDescriptor *v = var_descriptor(t->id);
    if (v && v->type == VAR_TYPE_STRING && (int64_t)index >= v->count)
        return 1;   // fields beyond the array are dropped
    if (var_set_string(t->id, index, text, length) != 0) {
        t->failed = true;
        return 1;
    }
    return 0;
}

static int split_into_variable(const char *name, uint32_t id)
{
    FileSource src;
    if (load_table_file(&src, name) != 0)
        return -1;
    // The text with CR LF appended (and a terminator), so the last line ends.
    char *text = (char *)std::malloc((size_t)src.size + 3);
    if (!text) {
        std::free(src.data);
        report_script_error_text(VAR_ERR_NO_MEMORY, 1);
        return -1;
    }
    std::memcpy(text, src.data, src.size);
    std::free(src.data);
    std::memcpy(text + src.size, "\r\n", 3);
    TableTarget target = {id, false};
    text_table_split(text, (size_t)src.size + 2, store_field, &target);
    std::free(text);
    return target.failed ? -1 : 0;
}

static int count_into_variable(const char *name, uint32_t id, int64_t elem)
{
    FileSource src;
    if (load_table_file(&src, name) != 0)
        return -1;
    int64_t count = text_table_count((const char *)src.data, src.size);
    std::free(src.data);
    var_set_number(id, elem, count);
    return 0;
}

int load_text_table_run()
{
    uint32_t p = arg_pos(3);
    if (!p)
        return 0;
    char name[KV_ARG_STRING_SIZE];
    std::snprintf(name, sizeof name, "%s", arg_str(0));
    path_to_lower(name);
    sjis_replace_char(name, '/', '\\');
    uint32_t id = g_arg_slots.var_id[p];
    if (arg_present(2) && split_into_variable(name, id) != 0)
        return -1;
    if (arg_present(1) && count_into_variable(name, id, g_arg_slots.var_elem[p]) != 0)
        return -1;
    return 0;
}

int cmd_load_text_table(void)
{
    return (load_command_args(8) & 0xFF) ? -1 : load_text_table_run();
}
