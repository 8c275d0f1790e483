// Compiled script files kvt%05d.kbn: instruction arrays, argument records,
// expression code and line numbers; and the label lookup.
#pragma once

#include "core/kv_base.h"
#include "script/commands.h"
#include "script/expr_quick.h"

// One argument of one instruction, decoded from its 12 bytes in section B.
// For command 29 the argument with id 0 carries a pre-resolved label index in
// the two bytes of eval_type and op (see arg_label_index).
struct ArgRecord {
    uint8_t id;         // index into the command's argument list (kvc.kbn)
    uint8_t reserved;
    uint8_t eval_type;  // evaluator type 1..4
    uint8_t op;         // assignment operator 0..8
    uint32_t length;    // expression length; a program counter for flow commands;
                        // goto after resolution: label index + 0x10000000
    uint32_t offset;    // expression offset in the expression code section
    const ExprQuick *quick;   // the expression's quick form, found at load (null: none)
};

static inline uint16_t arg_label_index(const ArgRecord *r)
{
    return (uint16_t)(r->eval_type | (r->op << 8));
}
static inline void arg_set_label_index(ArgRecord *r, uint16_t index)
{
    r->eval_type = (uint8_t)(index & 0xFF);
    r->op = (uint8_t)(index >> 8);
}

enum : uint32_t { KV_GOTO_RESOLVED = 0x10000000u };

// Largest argument count of one instruction and largest argument id: both are
// stored in one byte, and the argument slots hold them all.
enum { KV_MAX_ARGS_PER_INSTR = 255, KV_MAX_ARG_ID = 255 };

struct ScriptFile {
    uint32_t instr_count;             // n
    CommandHandler *handlers[2];      // [0] instruction_gate, [1] the command's handler
    uint8_t *arg_counts;              // n bytes
    ArgRecord **arg_records;          // per instruction: its first record
    const uint8_t *expr_code;         // section C
    const uint32_t *line_table;       // n source line numbers
    // Bounds kept for the readers of the sections.
    uint32_t expr_size;               // bytes of section C
    uint32_t arg_total;               // records in section B
    ArgRecord *arg_base;              // all records
    uint8_t *image;                   // the unscrambled file image (sections A-D)
    uint8_t *quick_ops;               // n bytes: QUICK_OP_* the scheduler runs itself
    ExprQuick *quick_forms;           // the quick forms the records point at
    uint32_t quick_form_count;
};

// Puts handler h on instruction i of a loaded file, and takes away the mark
// that lets the scheduler run the instruction itself: a handler put in after
// loading must always be the one that runs.
void script_file_set_handler(ScriptFile *f, uint32_t i, CommandHandler h);

// One pointer per script number (count g_script_file_count), null until loaded.
extern ScriptFile **g_script_files;
extern uint32_t g_script_file_count;

// 1 when the file is loaded (also when it already was), 0 when it could not be
// found, read or was damaged (the slot then stays empty; damage is reported).
int script_file_load(int number);

// Label index of the name (length bytes), or -1.
int name_table_find(const char *name, uint32_t length);

// Name and source line of the instruction being run, for located error
// reports: 1 when a current script file and its name exist, else 0 (name "",
// line 1).
int script_current_location(const char **name, uint32_t *line);

// The name and line for a given file and instruction (same answers as above).
int script_location_of(uint32_t file, uint32_t instr, const char **name, uint32_t *line);

// XORs each byte with key[i % 4], i counting from the start of the section.
void script_unscramble(uint8_t *data, size_t size, const uint8_t key[4]);
