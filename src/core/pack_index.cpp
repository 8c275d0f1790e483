// Pack discovery, registration and the global entry index.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/byte_order.h"
#include "core/entry.h"
#include "core/error_report.h"
#include "core/pack.h"
#include "core/tree.h"
#include "platform/sys_files.h"

char **g_pack_paths;
uint32_t g_pack_count;
char *g_update_pack_paths[10];
uint32_t *g_pack_index_hash;
uint32_t *g_pack_index_pack;
uint32_t *g_pack_index_pos;
uint32_t g_pack_index_count;
uint8_t g_project_packed;
uint8_t g_appended_pack_first;
uint32_t g_pack_search_depth = 1;
const char g_pack_folder_name[] = "pac";

static uint32_t g_pack_entry_counts[KV_PACK_MAX];
static uint64_t g_pack_entry_total;

// Longest entry: 27 fixed bytes and a 255-byte name.
enum { KV_PACK_ENTRY_FIXED = 27 };

static int ascii_lower(int c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

int pack_name_equal(const char *a, size_t alen, const char *b, size_t blen)
{
    if (alen != blen)
        return 0;
    for (size_t i = 0; i < alen; i++) {
        unsigned char x = (unsigned char)a[i], y = (unsigned char)b[i];
        if (sjis_is_lead(x)) {
            if (x != y || (i + 1 < alen && a[i + 1] != b[i + 1]))
                return 0;
            i++;
        } else if (ascii_lower(x) != ascii_lower(y)) {
            return 0;
        }
    }
    return 1;
}

static int name_is_nocase(const char *a, const char *b)
{
    return pack_name_equal(a, std::strlen(a), b, std::strlen(b));
}

static void free_str(char *&s)
{
    std::free(s);
    s = nullptr;
}

void reset_pack_index()
{
    if (g_pack_paths) {
        for (uint32_t i = 0; i < KV_PACK_MAX; i++)
            std::free(g_pack_paths[i]);
        std::free(g_pack_paths);
        g_pack_paths = nullptr;
    }
    for (auto &p : g_update_pack_paths)
        free_str(p);
    std::free(g_pack_index_hash);
    std::free(g_pack_index_pack);
    std::free(g_pack_index_pos);
    g_pack_index_hash = g_pack_index_pack = g_pack_index_pos = nullptr;
    g_pack_index_count = 0;
    g_pack_count = 0;
    g_pack_entry_total = 0;
}

// The name a pack goes by in reports (the appended pack: the executable).
static const char *pack_report_name(const char *path)
{
    return path[0] == '\x01' && path[1] == '\0' ? g_exe_path : path;
}

static char *dup_string(const char *s)
{
    size_t n = std::strlen(s) + 1;
    char *d = (char *)std::malloc(n);
    if (d)
        std::memcpy(d, s, n);
    return d;
}

int add_pack(const char *path)
{
    PackStream st;
    if (pack_open(&st, path) != 0) {
        report_system_error(901040, 1, pack_report_name(path));
        return -2;
    }
    uint8_t magic[4];
    uint32_t version = 0, count = 0;
    int magic_ok = pack_read(&st, magic, 4) == 0 && std::memcmp(magic, "KPF\0", 4) == 0;
    int header_ok = magic_ok && pack_read_u32(&st, &version) == 0 && pack_read_u32(&st, &count) == 0;
    pack_close(&st);
    if (!magic_ok)
        return 0;  // not a pack: skipped without a word
    if (!header_ok || (int32_t)version < KV_PACK_MIN_VERSION) {
        report_system_error(104120, 1, pack_report_name(path));
        return -1;
    }
    g_pack_entry_total += count;
    if (g_pack_entry_total > KV_PACK_ENTRY_MAX) {
        report_system_error(104140, 1, (int)KV_PACK_ENTRY_MAX);
        return -1;
    }
    if (g_pack_count >= KV_PACK_MAX) {
        report_system_error(104130, 1, (int)KV_PACK_MAX);
        return -1;
    }
    char *copy = dup_string(path);
    if (!copy) {
        report_system_error(100010, 1);
        return -1;
    }
    g_pack_entry_counts[g_pack_count] = count;
    g_pack_paths[g_pack_count++] = copy;
    return 0;
}

// ---- discovery --------------------------------------------------------------

struct FolderEntry {
    std::string name;
    int is_folder;
};

static int collect_entry(const char *name, int is_folder, void *ctx)
{
    ((std::vector<FolderEntry> *)ctx)->push_back({name, is_folder});
    return 0;
}

static int ends_with_kpf(const std::string &name)
{
    size_t n = name.size();
    return n >= 4 && name_is_nocase(name.c_str() + n - 4, ".kpf");
}

// 1-9 for "update1.kpf".."update9.kpf", else 0.
static int update_slot_of(const char *file_name)
{
    char want[] = "update0.kpf";
    for (int i = 1; i <= 9; i++) {
        want[6] = (char)('0' + i);
        if (name_is_nocase(file_name, want))
            return i;
    }
    return 0;
}

static int visit_pack_file(const std::string &path, const std::string &name)
{
    char buf[KV_PATH_MAX];
    std::memcpy(buf, path.c_str(), path.size() + 1);
    path_to_lower(buf);
    int slot = update_slot_of(name.c_str());
    if (slot) {
        char *copy = dup_string(buf);
        if (!copy) {
            report_system_error(100010, 1);
            return -1;
        }
        std::free(g_update_pack_paths[slot]);
        g_update_pack_paths[slot] = copy;
        return 0;
    }
    return add_pack(buf) < 0 ? -1 : 0;
}

int find_pack_files(int max_depth, const char *start)
{
    std::vector<std::string> queue{start};
    std::vector<uint8_t> depth{1};
    for (size_t q = 0; q < queue.size(); q++) {
        std::vector<FolderEntry> entries;
        sys_list_folder(queue[q].c_str(), collect_entry, &entries);
        for (const FolderEntry &e : entries) {
            if (e.name == "." || e.name == "..")
                continue;
            std::string path = queue[q] + "\\" + e.name;
            if (path.size() >= KV_PATH_MAX) {
                report_system_error(901040, 1, path.substr(0, 255).c_str());
                return -1;
            }
            if (!e.is_folder && ends_with_kpf(e.name)) {
                if (visit_pack_file(path, e.name) != 0)
                    return -1;
            } else if (e.is_folder && name_is_nocase(e.name.c_str(), g_pack_folder_name) &&
                       depth[q] <= max_depth) {
                if (queue.size() >= KV_PACK_FOLDER_QUEUE) {
                    report_system_error(104110, 1);
                    return -1;
                }
                if (depth[q] >= KV_PACK_FOLDER_DEPTH) {
                    report_system_error(104111, 1);
                    return -1;
                }
                queue.push_back(path);
                depth.push_back((uint8_t)(depth[q] + 1));
            }
        }
    }
    return 0;
}

// ---- the index --------------------------------------------------------------

// Entries seen so far, by their current index hash, for the duplicate check.
struct DuplicateTable {
    std::vector<std::string> names;  // decoded names by index position
    std::unordered_map<uint32_t, std::vector<uint32_t>> by_hash;
};

static int is_update_pack(uint32_t pack)
{
    const char *path = g_pack_paths[pack];
    const char *base = path;
    for (const char *p = path; *p; p++) {
        if (sjis_is_lead((unsigned char)*p) && p[1])
            p++;
        else if (*p == '\\' || *p == '/')
            base = p + 1;
    }
    std::string stem(base);
    size_t dot = stem.rfind('.');
    if (dot != std::string::npos)
        stem.resize(dot);
    return update_slot_of((stem + ".kpf").c_str()) != 0;
}

// Entry n against every earlier entry with the same hash, in index order.
static int check_duplicate(DuplicateTable &t, uint32_t n)
{
    uint32_t h = g_pack_index_hash[n];
    std::vector<uint32_t> &same = t.by_hash[h];
    const std::string &name = t.names[n];
    for (size_t k = 0; k < same.size(); k++) {
        uint32_t j = same[k];
        if (!pack_name_equal(name.data(), name.size(), t.names[j].data(), t.names[j].size()))
            continue;  // a hash collision: both stay
        if (!is_update_pack(g_pack_index_pack[n])) {
            report_system_error(104150, 0, name.c_str());
            return -1;
        }
        // Hidden: no lookup reaches j by its name any more.
        uint32_t hidden = h == 0 ? 1 : 0;
        g_pack_index_hash[j] = hidden;
        same.erase(same.begin() + (ptrdiff_t)k);
        k--;
        std::vector<uint32_t> &moved = t.by_hash[hidden];
        moved.insert(std::upper_bound(moved.begin(), moved.end(), j), j);
    }
    t.by_hash[h].push_back(n);
    return 0;
}

// Reads one pack's index into the global index. -1 stops start-up.
static int index_pack(uint32_t pack, DuplicateTable &t)
{
    const char *path = g_pack_paths[pack];
    PackStream st;
    if (pack_open(&st, path) != 0) {
        report_system_error(901040, 1, pack_report_name(path));
        return -1;
    }
    uint32_t count = 0, size = 0;
    uint8_t *index = nullptr;
    int ok = pack_seek(&st, 8) == 0 && pack_read_u32(&st, &count) == 0 &&
             pack_read_u32(&st, &size) == 0 && pack_seek(&st, KV_PACK_HEADER_SIZE) == 0 &&
             count == g_pack_entry_counts[pack] && size <= pack_remaining(&st) &&
             (uint64_t)size + KV_PACK_HEADER_SIZE + 4 <= UINT32_MAX;
    if (ok) {
        index = (uint8_t *)std::malloc(size ? size : 1);
        if (!index) {
            pack_close(&st);
            report_system_error(100010, 1);
            return -1;
        }
        ok = pack_read(&st, index, size) == 0;
    }
    pack_close(&st);
    uint64_t off = 0;
    for (uint32_t e = 0; ok && e < count; e++) {
        if (off + 5 > size) {
            ok = 0;
            break;
        }
        uint32_t len = g_pack_name_table[255 - index[off + 4]];
        if (off + KV_PACK_ENTRY_FIXED + len > size) {
            ok = 0;
            break;
        }
        uint32_t n = g_pack_index_count++;
        g_pack_index_hash[n] = get_le32(index + off);
        g_pack_index_pack[n] = pack;
        g_pack_index_pos[n] = (uint32_t)(KV_PACK_HEADER_SIZE + off + 4);
        std::string name(len, '\0');
        for (uint32_t i = 0; i < len; i++)
            name[i] = (char)~index[off + 5 + i];
        if (pack_name_equal(name.data(), name.size(), "kvbin\\kvcfg.kbn", 15))
            g_project_packed = 1;
        t.names.push_back(std::move(name));
        if (check_duplicate(t, n) != 0) {
            std::free(index);
            return -1;
        }
        off += KV_PACK_ENTRY_FIXED + len;
    }
    std::free(index);
    if (!ok) {
        report_system_error(104120, 1, pack_report_name(path));
        return -1;
    }
    return 0;
}

int build_pack_index()
{
    return build_pack_index_from(".");
}

int build_pack_index_from(const char *folder)
{
    reset_pack_index();
    g_pack_paths = (char **)alloc_zeroed(KV_PACK_MAX * sizeof(char *));
    if (!g_pack_paths) {
        report_system_error(100010, 1);
        return -1;
    }
    if (g_appended_pack_first) {
        if (add_pack("\x01") < 0)
            return -1;
    } else {
        if (find_pack_files((int)g_pack_search_depth, folder) != 0)
            return -1;
        for (int i = 1; i <= 9; i++)
            if (g_update_pack_paths[i] && add_pack(g_update_pack_paths[i]) < 0)
                return -1;
    }
    size_t total = (size_t)g_pack_entry_total;
    g_pack_index_hash = (uint32_t *)std::malloc((total ? total : 1) * sizeof(uint32_t));
    g_pack_index_pack = (uint32_t *)std::malloc((total ? total : 1) * sizeof(uint32_t));
    g_pack_index_pos = (uint32_t *)std::malloc((total ? total : 1) * sizeof(uint32_t));
    if (!g_pack_index_hash || !g_pack_index_pack || !g_pack_index_pos) {
        report_system_error(100010, 1);
        return -1;
    }
    DuplicateTable t;
    t.names.reserve(total);
    t.by_hash.reserve(total);
    for (uint32_t p = 0; p < g_pack_count; p++)
        if (index_pack(p, t) != 0)
            return -1;
    if (g_pack_index_count > 0)
        pack_index_sort(0, g_pack_index_count - 1);
    return 0;
}

// ---- sorting ----------------------------------------------------------------

void pack_index_swap(uint32_t i, uint32_t j)
{
    uint32_t t = g_pack_index_hash[i];
    g_pack_index_hash[i] = g_pack_index_hash[j];
    g_pack_index_hash[j] = t;
    t = g_pack_index_pack[i];
    g_pack_index_pack[i] = g_pack_index_pack[j];
    g_pack_index_pack[j] = t;
    t = g_pack_index_pos[i];
    g_pack_index_pos[i] = g_pack_index_pos[j];
    g_pack_index_pos[j] = t;
}

// Quicksort by unsigned hash, Hoare partition around the middle element.
// The smaller side is sorted by recursion and the larger by looping, so the
// depth stays below log2(n); the parts are disjoint, so the result is the
// same whichever side goes first.
void pack_index_sort(uint32_t first, uint32_t last)
{
    while (first < last) {
        uint32_t pivot = g_pack_index_hash[first + (last - first) / 2];
        int64_t i = first, j = last;
        while (i <= j) {
            while (g_pack_index_hash[i] < pivot)
                i++;
            while (g_pack_index_hash[j] > pivot)
                j--;
            if (i <= j) {
                pack_index_swap((uint32_t)i, (uint32_t)j);
                i++;
                j--;
            }
        }
        // Now first..j and i..last remain (j may be first - 1).
        if (j - (int64_t)first < (int64_t)last - i) {
            if ((int64_t)first < j)
                pack_index_sort(first, (uint32_t)j);
            first = (uint32_t)i;
        } else {
            if (i < (int64_t)last)
                pack_index_sort((uint32_t)i, last);
            if (j < (int64_t)first)
                return;
            last = (uint32_t)j;
        }
    }
}
