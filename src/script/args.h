// The command argument loader: decodes the current instruction's argument
// records into g_arg_slots, evaluating and range-checking each argument.
#pragma once

#include "core/kv_base.h"

// Positions 1..255 (an instruction's argument count is one byte), ids 0..255.
// A string argument holds at most 4095 bytes, except the task state string
// given back to the task-start command (command 78, id 35), which is evaluated
// in a long run so that the longest state the engine writes comes back whole;
// every string buffer can hold that one (EXPR_LONG_STRING_MAX + 1 bytes).
enum { KV_ARG_SLOTS = 256, KV_ARG_STRING_SIZE = 4864 };
enum { KV_CMD_TASK_START = 78, KV_ARG_TASK_STATE = 35 };

struct ArgSlots {
    uint8_t count;                     // arguments of the instruction
    uint8_t map[KV_ARG_SLOTS];         // id -> position, 0 = absent
    // per position (1..count)
    uint32_t id[KV_ARG_SLOTS];
    uint32_t eval_type[KV_ARG_SLOTS];
    uint32_t length[KV_ARG_SLOTS];
    uint32_t offset[KV_ARG_SLOTS];
    uint32_t op[KV_ARG_SLOTS];
    int64_t value[KV_ARG_SLOTS];       // number arguments
    char *str[KV_ARG_SLOTS];           // string arguments: KV_ARG_STRING_SIZE buffers, kept
    const uint8_t *code[KV_ARG_SLOTS]; // raw arguments: their code (null when outside the section)
    uint32_t var_id[KV_ARG_SLOTS];     // variable the expression referenced
    uint32_t var_elem[KV_ARG_SLOTS];   // its element index (low 32 bits)
    uint8_t var_whole[KV_ARG_SLOTS];   // 1 for a whole-variable reference
};
extern ArgSlots g_arg_slots;

// Check classes of kvc.kbn (0 and 29 up: no check).
enum {
    KV_CHECK_NONE = 0, KV_CHECK_MIN0 = 1, KV_CHECK_MIN1 = 2,
    KV_CHECK_COLOR_OR_NONE = 24, KV_CHECK_COLOR = 25,
    KV_CHECK_GAME_X = 26, KV_CHECK_GAME_Y = 27, KV_CHECK_QUARTER = 28,
    KV_CHECK_CLASSES = 29
};

// Loads the arguments of instruction g_cur_instr of the running task for
// command c: 0 when all were loaded and passed their checks, -1 after a fatal
// report (failed check or failed evaluation). Handlers return -1 on non-zero.
int load_command_args(int command);
// The same for the call and return commands: string arguments are always
// evaluated with evaluator type 3.
int unpack_call_args(int command);
// Loads command c's arguments, then runs `run`; -1 when they did not load.
int run_with_args(int command, int (*run)());

// Tests a number against check class `cls`. 0 and stores the checked value
// back (classes 3-27: the low 32 bits sign-extended) into *value, or the
// error code (101000, 101010, 101020, 101030, 101210, 101220) with the bounds
// for the report in *lo, *hi.
uint32_t arg_check_class(int cls, int64_t *value, int64_t *lo, int64_t *hi);

// --- reading the slots ----------------------------------------------------------
// Position of argument id, 0 when absent.
static inline uint32_t arg_pos(uint32_t id)
{
    return id < KV_ARG_SLOTS ? g_arg_slots.map[id] : 0;
}
static inline int arg_present(uint32_t id)
{
    return arg_pos(id) != 0;
}
// The first of the n argument ids in `order` that is present, 0 when none is.
static inline uint32_t first_present_arg(const uint8_t *order, size_t n)
{
    for (size_t i = 0; i < n; i++)
        if (arg_present(order[i]))
            return order[i];
    return 0;
}
// Number value of argument id, or `dflt` when absent.
static inline int64_t arg_int(uint32_t id, int64_t dflt = 0)
{
    uint32_t p = arg_pos(id);
    return p ? g_arg_slots.value[p] : dflt;
}
// String of argument id ("" when absent or not a string).
static inline const char *arg_str(uint32_t id)
{
    uint32_t p = arg_pos(id);
    return (p && g_arg_slots.str[p]) ? g_arg_slots.str[p] : "";
}
// Position p's number, or 0 when the instruction has fewer arguments.
static inline int64_t arg_value_at(uint32_t p)
{
    return (p >= 1 && p <= g_arg_slots.count) ? g_arg_slots.value[p] : 0;
}

// Handlers that only load and check their arguments.
int cmd_args_only_0(void);
int cmd_args_only_7(void);
int cmd_args_only_14(void);
int cmd_args_only_52(void);
int cmd_args_only_53(void);
int cmd_args_only_54(void);
int cmd_args_only_59(void);
int cmd_args_only_71(void);
int cmd_args_only_84(void);
