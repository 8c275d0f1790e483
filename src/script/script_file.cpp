// Compiled script files kvt%05d.kbn: loaded on first use, unscrambled,
// checked, turned into handler arrays and argument records; constant jump
// targets resolved once.
#include "script/script_file.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/error_report.h"
#include "core/pack.h"
#include "script/args.h"
#include "script/expr.h"
#include "script/flow.h"
#include "script/kbn_read.h"
#include "script/project.h"
#include "script/project_private.h"
#include "script/quick_ops.h"
#include "script/scheduler.h"
#include "script/vars.h"

enum { KV_SCRIPT_HEADER = 32, KV_ARG_RECORD_SIZE = 12 };

// An instruction's argument count is one byte; the argument slots hold every
// such count and every u8 id, so the loader needs no limit of its own.
static_assert((int)KV_ARG_SLOTS > (int)KV_MAX_ARGS_PER_INSTR, "argument slots hold every count");
static_assert((int)KV_ARG_SLOTS > (int)KV_MAX_ARG_ID, "the id map holds every id");

void script_unscramble(uint8_t *data, size_t size, const uint8_t key[4])
{
    for (size_t i = 0; i < size; i++)
        data[i] ^= key[i & 3];
}

void script_file_free(ScriptFile *f)
{
    if (!f)
        return;
    std::free(f->handlers[0]);
    std::free(f->handlers[1]);
    std::free(f->arg_counts);
    std::free(f->arg_records);
    std::free(f->arg_base);
    std::free((void *)f->line_table);
    std::free(f->image);
    std::free(f->quick_ops);
    std::free(f->quick_forms);
    std::free(f);
}

static void *zalloc(size_t n)
{
    return std::calloc(n ? n : 1, 1);
}

// Records whose length field carries a program counter: cmd_if positions 2
// and 3, cmd_elseif position 2, cmd_loop_begin position 2 (1-based).
static bool carries_pc(uint8_t command, uint32_t position)
{
    switch (command) {
    case 30: return position == 2 || position == 3;
    case 11: case 41: return position == 2;
    default: return false;
    }
}

// Checks the records of one instruction: expressions inside section C and
// program counters inside the file. Any u8 id is accepted: the argument slots
// map all 256 ids, and an id beyond the command's own list loads as an
// argument of no kind (nothing evaluated, nothing checked).
static bool check_args(const ScriptFile *f, uint8_t command, const ArgRecord *r, uint32_t count)
{
    if (command >= KV_COMMAND_COUNT)
        return true;                        // runs cmd_undefined; records unused
    for (uint32_t p = 1; p <= count; p++, r++) {
        if (carries_pc(command, p)) {
            if (r->length > f->instr_count)
                return false;
        } else if ((uint64_t)r->offset + r->length > f->expr_size) {
            return false;
        } else if (command == 28 && p == 1 && r->length >= KV_GOTO_RESOLVED) {
            return false;                   // would read as a resolved label
        }
    }
    return true;
}

enum { BUILD_OK = 0, BUILD_DAMAGED = 1, BUILD_NO_MEMORY = 2 };

// Decodes sections A, B and D into the ScriptFile.
static int build_arrays(ScriptFile *f, const uint8_t *a, const uint8_t *b, uint64_t b_size,
                         const uint8_t *d)
{
    uint32_t n = f->instr_count;
    uint64_t total = 0;
    for (uint32_t i = 0; i < n; i++) {
        total += a[4 * i + 1];
    }
    if (total * KV_ARG_RECORD_SIZE > b_size)
        return BUILD_DAMAGED;
    f->arg_total = (uint32_t)total;
    f->handlers[0] = (CommandHandler *)zalloc(sizeof(CommandHandler) * n);
    f->handlers[1] = (CommandHandler *)zalloc(sizeof(CommandHandler) * n);
    f->arg_counts = (uint8_t *)zalloc(n);
    f->arg_records = (ArgRecord **)zalloc(sizeof(ArgRecord *) * n);
    f->arg_base = (ArgRecord *)zalloc(sizeof(ArgRecord) * total);
    f->quick_ops = (uint8_t *)zalloc(n);
    uint32_t *lines = (uint32_t *)zalloc(sizeof(uint32_t) * n);
    f->line_table = lines;
    if (!f->handlers[0] || !f->handlers[1] || !f->arg_counts || !f->arg_records ||
        !f->arg_base || !f->quick_ops || !lines) {
        report_system_error(100010, 1);
        return BUILD_NO_MEMORY;
    }
    for (uint64_t k = 0; k < total; k++) {
        const uint8_t *p = b + KV_ARG_RECORD_SIZE * k;
        ArgRecord *r = &f->arg_base[k];
        r->id = p[0];
        r->reserved = p[1];
        r->eval_type = p[2];
        r->op = p[3];
        r->length = get_le32(p + 4);
        r->offset = get_le32(p + 8);
    }
    uint32_t next = 0;
    for (uint32_t i = 0; i < n; i++) {
        uint8_t command = a[4 * i];
        uint8_t count = a[4 * i + 1];
        f->handlers[0][i] = instruction_gate;
        f->handlers[1][i] = command < KV_COMMAND_COUNT && g_command_table[command]
                                ? g_command_table[command] : cmd_undefined;
        f->arg_counts[i] = count;
        f->arg_records[i] = &f->arg_base[next];
        if (!check_args(f, command, &f->arg_base[next], count))
            return BUILD_DAMAGED;
        next += count;
        lines[i] = get_le32(d + 4 * i);
    }
    return BUILD_OK;
}

// The label index of the constant string expression of r, or -1 when it uses
// variables, fails or names no label.
static int resolve_constant_label(const ScriptFile *f, const ArgRecord *r)
{
    static char text[EXPR_STRING_SIZE];
    g_expr_uses_vars = 0;
    expr_eval_string(text, f->expr_code + r->offset, r->length);
    if (g_expr_uses_vars)
        return -1;
    return name_table_find(text, (uint32_t)std::strlen(text));
}

static void preresolve_labels(ScriptFile *f, const uint8_t *commands)
{
    init_expr_op_table(0);
    for (uint32_t i = 0; i < f->instr_count; i++) {
        uint8_t command = commands[4 * i];
        ArgRecord *r = f->arg_records[i];
        uint32_t count = f->arg_counts[i];
        if (command == 28 && count > 0) {
            int index = resolve_constant_label(f, r);
            if (index >= 0 && (uint32_t)index < KV_GOTO_RESOLVED)
                r->length = KV_GOTO_RESOLVED + (uint32_t)index;
        } else if (command == 29) {
            for (uint32_t p = 0; p < count; p++) {
                if (r[p].id != 0)
                    continue;
                arg_set_label_index(&r[p], 0);
                // 0 means "not resolved", so index 0 and indices beyond 16
                // bits stay for the run-time lookup.
                int index = resolve_constant_label(f, &r[p]);
                if (index > 0 && index <= 0xFFFF)
                    arg_set_label_index(&r[p], (uint16_t)index);
            }
        }
    }
    init_expr_op_table(1);
}

// Records whose expression may be run as an integer: not those that hold
// program counters or label names.
static bool may_be_quick(uint8_t command, uint32_t position, const ArgRecord *a)
{
    bool label = (command == 28 && position == 1) || (command == 29 && a->id == 0);
    return command < KV_COMMAND_COUNT && !label && !carries_pc(command, position);
}

// The quick forms of the file's expressions, kept in one array that only
// records with a quick form point into (a pass to count, a pass to fill).
// Without memory for it the file simply runs without them.
static void find_quick_forms(ScriptFile *f, const uint8_t *commands)
{
    for (int pass = 0; pass < 2; pass++) {
        uint32_t used = 0;
        for (uint32_t i = 0; i < f->instr_count; i++) {
            ArgRecord *r = f->arg_records[i];
            for (uint32_t p = 1; p <= f->arg_counts[i]; p++) {
                ArgRecord *a = &r[p - 1];
                if (!may_be_quick(commands[4 * i], p, a))
                    continue;
                ExprQuick q;
                expr_quick_classify(&q, f->expr_code + a->offset, a->length, a->eval_type);
                if (q.form == EXPR_QUICK_NONE)
                    continue;
                if (pass == 1) {
                    f->quick_forms[used] = q;
                    a->quick = &f->quick_forms[used];
                }
                used++;
            }
        }
        if (pass == 0) {
            f->quick_form_count = used;
            f->quick_forms = used ? (ExprQuick *)std::calloc(used, sizeof(ExprQuick)) : nullptr;
            if (!f->quick_forms)
                return;
        }
    }
}

// The quick handlers of the instructions that can use quick forms, and the
// marks of those the scheduler runs itself. A quick handler is chosen only
// where the command's own handler is in place and the records it reads
// without checking are there.
static void quicken(ScriptFile *f, const uint8_t *commands)
{
    find_quick_forms(f, commands);
    for (uint32_t i = 0; i < f->instr_count; i++) {
        const ArgRecord *r = f->arg_records[i];
        uint32_t count = f->arg_counts[i];
        CommandHandler &h = f->handlers[1][i];
        uint8_t &q = f->quick_ops[i];
        if (h == cmd_assign && count >= 2 && r[0].op < ASSIGN_OP_COUNT && r[0].quick &&
            r[0].quick->form == EXPR_QUICK_ONE && r[0].quick->a.kind == EXPR_QUICK_USER) {
            h = cmd_assign_quick;
            q = QUICK_OP_ASSIGN;
        } else if (h == cmd_if && count >= 3 && r[0].quick) {
            h = cmd_if_quick;
            q = QUICK_OP_IF;
        } else if (h == cmd_end_block) {
            q = QUICK_OP_END_BLOCK;
        } else if (h == cmd_loop_end) {
            q = QUICK_OP_LOOP_END;
        }
    }
}

void script_file_set_handler(ScriptFile *f, uint32_t i, CommandHandler h)
{
    if (!f || i >= f->instr_count)
        return;
    f->handlers[1][i] = h;
    if (f->quick_ops)
        f->quick_ops[i] = QUICK_OP_NONE;
}

// Every label of this file must point inside it (a label may stand at the
// very end, after the last instruction).
static bool labels_fit(int number, uint32_t count)
{
    for (uint32_t i = 0; i < g_name_table.count; i++) {
        const LabelRecord *l = g_name_table.labels[i];
        if (l->file == (uint32_t)number && l->pc > count)
            return false;
    }
    return true;
}

// Loads and checks the file; the new ScriptFile, or null (damage reported
// when `damaged` is set; a missing file is silent).
static ScriptFile *script_file_build(int number, const char *path, bool *damaged)
{
    *damaged = false;
    KbnFile file;
    if (kbn_read_file(path, &file, 1) != KBN_OK)
        return nullptr;
    ScriptFile *f = (ScriptFile *)zalloc(sizeof(ScriptFile));
    if (!f) {
        kbn_free(&file);
        report_system_error(100010, 1);
        return nullptr;
    }
    f->image = file.data;
    const uint8_t *h = file.data;
    int status = BUILD_DAMAGED;
    const char *damaged_path = path;
    bool ok = file.size >= KV_SCRIPT_HEADER;
    uint32_t n = ok ? get_le32(h + 8) : 0;
    uint64_t size_a = ok ? get_le32(h + 12) : 0, size_b = ok ? get_le32(h + 16) : 0;
    uint64_t size_c = ok ? get_le32(h + 20) : 0, size_d = ok ? get_le32(h + 24) : 0;
    ok = ok && size_a == 4ull * n && size_d == 4ull * n &&
         KV_SCRIPT_HEADER + size_a + size_b + size_c + size_d <= file.size;
    if (ok) {
        f->instr_count = n;
        uint8_t *a = file.data + KV_SCRIPT_HEADER;
        uint8_t *b = a + size_a, *c = b + size_b, *d = c + size_c;
        script_unscramble(a, size_a, g_script_key);
        script_unscramble(b, size_b, g_script_key);
        script_unscramble(c, size_c, g_script_key);
        script_unscramble(d, size_d, g_script_key);
        f->expr_code = c;
        f->expr_size = (uint32_t)size_c;
        status = build_arrays(f, a, b, size_b, d);
        // A label past the end of its file: the label table is at fault.
        if (status == BUILD_OK && !labels_fit(number, n)) {
            status = BUILD_DAMAGED;
            damaged_path = KV_PATH_KVL;
        }
        if (status == BUILD_OK && n > 0) {
            preresolve_labels(f, a);
            quicken(f, a);
        }
    }
    if (status != BUILD_OK) {
        if (status == BUILD_DAMAGED)
            kbn_report_damaged(damaged_path);
        *damaged = true;
        script_file_free(f);
        return nullptr;
    }
    return f;
}

int script_file_load_status(int number, bool *damaged)
{
    *damaged = false;
    if (number < 0 || (uint32_t)number >= g_script_file_count || !g_script_files)
        return 0;
    if (g_script_files[number])
        return 1;
    char path[32];
    std::snprintf(path, sizeof path, "kvbin\\kvt%05d.kbn", number);
    ScriptFile *f = script_file_build(number, path, damaged);
    if (!f)
        return 0;
    // The file's own variables; a failure there is reported and leaves no
    // half-built file behind.
    if (script_file_init_vars(number) != 0) {
        *damaged = true;
        script_file_free(f);
        return 0;
    }
    g_script_files[number] = f;
    return 1;
}

int script_file_load(int number)
{
    bool damaged;
    return script_file_load_status(number, &damaged);
}
