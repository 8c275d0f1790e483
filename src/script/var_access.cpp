// The variable table and the element accessors: the one place that reads and
// writes element arrays for the commands.
#include <cstdlib>
#include <cstring>

#include "core/error_report.h"
#include "script/expr.h"
#include "script/sjis_text.h"
#include "script/sysvars.h"
#include "script/vars.h"

VarDescriptor **g_vars;
uint32_t g_var_count;

VarDescriptor *var_descriptor(uint32_t id)
{
    return (g_vars && id < g_var_count) ? g_vars[id] : nullptr;
}

uint64_t g_var_layout_gen = 1;

void var_release_values(VarDescriptor *v)
{
    g_var_layout_gen++;
    if (v->strings) {
        for (int64_t k = 0; k < v->count; k++)
            free(v->strings[k]);
    }
    free(v->ints);
    free(v->floats);
    free(v->strings);
    free(v->caps);
    v->ints = nullptr;
    v->floats = nullptr;
    v->strings = nullptr;
    v->caps = nullptr;
    v->count = 0;
}

void var_table_free(void)
{
    if (g_vars) {
        for (uint32_t id = 0; id < g_var_count; id++) {
            if (g_vars[id]) {
                var_release_values(g_vars[id]);
                free(g_vars[id]);
            }
        }
    }
    free(g_vars);
    g_vars = nullptr;
    g_var_count = 0;
    g_var_layout_gen++;
}

int var_table_alloc(uint32_t count)
{
    var_table_free();
    g_vars = (VarDescriptor **)calloc(count ? count : 1, sizeof *g_vars);
    if (!g_vars) {
        report_system_error_text(VAR_ERR_NO_MEMORY, 1);
        return -1;
    }
    g_var_count = count;
    g_var_layout_gen++;
    for (uint32_t id = 0; id < count; id++) {
        g_vars[id] = (VarDescriptor *)calloc(1, sizeof(VarDescriptor));
        if (!g_vars[id]) {
            var_table_free();
            report_system_error_text(VAR_ERR_NO_MEMORY, 1);
            return -1;
        }
    }
    return 0;
}

static bool in_range(const VarDescriptor *v, int64_t index)
{
    return index >= 0 && index < v->count;
}

// --- readers --------------------------------------------------------------------

int64_t var_get_int(uint32_t id, int64_t index)
{
    const VarDescriptor *v = var_descriptor(id);
    if (!v)
        return 0;
    if (id < VAR_SYSTEM_LIMIT) {
        if (v->type == VAR_TYPE_INT)
            return sysvar_get_int(id, (int32_t)index);
        if (v->type == VAR_TYPE_FLOAT)
            return kv_double_to_int(sysvar_get_float(id, (int32_t)index));
        return 0;
    }
    if (!in_range(v, index))
        return 0;
    if (v->type == VAR_TYPE_INT)
        return v->ints[index];
    if (v->type == VAR_TYPE_FLOAT)
        return kv_double_to_int(v->floats[index]);
    return 0;
}

double var_get_float(uint32_t id, int64_t index)
{
    const VarDescriptor *v = var_descriptor(id);
    if (!v)
        return 0.0;
    if (id < VAR_SYSTEM_LIMIT) {
        if (v->type == VAR_TYPE_FLOAT)
            return sysvar_get_float(id, (int32_t)index);
        if (v->type == VAR_TYPE_INT)
            return (double)sysvar_get_int(id, (int32_t)index);
        return 0.0;
    }
    if (!in_range(v, index))
        return 0.0;
    if (v->type == VAR_TYPE_FLOAT)
        return v->floats[index];
    if (v->type == VAR_TYPE_INT)
        return (double)v->ints[index];
    return 0.0;
}

const char *var_get_string(uint32_t id, int64_t index)
{
    static char system_text[EXPR_STRING_SIZE];
    const VarDescriptor *v = var_descriptor(id);
    if (!v || v->type != VAR_TYPE_STRING)
        return nullptr;
    if (id < VAR_SYSTEM_LIMIT) {
        size_t n = sysvar_get_string(id, (int32_t)index, system_text, sizeof system_text);
        system_text[n < sizeof system_text ? n : sizeof system_text - 1] = 0;
        return system_text;
    }
    if (!in_range(v, index))
        return nullptr;
    return v->strings[index] ? v->strings[index] : "";
}

// --- writers --------------------------------------------------------------------

// The descriptor of a created variable; 108010 for an id beyond the table
// or a variable that was never created.
static VarDescriptor *existing(uint32_t id)
{
    VarDescriptor *v = var_descriptor(id);
    if (!v || v->type == VAR_TYPE_NONE) {
        report_script_error_text(EXPR_ERR_NO_VAR, 1);
        return nullptr;
    }
    return v;
}

// The descriptor for a numeric write: 101140 for strings.
static VarDescriptor *numeric_target(uint32_t id)
{
    VarDescriptor *v = existing(id);
    if (v && v->type != VAR_TYPE_INT && v->type != VAR_TYPE_FLOAT) {
        report_script_error_text(VAR_ERR_TYPE, 1);
        return nullptr;
    }
    return v;
}

int var_set_number(uint32_t id, int64_t index, int64_t value)
{
    VarDescriptor *v = numeric_target(id);
    if (!v)
        return -1;
    if (!in_range(v, index))
        return -1;
    if (v->type == VAR_TYPE_INT)
        v->ints[index] = value;
    else
        v->floats[index] = (double)value;
    return 0;
}

int var_set_float(uint32_t id, int64_t index, double value)
{
    VarDescriptor *v = numeric_target(id);
    if (!v)
        return -1;
    if (!in_range(v, index))
        return -1;
    if (v->type == VAR_TYPE_FLOAT)
        v->floats[index] = value;
    else
        v->ints[index] = kv_double_to_int(value);
    return 0;
}

int var_set_string(uint32_t id, int64_t index, const char *text, uint32_t length)
{
    VarDescriptor *v = existing(id);
    if (!v || !in_range(v, index))
        return -1;
    if (v->type != VAR_TYPE_STRING) {
        report_script_error_text(VAR_ERR_TYPE, 1);
        return -1;
    }
    if (!text)
        text = "";
    // Capacities are 16-bit: cut on a character boundary.
    length = (uint32_t)sjis_cut(text, length, VAR_STRING_STORE_MAX);
    char *old = v->strings[index];
    if (!old || v->caps[index] < length + 1) {
        // A new buffer first: the text may lie inside the old one.
        char *buf = (char *)malloc(length + 1);
        if (!buf) {
            report_script_error_text(VAR_ERR_NO_MEMORY, 1);
            return -1;
        }
        memcpy(buf, text, length);
        buf[length] = 0;
        free(old);
        v->strings[index] = buf;
        v->caps[index] = (uint16_t)(length + 1);
        return 0;
    }
    memmove(old, text, length);
    old[length] = 0;
    return 0;
}

int store_string_element(uint32_t id, int64_t index, const char *text)
{
    if (!text)
        text = "";
    size_t n = strlen(text);
    if (n > (size_t)VAR_STRING_STORE_MAX)
        n = (size_t)VAR_STRING_STORE_MAX + 1;   // var_set_string cuts it
    return var_set_string(id, index, text, (uint32_t)n);
}

int store_empty_result(uint32_t id, int64_t index)
{
    const VarDescriptor *v = var_descriptor(id);
    if (v && v->type == VAR_TYPE_STRING)
        return store_string_element(id, index, "");
    return var_set_number(id, index, 0);
}
