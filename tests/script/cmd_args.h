// Argument slots filled as the loader would leave them, and variables made
// directly, for tests that call a command's body on loaded arguments.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>

#include "script/args.h"
#include "script/run_helpers.h"
#include "script/vars.h"

namespace cmdtest {

struct Arg {
    uint32_t id;
    int64_t value = 0;
    const char *text = nullptr;   // a string argument
    uint32_t var = 0;             // the variable the expression referenced
    uint32_t elem = 0;
    std::string code = "";        // runtest::E's "hex:..." for raw arguments
    uint32_t eval_type = 1;
};

inline Arg num(uint32_t id, int64_t v) { Arg a; a.id = id; a.value = v; return a; }
inline Arg str(uint32_t id, const char *t) { Arg a; a.id = id; a.text = t; return a; }
inline Arg ref(uint32_t id, uint32_t var, uint32_t elem = 0)
{
    Arg a; a.id = id; a.var = var; a.elem = elem; return a;
}
inline Arg raw(uint32_t id, const std::string &hex, uint32_t type = 1)
{
    Arg a; a.id = id; a.code = hex; a.eval_type = type; return a;
}

inline void set_args(std::initializer_list<Arg> args)
{
    static char texts[16][KV_ARG_STRING_SIZE];
    static std::string codes[16];
    std::memset(g_arg_slots.map, 0, sizeof g_arg_slots.map);
    uint8_t p = 0;
    for (const Arg &a : args) {
        p++;
        g_arg_slots.map[a.id] = p;
        g_arg_slots.id[p] = a.id;
        g_arg_slots.value[p] = a.value;
        g_arg_slots.str[p] = nullptr;
        g_arg_slots.code[p] = nullptr;
        g_arg_slots.length[p] = 0;
        g_arg_slots.eval_type[p] = a.eval_type;
        if (a.text) {
            std::snprintf(texts[p % 16], sizeof texts[0], "%s", a.text);
            g_arg_slots.str[p] = texts[p % 16];
        }
        if (!a.code.empty()) {
            std::string &c = codes[p % 16];
            c.clear();
            for (size_t i = 4; i + 1 < a.code.size(); i += 2)   // skip "hex:"
                c.push_back((char)std::stoi(a.code.substr(i, 2), nullptr, 16));
            g_arg_slots.code[p] = (const uint8_t *)c.data();
            g_arg_slots.length[p] = (uint32_t)c.size();
        }
        g_arg_slots.var_id[p] = a.var;
        g_arg_slots.var_elem[p] = a.elem;
    }
    g_arg_slots.count = p;
}

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
