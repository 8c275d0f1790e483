// Loaders of the project-wide files kve.kbn, kvc.kbn, kvt.kbn, kvt_list.kbn,
// kvv.kbn and kvl.kbn. Every count, length and string is checked against the
// file through one cursor; damage is a fatal report naming the file.
#include <cstdlib>
#include <cstring>

#include "core/error_report.h"
#include "script/commands.h"
#include "script/kbn_read.h"
#include "script/project.h"
#include "script/project_private.h"
#include "script/script_file.h"
#include "script/vars.h"


static void *alloc_or_report(size_t n)
{
    void *p = std::calloc(n ? n : 1, 1);
    if (!p)
        report_system_error(100010, 1);
    return p;
}

// --- kve.kbn -----------------------------------------------------------------------

static void publish_error_texts(void)
{
    for (auto &e : g_error_texts) {
        e.code = 0;
        e.text = "";
    }
    uint32_t n = 0;
    bool has_damaged = false;
    for (uint32_t i = 0; i < g_project_error_text_count; i++) {
        has_damaged |= g_project_error_texts[i].code == KV_ERR_PROJECT_DATA;
        if (n < KV_ERROR_TABLE_MAX)
            g_error_texts[n++] = g_project_error_texts[i];
    }
    // Without a project text the engine's own must stay reachable, even when
    // it takes the last slot (the project's later texts stay in
    // g_project_error_texts).
    if (!has_damaged) {
        if (n == KV_ERROR_TABLE_MAX)
            n--;
        g_error_texts[n++] = {KV_ERR_PROJECT_DATA, kbn_damaged_text()};
    }
    g_error_text_count = n;
}

// Frees a file image found damaged and reports it with the file's name.
static int drop_damaged(KbnFile *f, const char *path)
{
    kbn_free(f);
    return kbn_report_damaged(path);
}

// Reads a table file whose record count is the 32-bit word at 8 and whose
// records, each at least `min_record` bytes, start at `start`. -1 (reported
// when the file is damaged) unless the count fits the bytes left.
static int open_table(const char *path, int silent, uint32_t start, uint32_t min_record,
                      KbnFile *f, KbnCursor *c, uint32_t *n)
{
    if (kbn_read_file(path, f, silent) != KBN_OK)
        return -1;
    kbn_cursor_init(c, f->data, f->size, 8);
    *n = kbn_u32(c);
    bool bad = c->bad;
    kbn_cursor_init(c, f->data, f->size, start);
    if (bad || c->bad || *n > kbn_left(c) / min_record)
        return drop_damaged(f, path);
    return 0;
}

int load_error_messages(void)
{
    free_error_texts();
    publish_error_texts();
    KbnFile f;
    KbnCursor c;
    uint32_t n;
    // A record is at least a code and a terminator.
    if (open_table(KV_PATH_KVE, 0, 16, 5, &f, &c, &n) != 0)
        return -1;
    ErrorTextEntry *all = (ErrorTextEntry *)alloc_or_report(sizeof(ErrorTextEntry) * n);
    if (!all) {
        kbn_free(&f);
        return -1;
    }
    for (uint32_t i = 0; i < n; i++) {
        all[i].code = kbn_u32(&c);
        all[i].text = kbn_string(&c);
    }
    if (c.bad) {
        std::free(all);
        return drop_damaged(&f, KV_PATH_KVE);
    }
    g_project_images.kve = f.data;
    g_project_error_texts = all;
    g_project_error_text_count = n;
    publish_error_texts();
    return 0;
}

// --- kvc.kbn -----------------------------------------------------------------------

static int read_command_def(KbnCursor *c, CommandDef *d)
{
    d->name = kbn_string(c);
    d->arg_count = kbn_u8(c);
    if (c->bad)
        return -1;
    uint8_t a = d->arg_count;
    d->arg_names = (const char **)std::calloc(a ? a : 1, sizeof(const char *));
    d->arg_kinds = (uint8_t *)std::calloc(a ? a : 1, 1);
    d->arg_classes = (uint8_t *)std::calloc(a ? a : 1, 1);
    if (!d->arg_names || !d->arg_kinds || !d->arg_classes) {
        report_system_error(100010, 1);
        return -2;
    }
    for (uint32_t k = 0; k < a; k++) {
        d->arg_names[k] = kbn_string(c);
        d->arg_kinds[k] = kbn_u8(c);
        d->arg_classes[k] = kbn_u8(c);
    }
    return c->bad ? -1 : 0;
}

int load_command_defs(void)
{
    free_command_defs();
    KbnFile f;
    KbnCursor c;
    uint32_t n;
    // A record is at least a name terminator and an argument count.
    if (open_table(KV_PATH_KVC, 0, 16, 2, &f, &c, &n) != 0)
        return -1;
    CommandDef *defs = (CommandDef *)alloc_or_report(sizeof(CommandDef) * n);
    if (!defs) {
        kbn_free(&f);
        return -1;
    }
    g_command_defs = defs;
    g_command_def_count = n;
    g_project_images.kvc = f.data;
    int r = 0;
    for (uint32_t i = 0; i < n && r == 0; i++)
        r = read_command_def(&c, &defs[i]);
    for (uint32_t i = 0; i < KV_COUNTOF(g_errno_texts) && r == 0; i++)
        g_errno_texts[i] = kbn_string(&c);
    const uint8_t *keys = r == 0 ? kbn_bytes(&c, sizeof g_key_map) : nullptr;
    if (r != 0 || !keys) {
        free_command_defs();
        return r == -2 ? -1 : kbn_report_damaged(KV_PATH_KVC);
    }
    std::memcpy(g_key_map, keys, sizeof g_key_map);
    command_table_fill();
    return 0;
}

// --- kvt.kbn -----------------------------------------------------------------------

int load_variable_table(void)
{
    KbnFile f;
    if (kbn_read_file(KV_PATH_KVT, &f, 0) != KBN_OK)
        return -1;
    KbnCursor c;
    kbn_cursor_init(&c, f.data, f.size, 4);
    uint32_t version = kbn_u32(&c);
    uint32_t highest = kbn_u32(&c);
    uint32_t word = kbn_u32(&c);
    kbn_free(&f);
    if (c.bad)
        return kbn_report_damaged(KV_PATH_KVT);
    if (version != KV_ENGINE_VERSION) {
        report_system_error(105000, 1);
        return -1;
    }
    // Variable ids are 16 bits wide everywhere they are stored.
    if (highest > 0xFFFF)
        return kbn_report_damaged(KV_PATH_KVT);
    g_var_table_word = word;
    return var_table_alloc(highest + 1) == 0 ? 0 : -1;
}

// --- kvt_list.kbn --------------------------------------------------------------------

int alloc_script_file_table(uint32_t count)
{
    if (g_script_files) {
        for (uint32_t i = 0; i < g_script_file_count; i++)
            script_file_free(g_script_files[i]);
        std::free(g_script_files);
    }
    g_script_file_count = 0;
    g_script_files = (ScriptFile **)alloc_or_report(sizeof(ScriptFile *) * count);
    if (!g_script_files)
        return -1;
    g_script_file_count = count;
    return 0;
}

int load_script_names(void)
{
    free_script_names();
    KbnFile f;
    KbnCursor c;
    uint32_t n;
    if (open_table(KV_PATH_KVT_LIST, 0, 12, 28, &f, &c, &n) != 0)
        return -1;
    if (alloc_script_file_table(n) != 0) {
        kbn_free(&f);
        return -1;
    }
    g_script_names = (char **)alloc_or_report(sizeof(char *) * n);
    g_script_values = (uint32_t *)alloc_or_report(sizeof(uint32_t) * n);
    if (!g_script_names || !g_script_values) {
        kbn_free(&f);
        free_script_names();
        return -1;
    }
    g_script_count = n;
    for (uint32_t i = 0; i < n; i++)
        g_script_names[i] = g_empty_script_name;
    int r = 0;
    for (uint32_t i = 0; i < n && r == 0; i++) {
        uint32_t number = kbn_u32(&c);
        uint32_t len = kbn_u32(&c);
        const uint8_t *name = kbn_bytes(&c, len);
        kbn_bytes(&c, 16);
        uint32_t value = kbn_u32(&c);
        if (c.bad) {
            r = kbn_report_damaged(KV_PATH_KVT_LIST);
            break;
        }
        if (number >= n) {
            report_system_error(901030, 1);
            r = -1;
            break;
        }
        char *copy = (char *)alloc_or_report((size_t)len + 1);
        if (!copy) {
            r = -1;
            break;
        }
        std::memcpy(copy, name, len);
        if (g_script_names[number] != g_empty_script_name)
            std::free(g_script_names[number]);
        g_script_names[number] = copy;
        g_script_values[i] = value;
    }
    kbn_free(&f);
    if (r != 0)
        free_script_names();
    return r;
}

// --- kvv.kbn -----------------------------------------------------------------------

enum { KV_MAX_DIMS = 8, KV_MAX_ELEMENTS = 4000000 };

// Walks one variable record; -1 when it is damaged.
static int check_var_record(KbnCursor *c)
{
    kbn_u8(c);                       // scope
    kbn_u16(c);                      // file
    kbn_u16(c);                      // id
    uint8_t type = kbn_u8(c);
    uint8_t dims = kbn_u8(c);
    if (c->bad || dims > KV_MAX_DIMS || type < 1 || type > 3)
        return -1;
    uint64_t product = 1;
    for (uint32_t k = 0; k < dims; k++) {
        product *= kbn_u32(c);       // at most 4e6 * 2^32: no overflow
        if (product > KV_MAX_ELEMENTS)
            return -1;
    }
    if (type == 3)
        kbn_bytes(c, kbn_u16(c));
    else
        kbn_bytes(c, 8);
    return c->bad ? -1 : 0;
}

int load_variable_defs(void)
{
    std::free(g_project_images.kvv);
    g_project_images.kvv = nullptr;
    g_var_defs = nullptr;
    g_var_defs_size = 0;
    KbnFile f;
    if (kbn_read_file(KV_PATH_KVV, &f, 0) != KBN_OK)
        return -1;
    KbnCursor c;
    kbn_cursor_init(&c, f.data, f.size, 8);
    uint32_t n = kbn_u16(&c);
    // A record is at least 9 bytes (a string variable with no value code).
    bool bad = c.bad || n > kbn_left(&c) / 9;
    for (uint32_t i = 0; i < n && !bad; i++)
        bad = check_var_record(&c) != 0;
    if (bad) {
        return drop_damaged(&f, KV_PATH_KVV);
    }
    g_project_images.kvv = f.data;
    g_var_defs = f.data;
    g_var_defs_size = f.size;
    return 0;
}

// --- kvl.kbn -----------------------------------------------------------------------

enum { KV_LABEL_MAX_DEPTH = 63, KV_LABEL_MIN_RECORD = 13 };

static int read_label(KbnCursor *c, LabelRecord *l)
{
    uint8_t len = kbn_u8(c);
    const uint8_t *name = kbn_bytes(c, len);
    l->hash = kbn_u32(c);
    l->pc = kbn_u32(c);
    l->file = kbn_u16(c);
    l->block_depth = kbn_u8(c);
    l->loop_depth = kbn_u8(c);
    if (c->bad || l->file >= g_script_count || l->block_depth > KV_LABEL_MAX_DEPTH ||
        l->loop_depth > KV_LABEL_MAX_DEPTH)
        return -1;
    l->name = (char *)std::calloc((size_t)len + 1, 1);
    if (!l->name) {
        report_system_error(100010, 1);
        return -2;
    }
    std::memcpy(l->name, name, len);
    return 0;
}

int load_labels(void)
{
    free_labels();
    KbnFile f;
    KbnCursor c;
    uint32_t n;
    // The records follow 256 bucket words.
    if (open_table(KV_PATH_KVL, 1, 12 + 1024, KV_LABEL_MIN_RECORD, &f, &c, &n) != 0)
        return -1;
    const uint8_t *buckets = f.data + 12;
    g_name_table.labels = (LabelRecord **)alloc_or_report(sizeof(LabelRecord *) * n);
    if (!g_name_table.labels) {
        kbn_free(&f);
        return -1;
    }
    for (uint32_t b = 0; b < 256; b++)
        g_name_table.buckets[b] = get_le32(buckets + 4 * b);
    g_name_table.buckets[0] = 0;
    int r = 0;
    for (uint32_t i = 0; i < n && r == 0; i++) {
        LabelRecord *l = (LabelRecord *)std::calloc(1, sizeof(LabelRecord));
        if (!l) {
            report_system_error(100010, 1);
            r = -2;
            break;
        }
        g_name_table.labels[i] = l;
        g_name_table.count = i + 1;
        r = read_label(&c, l);
    }
    kbn_free(&f);
    if (r != 0) {
        free_labels();
        return r == -1 ? kbn_report_damaged(KV_PATH_KVL) : -1;
    }
    return 0;
}
