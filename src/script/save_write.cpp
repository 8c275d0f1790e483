// Writing the cached slots into a save file (layout in save.h): a new file,
// an append behind the entries of an existing one, or a rewrite that
// replaces entries in place. New files and rewrites are written to a
// temporary file that replaces the old one only when every write, seek and
// close succeeded.
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "core/error_report.h"
#include "script/project.h"
#include "script/save.h"

static int report_io(void)
{
    int e = errno;
    const char *text = (e >= 0 && e < 37 && g_errno_texts[e]) ? g_errno_texts[e] : "";
    report_script_error(KV_ERR_SAVE_IO, 1, e, text);
    return -1;
}

// One output file: every failure is kept and reported once at the end.
struct SaveOut {
    FILE *f;
    bool failed;
};

static void out_write(SaveOut *o, const void *p, size_t n)
{
    if (!o->failed && n && g_save_file_ops.write(p, n, o->f) != n)
        o->failed = true;
}

static void out_u32(SaveOut *o, uint32_t v)
{
    uint8_t b[4];
    put_le32(b, v);
    out_write(o, b, 4);
}

static void out_seek(SaveOut *o, int64_t pos)
{
    if (!o->failed && g_save_file_ops.seek(o->f, pos, SEEK_SET) != 0)
        o->failed = true;
}

// Closes the file; false when this or anything before failed.
static bool out_close(SaveOut *o)
{
    bool ok = !o->failed;
    if (g_save_file_ops.close(o->f) != 0)
        ok = false;
    o->f = nullptr;
    return ok;
}

// Writes the cached slot s (1-based) at *offset: its number and record.
// False when the offset would leave the 32-bit range of the table.
static bool out_cached(SaveOut *o, int s, uint64_t *offset, uint32_t *table)
{
    uint64_t next = *offset + 4 + (uint64_t)g_slot_size[s - 1];
    if (next > 0xFFFFFFFFu) {
        o->failed = true;
        return false;
    }
    table[s - 1] = (uint32_t)*offset;
    out_u32(o, (uint32_t)s);
    out_write(o, g_slot_data[s - 1], (size_t)g_slot_size[s - 1]);
    *offset = next;
    return true;
}

static void out_table(SaveOut *o, const uint32_t *table)
{
    uint8_t b[KV_SAVE_SLOTS * 4];
    for (int k = 0; k < KV_SAVE_SLOTS; k++)
        put_le32(b + 4 * k, table[k]);
    out_write(o, b, sizeof b);
}

// Appends the slots still cached in ascending order; returns how many.
static uint32_t out_remaining(SaveOut *o, uint64_t *offset, uint32_t *table)
{
    uint32_t n = 0;
    for (int s = 1; s <= KV_SAVE_SLOTS; s++)
        if (g_slot_size[s - 1] > 0 && out_cached(o, s, offset, table))
            n++;
    return n;
}

// "<path>.tmp" replaces path once it is complete; on failure it is removed.
static int finish_temp(SaveOut *o, const char *tmp, const char *path)
{
    bool ok = out_close(o);
    int e = errno;
    if (ok && g_save_file_ops.replace(tmp, path) == 0)
        return 0;
    e = errno ? errno : e;
    g_save_file_ops.remove(tmp);
    errno = e;
    return report_io();
}

static int open_temp(SaveOut *o, const char *path, char *tmp, size_t size)
{
    std::snprintf(tmp, size, "%s.tmp", path);
    o->failed = false;
    o->f = g_save_file_ops.open(tmp, "wb");
    return o->f ? 0 : report_io();
}

static int write_new(const char *path)
{
    char folder[512];
    std::snprintf(folder, sizeof folder, "%s", path);
    if (char *cut = std::strrchr(folder, '\\'))
        cut[1] = 0;
    else
        folder[0] = 0;
    if (folder[0])
        save_dir_create(folder);
    char tmp[600];
    SaveOut o;
    if (open_temp(&o, path, tmp, sizeof tmp) != 0)
        return -1;
    static uint32_t table[KV_SAVE_SLOTS];
    std::memset(table, 0, sizeof table);
    out_write(&o, "KVSD", 4);
    out_u32(&o, KV_SAVE_VERSION);
    out_seek(&o, KV_SAVE_ENTRIES);
    uint64_t offset = KV_SAVE_ENTRIES;
    uint32_t count = out_remaining(&o, &offset, table);
    out_seek(&o, 8);
    out_u32(&o, count);
    out_u32(&o, KV_SAVE_SLOTS);
    out_table(&o, table);
    return finish_temp(&o, tmp, path);
}

// The entry whose 16-byte head h starts at off in a file of size bytes is
// whole: a slot number 1..1024, its P bytes inside the file and an unpacked
// size the loader takes. Its length (head included), or 0.
static uint64_t entry_length(const uint8_t *h, uint64_t off, uint64_t size)
{
    if (size - off < KV_SAVE_ENTRY_HEAD)
        return 0;
    uint32_t slot = get_le32(h);
    uint64_t packed = get_le32(h + 8);
    bool sound = slot >= 1 && slot <= KV_SAVE_SLOTS && packed <= size - off - KV_SAVE_ENTRY_HEAD &&
                 save_unpacked_plausible(packed, get_le32(h + 12));
    return sound ? KV_SAVE_ENTRY_HEAD + packed : 0;
}

// The offset of the last entry the slot table points at (0: none).
static uint64_t last_entry(const uint32_t *table)
{
    uint64_t last = 0;
    for (int k = 0; k < KV_SAVE_SLOTS; k++)
        last = table[k] > last ? table[k] : last;
    return last;
}

// Where an append starts: after the last whole entry when the rest of the
// file is an append that did not finish (it lies behind every entry the
// table points at), so the file stays one run of whole entries that a later
// rewrite can walk; the end of the file otherwise.
static uint64_t append_point(FILE *f, uint64_t size, const uint32_t *table)
{
    uint64_t last = last_entry(table);
    uint64_t off = KV_SAVE_ENTRIES;
    uint8_t h[KV_SAVE_ENTRY_HEAD];
    while (off < size) {
        uint64_t len = 0;
        if (size - off >= KV_SAVE_ENTRY_HEAD && g_save_file_ops.seek(f, (int64_t)off, SEEK_SET) == 0 &&
            g_save_file_ops.read(h, sizeof h, f) == sizeof h)
            len = entry_length(h, off, size);
        if (!len)
            return off > last ? off : size;
        off += len;
    }
    return size;
}

static int append_slots(FILE *f, const uint8_t *head, uint32_t *table)
{
    SaveOut o = {f, false};
    int64_t size = -1;
    if (g_save_file_ops.seek(f, 0, SEEK_END) == 0)
        size = g_save_file_ops.tell(f);
    if (size < 0) {
        int e = errno;
        g_save_file_ops.close(f);
        errno = e;
        return report_io();
    }
    if (size < KV_SAVE_ENTRIES) {
        g_save_file_ops.close(f);
        report_script_error_text(KV_ERR_SAVE_MAGIC, 1);
        return -1;
    }
    uint64_t offset = append_point(f, (uint64_t)size, table);
    out_seek(&o, (int64_t)offset);
    uint32_t n = out_remaining(&o, &offset, table);
    if (!o.failed && std::fflush(f) != 0)
        o.failed = true;
    out_seek(&o, 8);
    out_u32(&o, get_le32(head + 8) + n);
    out_u32(&o, KV_SAVE_SLOTS);
    out_table(&o, table);
    return out_close(&o) ? 0 : report_io();
}

// Every old entry from 4112 on lies inside the file with its 16-byte head,
// a slot number 1..1024, its P bytes and an unpacked size the loader takes.
// An unsound entry behind every entry the table points at is the rest of an
// append that did not finish: the walk ends before it (*end). False for
// any other unsound entry.
static bool entries_sound(const uint8_t *old, uint64_t size, const uint32_t *table,
                          uint64_t *end)
{
    uint64_t last = last_entry(table);
    uint64_t off = KV_SAVE_ENTRIES;
    while (off < size) {
        uint64_t len = entry_length(old + off, off, size);
        if (!len) {
            *end = off;
            return off > last;
        }
        off += len;
    }
    *end = size;
    return true;
}

static int rewrite_file(const char *path, const uint8_t *old, uint64_t size)
{
    static uint32_t old_table[KV_SAVE_SLOTS], table[KV_SAVE_SLOTS];
    for (int k = 0; k < KV_SAVE_SLOTS && size >= KV_SAVE_ENTRIES; k++)
        old_table[k] = get_le32(old + KV_SAVE_HEAD + 4 * k);
    if (size < KV_SAVE_ENTRIES || !entries_sound(old, size, old_table, &size)) {
        report_script_error_text(KV_ERR_SAVE_MAGIC, 1);
        return -1;
    }
    std::memset(table, 0, sizeof table);
    char tmp[600];
    SaveOut o;
    if (open_temp(&o, path, tmp, sizeof tmp) != 0)
        return -1;
    out_write(&o, old, KV_SAVE_HEAD);
    out_seek(&o, KV_SAVE_ENTRIES);
    uint64_t off = KV_SAVE_ENTRIES, offset = KV_SAVE_ENTRIES;
    // Entries the table does not point at (left by an interrupted append)
    // are kept as they are, without a table entry.
    while (off < size && !o.failed) {
        uint32_t slot = get_le32(old + off);
        uint64_t len = KV_SAVE_ENTRY_HEAD + (uint64_t)get_le32(old + off + 8);
        bool current = old_table[slot - 1] == off;
        if (current && g_slot_size[slot - 1] > 0) {
            out_cached(&o, (int)slot, &offset, table);
            save_cache_free((int)slot - 1);
        } else if (offset + len > 0xFFFFFFFFu) {
            o.failed = true;
        } else {
            if (current)
                table[slot - 1] = (uint32_t)offset;
            out_write(&o, old + off, (size_t)len);
            offset += len;
        }
        off += len;
    }
    uint32_t added = out_remaining(&o, &offset, table);
    if (added) {
        out_seek(&o, 8);
        out_u32(&o, get_le32(old + 8) + added);
    }
    out_seek(&o, KV_SAVE_HEAD);
    out_table(&o, table);
    return finish_temp(&o, tmp, path);
}

int save_file_write(const char *path)
{
    errno = 0;
    FILE *f = g_save_file_ops.open(path, "r+b");
    if (!f) {
        // A file that exists but cannot be opened is never replaced.
        if (g_save_file_ops.path_kind(path) != -1)
            return report_io();
        int r = write_new(path);
        if (r == 0)
            save_cache_free(-1);
        return r;
    }
    static uint8_t head[KV_SAVE_ENTRIES];
    if (g_save_file_ops.read(head, sizeof head, f) != sizeof head || std::memcmp(head, "KVSD", 4) != 0) {
        g_save_file_ops.close(f);
        report_script_error_text(KV_ERR_SAVE_MAGIC, 1);
        return -1;
    }
    if (get_le32(head + 4) != KV_SAVE_VERSION) {
        g_save_file_ops.close(f);
        report_script_error_text(KV_ERR_SAVE_VERSION, 1);
        return -1;
    }
    static uint32_t table[KV_SAVE_SLOTS];
    bool rewrite = false;
    for (int k = 0; k < KV_SAVE_SLOTS; k++) {
        table[k] = get_le32(head + KV_SAVE_HEAD + 4 * k);
        rewrite |= g_slot_size[k] > 0 && table[k] != 0;
    }
    int r;
    if (!rewrite) {
        r = append_slots(f, head, table);
    } else {
        r = -1;
        int64_t size = -1;
        if (g_save_file_ops.seek(f, 0, SEEK_END) == 0)
            size = g_save_file_ops.tell(f);
        uint8_t *old = size >= 0 ? (uint8_t *)std::malloc((size_t)size + 128) : nullptr;
        bool read_ok = old && g_save_file_ops.seek(f, 0, SEEK_SET) == 0 &&
                       g_save_file_ops.read(old, (size_t)size, f) == (size_t)size;
        g_save_file_ops.close(f);
        if (size < 0 || (old && !read_ok)) {
            report_io();
        } else if (!old) {
            report_script_error_text(100010, 1);
        } else {
            r = rewrite_file(path, old, (uint64_t)size);
        }
        std::free(old);
    }
    if (r == 0)
        save_cache_free(-1);
    return r;
}
