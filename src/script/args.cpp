// The command argument loader: every handler's first step. Each argument
// record of the current instruction is evaluated by the kind kvc.kbn gives its
// id (number, string, raw code) and range-checked by its check class.
#include "script/args.h"

#include <cstdlib>
#include <cstring>

#include "core/error_report.h"
#include "core/quit.h"
#include "core/window.h"
#include "script/expr.h"
#include "script/expr_quick.h"
#include "script/project.h"
#include "script/script_file.h"
#include "script/task.h"
#include "script/task_state.h"

static_assert((int)KV_ARG_STRING_SIZE == (int)EXPR_LONG_STRING_MAX + 1 &&
                  (int)KV_STATE_MAX <= (int)EXPR_LONG_STRING_MAX,
              "a task state string fits a long run and a string argument");

ArgSlots g_arg_slots;

enum : uint32_t {
    KV_ERR_RANGE = 101000,
    KV_ERR_MINIMUM = 101010,
    KV_ERR_COLOR_OR_NONE = 101020,
    KV_ERR_COLOR = 101030,
    KV_ERR_QUARTER_HIGH = 101210,
    KV_ERR_QUARTER_NEGATIVE = 101220,
    KV_ERR_NO_MEMORY = 100010
};

// Bounds of the plain range classes 3..23.
static const int32_t k_class_range[24][2] = {
    {0, 0}, {0, 0}, {0, 0},
    {0, 1}, {0, 2}, {0, 3}, {1, 3}, {0, 4}, {0, 8}, {1, 8}, {0, 15}, {0, 18},
    {0, 256}, {1, 256}, {0, 512}, {0, 1024}, {1, 1024}, {128, 1024},
    {0, 2048}, {1, 2048}, {0, 8192}, {1, 8192}, {16, 8192}, {128, 8192},
};

static int32_t game_size(int axis)
{
    const WindowObject *w = g_windows[0];
    if (w)
        return axis ? w->game_height : w->game_width;
    return (int32_t)(axis ? g_game_height : g_game_width);
}

// Inlined into the loader: every checked argument of every instruction.
static inline uint32_t check_class(int cls, int64_t *value, int64_t *lo, int64_t *hi)
{
    int64_t v = *value;
    uint32_t low = (uint32_t)v;
    *lo = 0;
    *hi = 0;
    switch (cls) {
    case KV_CHECK_MIN0:
        return v < 0 ? (uint32_t)KV_ERR_MINIMUM : 0u;
    case KV_CHECK_MIN1:
        *lo = 1;
        return v < 1 ? (uint32_t)KV_ERR_MINIMUM : 0u;
    case KV_CHECK_COLOR_OR_NONE:
        if (low + 1u > 0x1000000u)
            return KV_ERR_COLOR_OR_NONE;
        break;
    case KV_CHECK_COLOR:
        if (low > 0xFFFFFFu)
            return KV_ERR_COLOR;
        break;
    case KV_CHECK_GAME_X:
    case KV_CHECK_GAME_Y: {
        int32_t size = game_size(cls == KV_CHECK_GAME_Y);
        *hi = (int64_t)size - 1;
        if (size <= 0 || low >= (uint32_t)size)
            return KV_ERR_RANGE;
        break;
    }
    case KV_CHECK_QUARTER:
        *hi = 3;
        if (v < 0)
            return KV_ERR_QUARTER_NEGATIVE;
        return v > 3 ? (uint32_t)KV_ERR_QUARTER_HIGH : 0u;
    default:
        if (cls < 3 || cls > 23)
            return 0;   // 0 and 29 up: no check
        *lo = k_class_range[cls][0];
        *hi = k_class_range[cls][1];
        if (low - (uint32_t)*lo > (uint32_t)(*hi - *lo))
            return KV_ERR_RANGE;
        break;
    }
    // Classes 3-27 checked the low 32 bits: that is the value the handler sees.
    *value = (int64_t)(int32_t)low;
    return 0;
}

uint32_t arg_check_class(int cls, int64_t *value, int64_t *lo, int64_t *hi)
{
    return check_class(cls, value, lo, hi);
}

static void report_check(uint32_t code, const CommandDef *def, uint32_t id, int64_t value,
                         int64_t lo, int64_t hi)
{
    const char *cname = def && def->name ? def->name : "";
    const char *aname = (def && id < def->arg_count && def->arg_names && def->arg_names[id])
                            ? def->arg_names[id] : "";
    int v = (int)value;
    switch (code) {
    case KV_ERR_MINIMUM:
        report_script_error(code, 1, cname, aname, v, (int)lo);
        break;
    case KV_ERR_RANGE:
        report_script_error(code, 1, cname, aname, v, (int)lo, (int)hi);
        break;
    case KV_ERR_QUARTER_HIGH:
        report_script_error(code, 1, cname, aname, v, 3);
        break;
    default:
        report_script_error(code, 1, cname, aname, v);
        break;
    }
}

// The evaluators of a record's type (unknown types evaluate as type 1); the
// table is read here directly, once per argument of every instruction.
static inline const ExprEvaluators &evaluators_of(uint32_t type)
{
    return expr_eval_table[type <= 4 ? type : 1];
}

static int load_args(int command, int call_strings)
{
    ArgSlots &s = g_arg_slots;
    // Only the ids of the previous instruction can be set in the map.
    for (uint32_t p = 1; p <= s.count; p++)
        s.map[s.id[p] & 0xFF] = 0;
    s.count = 0;

    ScriptTask *t = g_cur_script;
    uint32_t n = 0;
    const ArgRecord *rec = task_instr_args(t, g_cur_instr, &n);
    if (!n || !rec)
        return 0;
    const CommandDef *def = (command >= 0 && (uint32_t)command < g_command_def_count && g_command_defs)
                                ? &g_command_defs[command] : nullptr;
    s.count = (uint8_t)n;
    for (uint32_t p = 1; p <= n; p++) {
        const ArgRecord &r = rec[p - 1];
        s.id[p] = r.id;
        s.eval_type[p] = r.eval_type;
        s.op[p] = r.op;
        s.length[p] = r.length;
        s.offset[p] = r.offset;
        s.map[r.id] = (uint8_t)p;

        // An id beyond the command's definition is of the "other" kind: nothing
        // is evaluated and nothing is checked.
        uint8_t kind = 3, cls = 0;
        if (def && r.id < def->arg_count) {
            kind = def->arg_kinds[r.id];
            cls = def->arg_classes[r.id];
        }
        if (kind > KV_ARG_RAW)
            continue;
        const uint8_t *code = task_expr_at(t, r.offset, r.length);
        if (kind == KV_ARG_RAW) {
            // Not evaluated here: flow commands keep program counters in the
            // length. Handlers that run the code get null when it lies outside.
            s.code[p] = code;
            continue;
        }
        if (!code) {
            return report_task_data_error(t);
        }
        if (kind == KV_ARG_STRING) {
            if (!s.str[p]) {
                s.str[p] = (char *)std::malloc(KV_ARG_STRING_SIZE);
                if (!s.str[p]) {
                    report_script_error_text(KV_ERR_NO_MEMORY, 1);
                    return -1;
                }
            }
            s.str[p][0] = 0;
            if (call_strings)
                expr_eval_string(s.str[p], code, r.length);
            else if (command == KV_CMD_TASK_START && r.id == KV_ARG_TASK_STATE)
                expr_eval_string_long(s.str[p], code, r.length, r.eval_type);
            else
                evaluators_of(r.eval_type).as_string(s.str[p], code, r.length);
        } else {
            s.value[p] = expr_eval_record_int(&r, code);
        }
        s.var_id[p] = g_expr_ref.var_id;
        s.var_elem[p] = (uint32_t)g_expr_ref.element;
        s.var_whole[p] = g_expr_ref.whole;
        // A fatal evaluation error: the handler must not run on its result.
        if (g_quit_flag)
            return -1;
        if (kind != KV_ARG_NUMBER || cls == 0 || cls >= KV_CHECK_CLASSES)
            continue;
        int64_t lo, hi;
        uint32_t err = check_class(cls, &s.value[p], &lo, &hi);
        if (err) {
            report_check(err, def, r.id, s.value[p], lo, hi);
            return -1;
        }
    }
    return 0;
}

int load_command_args(int command)
{
    return load_args(command, 0);
}

int unpack_call_args(int command)
{
    return load_args(command, 1);
}

int run_with_args(int command, int (*run)())
{
    return (load_command_args(command) & 0xFF) ? -1 : run();
}

static int args_only(int command)
{
    return (load_command_args(command) & 0xFF) ? -1 : 0;
}

int cmd_args_only_0(void) { return args_only(0); }
int cmd_args_only_7(void) { return args_only(7); }
int cmd_args_only_14(void) { return args_only(14); }
int cmd_args_only_52(void) { return args_only(52); }
int cmd_args_only_53(void) { return args_only(53); }
int cmd_args_only_54(void) { return args_only(54); }
int cmd_args_only_59(void) { return args_only(59); }
int cmd_args_only_71(void) { return args_only(71); }
int cmd_args_only_84(void) { return args_only(84); }
