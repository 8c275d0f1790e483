// The task state string (layout in task_state.h): the encoder, and a bounded
// decoder that reads the whole string into a scratch image first and changes
// the task only when every field was sound and, for a restore, every level
// and program counter lies inside the script file it runs in.
#include "script/task_state.h"

#include <cstring>

#include "core/error_report.h"
#include "script/project.h"
#include "script/script_file.h"
#include "script/task.h"

enum : uint32_t {
    KV_ERR_STATE = 900000,
    KV_ERR_STATE_SCRIPT = 102130,
    KV_ERR_NO_MEMORY = 100010
};
enum { CMD_TASK_START = 78 };

static const char k_state_header[8] = {1, 2, 3, 4, 5, 6, 7, 8};

// --- writing ----------------------------------------------------------------------

static char *put_letters(char *p, uint32_t v, int letters)
{
    for (int k = letters - 1; k >= 0; k--)
        *p++ = (char)('a' + ((v >> (4 * k)) & 15));
    return p;
}

static const char *script_name_of(uint32_t file)
{
    if (file < g_script_count && g_script_names && g_script_names[file])
        return g_script_names[file];
    return "";
}

int task_state_encode(char *buf, const ScriptTask *t)
{
    if (!buf || !t)
        return -1;
    char *p = buf;
    std::memcpy(p, k_state_header, 8);
    p += 8;
    uint32_t b = t->block_depth <= KV_MAX_LEVELS ? t->block_depth : (uint32_t)KV_MAX_LEVELS;
    p = put_letters(p, b, 2);
    for (uint32_t k = 1; k <= b; k++) {
        p = put_letters(p, t->blocks[k].saved_loop_depth, 2);
        p = put_letters(p, t->blocks[k].start_pc, 8);
        p = put_letters(p, t->blocks[k].end_pc, 8);
    }
    uint32_t c = t->call_depth <= KV_MAX_LEVELS ? t->call_depth : (uint32_t)KV_MAX_LEVELS;
    p = put_letters(p, t->state_reserved_call, 2);
    p = put_letters(p, c, 2);
    for (uint32_t k = 0; k < c; k++) {
        static const CallFrame empty = {};
        const CallFrame *f = t->frames[k] ? t->frames[k] : &empty;
        p = put_letters(p, f->block_depth, 2);
        p = put_letters(p, f->loop_depth, 2);
        p = put_letters(p, f->return_pc, 8);
        p = put_letters(p, f->return_file, 8);
    }
    uint32_t l = t->loop_depth <= KV_MAX_LEVELS ? t->loop_depth : (uint32_t)KV_MAX_LEVELS;
    p = put_letters(p, l, 2);
    for (uint32_t k = 1; k <= l; k++) {
        const LoopLevel &lv = t->loops[k];
        p = put_letters(p, lv.saved_block_depth, 2);
        p = put_letters(p, lv.start_pc, 8);
        p = put_letters(p, lv.end_pc, 8);
        p = put_letters(p, (uint32_t)lv.counter, 8);
        p = put_letters(p, (uint32_t)lv.count, 8);
    }
    p = put_letters(p, t->state_reserved_tail, 2);
    p = put_letters(p, t->state_reserved_word, 8);
    p = put_letters(p, t->pc, 8);
    const char *name = script_name_of(t->file_number);
    size_t n = std::strlen(name);
    if (n > KV_STATE_NAME_MAX)
        n = KV_STATE_NAME_MAX;
    p = put_letters(p, (uint32_t)n, 8);
    std::memcpy(p, name, n);
    p += n;
    *p = 0;
    return (int)(p - buf);
}

// --- reading ----------------------------------------------------------------------

struct StateReader {
    const char *p;
    size_t left;
    bool bad;
};

static uint32_t get_letters(StateReader *r, int letters)
{
    if (r->bad || r->left < (size_t)letters) {
        r->bad = true;
        return 0;
    }
    uint32_t v = 0;
    for (int k = 0; k < letters; k++) {
        unsigned c = (unsigned char)r->p[k] - 'a';
        if (c > 15) {
            r->bad = true;
            return 0;
        }
        v = (v << 4) | c;
    }
    r->p += letters;
    r->left -= (size_t)letters;
    return v;
}

static uint8_t get_depth(StateReader *r)
{
    uint32_t d = get_letters(r, 2);
    if (d > KV_MAX_LEVELS)
        r->bad = true;
    return (uint8_t)d;
}

struct FrameImage {
    uint8_t block_depth, loop_depth;
    uint32_t return_pc, return_file;
};

struct StateImage {
    uint8_t block_depth, call_depth, loop_depth;
    BlockLevel blocks[KV_MAX_LEVELS + 1];
    FrameImage frames[KV_MAX_LEVELS];
    LoopLevel loops[KV_MAX_LEVELS + 1];
    uint8_t reserved_call, reserved_tail;
    uint32_t reserved_word, pc, file;
};

static void read_fields(StateReader *r, StateImage *s)
{
    s->block_depth = get_depth(r);
    for (uint32_t k = 1; k <= s->block_depth && !r->bad; k++) {
        s->blocks[k].saved_loop_depth = get_depth(r);
        s->blocks[k].start_pc = get_letters(r, 8);
        s->blocks[k].end_pc = get_letters(r, 8);
    }
    s->reserved_call = (uint8_t)get_letters(r, 2);
    s->call_depth = get_depth(r);
    for (uint32_t k = 0; k < s->call_depth && !r->bad; k++) {
        s->frames[k].block_depth = get_depth(r);
        s->frames[k].loop_depth = get_depth(r);
        s->frames[k].return_pc = get_letters(r, 8);
        s->frames[k].return_file = get_letters(r, 8);
        if (s->frames[k].return_file > 0xFFFFu)
            r->bad = true;
    }
    s->loop_depth = get_depth(r);
    for (uint32_t k = 1; k <= s->loop_depth && !r->bad; k++) {
        LoopLevel &lv = s->loops[k];
        lv.saved_block_depth = get_depth(r);
        lv.start_pc = get_letters(r, 8);
        lv.end_pc = get_letters(r, 8);
        lv.counter = (int32_t)get_letters(r, 8);
        lv.count = (int32_t)get_letters(r, 8);
    }
    s->reserved_tail = (uint8_t)get_letters(r, 2);
    s->reserved_word = get_letters(r, 8);
    s->pc = get_letters(r, 8);
}

// The script number of a name: the first exact match in the script list.
static int64_t find_script(const char *name, size_t n)
{
    for (uint32_t k = 0; k < g_script_count && g_script_names; k++) {
        const char *s = g_script_names[k] ? g_script_names[k] : "";
        if (std::strlen(s) == n && std::memcmp(s, name, n) == 0)
            return k;
    }
    return -1;
}

static int report_bad_state(void)
{
    report_script_error_text(KV_ERR_STATE, 1);
    return 0;
}

static void apply_state(ScriptTask *t, const StateImage *s)
{
    t->block_depth = s->block_depth;
    for (uint32_t k = 1; k <= s->block_depth; k++)
        t->blocks[k] = s->blocks[k];
    t->state_reserved_call = s->reserved_call;
    t->call_depth = s->call_depth;
    for (uint32_t k = 0; k < s->call_depth; k++) {
        CallFrame *f = t->frames[k];
        f->block_depth = s->frames[k].block_depth;
        f->loop_depth = s->frames[k].loop_depth;
        f->return_pc = s->frames[k].return_pc;
        f->return_file = (uint16_t)s->frames[k].return_file;
    }
    t->loop_depth = s->loop_depth;
    for (uint32_t k = 1; k <= s->loop_depth; k++)
        t->loops[k] = s->loops[k];
    t->state_reserved_tail = s->reserved_tail;
    t->state_reserved_word = s->reserved_word;
    t->pc = s->pc;
    t->file_number = (uint16_t)s->file;
}

// Reads a whole state string into s; the bytes used, or 0 after a fatal
// report. Nothing but s changes.
static int read_state(const char *text, size_t length, StateImage *s)
{
    if (length < 8 || std::memcmp(text, k_state_header, 8) != 0)
        return report_bad_state();
    std::memset(s, 0, sizeof *s);
    StateReader r = {text + 8, length - 8, false};
    read_fields(&r, s);
    uint32_t n = get_letters(&r, 8);
    if (r.bad)
        return report_bad_state();
    // Longer names were cut by the writer; only that much is read.
    uint32_t take = n > (uint32_t)KV_STATE_NAME_MAX ? (uint32_t)KV_STATE_NAME_MAX : n;
    if (take > r.left)
        return report_bad_state();
    int64_t file = find_script(r.p, take);
    if (file < 0 || file > 0xFFFF) {
        char name[KV_STATE_NAME_MAX + 1];
        std::memcpy(name, r.p, take);
        name[take] = 0;
        report_script_error(KV_ERR_STATE_SCRIPT, 1, script_command_name(CMD_TASK_START), name);
        return 0;
    }
    s->file = (uint32_t)file;
    return (int)(r.p + take - text);
}

// The call frames the state fills, allocated zero-filled when missing.
static bool reserve_frames(ScriptTask *t, uint32_t depth)
{
    for (uint32_t k = 0; k < depth; k++) {
        if (!task_frame(t, k))
            return false;   // reported (100010)
    }
    return true;
}

int task_state_decode_bytes(const char *text, size_t length, ScriptTask *t)
{
    if (!text || !t)
        return -1;
    static StateImage s;
    int used = read_state(text, length, &s);
    if (used <= 0 || !reserve_frames(t, s.call_depth))
        return 0;
    apply_state(t, &s);
    return used;
}

int task_state_decode(const char *text, ScriptTask *t)
{
    if (!text || !t)
        return -1;
    return task_state_decode_bytes(text, std::strlen(text), t);
}

// --- checking against the script files --------------------------------------------

// The depth frame k saved of one stack (blocks or loops).
static uint32_t saved_depth(const StateImage *s, uint32_t k, bool loops)
{
    return loops ? s->frames[k].loop_depth : s->frames[k].block_depth;
}

// The call depth whose file level j of a stack was opened in (the state's
// call depth for the current file). Levels are opened in call order, so it
// is the lowest depth m whose frames m.. all saved a depth of at least j.
// A subroutine may close its caller's levels, so saved depths can fall or
// pass the state's own: a level above a later, lower saved depth was opened
// after that call.
static uint32_t level_owner(const StateImage *s, uint32_t j, bool loops)
{
    uint32_t m = s->call_depth;
    while (m > 0 && saved_depth(s, m - 1, loops) >= j)
        m--;
    return m;
}

// The instruction count of each file the state runs in: counts[k] for
// frame k's return file, counts[call depth] for the current file. Files are
// loaded when needed (loading changes no task). False after a report: 900000
// for a file number outside the script list, the project data error for a
// file that cannot be loaded.
static bool file_counts(const StateImage *s, uint32_t *counts)
{
    for (uint32_t k = 0; k <= s->call_depth; k++) {
        uint32_t file = k < s->call_depth ? s->frames[k].return_file : s->file;
        if (file >= g_script_file_count) {
            report_bad_state();
            return false;
        }
        const ScriptFile *f = task_file_load(file);
        if (!f)
            return false;
        counts[k] = task_file_instr_count(f);
    }
    return true;
}

// Every level, return pc and the pc inside the file it runs in. 0, or -1
// after a report.
static int check_state_files(const StateImage *s)
{
    uint32_t counts[KV_MAX_LEVELS + 1];
    if (!file_counts(s, counts))
        return -1;
    bool ok = s->pc < counts[s->call_depth];
    for (uint32_t k = 0; k < s->call_depth && ok; k++)
        ok = s->frames[k].return_pc < counts[k];
    for (uint32_t j = 1; j <= s->block_depth && ok; j++) {
        uint32_t n = counts[level_owner(s, j, false)];
        ok = s->blocks[j].start_pc < n && s->blocks[j].end_pc < n;
    }
    for (uint32_t j = 1; j <= s->loop_depth && ok; j++) {
        uint32_t n = counts[level_owner(s, j, true)];
        ok = s->loops[j].start_pc < n && s->loops[j].end_pc < n;
    }
    if (ok)
        return 0;
    report_bad_state();
    return -1;
}

int task_state_restore(const char *text, ScriptTask *t)
{
    if (!text || !t)
        return -1;
    static StateImage s;
    if (read_state(text, std::strlen(text), &s) <= 0 || check_state_files(&s) != 0 ||
        !reserve_frames(t, s.call_depth))
        return -1;
    apply_state(t, &s);
    task_adopt_file(t, (uint16_t)s.file, g_script_files[s.file]);
    return 0;
}
