// Argument slots filled as the loader would leave them, for tests that call a
// command's body on loaded arguments: slot k + 1 holds the k-th argument.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "script/args.h"

namespace cmdtest {

struct Arg {
    uint32_t id;
    int64_t value = 0;
    const char *text = nullptr;   // a string argument
    uint32_t op = 0;              // the assignment operator of an order argument
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

inline void set_args(const Arg *args, size_t count)
{
    static char texts[16][KV_ARG_STRING_SIZE];
    static std::string codes[16];
    std::memset(g_arg_slots.map, 0, sizeof g_arg_slots.map);
    uint8_t p = 0;
    for (const Arg *a = args; a < args + count; a++) {
        p++;
        g_arg_slots.map[a->id] = p;
        g_arg_slots.id[p] = a->id;
        g_arg_slots.value[p] = a->value;
        g_arg_slots.op[p] = a->op;
        g_arg_slots.str[p] = nullptr;
        g_arg_slots.code[p] = nullptr;
        g_arg_slots.length[p] = 0;
        g_arg_slots.eval_type[p] = a->eval_type;
        if (a->text) {
            std::snprintf(texts[p % 16], sizeof texts[0], "%s", a->text);
            g_arg_slots.str[p] = texts[p % 16];
        }
        if (!a->code.empty()) {
            std::string &c = codes[p % 16];
            c.clear();
            for (size_t i = 4; i + 1 < a->code.size(); i += 2)   // skip "hex:"
                c.push_back((char)std::stoi(a->code.substr(i, 2), nullptr, 16));
            g_arg_slots.code[p] = (const uint8_t *)c.data();
            g_arg_slots.length[p] = (uint32_t)c.size();
        }
        g_arg_slots.var_id[p] = a->var;
        g_arg_slots.var_elem[p] = a->elem;
    }
    g_arg_slots.count = p;
}
inline void set_args(std::initializer_list<Arg> args) { set_args(args.begin(), args.size()); }

// The same with every argument's target variable `base`, plus the argument's
// value when `add_value` (tests of commands that store results).
inline void set_args_targets(std::initializer_list<Arg> args, uint32_t base, bool add_value)
{
    std::vector<Arg> v(args);
    for (Arg &a : v)
        a.var = base + (add_value ? (uint32_t)a.value : 0);
    set_args(v.data(), v.size());
}

}  // namespace cmdtest
