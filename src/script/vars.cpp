// Creating variables: element counts, the three initialisers, and the
// variables of kvv.kbn.
//
// A definition is checked and its new values allocated before the descriptor
// changes, so a failed definition leaves the variable as it was.
#include <cstdlib>
#include <cstring>

#include "core/error_report.h"
#include "script/expr.h"
#include "script/kbn_read.h"
#include "script/project.h"
#include "script/vars.h"
#include "script/vars_internal.h"

int var_element_count(uint8_t dim_count, const uint32_t *dims, int64_t *count)
{
    int64_t n = 1;
    for (uint32_t k = 0; k < dim_count; k++) {
        n *= (int64_t)dims[k];   // at most 4e6 * 2^32: no overflow
        if (n > VAR_ELEMENT_MAX) {
            report_script_error(VAR_ERR_TOO_MANY, 1, (int)VAR_ELEMENT_MAX);
            return -1;
        }
    }
    if (n <= 0) {
        report_script_error_text(VAR_ERR_NO_ELEMENTS, 1);
        return -1;
    }
    *count = n;
    return 0;
}

static void free_strings(char **strings, int64_t count)
{
    for (int64_t k = 0; k < count; k++)
        free(strings[k]);
    free(strings);
}

int var_define(uint32_t id, uint8_t type, uint8_t dim_count, const uint32_t *dims,
               const VarInitValue *value)
{
    VarDescriptor *v = var_descriptor(id);
    if (!v) {
        report_script_error_text(EXPR_ERR_NO_VAR, 1);
        return -1;
    }
    if (dim_count > VAR_DIM_MAX || type < VAR_TYPE_INT || type > VAR_TYPE_STRING) {
        report_script_error_text(VAR_ERR_TYPE, 1);
        return -1;
    }
    int64_t count;
    if (var_element_count(dim_count, dims, &count))
        return -1;

    VarDescriptor fresh;
    memset(&fresh, 0, sizeof fresh);
    fresh.type = type;
    fresh.dim_count = dim_count;
    for (uint32_t k = 0; k < dim_count; k++)
        fresh.dims[k] = dims[k];
    fresh.count = count;
    bool ok = true;
    if (type == VAR_TYPE_INT) {
        fresh.ints = (int64_t *)malloc((size_t)count * sizeof(int64_t));
        ok = fresh.ints != nullptr;
        for (int64_t k = 0; ok && k < count; k++)
            fresh.ints[k] = value->i;
    } else if (type == VAR_TYPE_FLOAT) {
        fresh.floats = (double *)malloc((size_t)count * sizeof(double));
        ok = fresh.floats != nullptr;
        for (int64_t k = 0; ok && k < count; k++)
            fresh.floats[k] = value->d;
    } else {
        uint32_t len = value->length;
        if (len > (uint32_t)VAR_STRING_STORE_MAX)
            len = VAR_STRING_STORE_MAX;
        const char *text = value->text ? value->text : "";
        fresh.strings = (char **)calloc((size_t)count, sizeof(char *));
        fresh.caps = (uint16_t *)calloc((size_t)count, sizeof(uint16_t));
        ok = fresh.strings && fresh.caps;
        for (int64_t k = 0; ok && k < count; k++) {
            char *buf = (char *)malloc(len + 1);
            if (!buf) {
                ok = false;
                break;
            }
            memcpy(buf, text, len);
            buf[len] = 0;
            fresh.strings[k] = buf;
            fresh.caps[k] = (uint16_t)(len + 1);
        }
        if (!ok && fresh.strings) {
            free_strings(fresh.strings, count);
            fresh.strings = nullptr;
        }
    }
    if (!ok) {
        free(fresh.ints);
        free(fresh.floats);
        free(fresh.strings);
        free(fresh.caps);
        report_script_error_text(VAR_ERR_NO_MEMORY, 1);
        return -1;
    }
    var_release_values(v);
    *v = fresh;
    g_var_layout_gen++;
    return 0;
}

int var_init_int(uint32_t id, int64_t value)
{
    const VarDescriptor *v = var_descriptor(id);
    VarInitValue init = {value, 0.0, nullptr, 0};
    return var_define(id, VAR_TYPE_INT, v ? v->dim_count : 0, v ? v->dims : nullptr, &init);
}

int var_init_float(uint32_t id, double value)
{
    const VarDescriptor *v = var_descriptor(id);
    VarInitValue init = {0, value, nullptr, 0};
    return var_define(id, VAR_TYPE_FLOAT, v ? v->dim_count : 0, v ? v->dims : nullptr, &init);
}

int var_init_string(uint32_t id, const char *text, uint32_t length)
{
    const VarDescriptor *v = var_descriptor(id);
    VarInitValue init = {0, 0.0, text, length};
    return var_define(id, VAR_TYPE_STRING, v ? v->dim_count : 0, v ? v->dims : nullptr, &init);
}

// --- kvv.kbn ----------------------------------------------------------------------

namespace {

const char kVarDefsName[] = "kvbin\\kvv.kbn";

struct Cursor {
    const uint8_t *data;
    uint32_t size, pos;
    bool bad;

    uint32_t take(uint32_t bytes)
    {
        if (bad || size - pos < bytes) {
            bad = true;
            return 0;
        }
        uint32_t v = 0;
        for (uint32_t k = 0; k < bytes && k < 4; k++)
            v |= (uint32_t)data[pos + k] << (8 * k);
        pos += bytes;
        return v;
    }
    const uint8_t *skip(uint32_t bytes)
    {
        if (bad || size - pos < bytes) {
            bad = true;
            return nullptr;
        }
        const uint8_t *p = data + pos;
        pos += bytes;
        return p;
    }
};

int damaged(void)
{
    return kbn_report_damaged(kVarDefsName);
}

}  // namespace

int script_file_init_vars(int file)
{
    if (!g_var_defs)
        return 0;
    Cursor c = {g_var_defs, g_var_defs_size, 0, false};
    c.skip(8);
    uint32_t records = c.take(2);
    if (c.bad)
        return damaged();
    for (uint32_t r = 0; r < records; r++) {
        uint32_t scope = c.take(1);
        uint32_t number = c.take(2);
        uint32_t id = c.take(2);
        uint32_t type = c.take(1);
        uint32_t dim_count = c.take(1);
        if (c.bad || dim_count > VAR_DIM_MAX || type < VAR_TYPE_INT || type > VAR_TYPE_STRING)
            return damaged();
        uint32_t dims[VAR_DIM_MAX] = {0};
        for (uint32_t k = 0; k < dim_count; k++)
            dims[k] = c.take(4);
        VarInitValue init = {0, 0.0, nullptr, 0};
        const uint8_t *value = nullptr;
        uint32_t value_len = 8;
        if (type == VAR_TYPE_STRING)
            value_len = c.take(2);
        value = c.skip(value_len);
        if (c.bad)
            return damaged();
        if (id >= g_var_count) {
            report_script_error_text(VAR_ERR_BAD_ID, 1);
            return -1;
        }
        bool match = file < 0 ? scope == 1 : (scope == 2 && (int)number == file);
        if (!match)
            continue;
        if (type == VAR_TYPE_INT) {
            uint64_t bits = 0;
            for (int k = 7; k >= 0; k--)
                bits = (bits << 8) | value[k];
            init.i = (int64_t)bits;
        } else if (type == VAR_TYPE_FLOAT) {
            uint64_t bits = 0;
            for (int k = 7; k >= 0; k--)
                bits = (bits << 8) | value[k];
            memcpy(&init.d, &bits, sizeof init.d);
        } else {
            static char text[EXPR_STRING_SIZE];
            init.length = expr_eval_string(text, value, value_len);
            init.text = text;
        }
        if (var_define(id, (uint8_t)type, (uint8_t)dim_count, dims, &init))
            return -1;
    }
    return 0;
}
