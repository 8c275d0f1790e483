// Reading one slot of a save file (layout in save.h) and loading its body
// into a variable or a layer. Files are untrusted: the entry, its sizes and
// every length inside the body are checked before anything is copied.
#include <cstdlib>
#include <cstring>

#include <zlib.h>

#include "core/error_report.h"
#include "core/quit.h"
#include "script/save.h"
#include "script/vars.h"

#if !(defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__)
static uint64_t get64(const uint8_t *p)
{
    return (uint64_t)get_le32(p) | (uint64_t)get_le32(p + 4) << 32;
}
#endif

static int fail_close(FILE *f, uint32_t code, const char *name = nullptr)
{
    g_save_file_ops.close(f);
    if (name)
        report_script_error(code, 1, name);
    else
        report_script_error_text(code, 1);
    return -1;
}

// Reads n bytes at pos; false on any failure.
static bool read_at(FILE *f, int64_t pos, void *buf, size_t n)
{
    return g_save_file_ops.seek(f, pos, SEEK_SET) == 0 && g_save_file_ops.read(buf, n, f) == n;
}

int save_file_read_slot(const char *path, int slot, uint8_t *kind, uint8_t **body, uint32_t *size)
{
    *body = nullptr;
    if (slot < 1 || slot > KV_SAVE_SLOTS) {
        report_script_error(KV_ERR_SAVE_RANGE, 1, slot, 1, (int)KV_SAVE_SLOTS);
        return -1;
    }
    FILE *f = g_save_file_ops.open(path, "rb");
    if (!f) {
        report_script_error(KV_ERR_SAVE_OPEN, 1, path);
        return -1;
    }
    uint8_t head[8];
    if (!read_at(f, 0, head, 8) || std::memcmp(head, "KVSD", 4) != 0)
        return fail_close(f, KV_ERR_SAVE_MAGIC);
    if (get_le32(head + 4) != KV_SAVE_VERSION)
        return fail_close(f, KV_ERR_SAVE_VERSION);
    int64_t file_size = -1;
    if (g_save_file_ops.seek(f, 0, SEEK_END) == 0)
        file_size = g_save_file_ops.tell(f);
    uint8_t b[16];
    if (file_size < KV_SAVE_ENTRIES || !read_at(f, 12 + 4 * (int64_t)slot, b, 4))
        return fail_close(f, KV_ERR_SAVE_MAGIC);
    uint64_t entry = get_le32(b);
    if (entry == 0)
        return fail_close(f, KV_ERR_SAVE_EMPTY_SLOT);
    if (entry < KV_SAVE_ENTRIES || entry + KV_SAVE_ENTRY_HEAD > (uint64_t)file_size ||
        !read_at(f, (int64_t)entry, b, KV_SAVE_ENTRY_HEAD))
        return fail_close(f, KV_ERR_SAVE_MAGIC);
    uint64_t packed = get_le32(b + 8), unpacked = get_le32(b + 12);
    if (packed > (uint64_t)file_size - entry - KV_SAVE_ENTRY_HEAD ||
        !save_unpacked_plausible(packed, unpacked))
        return fail_close(f, KV_ERR_SAVE_MAGIC);
    *kind = b[4];
    uint8_t *in = (uint8_t *)std::malloc(packed ? packed : 1);
    uint8_t *out = (uint8_t *)std::malloc(unpacked ? unpacked : 1);
    if (!in || !out) {
        std::free(in);
        std::free(out);
        g_save_file_ops.close(f);
        message_box_printf("", "[Load]メモリ不足エラーです。");
        return -1;
    }
    bool got = g_save_file_ops.read(in, (size_t)packed, f) == packed;
    g_save_file_ops.close(f);
    uLongf n = (uLongf)unpacked;
    int z = got ? uncompress(out, &n, in, (uLong)packed) : Z_DATA_ERROR;
    std::free(in);
    if (z != Z_OK || n != unpacked) {
        std::free(out);
        message_box_printf("", "Load Error.");
        return -1;
    }
    *body = out;
    *size = (uint32_t)unpacked;
    return 0;
}

static int damaged(void)
{
    report_script_error_text(KV_ERR_SAVE_DAMAGED, 1);
    return -1;
}

// Number of strings in data, or -1 when a length runs past it.
static int64_t count_strings(const uint8_t *data, uint64_t len)
{
    uint64_t pos = 0;
    int64_t n = 0;
    while (pos < len) {
        if (len - pos < 4 || get_le32(data + pos) > len - pos - 4)
            return -1;
        pos += 4 + (uint64_t)get_le32(data + pos);
        n++;
    }
    return n;
}

static int load_strings(const uint8_t *data, int64_t n, uint32_t id, int64_t first)
{
    uint64_t pos = 0;
    for (int64_t k = 0; k < n; k++) {
        uint32_t len = get_le32(data + pos);
        if (var_set_string(id, first + k, (const char *)data + pos + 4, len) != 0 && g_quit_flag)
            return -1;
        pos += 4 + (uint64_t)len;
    }
    return 0;
}

int save_load_variable(const uint8_t *body, uint32_t size, uint32_t id, int64_t element, int whole)
{
    VarDescriptor *v = var_descriptor(id);
    if (!v || v->type == VAR_TYPE_NONE) {
        report_script_error_text(108010, 1);
        return -1;
    }
    if (id < VAR_SYSTEM_LIMIT) {
        report_script_error_text(VAR_ERR_TYPE, 1);
        return -1;
    }
    if (size < 8)
        return damaged();
    uint32_t type = get_le32(body), dims = get_le32(body + 4);
    if (type != v->type) {
        if (type < 1 || type > 3)
            return damaged();
        report_script_error_text(KV_ERR_SAVE_TYPE, 1);
        return -1;
    }
    if (dims > VAR_DIM_MAX)
        return damaged();
    uint64_t data_at = 8 + 4ULL * dims + 4;
    if (size < data_at)
        return damaged();
    uint64_t len = get_le32(body + data_at - 4);
    if ((int64_t)len > KV_SAVE_DATA_MAX) {
        report_script_error_text(KV_ERR_SAVE_TOO_LARGE, 1);
        return -1;
    }
    if (len > size - data_at)
        return damaged();
    if ((whole && dims != v->dim_count) || (!whole && dims > 0)) {
        report_script_error_text(KV_ERR_SAVE_DIMS, 1);
        return -1;
    }
    for (uint32_t k = 0; k < dims; k++) {
        if (get_le32(body + 8 + 4 * k) != v->dims[k]) {
            report_script_error_text(KV_ERR_SAVE_SIZES, 1);
            return -1;
        }
    }
    const uint8_t *data = body + data_at;
    int64_t n = type == VAR_TYPE_STRING ? count_strings(data, len) : (int64_t)(len / 8);
    if (n < 0 || (type != VAR_TYPE_STRING && len % 8 != 0))
        return damaged();
    int64_t first = whole ? 0 : element;
    if (first < 0 || first >= v->count)
        return 0;   // an element outside the variable: nothing is stored
    if (n > v->count - first) {
        report_script_error_text(KV_ERR_SAVE_TOO_LARGE, 1);
        return -1;
    }
    if (type == VAR_TYPE_STRING)
        return load_strings(data, n, id, first);
    void *dst = type == VAR_TYPE_INT ? (void *)(v->ints + first) : (void *)(v->floats + first);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    std::memcpy(dst, data, (size_t)n * 8);   // the stored order is the machine's
#else
    for (int64_t k = 0; k < n; k++) {
        uint64_t bits = get64(data + 8 * k);
        std::memcpy((uint8_t *)dst + 8 * k, &bits, 8);
    }
#endif
    return 0;
}

int save_load_image(const uint8_t *body, uint32_t size, TreeNode *old, const char *path)
{
    if (size < 8 || get_le32(body) != KV_SAVE_STATE_SIZE) {
        report_script_error_text(KV_ERR_SAVE_STATE, 1);
        return -1;
    }
    if (size < KV_SAVE_IMAGE_HEAD)
        return damaged();
    uint64_t pixels = get_le32(body + 4);
    int32_t w = (int32_t)get_le32(body + 8 + 112), h = (int32_t)get_le32(body + 8 + 116);
    if (w < 1 || h < 1 || pixels != (uint64_t)size - KV_SAVE_IMAGE_HEAD ||
        4ULL * (uint64_t)w * (uint64_t)h != pixels)
        return damaged();
    if (!g_save_layer_hooks.image_replace) {
        report_script_error(KV_ERR_SAVE_NO_LAYER, 1, path);
        return -1;
    }
    return g_save_layer_hooks.image_replace(old, path, w, h, body + KV_SAVE_IMAGE_HEAD);
}
