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

// A fresh engine with variables 1000.. of the given type (1 int, 2 float,
// 3 string) and element count.
inline void make_var(uint32_t id, int type, uint32_t count)
{
    VarDescriptor *v = var_descriptor(id);
    v->dim_count = 1;
    std::memset(v->dims, 0, sizeof v->dims);
    v->dims[0] = count;
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
