// Resizing a variable's first dimension, and the element-count check that
// every change of sizes ends with. The new arrays are built before the
// descriptor changes, so a failure leaves the variable as it was.
#include <cstdlib>
#include <cstring>

#include "core/error_report.h"
#include "script/vars.h"
#include "script/vars_internal.h"

int var_check_count(uint32_t id)
{
    VarDescriptor *v = var_descriptor(id);
    if (!v)
        return -1;
    int64_t n;
    if (var_element_count(v->dim_count, v->dims, &n) != 0)
        return -1;
    v->count = n;
    return 0;
}

static int no_memory(void)
{
    report_script_error_text(VAR_ERR_NO_MEMORY, 1);
    return -1;
}

int var_resize(uint32_t id, int64_t new_size)
{
    VarDescriptor *v = var_descriptor(id);
    if (!v || v->dim_count < 1) {
        report_script_error_text(VAR_ERR_TYPE, 1);
        return -1;
    }
    uint32_t dims[VAR_DIM_MAX];
    std::memcpy(dims, v->dims, sizeof dims);
    if (new_size > VAR_ELEMENT_MAX) {
        report_script_error(VAR_ERR_TOO_MANY, 1, (int)VAR_ELEMENT_MAX);
        return -1;
    }
    if (new_size < 1) {
        report_script_error_text(VAR_ERR_NO_ELEMENTS, 1);
        return -1;
    }
    dims[0] = (uint32_t)new_size;
    int64_t count;
    if (var_element_count(v->dim_count, dims, &count) != 0)
        return -1;
    int64_t keep = count < v->count ? count : v->count;
    if (v->type == VAR_TYPE_INT || v->type == VAR_TYPE_FLOAT) {
        // Both element types are 8 bytes; zero bits are 0 and 0.0.
        void *old = v->type == VAR_TYPE_INT ? (void *)v->ints : (void *)v->floats;
        void *fresh = std::calloc((size_t)count, 8);
        if (!fresh)
            return no_memory();
        if (old && keep > 0)
            std::memcpy(fresh, old, (size_t)keep * 8);
        std::free(old);
        if (v->type == VAR_TYPE_INT)
            v->ints = (int64_t *)fresh;
        else
            v->floats = (double *)fresh;
    } else if (v->type == VAR_TYPE_STRING) {
        char **strings = (char **)std::calloc((size_t)count, sizeof(char *));
        uint16_t *caps = (uint16_t *)std::calloc((size_t)count, sizeof(uint16_t));
        bool ok = strings && caps;
        for (int64_t k = keep; ok && k < count; k++) {
            strings[k] = (char *)std::calloc(1, 1);
            caps[k] = 1;
            ok = strings[k] != nullptr;
        }
        if (!ok) {
            for (int64_t k = keep; strings && k < count; k++)
                std::free(strings[k]);
            std::free(strings);
            std::free(caps);
            return no_memory();
        }
        for (int64_t k = 0; k < keep; k++) {
            strings[k] = v->strings[k];
            caps[k] = v->caps[k];
        }
        for (int64_t k = keep; k < v->count; k++)
            std::free(v->strings[k]);
        std::free(v->strings);
        std::free(v->caps);
        v->strings = strings;
        v->caps = caps;
    } else {
        report_script_error_text(VAR_ERR_TYPE, 1);
        return -1;
    }
    v->dims[0] = (uint32_t)new_size;
    v->count = count;
    g_var_layout_gen++;
    return 0;
}
