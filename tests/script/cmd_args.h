// Argument slots filled as the loader would leave them, and variables made
// directly, for tests that call a command's body on loaded arguments.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>

#include "script/arg_slots.h"
#include "script/args.h"
#include "script/run_helpers.h"
#include "script/vars.h"

namespace cmdtest {

// A variable of the given type (VAR_TYPE_INT, _FLOAT or _STRING) and
// dimensions, every element 0, 0.0 or "".
inline void define_var(uint32_t id, uint8_t type, std::initializer_list<uint32_t> dims)
{
    VarDescriptor *v = var_descriptor(id);
    v->dim_count = (uint8_t)dims.size();
    std::memset(v->dims, 0, sizeof v->dims);
    int k = 0;
    for (uint32_t d : dims)
        v->dims[k++] = d;
    if (type == VAR_TYPE_INT)
        var_init_int(id, 0);
    else if (type == VAR_TYPE_FLOAT)
        var_init_float(id, 0.0);
    else
        var_init_string(id, "", 0);
}

inline void fresh_engine()
{
    runtest::reset_engine();
    var_table_alloc(1100);
}

}  // namespace cmdtest
