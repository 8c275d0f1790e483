// Pack lookup and entry reading: verification, repair and inflation.
#include <zlib.h>

#include <cstdlib>
#include <cstring>

#include "core/byte_order.h"
#include "core/entry.h"
#include "core/error_report.h"
#include "core/locate.h"
#include "core/pack.h"
#include "core/tree.h"

// First index entry whose hash is not below h (the index is sorted by hash).
static uint32_t first_with_hash(uint32_t h)
{
    uint32_t lo = 0, hi = g_pack_index_count;
    while (lo < hi) {
        uint32_t mid = lo + (hi - lo) / 2;
        if (g_pack_index_hash[mid] < h)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

int pack_find_hashed(FileSource *source, const char *name)
{
    size_t name_len = std::strlen(name);
    uint32_t h = murmur2(name, name_len);
    char path[KV_PACK_PATH_MAX];
    for (uint32_t i = first_with_hash(h); i < g_pack_index_count && g_pack_index_hash[i] == h; i++) {
        uint32_t pack = g_pack_index_pack[i];
        pack_full_path(path, sizeof path, pack);
        source->pack_number = pack;
        PackStream st;
        if (pack_open(&st, path) != 0)
            return -2;
        uint8_t code = 0, format = 0;
        char stored[256];
        uint32_t len = 0;
        int ok = pack_seek(&st, g_pack_index_pos[i]) == 0 && pack_read_byte(&st, &code) == 0;
        if (ok) {
            len = g_pack_name_table[255 - code];
            ok = pack_read(&st, stored, len) == 0;
        }
        if (ok) {
            for (uint32_t k = 0; k < len; k++)
                stored[k] = (char)~stored[k];
            ok = pack_name_equal(stored, len, name, name_len) && pack_read_byte(&st, &format) == 0;
        }
        pack_close(&st);
        if (ok) {
            source->format = format;
            source->entry_pos = (uint64_t)g_pack_index_pos[i] + 1 + len + 1;
            source->pack_entry = i;
            source->kind = KV_SRC_PACK;
            return 2;
        }
    }
    return 0;
}

static uint16_t block_check(const uint8_t *p, size_t n)
{
    return (uint16_t)(crc32_compute(p, n) & 0xffff);
}

// The recovery data of one entry, and the entry cut into its blocks.
struct Recovery {
    uint8_t *data;
    uint32_t length;
    uint32_t blocks;
    const uint8_t *checks;   // u16 per block, little-endian
    const uint8_t *parity;   // KV_PACK_PARITY_SIZE bytes
    uint8_t acc[KV_PACK_PARITY_SIZE];   // XOR of all blocks as read
    uint8_t cur[KV_PACK_PARITY_SIZE];   // the same, following the repairs
};

static size_t block_start(uint32_t b) { return (size_t)b * KV_PACK_PARITY_SIZE; }
static size_t block_len(const Recovery &r, uint32_t b)
{
    size_t left = r.length - block_start(b);
    return left < (size_t)KV_PACK_PARITY_SIZE ? left : (size_t)KV_PACK_PARITY_SIZE;
}
static bool block_intact(const Recovery &r, uint32_t b)
{
    uint16_t stored = get_le16(r.checks + 2 * b);
    return block_check(r.data + block_start(b), block_len(r, b)) == stored;
}
// Byte k of block b becomes the parity XOR the same byte of every other block.
static void rebuild_byte(Recovery &r, uint32_t b, size_t k)
{
    uint8_t &byte = r.data[block_start(b) + k];
    uint8_t v = (uint8_t)(r.parity[k] ^ r.cur[k] ^ byte);
    r.cur[k] ^= (uint8_t)(byte ^ v);
    byte = v;
}

// The repair proper: every byte of a failing block where the parity and the
// blocks disagree is rebuilt from the parity and the other blocks.
static void repair_failing_blocks(Recovery &r, const uint32_t *bad, size_t nbad)
{
    for (size_t i = 0; i < nbad; i++)
        for (size_t k = 0; k < block_len(r, bad[i]); k++)
            if (r.parity[k] != r.acc[k])
                rebuild_byte(r, bad[i], k);
}

// When two or more blocks fail, the repair above also rebuilds a block at the
// byte indices where another block is damaged, which spoils it. Retried on
// the bytes as read: each failing block takes the one disagreeing index whose
// rebuilt byte makes its own check match. This recovers blocks damaged in one
// byte each at different indices; the entry's hash still confirms the result.
enum { KV_REPAIR_SEARCH_BLOCKS = 8, KV_REPAIR_SEARCH_INDICES = 8 };
static void repair_one_byte_each(Recovery &r, const uint32_t *bad, size_t nbad)
{
    size_t diff[KV_REPAIR_SEARCH_INDICES], ndiff = 0;
    for (size_t k = 0; k < KV_PACK_PARITY_SIZE; k++)
        if (r.parity[k] != r.acc[k]) {
            if (ndiff == KV_REPAIR_SEARCH_INDICES)
                return;
            diff[ndiff++] = k;
        }
    for (size_t i = 0; i < nbad; i++)
        for (size_t j = 0; j < ndiff && diff[j] < block_len(r, bad[i]); j++) {
            uint8_t old = r.data[block_start(bad[i]) + diff[j]];
            rebuild_byte(r, bad[i], diff[j]);
            if (block_intact(r, bad[i]))
                break;
            r.cur[diff[j]] ^= (uint8_t)(r.data[block_start(bad[i]) + diff[j]] ^ old);
            r.data[block_start(bad[i]) + diff[j]] = old;
        }
}

int verify_and_repair_pack_data(PackStream *stream, uint8_t *data, uint32_t length,
                                uint32_t expected, const char *)
{
    if (murmur2(data, length) == expected)
        return 0;
    uint32_t parity_size = 0, blocks = 0;
    if (pack_read_u32(stream, &parity_size) != 0 || parity_size != KV_PACK_PARITY_SIZE)
        return -1;  // no recovery data
    uint64_t want = ((uint64_t)length + KV_PACK_PARITY_SIZE - 1) / KV_PACK_PARITY_SIZE;
    if (pack_read_u32(stream, &blocks) != 0 || blocks != want || blocks == 0)
        return -1;
    // The failing block numbers, then the check words and the parity as read.
    size_t head = (size_t)blocks * sizeof(uint32_t), tail = (size_t)blocks * 2 + KV_PACK_PARITY_SIZE;
    uint8_t *store = (uint8_t *)std::malloc(head + tail);
    Recovery *r = (Recovery *)std::malloc(sizeof(Recovery));
    if (!store || !r || pack_read(stream, store + head, tail) != 0) {
        std::free(store);
        std::free(r);
        return -1;
    }
    r->data = data;
    r->length = length;
    r->blocks = blocks;
    r->checks = store + head;
    r->parity = store + head + (size_t)blocks * 2;
    std::memset(r->acc, 0, sizeof r->acc);
    for (uint64_t i = 0; i < length; i++)
        r->acc[i % KV_PACK_PARITY_SIZE] ^= data[i];
    std::memcpy(r->cur, r->acc, sizeof r->cur);
    uint32_t *bad = (uint32_t *)store;
    size_t nbad = 0;
    for (uint32_t b = 0; b < blocks; b++)
        if (!block_intact(*r, b))
            bad[nbad++] = b;
    // The failing blocks as read, kept for the second try.
    uint8_t saved[KV_REPAIR_SEARCH_BLOCKS][KV_PACK_PARITY_SIZE];
    bool retry = nbad >= 2 && nbad <= KV_REPAIR_SEARCH_BLOCKS;
    for (size_t i = 0; retry && i < nbad; i++)
        std::memcpy(saved[i], data + block_start(bad[i]), block_len(*r, bad[i]));
    repair_failing_blocks(*r, bad, nbad);
    int result = murmur2(data, length) == expected ? 1 : -1;
    if (result < 0 && retry) {
        for (size_t i = 0; i < nbad; i++)
            std::memcpy(data + block_start(bad[i]), saved[i], block_len(*r, bad[i]));
        std::memcpy(r->cur, r->acc, sizeof r->cur);
        repair_one_byte_each(*r, bad, nbad);
        result = murmur2(data, length) == expected ? 1 : -1;
    }
    std::free(store);
    std::free(r);
    return result;
}

static const char *report_name(const char *pack_path)
{
    return pack_path[0] == '\x01' && pack_path[1] == '\0' ? g_exe_path : pack_path;
}

static int damaged(const char *pack_path, const char *name)
{
    report_system_error(104100, 1, report_name(pack_path), name);
    return -2;
}

// Inflates src into dst: 0 when exactly `size` bytes come out; else the zlib
// result, with a stream that ends early counted as a data error.
static int inflate_exact(uint8_t *dst, uint32_t size, const uint8_t *src, uint32_t src_len)
{
    uLongf out = size;
    int r = uncompress(dst, &out, src, src_len);
    if (r == Z_OK)
        return out == size ? 0 : Z_DATA_ERROR;
    return r;
}

static int read_compressed(PackStream *st, uint8_t *out, uint32_t size, uint32_t stored,
                           uint32_t hash, const char *pack_path, const char *name)
{
    uint8_t *packed = (uint8_t *)std::malloc(stored ? stored : 1);
    if (!packed) {
        report_system_error(104030, 1, name);
        return -3;
    }
    if (pack_read(st, packed, stored) != 0) {
        std::free(packed);
        return damaged(pack_path, name);
    }
    int r = inflate_exact(out, size, packed, stored);
    // A damaged stream may as well run past the entry's size as stop short:
    // both go to the repair; only an intact stream that does not fit is a
    // buffer fault.
    if (r == Z_DATA_ERROR || r == Z_BUF_ERROR) {
        if (verify_and_repair_pack_data(st, packed, stored, hash, name) < 0) {
            std::free(packed);
            return damaged(pack_path, name);
        }
        r = inflate_exact(out, size, packed, stored);
    }
    std::free(packed);
    if (r == 0)
        return 0;
    if (r == Z_DATA_ERROR)
        return damaged(pack_path, name);
    if (r == Z_BUF_ERROR) {
        report_system_error(900040, 1, name);
        return -2;
    }
    report_system_error(106010, 1, name);
    return -2;
}

// zlib cannot expand one byte to more than about 1032.
static bool size_plausible(uint8_t compression, uint32_t size, uint32_t stored, uint64_t avail)
{
    if (compression == 0)
        return size <= avail;
    return stored <= avail && (uint64_t)stored * 1040 + 64 >= size;
}

int load_file_from_pack(FileSource *source, const char *name)
{
    char path[KV_PACK_PATH_MAX];
    pack_full_path(path, sizeof path, source->pack_number);
    source->size = 0;
    source->data = nullptr;
    PackStream st;
    if (pack_open(&st, path) != 0) {
        report_system_error(901040, 1, report_name(path));
        return -3;
    }
    uint8_t compression = 0;
    uint32_t size = 0, stored = 0, hash = 0;
    uint64_t offset = 0;
    if (pack_seek(&st, source->entry_pos) != 0 || pack_read_byte(&st, &compression) != 0 ||
        pack_read_u32(&st, &size) != 0 || pack_read_u32(&st, &stored) != 0 ||
        pack_read_u64(&st, &offset) != 0 || pack_read_u32(&st, &hash) != 0 ||
        pack_seek(&st, offset) != 0) {
        pack_close(&st);
        return damaged(path, name);
    }
    if (compression > 1) {
        pack_close(&st);
        report_system_error(901040, 1, report_name(path));
        return -3;
    }
    if (!size_plausible(compression, size, stored, pack_remaining(&st))) {
        pack_close(&st);
        return damaged(path, name);
    }
    uint8_t *data = (uint8_t *)std::malloc(size ? size : 1);
    if (!data) {
        pack_close(&st);
        report_system_error(104030, 1, name);
        return -3;
    }
    int r;
    if (compression == 0) {
        r = pack_read(&st, data, size) == 0 && verify_and_repair_pack_data(&st, data, size, hash, name) >= 0
                ? 0
                : damaged(path, name);
    } else {
        r = read_compressed(&st, data, size, stored, hash, path, name);
    }
    pack_close(&st);
    if (r != 0) {
        std::free(data);
        return r;
    }
    source->size = size;
    source->data = data;
    return 0;
}
