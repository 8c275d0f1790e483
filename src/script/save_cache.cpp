// The slot cache: records built by command 69 before they go into a file,
// their sizes, and the serialised variable and image bodies.
#include <cstdlib>
#include <cstring>

#include <zlib.h>

#include "core/error_report.h"
#include "script/save.h"
#include "script/vars.h"

uint8_t *g_slot_data[KV_SAVE_SLOTS];
int32_t g_slot_size[KV_SAVE_SLOTS];
SaveLayerHooks g_save_layer_hooks;

// Largest body: an image of 8192 x 8192 pixels, or a variable body.
static const int64_t k_body_max = (int64_t)KV_SAVE_IMAGE_HEAD + 4LL * 8192 * 8192;

void save_cache_free(int index)
{
    if (index < 0) {
        for (int k = 0; k < KV_SAVE_SLOTS; k++)
            save_cache_free(k);
        return;
    }
    if (index >= KV_SAVE_SLOTS)
        return;
    std::free(g_slot_data[index]);
    g_slot_data[index] = nullptr;
    g_slot_size[index] = 0;
}

static void put64(uint8_t *p, uint64_t v)
{
    put_le32(p, (uint32_t)v);
    put_le32(p + 4, (uint32_t)(v >> 32));
}

// Bytes of the data of a variable record (the element values).
static int64_t variable_data_bytes(const VarDescriptor *v, uint32_t id, int64_t element, int whole)
{
    if (v->type != VAR_TYPE_STRING)
        return whole ? 8 * v->count : 8;
    if (!whole) {
        const char *s = var_get_string(id, element);
        return 4 + (int64_t)(s ? std::strlen(s) : 0);
    }
    int64_t n = 0;
    for (int64_t k = 0; k < v->count; k++) {
        const char *s = var_get_string(id, k);
        n += 4 + (int64_t)(s ? std::strlen(s) : 0);
    }
    return n;
}

int64_t save_record_size(int, int is_image, uint32_t var_id, int64_t element, int whole,
                         const LayerState *layer)
{
    int64_t body;
    if (is_image) {
        int64_t pixels = g_save_layer_hooks.image_bytes ? g_save_layer_hooks.image_bytes(layer) : -1;
        if (pixels < 0) {
            report_script_error_text(KV_ERR_SAVE_STATE, 1);
            return -1;
        }
        body = KV_SAVE_IMAGE_HEAD + pixels;
    } else {
        const VarDescriptor *v = var_descriptor(var_id);
        if (!v || v->type == VAR_TYPE_NONE) {
            report_script_error_text(108010, 1);
            return -1;
        }
        int64_t data = variable_data_bytes(v, var_id, element, whole);
        if (data > KV_SAVE_DATA_MAX) {
            report_script_error_text(KV_ERR_SAVE_TOO_LARGE, 1);
            return -1;
        }
        body = 12 + (whole ? 4 * (int64_t)v->dim_count : 0) + data;
    }
    if (body > k_body_max) {
        report_script_error_text(KV_ERR_SAVE_TOO_LARGE, 1);
        return -1;
    }
    return KV_SAVE_RECORD_HEAD + body;
}

static void write_variable_body(uint8_t *out, uint32_t id, int64_t element, int whole,
                                uint64_t data_bytes)
{
    const VarDescriptor *v = var_descriptor(id);
    put_le32(out, v->type);
    put_le32(out + 4, whole ? v->dim_count : 0);
    uint8_t *p = out + 8;
    if (whole) {
        for (uint32_t k = 0; k < v->dim_count; k++, p += 4)
            put_le32(p, v->dims[k]);
    }
    put_le32(p, (uint32_t)data_bytes);
    p += 4;
    int64_t first = whole ? 0 : element, end = whole ? v->count : element + 1;
    bool direct = id >= VAR_SYSTEM_LIMIT;
    for (int64_t k = first; k < end; k++) {
        if (v->type == VAR_TYPE_INT) {
            int64_t x = direct && k >= 0 && k < v->count ? v->ints[k] : var_get_int(id, k);
            put64(p, (uint64_t)x);
            p += 8;
        } else if (v->type == VAR_TYPE_FLOAT) {
            double d = var_get_float(id, k);
            uint64_t bits;
            std::memcpy(&bits, &d, 8);
            put64(p, bits);
            p += 8;
        } else {
            const char *s = var_get_string(id, k);
            uint32_t n = s ? (uint32_t)std::strlen(s) : 0;
            put_le32(p, n);
            if (n)
                std::memcpy(p + 4, s, n);
            p += 4 + n;
        }
    }
}

int save_record_build(int slot_index, int is_image, uint32_t var_id, int64_t element, int whole,
                      const LayerState *layer, int64_t length)
{
    if (slot_index < 0 || slot_index >= KV_SAVE_SLOTS || length < KV_SAVE_RECORD_HEAD)
        return -1;
    uint64_t body_bytes = (uint64_t)(length - KV_SAVE_RECORD_HEAD);
    uint8_t *body = (uint8_t *)std::malloc(body_bytes ? body_bytes : 1);
    uLong bound = compressBound((uLong)body_bytes);
    uint8_t *rec = (uint8_t *)std::malloc((size_t)bound + KV_SAVE_RECORD_HEAD);
    if (!body || !rec) {
        std::free(body);
        std::free(rec);
        report_script_error_text(VAR_ERR_NO_MEMORY, 1);
        return -1;
    }
    if (is_image) {
        g_save_layer_hooks.image_write(layer, body);
    } else {
        uint32_t head = 12 + (whole ? 4 * var_descriptor(var_id)->dim_count : 0);
        write_variable_body(body, var_id, element, whole, body_bytes - head);
    }
    uLongf packed = bound;
    int z = compress2(rec + KV_SAVE_RECORD_HEAD, &packed, body, (uLong)body_bytes, KV_SAVE_LEVEL);
    std::free(body);
    if (z != Z_OK || packed > 0x7FFFFFFFu - KV_SAVE_RECORD_HEAD) {
        std::free(rec);
        message_box_printf("", "Compress Error.");
        return -1;
    }
    rec[0] = is_image ? 1 : 0;
    rec[1] = 1;
    rec[2] = 0;
    rec[3] = 0;
    put_le32(rec + 4, (uint32_t)packed);
    put_le32(rec + 8, (uint32_t)body_bytes);
    if (uint8_t *fit = (uint8_t *)std::realloc(rec, KV_SAVE_RECORD_HEAD + packed))
        rec = fit;
    save_cache_free(slot_index);
    g_slot_data[slot_index] = rec;
    g_slot_size[slot_index] = (int32_t)(KV_SAVE_RECORD_HEAD + packed);
    return 0;
}
